#include "support/fault_rules.h"

#include <gtest/gtest.h>

namespace testsupport {

simwin::FaultRule Fault(const std::string& rule) {
    std::string error;
    const std::optional<simwin::FaultRule> parsed = simwin::ParseFaultRule(rule, &error);
    if (!parsed) {
        ADD_FAILURE() << "not a fault rule: '" << rule << "': " << error;
        return simwin::FaultRule{"(no call)", 0, simwin::FaultWhen::Always, 1, std::nullopt, L""};
    }
    return *parsed;
}

void AddFault(const std::string& rule) {
    simwin::AddFaultRule(Fault(rule));
}

}  // namespace testsupport
