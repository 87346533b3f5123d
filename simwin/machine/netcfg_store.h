// The machine's network configuration store, "<root>/netcfg.store".
//
// A text file in UTF-8, one record a line, fields separated by one tab. The first line names
// the format and its version; every later line is a component or a binding path:
//
//   simwin-netcfg-store<TAB>1
//   component<TAB>INSTANCE<TAB>CLASS<TAB>ID<TAB>DISPLAY NAME<TAB>INF<TAB>BINDS
//   binding<TAB>UPPER<TAB>LOWER<TAB>STATE
//
//   INSTANCE  a decimal number from 1 on, unique in the store; it names the component in
//             binding records and stays the same for the life of the component.
//   CLASS     net (adapters), netservice (services and filters), nettrans (protocols) or
//             netclient (clients).
//   ID        the component id in lower case, e.g. "root\quorixvmini60_a".
//   DISPLAY NAME  as the INF's [Strings] gave it; no tab or line break.
//   INF       the INF the component came from: "oem0.inf" for one from the INF store, or the
//             name of the system's own INF for the machine's baseline components.
//   BINDS     "binds" when the component binds to adapters (protocols and filters), else
//             "none".
//   UPPER, LOWER  instance numbers of a binding path's upper component (one that binds) and
//             lower component (an adapter); at most one record for each pair.
//   STATE     "enabled" or "disabled".
//
// Components come before the bindings that name them. A change of binding states alone may be
// appended instead of rewriting the file, one line for each Apply, after all the bindings:
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
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace simwin {

enum class ComponentClass { Net, NetService, NetTrans, NetClient };

struct ComponentRecord {
    unsigned instance = 0;
    ComponentClass componentClass = ComponentClass::Net;
    std::wstring id;  // lower case
    std::wstring displayName;
    std::string inf;
    bool bindsToAdapters = false;
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

}  // namespace simwin
