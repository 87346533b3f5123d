#!/usr/bin/env bash
# scripts/sign-release.sh on a copy of a windows-release build, with a throwaway code-signing
# certificate made here by openssl:
# - the three executables signed; osslsigncode verify accepts each against that certificate and
#   refuses it against another;
# - a second run (already signed), a run with an executable missing, with a wrong password or with
#   an unreachable time-stamping service refuse, each changing nothing;
# - the signed DriverInstaller.exe runs whole under Wine against the network configuration engine
#   (Install gives 0 and the expected log), and the signed driverinstaller-selftest.exe there
#   (read-only, every assumption holding), through the Wine tests of the Linux test build.
#   check-signing.sh RELEASE_DIR LINUX_TEST_BUILD
# Prints one line per failed check, then "signing: N of N checks passed".
set -euo pipefail
# The scratch folder "$work", check and report, as the other release check has them
# shellcheck source=tests/release/release-checks.sh
. "$(dirname "$0")/release-checks.sh" signing

release=${1:?usage: check-signing.sh RELEASE_DIR LINUX_TEST_BUILD}
test_build=${2:?usage: check-signing.sh RELEASE_DIR LINUX_TEST_BUILD}
sign="$(cd "$(dirname "$0")/../.." && pwd)/scripts/sign-release.sh"
engine_tests="$test_build/tests/wine/driverinstaller_wine_engine_tests"
selftest_tests="$test_build/tests/wine/driverinstaller_wine_selftest_tests"
# refuses EXPECTED_MESSAGE COMMAND...: the command fails, and its error names the reason.
refuses() {
    local expected=$1
    shift
    local output
    if output=$("$@" 2>&1); then
        echo "succeeded: $output"
        return 1
    fi
    grep -qF -- "$expected" <<<"$output" || { echo "$output"; return 1; }
}
sums() {
    sha256sum "$1"/DriverInstaller/*.exe
}
# A copy of the release's executables, laid out as a build folder.
copy_release() {
    mkdir -p "$1/DriverInstaller"
    cp "$release/DriverInstaller/DriverInstaller.exe" \
        "$release/DriverInstaller/driverinstaller-log.exe" \
        "$release/DriverInstaller/driverinstaller-selftest.exe" "$1/DriverInstaller/"
}
# certificate NAME: a self-signed code-signing certificate NAME.pem and NAME.pfx (with its key).
certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=DriverInstaller test signer $1" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
    openssl pkcs12 -export -in "$work/$1.pem" -inkey "$work/$1.key" -out "$work/$1.pfx" \
        -passout "pass:$password"
}

password="throwaway pass"
certificate signer
certificate stranger
copy_release "$work/signed"

export SIGN_PASSWORD="$password"
check "sign-release.sh signs all three" env RELEASE_DIR="$work/signed" bash "$sign" "$work/signer.pfx"
for file in DriverInstaller.exe driverinstaller-log.exe driverinstaller-selftest.exe; do
    check "$file verifies against the signer" \
        osslsigncode verify -CAfile "$work/signer.pem" -in "$work/signed/DriverInstaller/$file"
    check "$file does not verify against another certificate" refuses "" \
        osslsigncode verify -CAfile "$work/stranger.pem" -in "$work/signed/DriverInstaller/$file"
done

before=$(sums "$work/signed")
check "a second run refuses" refuses "is already signed" \
    env RELEASE_DIR="$work/signed" bash "$sign" "$work/signer.pfx"
check "the refused run changed nothing" test "$before" = "$(sums "$work/signed")"

copy_release "$work/incomplete"
rm "$work/incomplete/DriverInstaller/driverinstaller-log.exe"
before=$(sums "$work/incomplete")
check "a run with an executable missing refuses" refuses "driverinstaller-log.exe" \
    env RELEASE_DIR="$work/incomplete" bash "$sign" "$work/signer.pfx"
check "the refused run changed nothing" test "$before" = "$(sums "$work/incomplete")"
copy_release "$work/wrong-password"
before=$(sums "$work/wrong-password")
check "a wrong password refuses" refuses "could not sign" \
    env RELEASE_DIR="$work/wrong-password" SIGN_PASSWORD=wrong bash "$sign" "$work/signer.pfx"
check "the refused run changed nothing" test "$before" = "$(sums "$work/wrong-password")"
# No time-stamping service answers on the discard port: the signatures cannot be timestamped.
check "an unreachable time-stamping service refuses" refuses "could not sign" \
    env RELEASE_DIR="$work/wrong-password" bash "$sign" "$work/signer.pfx" http://127.0.0.1:9/
check "the refused run changed nothing" test "$before" = "$(sums "$work/wrong-password")"

# The whole Install run (then Uninstall and Uninstall again) of the Wine engine tests, on the
# signed executable.
check "the signed DriverInstaller.exe runs whole under Wine" \
    env WINE_TEST_INSTALLER_EXE="$work/signed/DriverInstaller/DriverInstaller.exe" \
    "$engine_tests" \
    --gtest_filter=EngineUnderWineTest.InstallSetsUpEverythingAndUninstallRestoresTheBaseline

check "the signed driverinstaller-selftest.exe runs under Wine" \
    env WINE_TEST_SELFTEST_EXE="$work/signed/DriverInstaller/driverinstaller-selftest.exe" \
    "$selftest_tests" --gtest_filter=SelfTest/SelfTestUnderWineTest.*/ReadOnlyOnTheEngine

report "signing"
