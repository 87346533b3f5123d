#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-build-deps.sh
cmake --preset linux-debug
cmake --build --preset linux-debug
ctest --preset linux-debug -j2
