#include "wine/resource_file.h"

namespace winetest {

namespace {

// Little-endian reads that fail instead of running past the end.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    bool U16(std::uint16_t* value) {
        if (offset_ + 2 > bytes_.size()) {
            return false;
        }
        *value = static_cast<std::uint16_t>(Byte(offset_) | (Byte(offset_ + 1) << 8));
        offset_ += 2;
        return true;
    }

    bool U32(std::uint32_t* value) {
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        if (!U16(&low) || !U16(&high)) {
            return false;
        }
        *value = static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16);
        return true;
    }

    // A type or name: 0xFFFF and a number, or a zero-terminated UTF-16 string (id left at 0).
    bool TypeOrName(std::uint16_t* id) {
        std::uint16_t first = 0;
        if (!U16(&first)) {
            return false;
        }
        if (first == 0xFFFF) {
            return U16(id);
        }
        *id = 0;
        for (std::uint16_t unit = first; unit != 0;) {
            if (!U16(&unit)) {
                return false;
            }
        }
        return true;
    }

    bool Skip(std::size_t count) {
        if (offset_ + count > bytes_.size()) {
            return false;
        }
        offset_ += count;
        return true;
    }

    // Entries and their data start on four-byte boundaries.
    void AlignTo4() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }

    std::size_t offset() const { return offset_; }
    bool AtEnd() const { return offset_ >= bytes_.size(); }

private:
    unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }

    const std::string& bytes_;
    std::size_t offset_ = 0;
};

}  // namespace

bool ParseResourceFile(const std::string& bytes, std::vector<Resource>* resources) {
    resources->clear();
    Reader reader(bytes);
    while (!reader.AtEnd()) {
        const std::size_t entryStart = reader.offset();
        std::uint32_t dataSize = 0;
        std::uint32_t headerSize = 0;
        Resource resource;
        std::uint32_t dataVersion = 0;
        std::uint16_t memoryFlags = 0;
        if (!reader.U32(&dataSize) || !reader.U32(&headerSize) ||
            !reader.TypeOrName(&resource.type) || !reader.TypeOrName(&resource.id)) {
            return false;
        }
        reader.AlignTo4();
        if (!reader.U32(&dataVersion) || !reader.U16(&memoryFlags) ||
            !reader.U16(&resource.language)) {
            return false;
        }
        // The header's own size says where the data starts, whatever else it holds.
        if (headerSize < reader.offset() - entryStart ||
            !reader.Skip(entryStart + headerSize - reader.offset())) {
            return false;
        }
        const std::size_t dataStart = reader.offset();
        if (!reader.Skip(dataSize)) {
            return false;
        }
        resource.data = bytes.substr(dataStart, dataSize);
        // The file starts with an empty entry that only marks it as 32-bit.
        if (!(dataSize == 0 && resource.type == 0 && resource.id == 0)) {
            resources->push_back(resource);
        }
        reader.AlignTo4();
    }
    return true;
}

}  // namespace winetest
