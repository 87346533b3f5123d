#include "support/whole_transfer.h"

#include <sys/types.h>
#include <unistd.h>

namespace bench {

namespace {

// Calls transfer(bytes, left) until size bytes have moved, each call moving as many as it answers;
// false once a call moves none or fails.
template <typename Byte, typename Transfer>
bool TransferAll(Byte* bytes, std::size_t size, Transfer transfer) {
    while (size > 0) {
        const ssize_t moved = transfer(bytes, size);
        if (moved <= 0) {
            return false;
        }
        bytes += moved;
        size -= static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace

bool ReadAll(int fd, void* data, std::size_t size) {
    return TransferAll(static_cast<char*>(data), size,
                       [fd](char* bytes, std::size_t left) { return ::read(fd, bytes, left); });
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    return TransferAll(
        static_cast<const char*>(data), size,
        [fd](const char* bytes, std::size_t left) { return ::write(fd, bytes, left); });
}

}  // namespace bench
