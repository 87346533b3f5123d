#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them, then regenerates BENCHMARKS.md with the figures
# and the machine they were taken on. Run on demand; not part of the test suite.
#
#   scripts/run-benchmarks.sh [REPETITIONS]     (default 15; the refused-lock case runs 5 times)
#
# BENCH_BUILD_DIR picks the build folder (default: the linux-bench preset's, build/linux-bench).
set -euo pipefail
cd "$(dirname "$0")/.."

repetitions="${1:-15}"
refused_repetitions=5
build_dir="${BENCH_BUILD_DIR:-build/linux-bench}"

bash scripts/install-build-deps.sh libbenchmark-dev python3

cmake --preset linux-bench -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target log_line_bench lock_handoff_bench \
    binding_configuration_bench process_run_bench log_reader_bench

results="$build_dir/bench-results"
rm -rf "$results"
mkdir -p "$results"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"

# Repetitions are interleaved at random, so that a burst of load from elsewhere falls on every
# case alike instead of on one.
run() {
    local name="$1"
    shift
    echo "== $name"
    "$build_dir/bench/$name" --benchmark_out="$results/$name.json" --benchmark_out_format=json \
        --benchmark_enable_random_interleaving=true "$@" >/dev/null
}
run log_line_bench --benchmark_repetitions="$repetitions" --benchmark_min_time=0.2
run process_run_bench --benchmark_repetitions="$repetitions" --benchmark_min_time=0.3
run lock_handoff_bench --benchmark_filter=BM_LockHandOff --benchmark_repetitions="$repetitions"
mv "$results/lock_handoff_bench.json" "$results/lock_handoff_bench.handoff.json"
run lock_handoff_bench --benchmark_filter=BM_RefusedLock \
    --benchmark_repetitions="$refused_repetitions"
mv "$results/lock_handoff_bench.json" "$results/lock_handoff_bench.refused.json"
run binding_configuration_bench --benchmark_repetitions="$repetitions" --benchmark_min_time=0.3
# The log reader is timed as a process on logs of up to 1 GB made on the fly: three repetitions
# (the 1 GB ones once) keep it within a few minutes.
echo "== log_reader_bench"
"$build_dir/bench/log_reader_bench" --out "$results/log_reader_bench.json" --repetitions 3

load_after="$(cut -d' ' -f1-3 /proc/loadavg)"
python3 bench/report_benchmarks.py "$results" "$load_before" "$load_after" "$repetitions" \
    "$(g++ --version | head -1)" >BENCHMARKS.md
echo "BENCHMARKS.md regenerated"
