#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan,
# and runs every test. Any sanitizer report fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBARQUILL_SANITIZE=ON -DBARQUILL_BENCH=OFF >/dev/null
cmake --build "$build"

export BARQUILL_TEST_SANDBOX="$(mktemp -d /tmp/barquill-test-home.XXXXXX)"
trap 'rm -rf "$BARQUILL_TEST_SANDBOX"' EXIT
# shellcheck source=scripts/testenv.sh
source "$root/scripts/testenv.sh"

cd "$build"
ctest --output-on-failure -j2 "$@"
