#include "report_files.h"

#include <windows.h>

#include "text.h"

#include <string>

namespace selftest {

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

bool WriteUtf8File(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                 nullptr) != FALSE &&
                       written == bytes.size();
    return CloseHandle(file) != FALSE && wrote;
}

bool IsEmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool empty = true;
    do {
        const std::wstring name = found.cFileName;
        empty = empty && (name == L"." || name == L"..");
    } while (empty && FindNextFileW(search, &found) != FALSE);
    FindClose(search);
    return empty;
}

std::string JsonReport(const Findings& findings, bool installCycle) {
    std::string json =
        "{\"tool\":\"driverinstaller-selftest\",\"version\":\"" DRIVERINSTALLER_VERSION
        "\",\"installCycle\":";
    json += installCycle ? "true" : "false";
    json += ",\"facts\":[";
    for (std::size_t i = 0; i < findings.facts.size(); ++i) {
        const Fact& fact = findings.facts[i];
        json += (i == 0 ? "{" : ",{");
        json += "\"section\":" + JsonString(fact.section) + ",\"name\":" + JsonString(fact.name) +
                ",\"value\":" + JsonString(fact.value) + "}";
    }
    json += "],\"assumptions\":[";
    for (std::size_t i = 0; i < findings.assumptions.size(); ++i) {
        const Assumption& assumption = findings.assumptions[i];
        json += (i == 0 ? "{" : ",{");
        json += "\"id\":\"" + assumption.id + "\",\"what\":" + JsonString(assumption.what) +
                ",\"engine\":" + JsonString(assumption.engine) +
                ",\"observed\":" + JsonString(assumption.observed) +
                ",\"holds\":" + (assumption.holds ? "true" : "false") + "}";
    }
    json += "],\"held\":" + std::to_string(findings.Held()) +
            ",\"total\":" + std::to_string(findings.assumptions.size()) + "}\n";
    return json;
}

}  // namespace

std::wstring Verdict(const Findings& findings) {
    return std::to_wstring(findings.Held()) + L" of " +
           std::to_wstring(findings.assumptions.size()) + L" assumptions hold on this Windows";
}

std::wstring ReportText(const Findings& findings, const std::wstring& header) {
    std::wstring text = header + kLineEnd;
    std::wstring section;
    for (const Fact& fact : findings.facts) {
        if (fact.section != section) {
            section = fact.section;
            text += kLineEnd + section + kLineEnd;
        }
        text += L"  " + fact.name + L": " + fact.value + kLineEnd;
    }
    text += std::wstring(kLineEnd) + L"Assumptions (what the engine does; what this Windows did)" +
            kLineEnd;
    for (const Assumption& assumption : findings.assumptions) {
        text += L"  " + assumption.what + L": engine " + assumption.engine + L"; this Windows " +
                assumption.observed + L"; " + (assumption.holds ? L"agrees" : L"differs") +
                kLineEnd;
    }
    return text + kLineEnd + Verdict(findings) + kLineEnd;
}

std::wstring MakeReportFolder(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr) != FALSE) {
        return std::wstring();
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsEmptyFolder(folder)) {
        return std::wstring();
    }
    if (error == ERROR_ALREADY_EXISTS) {
        return L"the report folder '" + folder +
               L"' exists and is not empty: name a new one with --report";
    }
    return L"the report folder '" + folder + L"' cannot be made, last error " +
           std::to_wstring(error);
}

bool WriteReportFiles(const std::wstring& folder, const Findings& findings,
                      const std::wstring& header, bool installCycle) {
    const bool text = WriteUtf8File(folder + L"\\report.txt", ToUtf8(ReportText(findings, header)));
    const bool json = WriteUtf8File(folder + L"\\report.json", JsonReport(findings, installCycle));
    const bool version = WriteUtf8File(folder + L"\\version.txt",
                                       "driverinstaller-selftest " DRIVERINSTALLER_VERSION "\r\n");
    return text && json && version;
}

}  // namespace selftest
