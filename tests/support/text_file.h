// Whole text files read and written by the tests, byte for byte.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The whole text of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// The lines of a text file, without their line ends ("" file: no lines).
std::vector<std::string> FileLines(const std::string& path);

}  // namespace testsupport
