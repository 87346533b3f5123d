#!/usr/bin/env bash
# Builds the libFuzzer targets (linux-fuzz preset) and runs each for a bounded time, starting from
# the seed corpus in fuzz/corpus. Fails on any crash, leak, timeout or out-of-memory. The log
# reader's inputs may be up to 256 KiB long, so that lines beyond its 64 KiB cut are tried.
#   FUZZ_SECONDS    seconds per target (default 60)
#   FUZZ_BUILD_DIR  where to build (default the preset's build/linux-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD_DIR:-build/linux-fuzz}"
cmake --preset linux-fuzz -B "$build" >/dev/null
cmake --build "$build" -j2 --target fuzz_store_reader fuzz_inf_reader fuzz_log_reader

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for reader in store inf log; do
    target="$build/fuzz/fuzz_${reader}_reader"
    max_len=4096
    if [ "$reader" = log ]; then
        max_len=262144
    fi
    # New inputs go to a scratch corpus, so that the repository's seeds stay as they are.
    mkdir -p "$work/$reader" "$work/$reader-artifacts"
    output="$work/$reader.log"
    if ! "$target" "$work/$reader" "fuzz/corpus/$reader" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
        -artifact_prefix="$work/$reader-artifacts/" -print_final_stats=1 >"$output" 2>&1; then
        tail -n 60 "$output"
        echo "fuzz_${reader}_reader: FAILED; the input that failed:"
        for artifact in "$work/$reader-artifacts"/*; do
            [ -e "$artifact" ] && od -c "$artifact" | head -n 40
        done
        status=1
        continue
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$output")"
    echo "fuzz_${reader}_reader: ${runs:-?} fuzz executions in ${seconds} s, no crash, leak or hang"
done
exit "$status"
