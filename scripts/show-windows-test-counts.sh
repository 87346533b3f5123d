#!/usr/bin/env bash
# Prints how many of the program's tests (the tests of tests/DriverInstaller, CTest label program
# in the Linux build) also ran, and passed, in the Windows build's last ctest run under Wine:
# those of its passed tests with the same name.
#   show-windows-test-counts.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER
set -euo pipefail

linux="${1:?usage: show-windows-test-counts.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER}"
windows="${2:?usage: show-windows-test-counts.sh LINUX_BUILD_FOLDER WINDOWS_BUILD_FOLDER}"
log="$windows/Testing/Temporary/LastTest.log"
if [ ! -f "$log" ]; then
    echo "no ctest run in $windows" >&2
    exit 1
fi

# Listing the tests rewrites the Linux build's LastTest.log, which the reliability counts are read
# from: it is put back afterwards.
linuxLog="$linux/Testing/Temporary/LastTest.log"
savedLog=$(mktemp)
trap 'rm -f "$savedLog"' EXIT
cp "$linuxLog" "$savedLog" 2>/dev/null || : >"$savedLog"
program=$(ctest --test-dir "$linux" -N -L '^program$' | sed -n 's/^ *Test *#[0-9]*: //p' | sort -u)
cp "$savedLog" "$linuxLog"
# Each test's block in the log starts with "N/M Testing: NAME" and ends with its outcome.
passed=$(awk '/^[0-9]+\/[0-9]+ Testing: / { sub(/^[0-9]+\/[0-9]+ Testing: /, ""); name = $0 }
              /^Test Passed\.$/ { print name }' "$log" | sort -u)
total=$(grep -c . <<<"$program" || true)
both=$(comm -12 <(echo "$program") <(echo "$passed") | grep -c . || true)
echo "$both of $total program tests also ran in the Windows build under Wine"
