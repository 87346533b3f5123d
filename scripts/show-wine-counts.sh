#!/usr/bin/env bash
# Prints how many runs of DriverInstaller.exe under Wine matched their expected logs in a build's
# last ctest run (each Wine test prints one line per run whose log it compared), and how many of
# the network configuration engine's failure paths gave the same exit code and log in the Windows
# build as in the Linux build (the failure path sweep prints that line itself).
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
if ! grep -hE "^[0-9]+ of [0-9]+ network configuration failure paths " "$log"; then
    echo "no failure path sweep under Wine in $log" >&2
    exit 1
fi
