// Reads and writes on a pipe or file that go on until every byte has moved: a pipe may hand over
// fewer bytes than asked for in one call.
#pragma once

#include <cstddef>

namespace bench {

// Reads size bytes from fd into data; false at an error or at the end of the input before then.
bool ReadAll(int fd, void* data, std::size_t size);

// Writes size bytes of data to fd; false at an error before then.
bool WriteAll(int fd, const void* data, std::size_t size);

}  // namespace bench
