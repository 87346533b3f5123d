// CLOCK_MONOTONIC readings that two processes can compare: the same clock for the whole machine.
#pragma once

#include <cstdint>

namespace bench {

// Nanoseconds on the machine's monotonic clock.
std::int64_t MonotonicNs();

}  // namespace bench
