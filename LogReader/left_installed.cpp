#include "left_installed.h"

#include "message_match.h"
#include "program_lines.h"

#include <iterator>
#include <string_view>

namespace logreader {

namespace {

// DriverInstaller gives the adapter's instances at most this many removal cycles in one run; a
// last cycle that removed its instance is then followed by the failure line whether or not an
// instance remains.
constexpr int kMaxAdapterRemovalCycles = 16;

// Absent after this run, or not touched by it: an Install run's verdict speaks of what that run
// installed.
bool IsAbsent(ComponentState state) {
    return state == ComponentState::Removed || state == ComponentState::NotInstalled ||
           state == ComponentState::NotChanged;
}

bool IsPresent(ComponentState state) {
    return state == ComponentState::Installed || state == ComponentState::StillInstalled ||
           state == ComponentState::RebootPending;
}

// Each state's name in the JSON report and its words in the text report; the states that leave
// the component unknown share one name.
struct StateWords {
    ComponentState state;
    const char* name;
    const char* text;
};

constexpr StateWords kStateWords[] = {
    {ComponentState::Installed, "installed", "installed by this run"},
    {ComponentState::Removed, "removed", "removed by this run"},
    {ComponentState::NotInstalled, "notInstalled", "was not installed"},
    {ComponentState::StillInstalled, "stillInstalled", "its removal failed"},
    {ComponentState::RebootPending, "rebootPending", "waiting for a reboot"},
    {ComponentState::NotChanged, "notChanged", "not installed: the run changed nothing of it"},
    {ComponentState::Unfinished, "unknown", "unknown: the run ended before its step"},
    {ComponentState::InstallFailed, "unknown", "unknown: its installation failed"},
    {ComponentState::Undetermined, "unknown", "unknown: the lines do not say"},
};

const StateWords& WordsFor(ComponentState state) {
    for (const StateWords& words : kStateWords) {
        if (words.state == state) {
            return words;
        }
    }
    return kStateWords[std::size(kStateWords) - 1];
}

}  // namespace

void LeftInstalledTracker::See(const LogLine& line) {
    if (!line.parsed) {
        return;
    }
    if (!line.isError && line.message == kInstallCommand) {
        phase_ = Phase::Install;
        installCalled_ = false;
        components_ = {{Component::Adapter, 1, ComponentState::Unfinished},
                       {Component::Switch, 1, ComponentState::Unfinished}};
        return;
    }
    if (!line.isError && line.message == kUninstallCommand) {
        phase_ = Phase::SwitchRemoval;
        components_ = {{Component::Switch, 1, ComponentState::Unfinished},
                       {Component::Adapter, 1, ComponentState::Unfinished}};
        return;
    }
    if (phase_ == Phase::Install) {
        SeeInstallLine(line);
    } else if (phase_ == Phase::SwitchRemoval || phase_ == Phase::AdapterRemoval) {
        SeeRemovalLine(line);
    }
}

void LeftInstalledTracker::SeeInstallLine(const LogLine& line) {
    const std::string& message = line.message;
    if (line.isError && StartsWith(message, kAdapterInstallFailedPrefix)) {
        EndInstallation(Component::Adapter, message);
    } else if (line.isError && StartsWith(message, kSwitchInstallFailedPrefix)) {
        EndInstallation(Component::Switch, message);
    } else if (line.isError) {
        return;
    } else if (message == kInstallCycleEnter) {
        installCalled_ = false;
    } else if (message == kInstallCall) {
        installCalled_ = true;
    } else if (message == kAdapterInstalled) {
        Find(Component::Adapter)->state = ComponentState::Installed;
    } else if (message == kSwitchInstalled) {
        Find(Component::Switch)->state = ComponentState::Installed;
    } else if (message == kInstallerExit) {
        // The sequence tries the switch only after the adapter was installed: a sequence that
        // ended after the adapter's failure never touched it.
        const ComponentState adapter = Find(Component::Adapter)->state;
        ComponentVerdict* installation = Find(Component::Switch);
        if (installation->state == ComponentState::Unfinished &&
            adapter != ComponentState::Installed && adapter != ComponentState::Unfinished) {
            installation->state = ComponentState::NotChanged;
        }
    }
}

void LeftInstalledTracker::EndInstallation(Component component, const std::string& message) {
    ComponentVerdict* installation = Find(component);
    // The installation's result is the last Apply's; NETCFG_S_REBOOT means the change was
    // committed and takes effect after a restart.
    if (EndsWith(message, kRebootResult)) {
        installation->state = ComponentState::RebootPending;
    } else {
        installation->state =
            installCalled_ ? ComponentState::InstallFailed : ComponentState::NotChanged;
    }
}

void LeftInstalledTracker::SeeRemovalLine(const LogLine& line) {
    const std::string& message = line.message;
    if (!line.isError && message == kRemovalCycleEnter) {
        // The adapter's first cycle was listed with the command; every later one is added.
        const ComponentVerdict& last = components_.back();
        if (phase_ == Phase::AdapterRemoval && last.state != ComponentState::Unfinished) {
            components_.push_back({Component::Adapter, last.cycle + 1, ComponentState::Unfinished});
        }
        inCycle_ = true;
        found_ = notFound_ = deinstalled_ = removalFailed_ = false;
    } else if (inCycle_ && !line.isError && message == kRemovalCycleExit) {
        EndRemovalCycle();
    } else if (inCycle_ && !line.isError && message == kRemovalFound) {
        found_ = true;
    } else if (inCycle_ && !line.isError && message == kRemovalDeinstalled) {
        deinstalled_ = true;
    } else if (inCycle_ && line.isError && message == kRemovalNotFound) {
        notFound_ = true;
    } else if (inCycle_ && line.isError && found_ && StartsWith(message, kRemovalCyclePrefix)) {
        // Once the component is found, every failure of the cycle's own leaves it in place: the
        // class, its setup interface, DeInstall or Apply.
        removalFailed_ = true;
    } else if (phase_ == Phase::SwitchRemoval && !line.isError && message == kSwitchRemoved) {
        phase_ = Phase::AdapterRemoval;
    } else if (phase_ == Phase::SwitchRemoval && line.isError && message == kSwitchRemovalFailed) {
        // Removed without a failure line, yet failed: Apply answered NETCFG_S_REBOOT.
        ComponentVerdict* removal = Find(Component::Switch);
        if (removal->state == ComponentState::Removed) {
            removal->state = ComponentState::RebootPending;
        }
        phase_ = Phase::AdapterRemoval;
    } else if (phase_ == Phase::AdapterRemoval && !line.isError && message == kAdapterRemoved) {
        phase_ = Phase::Done;
    } else if (phase_ == Phase::AdapterRemoval && line.isError &&
               message == kAdapterRemovalFailed) {
        EndAdapterRemoval();
    }
}

void LeftInstalledTracker::EndRemovalCycle() {
    ComponentState state = ComponentState::Undetermined;
    if (notFound_) {
        state = ComponentState::NotInstalled;
    } else if (found_ && removalFailed_) {
        state = ComponentState::StillInstalled;
    } else if (found_ && deinstalled_) {
        state = ComponentState::Removed;
    }
    ComponentVerdict* removal =
        phase_ == Phase::SwitchRemoval ? Find(Component::Switch) : &components_.back();
    removal->state = state;
    inCycle_ = false;
}

void LeftInstalledTracker::EndAdapterRemoval() {
    ComponentVerdict& last = components_.back();
    if (last.state == ComponentState::Removed) {
        // The last cycle removed its instance, yet the removal failed: its Apply answered
        // NETCFG_S_REBOOT, or the cycles ran out with another instance left.
        last.state = last.cycle < kMaxAdapterRemovalCycles ? ComponentState::RebootPending
                                                           : ComponentState::Undetermined;
    }
    phase_ = Phase::Done;
}

ComponentVerdict* LeftInstalledTracker::Find(Component component) {
    for (ComponentVerdict& verdict : components_) {
        if (verdict.component == component) {
            return &verdict;
        }
    }
    return &components_.back();
}

LeftInstalled LeftInstalledTracker::Finish() const {
    LeftInstalled left;
    left.components = components_;
    // The run ended among the adapter's cycles after one that removed its instance: another
    // instance may be left.
    if (phase_ == Phase::AdapterRemoval && !components_.empty() &&
        components_.back().component == Component::Adapter &&
        components_.back().state == ComponentState::Removed) {
        left.components.push_back(
            {Component::Adapter, components_.back().cycle + 1, ComponentState::Unfinished});
    }
    bool allAbsent = !left.components.empty();
    bool anyKnown = false;
    bool anyPresent = false;
    for (const ComponentVerdict& verdict : left.components) {
        allAbsent = allAbsent && IsAbsent(verdict.state);
        // A component the run never touched tells nothing of the machine: it counts as absent,
        // yet does not make a run whose other component is unknown one that left something.
        anyKnown = anyKnown || IsPresent(verdict.state) ||
                   (IsAbsent(verdict.state) && verdict.state != ComponentState::NotChanged);
        anyPresent = anyPresent || IsPresent(verdict.state);
    }
    left.verdict = allAbsent                ? Verdict::Nothing
                   : anyPresent || anyKnown ? Verdict::Something
                                            : Verdict::Unknown;
    return left;
}

std::string StateText(ComponentState state) {
    return WordsFor(state).text;
}

std::string StateName(ComponentState state) {
    return WordsFor(state).name;
}

std::string ComponentText(Component component) {
    return component == Component::Switch ? "the virtual switch" : "the virtual ethernet adapter";
}

std::string VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Nothing:
            return "nothing";
        case Verdict::Something:
            return "something";
        case Verdict::Unknown:
            break;
    }
    return "unknown";
}

std::string LeftInstalledText(const LeftInstalled& left) {
    if (left.verdict == Verdict::Nothing) {
        return "nothing";
    }
    if (left.components.empty()) {
        return "unknown: no line of the run reaches a component";
    }
    int adapterEntries = 0;
    for (const ComponentVerdict& verdict : left.components) {
        adapterEntries += verdict.component == Component::Adapter ? 1 : 0;
    }
    std::string text;
    for (const ComponentVerdict& verdict : left.components) {
        if (IsAbsent(verdict.state)) {
            continue;
        }
        text += text.empty() ? "" : ", ";
        text += ComponentText(verdict.component);
        if (verdict.component == Component::Adapter && adapterEntries > 1) {
            text += ", removal cycle " + std::to_string(verdict.cycle);
        }
        text += " (" + StateText(verdict.state) + ")";
    }
    return text;
}

}  // namespace logreader
