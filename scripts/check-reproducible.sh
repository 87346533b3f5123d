#!/usr/bin/env bash
# Checks that the release is the same bytes from every build: builds the windows-release preset
# and its archives twice, from two clones of the repository's HEAD in two different temporary
# folders, one after the other, without the compiler cache, and compares what is shipped: the
# three executables, their debug files and both archives. Prints each file's SHA-256 from both
# builds, then "reproducible: N of N files identical"; exits 1 when any file differs.
#   check-reproducible.sh [REPOSITORY]    (default: the repository that holds this script)
# The build logs are kept in the temporary folder when a build fails.
set -euo pipefail

repository=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}
commit=$(git -C "$repository" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/driverinstaller-reproducible.XXXXXX")
keep_work=false
cleanup() {
    if [ "$keep_work" = false ]; then
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# Each build compiles every source itself: a shared compiler cache would hand the second build
# the first one's objects.
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER

# build FOLDER: clones the commit into FOLDER/DriverInstaller and builds and packages the release.
build() {
    local source="$1/DriverInstaller"
    local log="$1/build.log"
    mkdir -p "$1"
    if ! {
        git clone --quiet --no-checkout "$repository" "$source" &&
            git -C "$source" checkout --quiet --detach "$commit" &&
            (cd "$source" && cmake --preset windows-release &&
                cmake --build --preset windows-release --target package)
    } >"$log" 2>&1; then
        keep_work=true
        tail -n 30 "$log" >&2
        echo "check-reproducible: the build in $1 failed; its log: $log" >&2
        exit 2
    fi
}

# The two builds differ in their folders' names and depths, and in the time they run.
first="$work/first"
second="$work/second/a-folder-of-another-length"
echo "Building $commit in $first and in $second"
build "$first"
build "$second"

release=build/windows-release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
    "$first/DriverInstaller/$release/CMakeCache.txt")
shipped=(
    DriverInstaller/DriverInstaller.exe
    DriverInstaller/driverinstaller-log.exe
    DriverInstaller/driverinstaller-selftest.exe
    DriverInstaller/DriverInstaller.exe.debug
    DriverInstaller/driverinstaller-log.exe.debug
    DriverInstaller/driverinstaller-selftest.exe.debug
    "DriverInstaller-$version-win64.zip"
    "DriverInstaller-$version-win64-debug.zip"
)

# sha256 FILE: the file's SHA-256, or "(missing)".
sha256() {
    if [ -f "$1" ]; then
        sha256sum "$1" | cut -d' ' -f1
    else
        echo "(missing)"
    fi
}

identical=0
for file in "${shipped[@]}"; do
    one=$(sha256 "$first/DriverInstaller/$release/$file")
    two=$(sha256 "$second/DriverInstaller/$release/$file")
    if [ "$one" = "$two" ] && [ "$one" != "(missing)" ]; then
        identical=$((identical + 1))
        echo "identical  $one  $file"
    else
        echo "DIFFERENT  $one  $file (first build)"
        echo "           $two  $file (second build)"
    fi
done
echo "reproducible: $identical of ${#shipped[@]} files identical"
[ "$identical" -eq "${#shipped[@]}" ]
