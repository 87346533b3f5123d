// What a self-test found: facts about this Windows, and each assumption that DriverInstaller and
// the engine it is tested on make, with the engine's answer beside this Windows' answer.
#pragma once

#include <string>
#include <vector>

namespace selftest {

// Something this Windows reported, shown as it is: its version, its components, a run's exit
// code. Facts are grouped by section in the order they were found.
struct Fact {
    std::wstring section;
    std::wstring name;
    std::wstring value;
};

// One assumption, checked: what the engine does, what this Windows did, and whether they agree.
struct Assumption {
    std::string id;  // a stable name for report.json and for the engine rule it may become
    std::wstring what;
    std::wstring engine;
    std::wstring observed;
    bool holds = false;
};

// An assumption's fixed texts: its id, what it is about, and what the engine does.
struct AssumptionText {
    const char* id;
    const wchar_t* what;
    const wchar_t* engine;
};

struct Findings {
    std::vector<Fact> facts;
    std::vector<Assumption> assumptions;

    void AddFact(const std::wstring& section, const std::wstring& name, const std::wstring& value) {
        facts.push_back({section, name, value});
    }
    void AddAssumption(const char* id, const std::wstring& what, const std::wstring& engine,
                       const std::wstring& observed, bool holds) {
        assumptions.push_back({id, what, engine, observed, holds});
    }
    void AddAssumption(const AssumptionText& text, const std::wstring& observed, bool holds) {
        assumptions.push_back({text.id, text.what, text.engine, observed, holds});
    }
    // How many of the assumptions hold.
    std::size_t Held() const {
        std::size_t held = 0;
        for (const Assumption& assumption : assumptions) {
            held += assumption.holds ? 1 : 0;
        }
        return held;
    }
};

}  // namespace selftest
