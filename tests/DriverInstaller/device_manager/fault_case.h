// What the device manager's tables share: a case names itself, may set one fault rule on the
// simulated platform, and expects a result and log lines; each table's case adds what its
// operation needs beside them.
#pragma once

#include "support/fault_rules.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace installer_test {

// The shared part of a case; a table's case extends it, and its rows give this part first, in
// braces of its own:  InstallCase{{"Succeeds", "", S_OK, lines}, 2, true}
template <typename Result>
struct FaultCase {
    const char* name;
    std::string fault;  // a fault rule, or ""
    Result expected;
    LineList lines;  // the whole log, unless the table says which of its lines
};

// Whether a call the rule names answered with the rule's result, as the journal shows it (an
// HRESULT in hexadecimal, a BOOL or a count in decimal). A rule's result is one its call does not
// give on its own, so a row whose rule was never applied shows here even where its lines and
// result are those of a run without the rule.
inline bool RuleAnswered(const std::string& text) {
    const simwin::FaultRule rule = testsupport::Fault(text);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lx",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(rule.result)));
    for (const std::string& call : JournalCalls({rule.call}, true)) {
        // "CALL -> ANSWER", and after the answer, for some calls, " error N".
        const std::size_t arrow = call.find(" -> ");
        if (arrow == std::string::npos) {
            continue;
        }
        const std::size_t from = arrow + 4;
        const std::string answer = call.substr(from, call.find(' ', from) - from);
        if (answer == hex || answer == std::to_string(rule.result)) {
            return true;
        }
    }
    return false;
}

// The fixture of a table of Case (a FaultCase and its own fields) over the fixture Base.
template <typename Case, typename Base = InstallerTest>
class FaultCaseTest : public testsupport::CaseTest<Case, Base> {
protected:
    // Sets the case's fault rule, if it has one, runs operation and expects the case's result
    // and the rule applied; returns what operation returned.
    template <typename Operation>
    auto RunCase(Operation operation) {
        const Case& c = this->GetParam();
        if (!c.fault.empty()) {
            AddFault(c.fault);
        }
        const auto result = operation();
        EXPECT_EQ(result, c.expected);
        if (!c.fault.empty()) {
            EXPECT_TRUE(RuleAnswered(c.fault)) << "no call answered as the rule says: " << c.fault;
        }
        return result;
    }
};

}  // namespace installer_test
