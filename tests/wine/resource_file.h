// Reading the resources of a compiled resource file (.res), such as the binary tools dump from an
// executable's resource section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace winetest {

// One resource, identified by number; resources named by a string keep their ids at 0.
struct Resource {
    std::uint16_t type = 0;
    std::uint16_t id = 0;
    std::uint16_t language = 0;
    std::string data;
};

// Parses the bytes of a .res file. Returns false when they are not well formed.
bool ParseResourceFile(const std::string& bytes, std::vector<Resource>* resources);

}  // namespace winetest
