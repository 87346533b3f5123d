// driverinstaller-log [--last] [--json] [--code-page N] [FILE]: summarises DriverInstaller's log,
// one block per run. Exit code 0, or 2 when there is no log to summarise, the arguments are
// wrong, or anything else stops it; it never ends without a message of its own.
// driverinstaller-log --last --left-installed [FILE]: what the last run left installed, with the
// exit code 0 (nothing), 1 (something is or may be) or 2 (the log cannot tell).
#include "code_page.h"
#include "console_output.h"
#include "log_location.h"
#include "reader.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: driverinstaller-log [--last] [--json | --left-installed] [--code-page N] [FILE] | "
    "--version";
constexpr char kProgramName[] = "driverinstaller-log: ";
constexpr unsigned long kLargestCodePage = 65535;

// An argument as the program received it, wide on Windows and bytes elsewhere, never converted:
// a file name that has no UTF-8 form (an unpaired surrogate, which NTFS allows) still names its
// file, and options are compared in the same form.
using Argument = std::filesystem::path;
using NativeText = Argument::string_type;

NativeText Native(const char* ascii) {
    return NativeText(ascii, ascii + std::char_traits<char>::length(ascii));
}

int UsageError(const std::string& problem) {
    logreader::WriteError(kProgramName + problem + "\n" + kUsage + "\n");
    return logreader::kExitNoLog;
}

// A code page number: decimal digits, at most 65535.
std::optional<unsigned> CodePageNumber(const NativeText& text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned long number = 0;
    for (const auto digit : text) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned long>(digit - '0');
    }
    return number <= kLargestCodePage ? std::optional<unsigned>(static_cast<unsigned>(number))
                                      : std::nullopt;
}

// Reads the arguments into options and summarises the log. *file is the log being read, once
// known, so that an error that escapes can name it.
int Run(const std::vector<Argument>& arguments, std::optional<Argument>* file) {
    logreader::ReaderOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const NativeText& text = arguments[i].native();
        if (text == Native("--last")) {
            options.lastRunOnly = true;
        } else if (text == Native("--json")) {
            options.json = true;
        } else if (text == Native("--left-installed")) {
            options.leftInstalledOnly = true;
            options.lastRunOnly = true;
        } else if (text == Native("--help")) {
            logreader::WriteOutput(std::string(kUsage) + "\n");
            return 0;
        } else if (text == Native("--code-page")) {
            const std::optional<unsigned> codePage =
                i + 1 < arguments.size() ? CodePageNumber(arguments[i + 1].native()) : std::nullopt;
            if (!codePage) {
                return UsageError("--code-page takes a code page number (0 to 65535)");
            }
            options.codePage = *codePage;
            ++i;
        } else if (text == Native("--version")) {
            logreader::WriteOutput(std::string("driverinstaller-log ") + DRIVERINSTALLER_VERSION +
                                   "\n");
            return 0;
        } else if (text.size() > 1 && text[0] == '-') {
            return UsageError("unknown option " + logreader::PathToUtf8(arguments[i]));
        } else if (options.file) {
            return UsageError("more than one file named");
        } else {
            options.file = arguments[i];
        }
    }
    if (options.json && options.leftInstalledOnly) {
        return UsageError("--left-installed prints text only: it does not take --json");
    }
    if (!options.file) {
        const logreader::LogLocation location = logreader::FindDefaultLogFile();
        if (!location.found) {
            logreader::WriteError(kProgramName + location.reason + "\n");
            return logreader::kExitNoLog;
        }
        options.file = location.path;
    }
    *file = options.file;
    // Each run is written as soon as it is summarised.
    const logreader::ReaderResult result = logreader::RunReader(
        options, [](const std::string& text) { logreader::WriteOutput(text); });
    if (!result.error.empty()) {
        logreader::WriteError(kProgramName + result.error + "\n");
        return result.exitCode;
    }
    return result.exitCode;
}

// The answer to an error that escaped Run: one line naming the file, when it is known, and exit
// code 2. Nothing escapes it.
int AnswerEscapedError(const std::optional<Argument>& file, const char* reason) noexcept {
    try {
        const std::string what = file ? "cannot summarise " + logreader::Quoted(*file)
                                      : std::string("cannot summarise the log");
        // The reason may hold a file name in any form; it is shown as UTF-8, U+FFFD for the rest.
        logreader::WriteError(kProgramName + what + ": " +
                              logreader::CodePageToUtf8(reason, logreader::kUtf8CodePage) + "\n");
    } catch (...) {
        // Not even the message could be made (memory is short): a fixed one, without the name.
        std::fputs("driverinstaller-log: cannot summarise the log\n", stderr);
    }
    return logreader::kExitNoLog;
}

// Run, with whatever escapes it (a failed allocation, a conversion the runtime refuses) answered
// as every other failure is.
template <typename Char>
int RunAnsweringEveryError(int argc, Char* argv[]) {
    std::optional<Argument> file;
    try {
        return Run(std::vector<Argument>(argv + 1, argv + argc), &file);
    } catch (const std::exception& error) {
        return AnswerEscapedError(file, error.what());
    } catch (...) {
        return AnswerEscapedError(file, "an unknown error");
    }
}

}  // namespace

#ifdef _WIN32

int wmain(int argc, wchar_t* argv[]) {
    return RunAnsweringEveryError(argc, argv);
}

#else

int main(int argc, char* argv[]) {
    return RunAnsweringEveryError(argc, argv);
}

#endif
