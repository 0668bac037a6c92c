#!/usr/bin/env bash
# Builds Release and writes barquill_<version>_<arch>.deb (into the folder given, else the
# repository's root). Its dependencies are read off the binary by dpkg-shlibdeps.
#   sudo apt-get install ./barquill_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath "${1:-$root}")"
"$root/scripts/setup.sh"

build="$root/build-package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBARQUILL_TESTS=OFF -DBARQUILL_BENCH=OFF >/dev/null
cmake --build "$build" --target barquill
staging="$(mktemp -d)"
trap 'rm -rf "$staging"' EXIT
(cd "$build" && cpack -G DEB -B "$staging" >/dev/null)
mv "$staging"/barquill_*.deb "$out/"
ls "$out"/barquill_*.deb
