// The self-test's command line.
#pragma once

#include <string>

namespace selftest {

// usage: the one line printed for arguments that are not understood.
extern const wchar_t kUsage[];

struct Options {
    bool version = false;       // --version: print the version alone
    std::wstring installCycle;  // --install-cycle FOLDER, as a full path; empty without it
    std::wstring reportFolder;  // --report FOLDER, as a full path; empty for the default
};

// Reads argv[1..argc-1] into *options; false when an argument is not understood or a folder is
// missing after its option.
bool ParseCommandLine(int argc, wchar_t* argv[], Options* options);

}  // namespace selftest
