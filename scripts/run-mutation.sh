#!/usr/bin/env bash
# Mutation testing of the program: makes small, plausible mistakes in DriverInstaller/ one at a
# time, builds each mutant on its own and runs the quick suites that exercise the program on it,
# then regenerates MUTATION.md with the kill rate and every survivor. Run on demand; not part of
# the test suite (a run of 80 mutants takes about half an hour on two cores).
#
#   scripts/run-mutation.sh [--seed N] [--limit N] [--timeout SECONDS] [--only M003,M017] [--list]
#
# Everything it builds stays in build/mutation; the repository's sources are only read.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-build-deps.sh ccache rsync python3
export PYTHONDONTWRITEBYTECODE=1
# The operators are checked on a sample first: a broken operator would make every mutant wrong.
(cd scripts/mutation && python3 -m unittest -q test_mutants)
exec python3 scripts/mutation/run_mutation.py "$@"
