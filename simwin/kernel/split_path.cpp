// _wsplitpath and _wsplitpath_s: a path's folder, file name and extension.
#include <windows.h>

#include "instrumentation/fault_rules.h"

#include <cerrno>
#include <cwchar>
#include <string>

namespace {

struct PathParts {
    std::wstring dir;    // up to and including the last '/'
    std::wstring fname;  // the last component up to its last '.'
    std::wstring ext;    // from that '.' on, or empty
};

// '/' is the only separator on this platform and there are no drive letters.
PathParts Split(const wchar_t* path) {
    const std::wstring text(path);
    PathParts parts;
    const std::wstring::size_type slash = text.find_last_of(L'/');
    const std::wstring::size_type nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    parts.dir = text.substr(0, nameStart);
    const std::wstring name = text.substr(nameStart);
    const std::wstring::size_type dot = name.find_last_of(L'.');
    parts.fname = name.substr(0, dot);
    parts.ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    return parts;
}

void CopyPart(const std::wstring& part, wchar_t* out) {
    if (out != nullptr) {
        std::wmemcpy(out, part.c_str(), part.size() + 1);
    }
}

struct OutputBuffer {
    wchar_t* text;
    std::size_t size;
};

void EmptyAll(const OutputBuffer (&outputs)[4]) {
    for (const OutputBuffer& output : outputs) {
        if (output.text != nullptr && output.size > 0) {
            output.text[0] = L'\0';
        }
    }
}

}  // namespace

void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext) {
    if (path == nullptr) {
        errno = EINVAL;
        return;
    }
    const PathParts parts = Split(path);
    CopyPart(std::wstring(), drive);
    CopyPart(parts.dir, dir);
    CopyPart(parts.fname, fname);
    CopyPart(parts.ext, ext);
}

errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t driveSize, wchar_t* dir,
                      std::size_t dirSize, wchar_t* fname, std::size_t fnameSize, wchar_t* ext,
                      std::size_t extSize) {
    const OutputBuffer outputs[4] = {
        {drive, driveSize}, {dir, dirSize}, {fname, fnameSize}, {ext, extSize}};
    if (auto fault = simwin::detail::TakeFault("_wsplitpath_s")) {
        if (fault->result != 0) {
            EmptyAll(outputs);
            return static_cast<errno_t>(fault->result);
        }
    }
    // Each part is either wanted (a buffer with room) or not (null with size 0); a null path or
    // a mismatched pair is a caller's error.
    bool valid = path != nullptr;
    for (const OutputBuffer& output : outputs) {
        if ((output.text == nullptr) != (output.size == 0)) {
            valid = false;
        }
    }
    if (!valid) {
        EmptyAll(outputs);
        errno = EINVAL;
        return EINVAL;
    }
    const PathParts parts = Split(path);
    const std::wstring* values[4] = {nullptr, &parts.dir, &parts.fname, &parts.ext};
    for (int i = 1; i < 4; ++i) {
        if (outputs[i].text != nullptr && values[i]->size() >= outputs[i].size) {
            EmptyAll(outputs);
            errno = ERANGE;
            return ERANGE;
        }
    }
    CopyPart(std::wstring(), drive);
    CopyPart(parts.dir, dir);
    CopyPart(parts.fname, fname);
    CopyPart(parts.ext, ext);
    return 0;
}
