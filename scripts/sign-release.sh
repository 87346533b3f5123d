#!/usr/bin/env bash
# Signs the three shipped executables of the windows-release build in place with an Authenticode
# signature (SHA-256), with osslsigncode:
#   sign-release.sh PFX_FILE [TIMESTAMP_URL]
# PFX_FILE holds the code-signing certificate and its private key (PKCS#12); its password is read
# from the environment variable SIGN_PASSWORD (empty when unset), never from the command line.
# With TIMESTAMP_URL, an RFC 3161 time-stamping service countersigns each signature, so that it
# stays valid after the certificate expires.
# RELEASE_DIR names the build folder (default: build/windows-release of the repository that holds
# this script). Sign before packaging: the archive's SHA256SUMS is computed from what it packs.
# Refuses, changing nothing, when the certificate or an executable is missing or an executable is
# already signed; either every executable is signed or none is.
set -euo pipefail

if [ "$#" -lt 1 ] || [ "$#" -gt 2 ]; then
    echo "usage: sign-release.sh PFX_FILE [TIMESTAMP_URL]" >&2
    exit 2
fi
pfx=$1
timestamp_url=${2:-}
release=${RELEASE_DIR:-"$(cd "$(dirname "$0")/.." && pwd)/build/windows-release"}
executables=("$release/DriverInstaller/DriverInstaller.exe"
             "$release/DriverInstaller/driverinstaller-log.exe"
             "$release/DriverInstaller/driverinstaller-selftest.exe")

refuse() {
    echo "sign-release: $1; nothing was signed" >&2
    exit 1
}

command -v osslsigncode >/dev/null ||
    refuse "osslsigncode is missing (scripts/install-build-deps.sh)"
[ -f "$pfx" ] || refuse "no certificate file '$pfx'"
work=$(mktemp -d "${TMPDIR:-/tmp}/driverinstaller-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT
for executable in "${executables[@]}"; do
    [ -f "$executable" ] || refuse "no '$executable': build the windows-release preset first"
    # extract-signature succeeds only on a signed image.
    if osslsigncode extract-signature -in "$executable" -out "$work/signature" >/dev/null 2>&1; then
        refuse "'$executable' is already signed"
    fi
done

options=(-pkcs12 "$pfx" -h sha256)
if [ -n "${SIGN_PASSWORD:-}" ]; then
    # The password reaches osslsigncode in a file only this user can read, never on its command
    # line (osslsigncode cannot read an empty one from a file).
    (umask 077 && printf '%s' "$SIGN_PASSWORD" >"$work/password")
    options+=(-readpass "$work/password")
else
    options+=(-pass "")
fi
if [ -n "$timestamp_url" ]; then
    options+=(-ts "$timestamp_url")
fi

# Each signed image is written beside its executable first, and the executables are replaced
# (renamed over) only when all are signed.
cleanup() {
    rm -rf "$work"
    for executable in "${executables[@]}"; do
        rm -f "$executable.signing"
    done
}
trap cleanup EXIT
for executable in "${executables[@]}"; do
    if ! osslsigncode sign "${options[@]}" -in "$executable" -out "$executable.signing" \
        >"$work/sign.txt" 2>&1; then
        cat "$work/sign.txt" >&2
        refuse "osslsigncode could not sign '$executable'"
    fi
    chmod --reference="$executable" "$executable.signing"
done
for executable in "${executables[@]}"; do
    mv "$executable.signing" "$executable"
done

timestamp="no timestamp"
if [ -n "$timestamp_url" ]; then
    timestamp="timestamped by $timestamp_url"
fi
echo "signed: ${#executables[@]} of ${#executables[@]} executables (SHA-256, $timestamp)"
