#!/usr/bin/env bash
# Installs what is missing, builds a Release build and starts Barquill.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBARQUILL_TESTS=OFF -DBARQUILL_BENCH=OFF >/dev/null
cmake --build "$build" --target barquill

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "Barquill needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run it from a desktop session, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
export JACK_NO_START_SERVER=1
exec "$build/bin/barquill" "$@"
