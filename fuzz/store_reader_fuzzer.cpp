// Feeds arbitrary bytes to the network configuration store's reader. Besides not crashing, the
// reader must describe a refused store in one line, and a store it accepts must come back the
// same after being written out and read again.
#include "machine/netcfg_store.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The reader takes a path: each input is written to one scratch file of this process, in memory
// when the machine offers a memory-backed folder, and removed when the process ends.
class ScratchFile {
public:
    ScratchFile() {
        for (const char* folder : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(folder) + "/store-fuzz-XXXXXX";
            const int fd = ::mkstemp(pattern.data());
            if (fd >= 0) {
                ::close(fd);
                path_ = pattern;
                return;
            }
        }
        std::abort();
    }
    ~ScratchFile() { ::unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& ScratchPath() {
    static const ScratchFile scratch;
    return scratch.path();
}

void WriteScratch(const std::string& text) {
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        std::abort();
    }
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteScratch(std::string(reinterpret_cast<const char*>(data), size));
    simwin::NetCfgStore store;
    std::string error;
    const simwin::StoreReadResult result = simwin::ReadNetCfgStore(ScratchPath(), &store, &error);
    if (result != simwin::StoreReadResult::Ok) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            std::abort();  // a refusal is one line that says why
        }
        return 0;
    }
    const std::string written = simwin::FormatNetCfgStore(store);
    WriteScratch(written);
    simwin::NetCfgStore again;
    if (simwin::ReadNetCfgStore(ScratchPath(), &again, &error) != simwin::StoreReadResult::Ok ||
        simwin::FormatNetCfgStore(again) != written) {
        std::abort();  // what the store writes, it reads back the same
    }
    return 0;
}
