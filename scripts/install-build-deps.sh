#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing need and a fresh machine lacks.
set -euo pipefail

needed=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for package in cmake make g++ libgtest-dev libgmock-dev util-linux procps; do
    have "$package" || needed+=("$package")
done
if [ "${#needed[@]}" -gt 0 ]; then
    echo "Installing: ${needed[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${needed[@]}" >/dev/null
fi
