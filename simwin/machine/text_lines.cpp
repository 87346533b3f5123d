#include "machine/text_lines.h"

#include <sstream>

namespace simwin {

bool ParseLines(const std::string& path, const std::string& text,
                const std::function<bool(const std::string& line, std::string* message)>& parseLine,
                std::string* error) {
    std::istringstream lines(text);
    std::string line;
    unsigned lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::string message;
        if (!parseLine(line, &message)) {
            *error = path + ":" + std::to_string(lineNumber) + ": " + message;
            return false;
        }
    }
    return true;
}

}  // namespace simwin
