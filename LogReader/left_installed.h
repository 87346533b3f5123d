// What a run left installed, component by component, as far as its lines show: the switch, and
// the adapter in each of its removal cycles (an Uninstall removes one adapter instance a cycle).
#pragma once

#include "log_line.h"

#include <string>
#include <vector>

namespace logreader {

enum class ComponentState {
    Installed,       // installed by this run
    Removed,         // removed by this run
    NotInstalled,    // the removal's lookup found nothing
    StillInstalled,  // found, but its removal failed
    RebootPending,   // an Apply answered NETCFG_S_REBOOT: the change waits for a reboot
    Unfinished,      // the run ended before the step that settles it
    InstallFailed,   // its installation failed: whether an earlier one is there is not said
    Undetermined,    // the lines do not say
};

enum class Component { Adapter, Switch };

struct ComponentVerdict {
    Component component = Component::Adapter;
    int cycle = 1;  // the adapter's removal cycle in an Uninstall; 1 otherwise
    ComponentState state = ComponentState::Unfinished;
};

// The run's answer: nothing of the product left, something left or possibly left, or no line
// of the run says.
enum class Verdict { Nothing, Something, Unknown };

struct LeftInstalled {
    Verdict verdict = Verdict::Unknown;
    std::vector<ComponentVerdict> components;  // in the order the run reached them
};

// Follows one run's lines, in order, to what the run left installed.
class LeftInstalledTracker {
public:
    void See(const LogLine& line);
    // The verdict once the run's last line has been seen.
    LeftInstalled Finish() const;

private:
    enum class Phase { None, Install, SwitchRemoval, AdapterRemoval, Done };

    void SeeInstallLine(const LogLine& line);
    void SeeRemovalLine(const LogLine& line);
    void EndRemovalCycle();
    void EndAdapterRemoval();
    ComponentVerdict* Find(Component component);

    Phase phase_ = Phase::None;
    std::vector<ComponentVerdict> components_;
    // The removal cycle under way: what its lines have shown so far.
    bool inCycle_ = false;
    bool found_ = false;
    bool notFound_ = false;
    bool deinstalled_ = false;
    bool removalFailed_ = false;
};

// "nothing", or what is or may be left: "the virtual switch (its removal failed)".
std::string LeftInstalledText(const LeftInstalled& left);

// A component's state for a person: "its removal failed"; and for a program: "stillInstalled".
std::string StateText(ComponentState state);
std::string StateName(ComponentState state);
// "the virtual switch", "the virtual ethernet adapter".
std::string ComponentText(Component component);
// "nothing", "something", "unknown".
std::string VerdictName(Verdict verdict);

}  // namespace logreader
