// netcfg-sim: creates a simulated machine, shows its state, holds its write lock, and manages
// its fault rules and journal.
#include "base/utf8.h"
#include "base/atomic_file.h"
#include "base/machine_root.h"
#include "machine/netcfg_store.h"

#include <netcfgx.h>
#include <objbase.h>
#include <simwin/machine.h>
#include <simwin/testing.h>

#ifdef _WIN32
#include "tools/wine_prefix.h"

#include <windows.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: init [--with-npf] [--force] | show | lock --hold SECONDS --as "
    "DESCRIPTION | fault add RULE... | fault list | fault clear | journal on|off|show";

using Args = std::vector<std::string>;

int Usage(const std::string& problem) {
    std::cerr << "netcfg-sim: " << problem << "; " << kUsage << "\n";
    return kExitUsage;
}

int Failed(const std::string& message) {
    std::cerr << "netcfg-sim: " << message << "\n";
    return kExitFailed;
}

std::string OwnFolder() {
#ifdef _WIN32
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return ".";
    }
    return simwin::ToUtf8(std::filesystem::path(self).parent_path().wstring());
#else
    std::error_code failure;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", failure);
    return failure ? std::string(".") : self.parent_path().string();
#endif
}

#ifdef _WIN32
// Registers the machine with the Wine prefix: the engine's DLL beside this tool as the
// configuration object's server and, when asked, our npf service.
bool RegisterWithPrefix(bool withNpf, std::string* error) {
    std::wstring failure;
    const std::wstring folder = simwin::FromUtf8(OwnFolder());
    if (!simwin::RegisterNetCfgServer(folder + L"\\simwin-netcfg.dll", &failure) ||
        (withNpf && !simwin::RegisterNpfService(folder + L"\\npf-service.exe", &failure))) {
        *error = simwin::ToUtf8(failure);
        return false;
    }
    return true;
}
#endif

int Init(const Args& args) {
    simwin::MachineOptions options;
    bool force = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--with-npf") {
            options.withNpf = true;
        } else if (args[i] == "--force") {
            force = true;
        } else {
            return Usage("unknown option '" + args[i] + "' for init");
        }
    }
#ifdef _WIN32
    // The prefix's registry and services are a real Windows machine's outside Wine.
    if (!simwin::RunningUnderWine()) {
        std::cerr << "netcfg-sim: not running under Wine: init changes nothing on Windows\n";
        return kExitUsage;
    }
#endif
    std::string error;
    const std::string root = simwin::MachineRoot();
    if (!simwin::InitMachine(root, options, force, OwnFolder() + "/net.exe", &error)) {
        return Failed(error);
    }
#ifdef _WIN32
    if (!RegisterWithPrefix(options.withNpf, &error)) {
        return Failed(error);
    }
#endif
    std::cout << "created a machine in " << root << "\n";
    return kExitOk;
}

void ShowComponents(const simwin::MachineState& state) {
    std::cout << "Components\n";
    for (auto componentClass :
         {simwin::ComponentClass::Net, simwin::ComponentClass::NetTrans,
          simwin::ComponentClass::NetService, simwin::ComponentClass::NetClient}) {
        bool first = true;
        for (const simwin::ComponentInfo& component : state.components) {
            if (component.classGuid != simwin::ClassGuid(componentClass)) {
                continue;
            }
            if (first) {
                std::cout << "  " << simwin::ClassName(componentClass) << "\n";
                first = false;
            }
            std::cout << "    " << simwin::ToUtf8(component.id) << "  \""
                      << simwin::ToUtf8(component.displayName) << "\"  (" << component.inf << ")\n";
        }
    }
}

int Show() {
    const std::string root = simwin::MachineRoot();
    simwin::MachineState state;
    std::string error;
    if (!simwin::ReadMachineState(root, &state, &error)) {
        return Failed(error);
    }
    std::cout << "Machine " << root << "\n";
    ShowComponents(state);
    std::cout << "Binding paths\n";
    for (const simwin::BindingInfo& binding : state.bindings) {
        std::cout << "  " << (binding.enabled ? "enabled   " : "disabled  ")
                  << simwin::ToUtf8(binding.upperId) << " -> " << simwin::ToUtf8(binding.lowerId)
                  << "  \"" << simwin::ToUtf8(binding.lowerDisplayName) << "\"\n";
    }
    std::cout << "INF store\n";
    if (state.infs.empty()) {
        std::cout << "  (empty)\n";
    }
    for (const simwin::InfInfo& inf : state.infs) {
        std::cout << "  " << inf.publishedName << "  " << inf.originalName << "  from "
                  << inf.sourceLocation << "\n";
    }
    std::cout << "Services\n";
    if (state.services.empty()) {
        std::cout << "  (none)\n";
    }
    for (const simwin::ServiceInfo& service : state.services) {
        std::cout << "  " << service.name << "  " << (service.running ? "running" : "stopped")
                  << "\n";
    }
    std::cout << "Write lock\n  "
              << (state.lockHolder.empty() ? std::string("free")
                                           : "held by \"" + simwin::ToUtf8(state.lockHolder) + "\"")
              << "\n";
    return kExitOk;
}

// Holds the write lock through the configuration interfaces, as any other client would.
int HoldLock(unsigned seconds, const std::wstring& description) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return Failed("cannot initialise COM");
    }
    INetCfgLock* lock = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock,
                                  reinterpret_cast<void**>(&lock));
    if (FAILED(hr)) {
        CoUninitialize();
        return Failed("cannot create the configuration object");
    }
    LPWSTR holder = nullptr;
    hr = lock->AcquireWriteLock(10000, description.c_str(), &holder);
    if (hr != S_OK) {
        std::cerr << "netcfg-sim: the write lock is held by \""
                  << (holder != nullptr ? simwin::ToUtf8(holder) : std::string("?")) << "\"\n";
        CoTaskMemFree(holder);
        lock->Release();
        CoUninitialize();
        return kExitFailed;
    }
    std::cout << "holding the write lock as \"" << simwin::ToUtf8(description) << "\"" << std::endl;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    lock->ReleaseWriteLock();
    lock->Release();
    CoUninitialize();
    return kExitOk;
}

int Lock(const Args& args) {
    std::string seconds;
    std::string description;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--hold" && i + 1 < args.size()) {
            seconds = args[++i];
        } else if (args[i] == "--as" && i + 1 < args.size()) {
            description = args[++i];
        } else {
            return Usage("unknown or incomplete option '" + args[i] + "' for lock");
        }
    }
    if (seconds.empty() || seconds.find_first_not_of("0123456789") != std::string::npos ||
        seconds.size() > 6 || description.empty()) {
        return Usage("lock needs --hold SECONDS and --as DESCRIPTION");
    }
    return HoldLock(static_cast<unsigned>(std::stoul(seconds)), simwin::FromUtf8(description));
}

int Fault(const Args& args) {
    const std::string path = simwin::MachinePath("faults");
    if (args.size() == 2 && args[1] == "list") {
        std::string text;
        simwin::ReadWholeFile(path, &text);
        std::cout << text;
        return kExitOk;
    }
    if (args.size() == 2 && args[1] == "clear") {
        std::filesystem::remove(path);
        return kExitOk;
    }
    if (args.size() < 3 || args[1] != "add") {
        return Usage("fault needs add RULE..., list or clear");
    }
    std::string line = args[2];
    for (std::size_t i = 3; i < args.size(); ++i) {
        line += " " + args[i];
    }
    std::string error;
    const auto rule = simwin::ParseFaultRule(line, &error);
    if (!rule) {
        return Usage("bad rule: " + error);
    }
    std::string text;
    simwin::ReadWholeFile(path, &text);
    text += simwin::FormatFaultRule(*rule) + "\n";
    if (!simwin::WriteFileAtomically(path, text, &error)) {
        return Failed(error);
    }
    return kExitOk;
}

int Journal(const Args& args) {
    const std::string path = simwin::MachinePath("journal.log");
    if (args.size() != 2) {
        return Usage("journal needs on, off or show");
    }
    if (args[1] == "on") {
        std::FILE* file = std::fopen(path.c_str(), "a");
        if (file == nullptr) {
            return Failed(path + ": cannot create");
        }
        std::fclose(file);
        return kExitOk;
    }
    if (args[1] == "off") {
        std::filesystem::remove(path);
        return kExitOk;
    }
    if (args[1] == "show") {
        std::string text;
        if (!simwin::ReadWholeFile(path, &text)) {
            return Failed(path + ": the journal is off");
        }
        std::cout << text;
        return kExitOk;
    }
    return Usage("journal needs on, off or show");
}

int Run(const Args& args) {
    if (args.empty()) {
        return Usage("no command");
    }
    const std::string& command = args[0];
    if (command == "init")
        return Init(args);
    if (command == "show" && args.size() == 1)
        return Show();
    if (command == "lock")
        return Lock(args);
    if (command == "fault")
        return Fault(args);
    if (command == "journal")
        return Journal(args);
    return Usage("unknown command '" + command + "'");
}

}  // namespace

#ifdef _WIN32
// The arguments as UTF-8, as the rest of the tool reads them on Linux.
int wmain(int argc, wchar_t** argv) {
    try {
        Args args;
        for (int i = 1; i < argc; ++i) {
            args.push_back(simwin::ToUtf8(argv[i]));
        }
        return Run(args);
    } catch (const std::exception& failure) {
        return Failed(failure.what());
    }
}
#else
int main(int argc, char** argv) {
    try {
        return Run(Args(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        return Failed(failure.what());
    }
}
#endif
