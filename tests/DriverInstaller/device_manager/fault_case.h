// What the device manager's tables share: a case names itself, may set one fault rule on the
// simulated platform, and expects a result and log lines; each table's case adds what its
// operation needs beside them.
#pragma once

#include "support/installer_fixture.h"

#include <gtest/gtest.h>

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

// The fixture of a table of Case (a FaultCase and its own fields) over the fixture Base.
template <typename Case, typename Base = InstallerTest>
class FaultCaseTest : public testsupport::CaseTest<Case, Base> {
protected:
    // Sets the case's fault rule, if it has one, runs operation and expects the case's result;
    // returns what operation returned.
    template <typename Operation>
    auto RunCase(Operation operation) {
        const Case& c = this->GetParam();
        if (!c.fault.empty()) {
            AddFault(c.fault);
        }
        const auto result = operation();
        EXPECT_EQ(result, c.expected);
        return result;
    }
};

}  // namespace installer_test
