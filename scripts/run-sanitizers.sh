#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (linux-asan preset) and
# runs the whole test suite under them.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan
ctest --preset linux-asan -j2
bash scripts/show-reliability-counts.sh build/linux-asan
