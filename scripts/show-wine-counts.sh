#!/usr/bin/env bash
# Prints how many runs of DriverInstaller.exe under Wine matched their expected logs in a build's
# last ctest run (each Wine test prints one line per run whose log it compared).
#   show-wine-counts.sh BUILD_FOLDER
set -euo pipefail

log="${1:?usage: show-wine-counts.sh BUILD_FOLDER}/Testing/Temporary/LastTest.log"
matched=$(grep -c "^Wine run of DriverInstaller.exe: log matched$" "$log" || true)
differed=$(grep -c "^Wine run of DriverInstaller.exe: log differed$" "$log" || true)
runs=$((matched + differed))
if [ "$runs" -eq 0 ]; then
    echo "no Wine runs of DriverInstaller.exe in $log" >&2
    exit 1
fi
echo "$matched of $runs Wine runs of DriverInstaller.exe matched their expected logs"
