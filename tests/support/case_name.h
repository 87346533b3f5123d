// Table-driven suites: a fixture that runs once for each case of a table, over any base fixture,
// with each case named by its "name" field in test names, listings and failure messages.
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

namespace testsupport {

// A table's case as a CaseTest holds it: the case itself (GetParam() binds to a const Case&),
// printed as its name. GoogleTest prints a parameter through the PrintTo that argument-dependent
// lookup finds for its type; this type's own, a non-template, wins over GoogleTest's generic
// template, which would dump the case's bytes.
template <typename Case>
struct NamedCase : Case {
    explicit NamedCase(const Case& tableCase) : Case(tableCase) {}

    friend void PrintTo(const NamedCase& tested, std::ostream* out) { *out << tested.name; }
};

// The fixture of a suite that runs once for each Case over the fixture Base:
//   class InstallDriverTest : public testsupport::CaseTest<InstallCase, InstallerTest> {};
//   TEST_P(InstallDriverTest, ...) { const InstallCase& c = GetParam(); ... }
// ::testing::Values(Case{...}, ...) fills it as it is; a table held in an array or a container
// goes through CasesIn.
template <typename Case, typename Base = ::testing::Test>
class CaseTest : public Base, public ::testing::WithParamInterface<NamedCase<Case>> {};

// The cases of a table (an array or a container) for INSTANTIATE_TEST_SUITE_P of a CaseTest.
template <typename Table>
auto CasesIn(const Table& cases) {
    using Case = std::decay_t<decltype(*std::begin(cases))>;
    return ::testing::ValuesIn(std::vector<NamedCase<Case>>(std::begin(cases), std::end(cases)));
}

// Names a parameterised case by its "name" field, so that listings show "Refused/NoArgument"
// rather than an index.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

}  // namespace testsupport
