#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing need and a fresh machine lacks,
# and any further packages named as arguments (the benchmarks name theirs).
#   install-build-deps.sh [PACKAGE...]
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libgmock-dev util-linux procps
    # The second Linux compiler, the Windows cross build and Wine to run its executable.
    clang g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
    # Time zones and locale sources for the Wine tests of the log's time and code pages.
    tzdata locales
    # GoogleTest's sources, built with the cross compiler for the Windows tests.
    googletest
    # makensis, which builds the example setup program that the Wine tests run.
    nsis
    # wixl and msibuild, which build the example MSI package that the Wine tests run, and
    # xmllint, with which its build script reads the package's source.
    msitools wixl libxml2-utils
    # The sanitizer and fuzzing runtimes, and valgrind, for the reliability runs.
    libclang-rt-14-dev valgrind
    # The JSON library of the log reader (header-only, used by the Windows build too).
    nlohmann-json3-dev
    # Google Benchmark: the test command builds the benchmarks, so that they keep compiling.
    libbenchmark-dev
    # The release: archives normalised to the same bytes, Authenticode signing and the
    # throwaway certificate of its test, the archives read back.
    strip-nondeterminism osslsigncode openssl git unzip
    "$@"
)
needed=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        needed+=("$package")
done
if [ "${#needed[@]}" -gt 0 ]; then
    echo "Installing: ${needed[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${needed[@]}" >/dev/null
fi
# The validator of the GitHub Actions workflow, from the npm registry.
bash "$(dirname "$0")/install-action-validator.sh"
