#!/usr/bin/env bash
# Installs action-validator, which checks GitHub Actions workflows against the workflow schema
# (the npm package @action-validator/cli, at a pinned version), into build/tools/action-validator
# of the repository (build/ is ignored). npm comes from Debian's package when it is missing.
#   install-action-validator.sh
# Prints where it is, with its version, last.
set -euo pipefail

version=0.6.0
root="$(cd "$(dirname "$0")/.." && pwd)"
prefix="$root/build/tools/action-validator"
validator="$prefix/node_modules/.bin/action-validator"
manifest="$prefix/node_modules/@action-validator/cli/package.json"

if ! command -v npm >/dev/null; then
    echo "Installing: npm"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
installed=""
if [ -f "$manifest" ]; then
    installed=$(node -p "require(process.argv[1]).version" "$manifest")
fi
if [ "$installed" != "$version" ] || [ ! -x "$validator" ]; then
    mkdir -p "$prefix"
    npm install --prefix "$prefix" --no-audit --no-fund --no-save --loglevel=error \
        "@action-validator/cli@$version" >/dev/null
fi
echo "action-validator $version: $validator"
