# shellcheck shell=bash
# The test command's stages and its closing summary; sourced by scripts/run-tests.sh.
#
#   build NAME COMMAND...   a step the later ones need: when it fails, the run stops there
#   check NAME COMMAND...   a step whose results are counted: every ctest run in its output gives
#                           its tests passed and failed, else the step is one result, passed when
#                           it exits 0; a failure is counted and the run goes on
#   counts COMMAND...       prints count lines for the summary, run when the summary is printed
#   summary                 prints the block, naming each test that failed; its last line is
#                           "N passed, M failed" over the results of every check, and it returns
#                           non-zero when M is not 0
#
# Each step's output is shown as it runs and kept in a scratch folder, where `stage_log NAME`
# finds it for a counts command.

stages_folder="$(mktemp -d)"
trap 'rm -rf "$stages_folder"' EXIT
stages_started=$SECONDS
stage_rows=()
count_commands=()
failed_tests=()
results_passed=0
results_failed=0

# The file that holds the output of the step NAME.
stage_log() {
    echo "$stages_folder/$(tr -c 'A-Za-z0-9\n' '_' <<<"$1").log"
}

# Runs the step, its output shown and kept; sets stage_status and stage_seconds.
run_stage() {
    local name="$1"
    shift
    local log
    log="$(stage_log "$name")"
    local started=$SECONDS
    echo "---- $name"
    set +e
    "$@" 2>&1 | tee "$log"
    stage_status=${PIPESTATUS[0]}
    set -e
    stage_seconds=$((SECONDS - started))
}

duration() {
    printf '%d min %02d s' $(($1 / 60)) $(($1 % 60))
}

add_row() {
    stage_rows+=("$(printf '  %-44s %-24s %s' "$1" "$2" "$(duration "$3")")")
}

build() {
    local name="$1"
    run_stage "$@"
    if [ "$stage_status" -ne 0 ]; then
        add_row "$name" "FAILED (exit $stage_status)" "$stage_seconds"
        results_failed=$((results_failed + 1))
        summary || true
        exit 1
    fi
    add_row "$name" "done" "$stage_seconds"
}

check() {
    local name="$1"
    run_stage "$@"
    # ctest ends each run with "N% tests passed, F tests failed out of T".
    local totals
    totals="$(sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+)$/\1 \2/p' \
        "$(stage_log "$name")")"
    if [ -z "$totals" ]; then
        if [ "$stage_status" -eq 0 ]; then
            results_passed=$((results_passed + 1))
            add_row "$name" "passed" "$stage_seconds"
        else
            results_failed=$((results_failed + 1))
            add_row "$name" "FAILED (exit $stage_status)" "$stage_seconds"
        fi
        return
    fi
    local passed=0 failed=0 f t
    while read -r f t; do
        passed=$((passed + t - f))
        failed=$((failed + f))
    done <<<"$totals"
    # A step that failed with all its tests passed (a crash, a later command) is one more.
    if [ "$stage_status" -ne 0 ] && [ "$failed" -eq 0 ]; then
        failed=1
    fi
    results_passed=$((results_passed + passed))
    results_failed=$((results_failed + failed))
    add_row "$name" "$passed passed, $failed failed" "$stage_seconds"
    # ctest names each test that failed under "The following tests FAILED:", as "N - NAME (WHY)".
    local test
    while IFS= read -r test; do
        failed_tests+=("$name: $test")
    done < <(sed -n '/^The following tests FAILED:$/,/^[^[:space:]]/s/^[[:space:]]\+[0-9]\+ - //p' \
        "$(stage_log "$name")")
}

counts() {
    count_commands+=("$(printf '%q ' "$@")")
}

summary() {
    local lines=() command output
    for command in "${count_commands[@]}"; do
        output="$(eval "$command" 2>&1)" || true
        while IFS= read -r line; do
            [ -n "$line" ] && lines+=("  $line")
        done <<<"$output"
    done
    echo
    echo "==================================== Summary ===================================="
    echo "Stages                                         results                  time"
    printf '%s\n' "${stage_rows[@]}"
    if [ "${#failed_tests[@]}" -gt 0 ]; then
        echo "Failed tests"
        printf '  %s\n' "${failed_tests[@]}"
    fi
    if [ "${#lines[@]}" -gt 0 ]; then
        echo "Counts"
        printf '%s\n' "${lines[@]}"
    fi
    echo "In all $(duration $((SECONDS - stages_started)))"
    echo "$results_passed passed, $results_failed failed"
    [ "$results_failed" -eq 0 ]
}
