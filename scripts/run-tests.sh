#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-build-deps.sh
# The Windows build comes first: the Linux test build runs its programs under Wine.
cmake --preset windows
cmake --build --preset windows
# The program's tests built for Windows, run under Wine.
ctest --preset windows -j2
# The Wine tests find the Windows build's other programs beside DriverInstaller.exe's folder.
cmake --preset linux-debug -DDRIVERINSTALLER_WINDOWS_EXE="$(pwd)/build/windows/DriverInstaller/DriverInstaller.exe"
cmake --build --preset linux-debug
# The documentation's table of which tests run where matches both builds' test lists.
bash scripts/test-table.sh --check build/linux-debug build/windows
ctest --preset linux-debug -j2
bash scripts/show-windows-test-counts.sh build/linux-debug build/windows
# The release: built and packaged, its archives read back, a copy signed with a throwaway
# certificate and run under Wine; then built twice from clean clones and compared byte for byte.
cmake --preset windows-release
cmake --build --preset windows-release --target package
bash tests/release/check-archives.sh build/windows-release
bash tests/release/check-signing.sh build/windows-release build/linux-debug
bash scripts/check-reproducible.sh
# The same code and tests built with the second compiler, which catches what only one accepts.
cmake --preset linux-clang
cmake --build --preset linux-clang
ctest --preset linux-clang -j2
# The benchmarks are run on demand (scripts/run-benchmarks.sh); built here, so that a change that
# breaks them is seen at once.
cmake --preset linux-bench
cmake --build --preset linux-bench
# Reliability: the counts its tests reported, the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a bounded time.
bash scripts/show-reliability-counts.sh build/linux-debug
bash scripts/show-wine-counts.sh build/linux-debug
bash scripts/run-sanitizers.sh
FUZZ_SECONDS=60 bash scripts/run-fuzz.sh
