#!/bin/sh
# Runs a program of the Windows test build under Wine, in a Wine prefix of the build folder:
#   run-under-wine.sh WINE PREFIX PROGRAM [ARGUMENT...]
# The first run creates the prefix; runs that start meanwhile wait for it under a lock, so that
# tests run in parallel never create it twice or use it half-made.
set -eu
wine=$1
prefix=$2
shift 2

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No offer to download the browser and .NET engines while the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Western European locale: Wine then gives the ANSI code page 1252.
export LANG=en_US.UTF-8
unset LC_ALL

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/system.reg" ]; then
            "$wine" wineboot --init >"$prefix.create.txt" 2>&1
            # The registry reaches its files only when the server ends.
            "$(dirname "$wine")/wineserver" --wait
        fi
    ) 9>"$prefix.lock"
fi
exec "$wine" "$@"
