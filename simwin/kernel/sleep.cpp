// Sleep: waits on the calling thread.
#include <windows.h>

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <ctime>
#include <string>

void Sleep(DWORD milliseconds) {
    const std::string call = "Sleep " + std::to_string(milliseconds);
    // Any rule on Sleep skips the wait, so that tests of code that pauses need not pause.
    if (auto fault = simwin::detail::TakeFault("Sleep")) {
        fault->ApplyLastError();
        simwin::detail::Record(call + " -> skipped");
        return;
    }
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts nanosleep short; the rest of the wait is still owed.
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
    simwin::detail::Record(call + " -> waited");
}
