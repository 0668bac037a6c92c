#!/usr/bin/env bash
# Packs BUILD with CPack, unpacks the .deb into a scratch root and checks what a desktop needs:
# the files, that the desktop entry and the metainfo validate, that the dependencies were read off
# the binary, and that every library the binary needs resolves.
set -euo pipefail
build="$1" scratch="$2"
rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/out/barquill_*_"$(dpkg --print-architecture)".deb)
[ -f "${debs[0]}" ] || { ls "$scratch/out"; echo "FAIL: no barquill_<version>_<arch>.deb"; exit 1; }
deb="${debs[0]}"
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root"

for file in usr/bin/barquill usr/share/applications/barquill.desktop usr/share/metainfo/app.barquill.Barquill.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/barquill.svg usr/share/icons/hicolor/48x48/apps/barquill.png \
    usr/share/icons/hicolor/128x128/apps/barquill.png usr/share/icons/hicolor/256x256/apps/barquill.png \
    usr/share/mime/packages/barquill.xml usr/share/doc/barquill/copyright; do
    [ -s "$root/$file" ] || fail "missing $file"
done
for size in 48 128 256; do
    file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/barquill.png" | grep -q "$size x $size" ||
        fail "the ${size}px icon is not ${size}x${size}"
done

desktop-file-validate "$root/usr/share/applications/barquill.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/app.barquill.Barquill.metainfo.xml" || fail "appstreamcli validate"
grep -q '<mediatype>audio/x-caf</mediatype>' "$root/usr/share/metainfo/app.barquill.Barquill.metainfo.xml" ||
    fail "the metainfo does not list the MIME types"

depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libportaudio2 libsndfile1 libsoxr0 librubberband2 libpulse0 libqt6widgets6 libqt6network6 libc6; do
    [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

missing="$(ldd "$root/usr/bin/barquill" | grep 'not found' || true)"
[ -z "$missing" ] || fail "unresolved libraries: $missing"
version="$(env -u DISPLAY "$root/usr/bin/barquill" --version)"
[[ "$version" == "Barquill "* ]] || fail "--version printed: $version"

[ "$failures" -eq 0 ] && echo "package OK: $(basename "$deb")"
exit "$failures"
