// What the network configuration tests share: the program's COM pointer, an owning holder for
// CoTaskMem strings that prints its text, a fixture with a fresh machine and COM, the steps a
// client takes, and netcfg-sim run as a command.
#pragma once

#include "netcfg/com_ptr.h"
#include "support/temp_machine.h"
#include "support/text_file.h"

#include <devguid.h>
#include <netcfgx.h>
#include <objbase.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace netcfgtest {

// The machine's files, read and written whole.
using testsupport::ReadFile;
using testsupport::WriteFile;

class TaskText {
public:
    TaskText() = default;
    ~TaskText() { CoTaskMemFree(text_); }
    TaskText(const TaskText&) = delete;
    TaskText& operator=(const TaskText&) = delete;

    LPWSTR* Put() {
        CoTaskMemFree(text_);
        text_ = nullptr;
        return &text_;
    }
    bool null() const { return text_ == nullptr; }
    // The text itself, still owned by the holder (a multi-string may hold several).
    LPCWSTR Get() const { return text_; }
    std::wstring str() const { return text_ != nullptr ? std::wstring(text_) : L"(null)"; }

private:
    LPWSTR text_ = nullptr;
};

constexpr wchar_t kAdapterId[] = L"root\\quorixvmini60_a";
constexpr wchar_t kAdapterName[] = L"Tandrel QUORIX Virtual Ethernet Adapter";
constexpr wchar_t kFilterId[] = L"QUORIX_NdisLwf";
constexpr wchar_t kFilterName[] = L"Tandrel QUORIX Virtual Switch";

// Runs netcfg-sim with arguments (already quoted for the shell): its output (standard output and
// error) and its exit status.
std::pair<std::string, int> NetCfgSim(const std::string& arguments);

// A fresh machine, COM initialised for the test's thread; at the end, the ledger must be clean.
class NetCfgTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The machine's network configuration store.
    std::string StorePath() const { return machine_.root() + "/netcfg.store"; }

    // A new configuration object's lock interface into each of locks: each a client of its own.
    template <typename... Locks>
    static void NewLock(Locks*... locks) {
        (CreateLock(locks), ...);
    }
    // lock's client is granted the write lock at once, as when no other client holds it, and
    // gives it back.
    static void ExpectGrantedAtOnce(INetCfgLock* lock, const wchar_t* client);
    // A configuration object, with the write lock when wanted, initialised, into *opened.
    void Open(bool writeLock, ComPtr<INetCfg>* opened);
    // Gives the write lock back and uninitialises (the object itself is released by its Ref).
    void Close(INetCfg* netCfg, bool writeLock);
    // Copies one of the repository's INF files into the machine's INF store.
    void CopyInf(const std::string& infName);
    // INetCfgClassSetup::Install in the class, the component returned into component.
    HRESULT Install(INetCfg* netCfg, const GUID& classGuid, const wchar_t* id,
                    ComPtr<INetCfgComponent>* component);
    // Installs a component as an installer does: the configuration opened with the write lock,
    // the component installed from an INF the store holds, the change applied and the
    // configuration closed. S_OK, or the failure of Install or Apply.
    HRESULT InstallAndApply(const GUID& classGuid, const wchar_t* id);
    // The binding paths a component's INetCfgComponentBindings::EnumBindingPaths gives for flags,
    // into *paths: S_OK, or the failure of QueryInterface or EnumBindingPaths.
    static HRESULT EnumBindingPathsOf(INetCfgComponent* component, DWORD flags,
                                      ComPtr<IEnumNetCfgBindingPath>* paths);
    // The ids of the components an enumerator gives, in order.
    static std::vector<std::wstring> Ids(IEnumNetCfgComponent* components);
    // "upper->lower enabled|disabled" for each binding path on disk, in store order.
    std::vector<std::string> DiskBindings() const;

    testsupport::TempMachine machine_;

private:
    static void CreateLock(ComPtr<INetCfgLock>* lock);
};

}  // namespace netcfgtest
