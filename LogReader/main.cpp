// driverinstaller-log [--last] [--json] [FILE]: summarises DriverInstaller's log, one block per
// run. Exit code 0, or 2 when there is no log to summarise or the arguments are wrong.
#include "console_output.h"
#include "reader.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] = "usage: driverinstaller-log [--last] [--json] [FILE]";
constexpr char kProgramName[] = "driverinstaller-log: ";

// The arguments as the program received them (wide on Windows, UTF-8 elsewhere), in a form that
// names a file on either.
using Argument = std::filesystem::path;

int Run(const std::vector<Argument>& arguments) {
    logreader::ReaderOptions options;
    for (const Argument& argument : arguments) {
        const std::string text = argument.u8string();
        if (text == "--last") {
            options.lastRunOnly = true;
        } else if (text == "--json") {
            options.json = true;
        } else if (text == "--help") {
            logreader::WriteOutput(std::string(kUsage) + "\n");
            return 0;
        } else if (text == "--version") {
            logreader::WriteOutput(std::string("driverinstaller-log ") + DRIVERINSTALLER_VERSION +
                                   "\n");
            return 0;
        } else if (text.size() > 1 && text[0] == '-') {
            logreader::WriteError(kProgramName + ("unknown option " + text) + "\n" + kUsage + "\n");
            return logreader::kExitNoLog;
        } else if (options.file) {
            logreader::WriteError(kProgramName + std::string("more than one file named\n") +
                                  kUsage + "\n");
            return logreader::kExitNoLog;
        } else {
            options.file = argument;
        }
    }
    const logreader::ReaderResult result = logreader::RunReader(options);
    if (result.exitCode != 0) {
        logreader::WriteError(kProgramName + result.error + "\n");
        return result.exitCode;
    }
    logreader::WriteOutput(result.output);
    return 0;
}

}  // namespace

#ifdef _WIN32

int wmain(int argc, wchar_t* argv[]) {
    return Run(std::vector<Argument>(argv + 1, argv + argc));
}

#else

int main(int argc, char* argv[]) {
    return Run(std::vector<Argument>(argv + 1, argv + argc));
}

#endif
