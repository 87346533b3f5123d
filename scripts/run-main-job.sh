#!/usr/bin/env bash
# Builds the installer, creates a fresh simulated machine with the "npf" service registered,
# runs `DriverInstaller Install` in a folder holding the two INF files, and shows the machine's
# state and the log.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash scripts/install-build-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release >/dev/null
bin="$top/build/linux-release"

work="$top/build/demo"
rm -rf "$work"
mkdir -p "$work/setup" "$work/logs"
cp "$top"/inf/quorixvmini60.inf "$top"/inf/quorixlwf.inf "$work/setup/"
export SIMWIN_ROOT="$work/machine"
export AutInstLog="$work/logs"

"$bin/simwin/tools/netcfg-sim" init --with-npf
echo "== The fresh machine"
"$bin/simwin/tools/netcfg-sim" show

echo
echo "== DriverInstaller Install (in $work/setup)"
status=0
(cd "$work/setup" && "$bin/DriverInstaller/DriverInstaller" Install) || status=$?
echo "exit code: $status"
# net.exe was started without waiting for it; give it a moment before looking at the services.
sleep 0.5

echo
echo "== The machine after Install"
"$bin/simwin/tools/netcfg-sim" show
echo
echo "== The log ($AutInstLog/Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log)"
cat "$AutInstLog/Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log"
exit "$status"
