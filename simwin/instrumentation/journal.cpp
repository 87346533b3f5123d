#include "instrumentation/journal.h"

#include "base/utf8.h"
#include "base/atomic_file.h"
#include "base/machine_root.h"

#include <simwin/testing.h>

#include <cstdio>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace simwin {

namespace {

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

// The journal of this process. When the machine has a "journal.log" file, the entries are
// appended to it in one write as the process ends, so that tests that run the program as a
// process can read them.
struct JournalState {
    std::mutex mutex;
    std::vector<std::string> entries;

    ~JournalState() { AppendToMachineJournal(); }

    void AppendToMachineJournal() {
        if (entries.empty()) {
            return;
        }
        std::string block = "# process " + std::to_string(ProcessId()) + "\n";
        for (const std::string& entry : entries) {
            block += entry + "\n";
        }
        // Only a machine whose journal is on has the file; nothing to report to at exit.
        AppendToExistingFile(MachinePath("journal.log"), block);
    }
};

JournalState& State() {
    static JournalState state;
    return state;
}

// Whether the calling thread's calls are journalled (see UnjournalledCalls).
thread_local bool t_journalling = true;

}  // namespace

std::vector<std::string> JournalEntries() {
    JournalState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    return state.entries;
}

void ClearJournal() {
    JournalState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.entries.clear();
}

namespace detail {

void Record(std::string entry) {
    if (!t_journalling) {
        return;
    }
    JournalState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.entries.push_back(std::move(entry));
}

UnjournalledCalls::UnjournalledCalls() : wasJournalling_(t_journalling) {
    t_journalling = false;
}

UnjournalledCalls::~UnjournalledCalls() {
    t_journalling = wasJournalling_;
}

std::string JournalText(const wchar_t* text) {
    return text == nullptr ? std::string("(null)") : ToUtf8(text);
}

std::string JournalHr(long result) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lx",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    return buffer;
}

}  // namespace detail
}  // namespace simwin
