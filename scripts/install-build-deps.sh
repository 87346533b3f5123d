#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing need and a fresh machine lacks.
set -euo pipefail

needed=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for package in cmake make g++ libgtest-dev libgmock-dev util-linux procps; do
    have "$package" || needed+=("$package")
done
# The second Linux compiler, the Windows cross build and Wine to run its executable.
for package in clang g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64; do
    have "$package" || needed+=("$package")
done
# The sanitizer and fuzzing runtimes, and valgrind, for the reliability runs.
for package in clang libclang-rt-14-dev valgrind; do
    have "$package" || needed+=("$package")
done
if [ "${#needed[@]}" -gt 0 ]; then
    echo "Installing: ${needed[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${needed[@]}" >/dev/null
fi
