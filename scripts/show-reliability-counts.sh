#!/usr/bin/env bash
# Prints the counts that the reliability tests reported in a build's last ctest run: platform
# call sites failed and checked, concurrent rounds and runs, kills, bad inputs tried.
#   show-reliability-counts.sh BUILD_FOLDER
set -euo pipefail

log="${1:?usage: show-reliability-counts.sh BUILD_FOLDER}/Testing/Temporary/LastTest.log"
pattern='platform call sites failed and checked|concurrent rounds|killed with SIGKILL|bad inputs tried'
if ! grep -hE "$pattern" "$log"; then
    echo "no reliability counts in $log" >&2
    exit 1
fi
