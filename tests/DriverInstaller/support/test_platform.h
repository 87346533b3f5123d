// What the program's tests need from the platform they run on, so that one test source serves
// both builds: on Linux the simulated platform (a fresh simulated machine for every test), on
// Windows the real one. Only the pieces whose answer differs between the two live here.
#pragma once

#include "support/uncopyable.h"

#include <optional>
#include <string>

#ifndef _WIN32
#include "support/temp_machine.h"
#endif

namespace installer_test {

// The line end the log writes: CR LF on Windows, LF on Linux.
extern const char kLogLineEnd[];

// The variable that names the system's temporary folder when neither AutInstLog nor tmp is
// set: TEMP on Windows (TMP being tmp there), TMPDIR on Linux.
extern const char kTemporaryFolderVariable[];

// The calling thread's ANSI code page, into which the log converts its messages: GetACP() on
// Windows, UTF-8 (65001) on the simulated platform.
unsigned AnsiCodePage();

// Reads or changes an environment variable of this process as the program's environment lookup
// sees it. A value of std::nullopt removes the variable.
std::optional<std::string> GetVariable(const std::string& name);
void SetVariable(const std::string& name, const std::optional<std::string>& value);

// The platform's side of one test: a folder of the test's own, removed afterwards; on Linux
// also a fresh simulated machine made the process's machine, whose ledger must be clean when
// the test ends.
class TestPlatform : testsupport::Uncopyable {
public:
    TestPlatform();
    ~TestPlatform();

    // Creates a fresh folder (sub-folders allowed) inside the test's own folder; returns its path.
    std::string MakeFolder(const std::string& name) const;

#ifndef _WIN32
    testsupport::TempMachine& machine() {
        return machine_;
    }

private:
    testsupport::TempMachine machine_{simwin::MachineOptions { true }};
#else
private:
    std::string folder_;
#endif
};

}  // namespace installer_test
