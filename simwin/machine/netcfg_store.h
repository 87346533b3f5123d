// The machine's network configuration store, "<root>/netcfg.store".
//
// A text file in UTF-8, one record a line, fields separated by one tab. The first line names
// the format and its version; every later line is a component, a reference or a binding path:
//
//   simwin-netcfg-store<TAB>2
//   component<TAB>INSTANCE<TAB>CLASS<TAB>ID<TAB>DISPLAY NAME<TAB>INF<TAB>UPPER<TAB>LOWER<TAB>FILTER
//   reference<TAB>INSTANCE<TAB>user
//   reference<TAB>INSTANCE<TAB>component<TAB>OTHER INSTANCE
//   reference<TAB>INSTANCE<TAB>software<TAB>MANUFACTURER<TAB>PRODUCT<TAB>DISPLAY NAME
//   binding<TAB>UPPER<TAB>LOWER<TAB>STATE
//
//   INSTANCE  a decimal number from 1 on, unique in the store; it names the component in
//             reference and binding records and stays the same for the life of the component.
//   CLASS     net (adapters), netservice (services and filters), nettrans (protocols) or
//             netclient (clients).
//   ID        the component id in lower case, e.g. "root\quorixvmini60_a".
//   DISPLAY NAME  as the INF's [Strings] gave it; no tab or line break.
//   INF       the INF the component came from: "oem0.inf" for one from the INF store, or the
//             name of the system's own INF for the machine's baseline components.
//   UPPER, LOWER, FILTER  the component's binding interfaces, as its INF's Ndi\Interfaces
//             UpperRange, LowerRange and FilterMediaTypes give them: names in lower case joined
//             by commas, or "-" for none.
//   reference a token on whose behalf the component is installed: the user, another component
//             (by its instance), or another product (manufacturer, product, display name; no
//             tab or line break). Each token at most once a component; adapters have none.
//   UPPER, LOWER of a binding: instance numbers of a binding path's upper component (a protocol
//             or a filter) and lower component (an adapter); at most one record for each pair.
//   STATE     "enabled" or "disabled".
//
// Components come first, then references, then bindings, each naming only components listed
// before it. A change of binding states alone may be appended instead of rewriting the file,
// one line for each Apply, after all the bindings:
//
//   applied<TAB>UPPER<TAB>LOWER<TAB>STATE[<TAB>UPPER<TAB>LOWER<TAB>STATE...]
//
// Each triple names a binding listed before it and gives its new state; a later line wins over
// an earlier one. Every other change replaces the file as a whole (a temporary file in the same
// folder, then put in its place in one step), and so does an Apply once the appended lines are
// as long as the rest.
// A reader sees either the old or the new text, never a mix: an applied line is appended in
// one write, and a last line that is an applied line without its line end is an Apply that did
// not finish, which readers leave out.
//
// Version 1 stores (written before components kept their interfaces and references) are read
// too: their component records end in BINDS ("binds" or "none") instead of the three interface
// fields, and stand for the interfaces that version implied (ImpliedInterfaces); they hold no
// references. Writers always write version 2.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace simwin {

enum class ComponentClass { Net, NetService, NetTrans, NetClient };

// A component's binding interfaces, each list of names in lower case, in the INF's order.
struct BindingInterfaces {
    std::vector<std::wstring> upperRange;
    std::vector<std::wstring> lowerRange;
    std::vector<std::wstring> filterMediaTypes;

    bool operator==(const BindingInterfaces& other) const {
        return upperRange == other.upperRange && lowerRange == other.lowerRange &&
               filterMediaTypes == other.filterMediaTypes;
    }
};

// A token on whose behalf a component is installed (an OBO_TOKEN, as the store keeps it).
enum class ReferenceKind { User, Component, Software };

struct ComponentReference {
    ReferenceKind kind = ReferenceKind::User;
    unsigned component = 0;     // Component: the referencing component's instance
    std::wstring manufacturer;  // Software: the product's maker, its name, and how it is shown
    std::wstring product;
    std::wstring displayName;

    // The same token: the same component, or the same manufacturer and product (letter case
    // ignored); the display name only describes a product.
    bool SameToken(const ComponentReference& other) const;
};

struct ComponentRecord {
    unsigned instance = 0;
    ComponentClass componentClass = ComponentClass::Net;
    std::wstring id;  // lower case
    std::wstring displayName;
    std::string inf;
    BindingInterfaces interfaces;
    std::vector<ComponentReference> references;  // in the order they were added
};

// A binding path's key: (upper instance, lower instance).
using BindingKey = std::pair<unsigned, unsigned>;

struct NetCfgStore {
    std::map<unsigned, ComponentRecord> components;  // by instance
    std::map<BindingKey, bool> bindings;             // enabled or not
};

enum class StoreReadResult { Ok, Missing, Unreadable, Corrupt };

// What a writer needs to know about the file it read, to append to it safely.
struct StoreFileInfo {
    std::size_t bytes = 0;         // the file's length as read
    std::size_t appliedBytes = 0;  // of which applied lines, ended or not
    bool unfinishedApply = false;  // it ends in an applied line without its line end
};

// Whether root holds a machine: its store is there (a machine's creation writes it last). A
// folder without one, or no folder at all, holds none.
bool HoldsMachine(const std::string& root);
// Reads and checks the store at path. On failure the error is one line naming the file, and
// for a corrupt store the line: "/root/netcfg.store:4: unknown class 'nic'". info, when given,
// describes the file read.
StoreReadResult ReadNetCfgStore(const std::string& path, NetCfgStore* store, std::string* error,
                                StoreFileInfo* info = nullptr);
// The store's text, as described above, without applied lines.
std::string FormatNetCfgStore(const NetCfgStore& store);
// Replaces the store at path atomically. False with a one-line error.
bool WriteNetCfgStore(const std::string& path, const NetCfgStore& store, std::string* error);
// The applied line, with its line end, for these new binding states (at least one).
std::string FormatAppliedRecord(const std::map<BindingKey, bool>& states);

// The device class GUID of a component class, and the class of a GUID (none for another GUID).
const GUID& ClassGuid(ComponentClass componentClass);
std::optional<ComponentClass> ClassFromGuid(const GUID& guid);
// The class as the store and netcfg-sim name it: "net", "netservice", "nettrans", "netclient".
const char* ClassName(ComponentClass componentClass);

// An id in the lower case that the store keeps.
std::wstring LowerCaseId(const std::wstring& id);

// The interfaces a component of a class was taken to have before components kept their own
// (version 1 stores, and INF files that declare no Ndi\Interfaces values): an adapter "ndis5"
// above and "ethernet" below, a protocol "ndis5" below, a filter (bindsToAdapters, for a
// service) over "ethernet"; nothing for any other.
BindingInterfaces ImpliedInterfaces(ComponentClass componentClass, bool bindsToAdapters);

// "user", "component ms_tcpip", "software "Maker" "Product" "Shown name"": a reference as
// netcfg-sim show names it.
std::string DescribeReference(const NetCfgStore& store, const ComponentReference& reference);

// A binding interface's name as the store keeps it: ASCII letters, digits and '_', at least one.
bool IsInterfaceName(const std::wstring& name);

// Whether a binding path leads from upper down to lower: lower is an adapter, and either upper's
// lower range meets lower's upper range (a protocol), or upper is a service whose filter media
// types include one of lower's lower range (a filter). Names compare without regard to case.
bool InterfacesMeet(const ComponentRecord& upper, const ComponentRecord& lower);

}  // namespace simwin
