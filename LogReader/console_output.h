// Writing the reader's UTF-8 text to its standard output and error.
#pragma once

#include <string>

namespace logreader {

// Writes text to standard output. On Windows a console is given the text as UTF-16, so that
// every character shows whatever the console's code page; a file or pipe gets the UTF-8 bytes.
void WriteOutput(const std::string& text);

// Writes text to standard error, in the same way.
void WriteError(const std::string& text);

}  // namespace logreader
