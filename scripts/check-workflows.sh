#!/usr/bin/env bash
# Checks every GitHub Actions workflow of the repository (.github/workflows/*.yml) against the
# workflow schema with action-validator, which scripts/install-action-validator.sh installs. The
# workflows run on hosted runners only; this is what can be checked of them here.
#   check-workflows.sh
# Prints each workflow's problems, then "workflows: N of M valid" (exit 1 unless all are).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
validator="$root/build/tools/action-validator/node_modules/.bin/action-validator"
if [ ! -x "$validator" ]; then
    echo "check-workflows: no action-validator: run scripts/install-action-validator.sh" >&2
    exit 2
fi

total=0
valid=0
for workflow in "$root"/.github/workflows/*.yml; do
    [ -e "$workflow" ] || continue
    total=$((total + 1))
    if "$validator" "$workflow"; then
        valid=$((valid + 1))
    else
        echo "INVALID: ${workflow#"$root/"}" >&2
    fi
done
echo "workflows: $valid of $total valid"
[ "$total" -gt 0 ] && [ "$valid" -eq "$total" ]
