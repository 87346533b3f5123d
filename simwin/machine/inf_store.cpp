#include "machine/inf_store.h"

#include "machine/text_lines.h"

#include "base/atomic_file.h"
#include "base/file_lock.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <set>

namespace simwin {

namespace {

std::string IndexPath(const std::string& root) {
    return InfStoreFolder(root) + "/index";
}

std::string FormatIndex(const std::vector<InfInfo>& infs) {
    std::string text;
    for (const InfInfo& info : infs) {
        text += info.publishedName + "\t" + info.originalName + "\t" + info.sourceLocation + "\n";
    }
    return text;
}

}  // namespace

std::string InfStoreFolder(const std::string& root) {
    return root + "/inf";
}

bool CreateInfStore(const std::string& root, std::string* error) {
    if (::mkdir(InfStoreFolder(root).c_str(), 0755) != 0 && errno != EEXIST) {
        *error = InfStoreFolder(root) + ": cannot create the INF store: " + std::strerror(errno);
        return false;
    }
    return WriteFileAtomically(IndexPath(root), "", error);
}

bool ReadInfIndex(const std::string& root, std::vector<InfInfo>* infs, std::string* error) {
    const std::string path = IndexPath(root);
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = path + ": cannot read the INF store's index: " + std::strerror(errno);
        return false;
    }
    std::vector<InfInfo> parsed;
    const auto parseLine = [&parsed](const std::string& line, std::string* message) {
        const std::size_t first = line.find('\t');
        const std::size_t second =
            first == std::string::npos ? std::string::npos : line.find('\t', first + 1);
        if (second == std::string::npos) {
            *message = "expected PUBLISHED<TAB>ORIGINAL<TAB>SOURCE";
            return false;
        }
        parsed.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                          line.substr(second + 1)});
        return true;
    };
    if (!ParseLines(path, text, parseLine, error)) {
        return false;
    }
    *infs = std::move(parsed);
    return true;
}

bool PublishInf(const std::string& root, const std::string& originalName, const std::string& bytes,
                const std::string& sourceLocation, std::string* publishedName, std::string* error) {
    FileLock lock(InfStoreFolder(root) + "/index.lock");
    if (!lock.held()) {
        *error = InfStoreFolder(root) +
                 "/index.lock: cannot lock the INF store: " + std::strerror(errno);
        return false;
    }
    std::vector<InfInfo> infs;
    if (!ReadInfIndex(root, &infs, error)) {
        return false;
    }
    std::set<std::string> taken;
    for (InfInfo& info : infs) {
        taken.insert(info.publishedName);
        std::string published;
        if (!ReadWholeFile(InfStoreFolder(root) + "/" + info.publishedName, &published) ||
            published != bytes) {
            continue;
        }
        info.originalName = originalName;
        info.sourceLocation = sourceLocation;
        *publishedName = info.publishedName;
        return WriteFileAtomically(IndexPath(root), FormatIndex(infs), error);
    }
    unsigned number = 0;
    while (taken.count("oem" + std::to_string(number) + ".inf") != 0) {
        ++number;
    }
    const std::string name = "oem" + std::to_string(number) + ".inf";
    // The copy first, then the index: an index line never names a missing file.
    if (!WriteFileAtomically(InfStoreFolder(root) + "/" + name, bytes, error)) {
        return false;
    }
    infs.push_back({name, originalName, sourceLocation});
    if (!WriteFileAtomically(IndexPath(root), FormatIndex(infs), error)) {
        return false;
    }
    *publishedName = name;
    return true;
}

std::optional<InfDriver> FindInfDriver(const std::string& root, const std::wstring& hardwareId) {
    std::vector<InfInfo> infs;
    std::string error;
    if (!ReadInfIndex(root, &infs, &error)) {
        return std::nullopt;
    }
    for (const InfInfo& info : infs) {
        std::string bytes;
        InfDriver driver;
        if (!ReadWholeFile(InfStoreFolder(root) + "/" + info.publishedName, &bytes) ||
            InfFile::Parse(bytes, &driver.inf, &error) != InfParseResult::Ok) {
            continue;
        }
        if (auto model = driver.inf.FindModel(hardwareId)) {
            driver.publishedName = info.publishedName;
            driver.model = *model;
            return driver;
        }
    }
    return std::nullopt;
}

}  // namespace simwin
