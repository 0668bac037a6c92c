#!/usr/bin/env bash
# Builds Release with the benchmarks and runs each, printing ratios against
# references measured in the same run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBARQUILL_TESTS=OFF -DBARQUILL_BENCH=ON >/dev/null
cmake --build "$build"
export BARQUILL_BENCH_DIR="$build/bench-data"
mkdir -p "$BARQUILL_BENCH_DIR"
export JACK_NO_START_SERVER=1 QT_QPA_PLATFORM=offscreen
for script in "$root"/bench/*/run.sh; do
    [ -f "$script" ] || continue
    echo "== $(basename "$(dirname "$script")") =="
    bash "$script" "$build"
done
for exe in "$build"/bin/bench_*; do
    [ -x "$exe" ] || continue
    echo "== $(basename "$exe") =="
    "$exe"
done
