#!/usr/bin/env bash
# The release archives of a packaged windows-release build, read back as a setup author reads
# them: each archive's listing, SHA256SUMS against the files beside it, the packed executables and
# debug files the same bytes as the build's, and README.txt naming the version.
#   check-archives.sh RELEASE_DIR     (a windows-release build folder after its package target)
# Prints one line per failed check, then "release archives: N of N checks passed".
set -euo pipefail
# The scratch folder "$work", check and report, as the other release check has them
# shellcheck source=tests/release/release-checks.sh
. "$(dirname "$0")/release-checks.sh" archives

release=${1:?usage: check-archives.sh RELEASE_DIR}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
archive="$release/DriverInstaller-$version-win64.zip"
debug_archive="$release/DriverInstaller-$version-win64-debug.zip"
# same_text EXPECTED ACTUAL: fails, showing both, when the texts differ.
same_text() {
    if [ "$1" != "$2" ]; then
        printf 'expected:\n%s\nactual:\n%s\n' "$1" "$2"
        return 1
    fi
}
listing() {
    unzip -Z1 "$1"
}
# checksums_hold FOLDER: every sum of FOLDER/SHA256SUMS holds for the file it names there.
checksums_hold() {
    (cd "$1" && sha256sum --check --strict SHA256SUMS)
}

# The archives hold these files and nothing else (in name order: the archives are normalised).
check "the archive's listing" same_text \
    "$(printf '%s\n' DriverInstaller.exe README.txt SHA256SUMS driverinstaller-log.exe \
        driverinstaller-selftest.exe)" \
    "$(listing "$archive")"
check "the debug archive's listing" same_text \
    "$(printf '%s\n' DriverInstaller.exe.debug driverinstaller-log.exe.debug \
        driverinstaller-selftest.exe.debug)" \
    "$(listing "$debug_archive")"

mkdir "$work/unpacked" "$work/unpacked-debug"
unzip -q "$archive" -d "$work/unpacked"
unzip -q "$debug_archive" -d "$work/unpacked-debug"
# SHA256SUMS names every other file of the archive, and each sum holds.
check "SHA256SUMS names every other file" same_text \
    "$(printf '%s\n' DriverInstaller.exe README.txt driverinstaller-log.exe \
        driverinstaller-selftest.exe)" \
    "$(cut -d' ' -f3- "$work/unpacked/SHA256SUMS")"
check "sha256sum -c SHA256SUMS" checksums_hold "$work/unpacked"
for file in DriverInstaller.exe driverinstaller-log.exe driverinstaller-selftest.exe; do
    check "$file is the build's" cmp "$work/unpacked/$file" "$release/DriverInstaller/$file"
    check "$file.debug is the build's" cmp "$work/unpacked-debug/$file.debug" \
        "$release/DriverInstaller/$file.debug"
done
check "README.txt names the version" grep -q "^DriverInstaller $version for 64-bit Windows" \
    "$work/unpacked/README.txt"

report "release archives"
