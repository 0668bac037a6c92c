#!/usr/bin/env bash
# Long files (a DJ set, a long recording): 5, 15 and 60 minutes of 44.1 kHz stereo flac and mp3.
# Every figure is a ratio against a reference measured in the same run, whole process against whole
# process:
#  - open -> bars: `barquill-probe open F` (decode, peaks and bar analysis through the document, as the
#    app opens a file) against `ffmpeg -i F -f f32le /dev/null` (decode only). Target <= 1.10.
#  - peak resident memory over the PCM size (frames x channels x 4 B) of `barquill-probe analyze`,
#    `transients` and `oneshots` on the 60-minute flac, and of the document loaded, playing and
#    reversed (`barquill-probe open F --play`).
#  - `aubio tempo` / `aubio onset` (which decode the file themselves) against `barquill-probe analyze` /
#    `transients` on the same 5-minute WAV, when aubio is installed.
# The fixtures are made here once (ffmpeg) and kept in the bench data folder. Heavy: run it alone.
# Usage: run.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: run.sh BUILD_DIR}"
probe="$build/bin/barquill-probe"
[ -x "$probe" ] || { echo "long-file bench: $probe is missing" >&2; exit 1; }
data="${BARQUILL_BENCH_DIR:-$build/bench-data}/long"
mkdir -p "$data"
runs="${BARQUILL_BENCH_RUNS:-3}"
minutes_list="${BARQUILL_BENCH_MINUTES:-5 15 60}"
export XDG_CONFIG_HOME="$data/config" # the probe's document must not touch the user's settings

# 120 BPM: a decaying 55 Hz kick on every beat, a tick between (2.2 kHz left, 3.1 kHz right), eight
# seconds of it looped under pink noise, so the mix is a real mean and the encoders have work to do.
clip="$data/8s-44100-2-pattern.wav"
[ -f "$clip" ] || ffmpeg -nostdin -v error -y -f lavfi -i "aevalsrc=exprs='0.6*sin(2*PI*55*t)*exp(-25*mod(t,0.5))+0.2*sin(2*PI*2200*t)*exp(-60*mod(t+0.25,0.5))|0.5*sin(2*PI*55*t)*exp(-25*mod(t,0.5))+0.25*sin(2*PI*3100*t)*exp(-60*mod(t+0.25,0.5))':s=44100:d=8" "$clip"
make_file() { # seconds, target, codec arguments
    local seconds="$1" target="$2"; shift 2
    [ -f "$target" ] && return
    ffmpeg -nostdin -v error -y -stream_loop -1 -i "$clip" \
        -f lavfi -i "anoisesrc=color=pink:amplitude=0.03:sample_rate=44100:duration=$seconds" \
        -filter_complex "[1]pan=stereo|c0=c0|c1=c0[n];[0][n]amix=inputs=2:normalize=0" -t "$seconds" \
        "$@" "$target.tmp.${target##*.}"
    mv "$target.tmp.${target##*.}" "$target"
}
longest=0
for m in $minutes_list; do
    (( m > longest )) && longest=$m
    make_file $(( m * 60 )) "$data/${m}min-44100-2.flac" -c:a flac
    make_file $(( m * 60 )) "$data/${m}min-44100-2.mp3" -c:a libmp3lame -b:a 192k
done
tiny="$data/1s-44100-2.wav"
[ -f "$tiny" ] || ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=1" -ac 2 "$tiny"

now() { date +%s%N; }
# Runs a command once; prints "wall-microseconds max-rss-kilobytes". Its stdout goes to $last_out.
last_out="$(mktemp)"
trap 'rm -f "$last_out"' EXIT
measure() {
    local stats start end
    stats="$(mktemp)"
    start=$(now)
    /usr/bin/time -f "%M" -o "$stats" "$@" >"$last_out" 2>/dev/null </dev/null || true
    end=$(now)
    echo "$(( (end - start) / 1000 )) $(tail -n1 "$stats")"
    rm -f "$stats"
}
json_number() { grep -o "\"$1\":[-0-9.e]*" "$last_out" | head -n1 | cut -d: -f2; }

echo "open -> bars, whole process against ffmpeg decoding the same file to /dev/null (target <= 1.10):"
for m in $minutes_list; do
    for ext in flac mp3; do
        file="$data/${m}min-44100-2.$ext"
        n=$runs; (( m >= 60 )) && n=1
        best_ours=0 best_ref=0
        # Alternate the two so both see the same machine load; keep each one's best time.
        for _ in $(seq "$n"); do
            read -r us_ref _ < <(measure ffmpeg -v error -i "$file" -f f32le -y /dev/null)
            read -r us_ours _ < <(measure "$probe" open "$file")
            (( best_ref == 0 || us_ref < best_ref )) && best_ref=$us_ref
            (( best_ours == 0 || us_ours < best_ours )) && best_ours=$us_ours
        done
        bars=$(json_number bars)
        awk -v m="$m" -v ext="$ext" -v ours="$best_ours" -v ref="$best_ref" -v bars="${bars:-0}" 'BEGIN {
            r = ours / ref
            printf "  %2d min %-4s: barquill %.2f s (%d bars), ffmpeg %.2f s, ratio %.2f %s\n",
                m, ext, ours / 1e6, bars, ref / 1e6, r, r <= 1.10 ? "ok" : "SLOW" }'
    done
done

big="$data/${longest}min-44100-2.flac"
read -r _ base_kb < <(measure "$probe" decode "$tiny")
"$probe" decode "$big" >"$last_out"
frames=$(json_number frameLength)
channels=$(json_number channelCount)
pcm_kb=$(( frames * channels * 4 / 1024 ))
echo "peak resident memory on the ${longest}-minute flac over its $(( pcm_kb / 1024 )) MB of PCM (baseline: the probe on a 1 s file, $(( base_kb / 1024 )) MB):"
report_memory() { # label, peak kB, factor target, MB allowance
    awk -v name="$1" -v peak="$2" -v base="$base_kb" -v pcm="$pcm_kb" -v factor="$3" -v extra="$4" 'BEGIN {
        over = (peak - base) / pcm; limit = factor + extra * 1024 / pcm
        printf "  %-26s %6.0f MB = %.2fx PCM (+%.0f MB baseline), %.2f B per channel-sample; target <= %.2fx + %d MB %s\n",
            name, peak / 1024, over, base / 1024, over * 4, factor, extra, over <= limit ? "ok" : "OVER" }'
}
read -r _ kb < <(measure "$probe" analyze "$big");    report_memory "analyze" "$kb" 1.10 100
read -r _ kb < <(measure "$probe" transients "$big"); report_memory "transients" "$kb" 1.25 100
out_dir="$(mktemp -d)"
read -r _ kb < <(measure "$probe" oneshots "$big" --out "$out_dir"); report_memory "oneshots" "$kb" 1.25 100
rm -rf "$out_dir"
"$probe" open "$big" --play >"$last_out"
loaded=$(json_number loaded); playing=$(json_number playing); reversed=$(json_number reversed)
awk -v l="${loaded:-0}" -v p="${playing:-0}" -v r="${reversed:-0}" -v pcm="$pcm_kb" 'BEGIN {
    pcm /= 1024
    printf "  document: loaded %.0f MB, playing %.0f MB (+%.0f MB, target <= +100 %s), reversed %.0f MB = %.2fx PCM (target <= 2x + 150 MB %s)\n",
        l, p, p - l, p - l <= 100 ? "ok" : "OVER", r, r / pcm, r <= 2 * pcm + 150 ? "ok" : "OVER" }'

if command -v aubio >/dev/null 2>&1; then
    five="$data/5min-44100-2.wav"
    [ -f "$five" ] || ffmpeg -nostdin -v error -y -i "$data/5min-44100-2.flac" "$five"
    echo "against aubio, whole process each, same 5-minute WAV (each decodes it itself):"
    for pair in "tempo analyze" "onset transients"; do
        set -- $pair
        best_ours=0 best_ref=0
        for _ in $(seq "$runs"); do
            read -r us_ref _ < <(measure aubio "$1" -i "$five")
            read -r us_ours _ < <(measure "$probe" "$2" "$five")
            (( best_ref == 0 || us_ref < best_ref )) && best_ref=$us_ref
            (( best_ours == 0 || us_ours < best_ours )) && best_ours=$us_ours
        done
        awk -v a="$1" -v b="$2" -v ours="$best_ours" -v ref="$best_ref" 'BEGIN {
            printf "  barquill-probe %-10s %.2f s, aubio %-5s %.2f s: barquill takes %.2fx its time\n", b, ours / 1e6, a, ref / 1e6, ours / ref }'
    done
else
    echo "aubio is not installed: no whole-process comparison with aubio"
fi
exit 0
