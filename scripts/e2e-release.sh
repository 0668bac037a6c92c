#!/usr/bin/env bash
# Builds the app and the end-to-end suite optimised (Release, no sanitizers) and runs the suite:
# the real app is far faster there, which shows timing faults the sanitizer build hides.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

build="$root/build-release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBARQUILL_BENCH=OFF >/dev/null
cmake --build "$build" --target barquill e2e_tests

export BARQUILL_TEST_SANDBOX="$(mktemp -d /tmp/barquill-test-home.XXXXXX)"
trap 'rm -rf "$BARQUILL_TEST_SANDBOX"' EXIT
# shellcheck source=scripts/testenv.sh
source "$root/scripts/testenv.sh"

cd "$build"
ctest --output-on-failure -L e2e "$@"
