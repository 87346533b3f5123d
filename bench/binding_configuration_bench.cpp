// The binding configuration on machines with many adapters: every matching binding path gets
// its own Enable and Apply, so the cost grows with the number of paths times the cost of one
// Apply.
#include "device_manager/DeviceManager.h"
#include "device_manager/components.h"
#include "log/Logger.h"
#include "support/bench_machine.h"
#include "support/monotonic_clock.h"

#include <devguid.h>
#include <simwin/testing.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

// The machine has adapterCount adapters in all: its two physical ones, the virtual ethernet
// adapter the installer adds, and the rest added to the store beforehand.
constexpr unsigned kBaselineAdapters = 2;
constexpr unsigned kInstalledAdapters = 1;

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Makes the machine, installs both components as the installer does, and keeps a snapshot of
// the result in snapshotFolder. False with a reason.
bool PrepareMachine(bench::BenchMachine& machine, unsigned adapterCount,
                    const std::string& snapshotFolder, std::string* error) {
    if (!machine.ok()) {
        *error = machine.error();
        return false;
    }
    const unsigned extra = adapterCount - kBaselineAdapters - kInstalledAdapters;
    if (!machine.AddAdapters(extra, error)) {
        return false;
    }
    const std::string infFolder = machine.MakeFolder("inf-source");
    if (!bench::CopyInfFiles(infFolder, error)) {
        return false;
    }
    Logger logger;
    DeviceManager manager(&logger);
    const std::wstring adapterInf = Widen(infFolder) + L"/" + components::kAdapterInfName;
    const std::wstring switchInf = Widen(infFolder) + L"/" + components::kSwitchInfName;
    if (manager.InstallDriver(adapterInf.c_str(), GUID_DEVCLASS_NET,
                              components::kAdapterComponentId) != S_OK ||
        manager.InstallDriver(switchInf.c_str(), GUID_DEVCLASS_NETSERVICE,
                              components::kSwitchComponentId) != S_OK) {
        *error = "cannot install the two components";
        return false;
    }
    return machine.SaveState(snapshotFolder, error);
}

void BM_BindingConfiguration(benchmark::State& state) {
    const auto adapterCount = static_cast<unsigned>(state.range(0));
    bench::BenchMachine machine;
    const std::string logFolder = machine.MakeFolder("log");
    ::setenv("AutInstLog", logFolder.c_str(), 1);
    const std::string snapshot = machine.MakeFolder("installed");
    std::string error;
    if (!PrepareMachine(machine, adapterCount, snapshot, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Logger logger;
    DeviceManager manager(&logger);
    for (auto _ : state) {
        if (!machine.RestoreState(snapshot, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        simwin::ClearJournal();
        const std::int64_t startedAt = bench::MonotonicNs();
        const BOOL configured = manager.ConfigureIPv6AndVirtualSwitch();
        const std::int64_t endedAt = bench::MonotonicNs();
        if (configured != TRUE) {
            state.SkipWithError("the binding configuration failed");
            return;
        }
        state.SetIterationTime(static_cast<double>(endedAt - startedAt) / 1e9);
    }
    state.counters["adapters"] = adapterCount;
}

BENCHMARK(BM_BindingConfiguration)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
