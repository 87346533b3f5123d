#!/usr/bin/env bash
# Builds everything and runs every test, then prints one summary block: the results and time of
# each stage, the counts the tests reported, and last "N passed, M failed" (exit 1 unless M is 0).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stages.sh

# Configures a preset and builds it; a --target after the preset's name goes to the build.
configure_and_build() {
    local preset="$1"
    shift
    if [ "${1:-}" = "--target" ]; then
        cmake --preset "$preset" && cmake --build --preset "$preset" "$@"
    else
        cmake --preset "$preset" "$@" && cmake --build --preset "$preset"
    fi
}

build "Build dependencies" bash scripts/install-build-deps.sh
# The Windows build comes first: the Linux test build runs its programs under Wine.
build "Windows build" configure_and_build windows
# The program's tests built for Windows, run under Wine.
check "Windows build's program tests under Wine" ctest --preset windows -j2
# The Wine tests find the Windows build's other programs beside DriverInstaller.exe's folder.
build "Linux build (g++)" configure_and_build linux-debug \
    -DDRIVERINSTALLER_WINDOWS_EXE="$(pwd)/build/windows/DriverInstaller/DriverInstaller.exe"
# The documentation's table of which tests run where matches both builds' test lists.
check "Documentation's test table" bash scripts/test-table.sh --check build/linux-debug build/windows
# The workflow of the hosted Windows runners cannot run here: it is checked against the schema.
check "Windows workflow" bash scripts/check-workflows.sh
check "Linux tests, Wine tests (g++)" ctest --preset linux-debug -j2
# The release: built and packaged, its archives read back, a copy signed with a throwaway
# certificate and run under Wine; then built twice from clean clones and compared byte for byte.
build "Release build and package" configure_and_build windows-release --target package
check "Release archives" bash tests/release/check-archives.sh build/windows-release
check "Release signing" bash tests/release/check-signing.sh build/windows-release build/linux-debug
check "Release reproducibility" bash scripts/check-reproducible.sh
# The same code and tests built with the second compiler, which catches what only one accepts.
build "Linux build (clang)" configure_and_build linux-clang
check "Linux tests (clang)" ctest --preset linux-clang -j2
# The benchmarks are run on demand (scripts/run-benchmarks.sh); built here, so that a change that
# breaks them is seen at once.
build "Benchmarks build" configure_and_build linux-bench
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target for a bounded time.
check "Sanitizers: build and tests" bash scripts/run-sanitizers.sh
check "Fuzzing" env FUZZ_SECONDS=60 bash scripts/run-fuzz.sh

# The counts the tests reported, read back from their runs.
counts bash scripts/show-windows-test-counts.sh build/linux-debug build/windows
counts bash scripts/show-wine-counts.sh build/linux-debug
counts bash scripts/show-reliability-counts.sh build/linux-debug
counts grep -h "fuzz executions" "$(stage_log Fuzzing)"
counts tail -q -n 1 "$(stage_log "Windows workflow")" "$(stage_log "Release archives")" \
    "$(stage_log "Release signing")" "$(stage_log "Release reproducibility")"
summary
