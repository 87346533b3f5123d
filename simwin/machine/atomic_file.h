// Replacing a machine file as a whole, so that a reader sees either the old or the new text.
#pragma once

#include <string>

namespace simwin {

// Writes text to a temporary file in path's folder and renames it over path. A process killed
// part-way leaves path as it was (and at worst a stray temporary file). False with a one-line
// error when the folder cannot be written.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// The whole text of a file. False with errno set when it cannot be opened or read (a folder
// counts as unreadable: EISDIR).
bool ReadWholeFile(const std::string& path, std::string* text);

}  // namespace simwin
