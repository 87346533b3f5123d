// The machine's small text files that keep one record a line (the INF store's index, the
// services): read line by line, a refused line named by its file and number.
#pragma once

#include <functional>
#include <string>

namespace simwin {

// Hands each line of text, without its line end, to parseLine, which returns false with a
// message for a line it refuses. True when every line was taken; else false with *error
// "PATH:NUMBER: MESSAGE" for the first refused line (lines numbered from 1).
bool ParseLines(const std::string& path, const std::string& text,
                const std::function<bool(const std::string& line, std::string* message)>& parseLine,
                std::string* error);

}  // namespace simwin
