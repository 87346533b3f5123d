// netcfg-sim: creates a simulated machine, shows its state, holds its write lock, and manages
// its fault rules and journal.
#include "base/utf8.h"
#include "base/atomic_file.h"
#include "base/machine_root.h"
#include "machine/netcfg_store.h"
#include "machine/reboot_pending.h"

#include <devguid.h>
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
    "usage: init [--with-npf] [--force] | show | lock --hold SECONDS --as DESCRIPTION | ref add "
    "COMPONENT_ID --software MANUFACTURER PRODUCT DISPLAYNAME | reboot [--pending] | fault add "
    "RULE... | fault list | fault clear | journal on|off|show";

using Args = std::vector<std::string>;

int Usage(const std::string& problem) {
    std::cerr << "netcfg-sim: " << problem << "; " << kUsage << "\n";
    return kExitUsage;
}

int Failed(const std::string& message) {
    std::cerr << "netcfg-sim: " << message << "\n";
    return kExitFailed;
}

// A folder without a machine (no store): what the tool says, and how to make one.
int NoMachine(const std::string& root) {
    return Failed(root + " holds no machine; make one with: netcfg-sim init [--with-npf]");
}

// A result as the platform's documentation writes it: "0x80070005".
std::string HrText(HRESULT hr) {
    char text[16];
    // HRESULT is a long: 64 bits on Linux, where a negative one would widen.
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
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
            std::string references;
            for (const std::string& reference : component.references) {
                references += (references.empty() ? "" : "; ") + reference;
            }
            if (!references.empty()) {
                std::cout << "      on behalf of: " << references << "\n";
            }
        }
    }
}

int Show() {
    const std::string root = simwin::MachineRoot();
    if (!simwin::HoldsMachine(root)) {
        return NoMachine(root);
    }
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
        if (hr == REGDB_E_CLASSNOTREG) {
            return NoMachine(simwin::MachineRoot());
        }
        return Failed("cannot create the configuration object");
    }
    LPWSTR holder = nullptr;
    hr = lock->AcquireWriteLock(10000, description.c_str(), &holder);
    if (hr != S_OK && hr != S_FALSE) {
        lock->Release();
        CoUninitialize();
        return Failed("the write lock is refused: " + HrText(hr));
    }
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

// Releases what AddReference obtained, in reverse order, whatever step it reached.
struct ConfigurationCycle {
    INetCfg* netCfg = nullptr;
    INetCfgLock* lock = nullptr;
    bool locked = false;
    bool initialized = false;
    INetCfgComponent* component = nullptr;
    INetCfgClassSetup* setup = nullptr;

    ~ConfigurationCycle() {
        if (setup != nullptr)
            setup->Release();
        if (component != nullptr)
            component->Release();
        if (initialized)
            netCfg->Uninitialize();
        if (locked)
            lock->ReleaseWriteLock();
        if (lock != nullptr)
            lock->Release();
        if (netCfg != nullptr)
            netCfg->Release();
    }
};

// Installs the component once more on behalf of another product, through the configuration
// interfaces as that product's setup would: the component gains the product's reference.
int AddSoftwareReference(const std::wstring& id, const std::wstring& manufacturer,
                         const std::wstring& product, const std::wstring& displayName) {
    ConfigurationCycle cycle;
    if (FAILED(CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                reinterpret_cast<void**>(&cycle.netCfg))) ||
        FAILED(
            cycle.netCfg->QueryInterface(IID_INetCfgLock, reinterpret_cast<void**>(&cycle.lock)))) {
        return Failed("cannot create the configuration object");
    }
    LPWSTR holder = nullptr;
    HRESULT hr = cycle.lock->AcquireWriteLock(10000, L"netcfg-sim", &holder);
    CoTaskMemFree(holder);
    if (hr != S_OK) {
        return Failed("the write lock is not granted: " + HrText(hr));
    }
    cycle.locked = true;
    hr = cycle.netCfg->Initialize(nullptr);
    if (hr != S_OK) {
        return Failed("cannot load the configuration: " + HrText(hr));
    }
    cycle.initialized = true;
    GUID classGuid{};
    if (cycle.netCfg->FindComponent(id.c_str(), &cycle.component) != S_OK ||
        cycle.component->GetClassGuid(&classGuid) != S_OK) {
        return Failed("no component '" + simwin::ToUtf8(id) + "' is installed");
    }
    if (classGuid == GUID_DEVCLASS_NET) {
        return Failed("an adapter keeps no references: each install is a device of its own");
    }
    hr = cycle.netCfg->QueryNetCfgClass(&classGuid, IID_INetCfgClassSetup,
                                        reinterpret_cast<void**>(&cycle.setup));
    if (hr != S_OK) {
        return Failed("cannot reach the component's class: " + HrText(hr));
    }
    OBO_TOKEN token{};
    token.Type = OBO_SOFTWARE;
    token.pszwManufacturer = manufacturer.c_str();
    token.pszwProduct = product.c_str();
    token.pszwDisplayName = displayName.c_str();
    hr = cycle.setup->Install(id.c_str(), &token, 0, 0, nullptr, nullptr, nullptr);
    if (hr == S_OK) {
        hr = cycle.netCfg->Apply();
    }
    if (FAILED(hr)) {
        return Failed("cannot add the reference: " + HrText(hr));
    }
    std::cout << simwin::ToUtf8(id) << " is now installed on behalf of \""
              << simwin::ToUtf8(displayName) << "\" too\n";
    return kExitOk;
}

int Ref(const Args& args) {
    if (args.size() != 7 || args[1] != "add" || args[3] != "--software") {
        return Usage("ref needs add COMPONENT_ID --software MANUFACTURER PRODUCT DISPLAYNAME");
    }
    if (args[4].empty() || args[5].empty() || args[6].empty()) {
        return Usage("the manufacturer, product and display name must not be empty");
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return Failed("cannot initialise COM");
    }
    const int status = AddSoftwareReference(simwin::FromUtf8(args[2]), simwin::FromUtf8(args[4]),
                                            simwin::FromUtf8(args[5]), simwin::FromUtf8(args[6]));
    CoUninitialize();
    return status;
}

// Marks a reboot as pending (--pending), or the machine as rebooted.
int Reboot(const Args& args) {
    const bool pending = args.size() == 2 && args[1] == "--pending";
    if (args.size() > 2 || (args.size() == 2 && !pending)) {
        return Usage("reboot takes only --pending");
    }
    std::string error;
    if (!simwin::SetRebootPending(simwin::MachineRoot(), pending, &error)) {
        return Failed(error);
    }
    std::cout << (pending ? "a reboot is pending: the write lock is refused until netcfg-sim reboot"
                          : "rebooted")
              << "\n";
    return kExitOk;
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
    if (command == "ref")
        return Ref(args);
    if (command == "reboot")
        return Reboot(args);
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
