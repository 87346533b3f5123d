// The platform's own text for a result code.
#pragma once

#include <cstdint>
#include <string>

namespace logreader {

// On Windows, the system's message for the code (FormatMessageW, from the system's message
// tables, in the user's language), as UTF-8 on one line without the trailing line end; empty
// when the system has none. Elsewhere always empty: there is no such table.
std::string SystemMessage(std::uint32_t code);

}  // namespace logreader
