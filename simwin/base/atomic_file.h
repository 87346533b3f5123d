// The machine's files: replacing one as a whole, so that a reader sees either the old or the new
// text; appending to one; reading one. Paths are UTF-8. On POSIX (atomic_file_posix.cpp) and on
// Windows (atomic_file_win32.cpp) the same rules hold; errors set errno on both.
#pragma once

#include <cstddef>
#include <string>

namespace simwin {

// Writes text to a temporary file in path's folder and puts it in path's place in one step (a
// swap of the two names, or a rename). A process killed part-way leaves path as it was or as
// text (and at worst a stray temporary file). False with a one-line error when the folder
// cannot be written.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// Appends text to the file at path in one write(2), when the file is exactly expectedLength
// bytes long (and so still as this writer left it). False, with a one-line error, when it is
// not, or cannot be opened or written; a failed write may have left part of text at the end.
bool AppendToFileOfLength(const std::string& path, std::size_t expectedLength,
                          const std::string& text, std::string* error);

// Appends text to an existing file in one write; false when the file does not exist or the
// write fails. For records several processes append to, such as the journal.
bool AppendToExistingFile(const std::string& path, const std::string& text);

// The whole text of a file. False with errno set when it cannot be opened or read (a folder
// counts as unreadable: EISDIR).
bool ReadWholeFile(const std::string& path, std::string* text);

}  // namespace simwin
