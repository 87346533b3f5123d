# shellcheck shell=bash
# The scratch folder, counter and helpers that the release checks share, sourced by
# check-archives.sh and check-signing.sh as `. release-checks.sh NAME`:
#   $work                          a scratch folder, driverinstaller-NAME.XXXXXX in TMPDIR,
#                                  removed when the caller exits
#   check DESCRIPTION COMMAND...   runs COMMAND, counting it as passed when it succeeds; a failure
#                                  prints DESCRIPTION and the command's output on stderr
#   report NAME                    prints the outcome, "NAME: N of M checks passed", as the
#                                  caller's last line, and fails unless every check passed
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/driverinstaller-${1:?usage: . release-checks.sh NAME}.XXXXXX")
trap 'rm -rf "$work"' EXIT

checks=0
passed=0
check() {
    local description=$1
    shift
    checks=$((checks + 1))
    if "$@" >"$work/check.txt" 2>&1; then
        passed=$((passed + 1))
    else
        echo "FAILED: $description" >&2
        sed 's/^/  /' "$work/check.txt" >&2
    fi
}
report() {
    echo "$1: $passed of $checks checks passed"
    [ "$passed" -eq "$checks" ]
}
