// The simulated <netcfgx.h> against the Windows SDK's, as MinGW-w64 ships it: every interface of
// the family declares the same methods in the same order. A COM caller reaches a method by its
// slot in the table of virtual functions, so a method left out or moved shifts every later one:
// a configuration object of ours, loaded by a program built against the SDK, would then receive
// the wrong calls.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadHeader(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Readable(const char* path) {
    return std::ifstream(path).good();
}

// The text with every run of white space made one blank, so that both headers' ways of spreading
// a declaration over lines read alike.
std::string OneBlankEach(const std::string& text) {
    std::string flat;
    for (const char ch : text) {
        if (std::isspace(static_cast<unsigned char>(ch)) == 0) {
            flat += ch;
        } else if (!flat.empty() && flat.back() != ' ') {
            flat += ' ';
        }
    }
    return flat;
}

// The methods that a header's C++ declaration of the interface names, in declaration order
// ("INetCfgLock : IUnknown {" in ours, "INetCfgLock : public IUnknown {" in the SDK's); an empty
// list when the header has no such declaration.
std::vector<std::string> DeclaredMethods(const std::string& flatHeader,
                                         const std::string& interfaceName) {
    std::size_t begin = std::string::npos;
    for (const char* base : {" : IUnknown {", " : public IUnknown {"}) {
        const std::string opening = " " + interfaceName + base;
        if (const std::size_t at = flatHeader.find(opening); at != std::string::npos) {
            begin = at + opening.size();
            break;
        }
    }
    if (begin == std::string::npos) {
        return {};
    }
    const std::size_t end = flatHeader.find("};", begin);
    const std::string body = flatHeader.substr(begin, end - begin);
    const std::string marker = "STDMETHODCALLTYPE ";
    std::vector<std::string> methods;
    for (std::size_t at = body.find(marker); at != std::string::npos;
         at = body.find(marker, at + marker.size())) {
        std::size_t name = at + marker.size();
        std::string method;
        while (name < body.size() &&
               (std::isalnum(static_cast<unsigned char>(body[name])) != 0 || body[name] == '_')) {
            method += body[name++];
        }
        methods.push_back(method);
    }
    return methods;
}

std::string Listed(const std::vector<std::string>& methods) {
    std::string list;
    for (const std::string& method : methods) {
        list += (list.empty() ? "" : ", ") + method;
    }
    return list;
}

TEST(InterfaceLayoutTest, EveryInterfaceDeclaresTheSdksMethodsInTheSdksOrder) {
    if (!Readable(SDK_NETCFGX_HEADER)) {
        GTEST_SKIP() << "the SDK's header " << SDK_NETCFGX_HEADER
                     << " is not installed (scripts/install-build-deps.sh installs it)";
    }
    const std::string ours = OneBlankEach(ReadHeader(SIMWIN_NETCFGX_HEADER));
    const std::string sdk = OneBlankEach(ReadHeader(SDK_NETCFGX_HEADER));
    const char* const family[] = {
        "INetCfg",
        "INetCfgLock",
        "INetCfgComponent",
        "INetCfgClass",
        "INetCfgClassSetup",
        "INetCfgComponentBindings",
        "INetCfgBindingPath",
        "INetCfgBindingInterface",
        "IEnumNetCfgComponent",
        "IEnumNetCfgBindingPath",
        "IEnumNetCfgBindingInterface",
    };
    for (const char* interfaceName : family) {
        SCOPED_TRACE(interfaceName);
        const std::vector<std::string> sdkMethods = DeclaredMethods(sdk, interfaceName);
        // The reading itself must find the interface in the SDK's header, or the comparison
        // below would pass on two empty lists.
        ASSERT_FALSE(sdkMethods.empty()) << "no declaration found in " << SDK_NETCFGX_HEADER;
        EXPECT_EQ(Listed(sdkMethods), Listed(DeclaredMethods(ours, interfaceName)));
    }
}

}  // namespace
