#!/usr/bin/env bash
# Mutation testing of the program, the log reader and the network configuration engine: makes
# small, plausible mistakes in one area's code one at a time, builds each mutant on its own and
# runs the quick suites that can reach that code on it, then regenerates MUTATION.md from the
# latest run of each area, with each area's kill rate and every survivor. Run on demand; not part
# of the test suite (a run of 80 mutants takes about half an hour to an hour on two cores).
#
#   scripts/run-mutation.sh [--area program|reader|engine|all] [--seed N] [--limit N]
#                           [--timeout SECONDS] [--only M003,E017] [--list]
#
# Everything it builds stays in build/mutation; the repository's sources are only read. A full
# run of an area is kept in scripts/mutation/results/AREA.json (commit it with MUTATION.md): the
# report is written from the latest kept run of each area, so a fresh checkout keeps all three.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-build-deps.sh ccache rsync python3
export PYTHONDONTWRITEBYTECODE=1
# The operators are checked on a sample first: a broken operator would make every mutant wrong.
(cd scripts/mutation && python3 -m unittest -q test_mutants)
exec python3 scripts/mutation/run_mutation.py "$@"
