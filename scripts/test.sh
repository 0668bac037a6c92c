#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan,
# and runs every test. Any sanitizer report fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBARQUILL_SANITIZE=ON -DBARQUILL_BENCH=OFF >/dev/null
cmake --build "$build"

# Tests never touch the real home or config folder.
sandbox="$(mktemp -d /tmp/barquill-test-home.XXXXXX)"
trap 'rm -rf "$sandbox"' EXIT
export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" \
    XDG_CACHE_HOME="$sandbox/cache" XDG_RUNTIME_DIR="$sandbox/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export BARQUILL_FIXTURE_DIR="$build/fixtures"
mkdir -p "$BARQUILL_FIXTURE_DIR"

export QT_QPA_PLATFORM=offscreen
# Leaks inside ALSA's dlopen'ed plugins are only recognised with full unwinding.
export ASAN_OPTIONS="fast_unwind_on_malloc=0:allocator_may_return_null=1:detect_leaks=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Keep PortAudio from trying to start a JACK server.
export JACK_NO_START_SERVER=1

cd "$build"
ctest --output-on-failure -j2 "$@"
