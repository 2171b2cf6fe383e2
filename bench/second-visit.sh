#!/usr/bin/env bash
# The second visit to a folder: `lumory-bench open` run twice in separate processes over the same
# folder with a private, empty shared thumbnail cache, three times; prints both runs' "every
# visible thumbnail drawn" and their ratio. Without DIR arguments it makes the two standard
# folders first (200 1080p PNGs and 20 four-second 1080p H.264 clips, deterministic, with ffmpeg)
# in CORPUS (default /tmp/lumory-cache-corpus).
#
# Usage: bench/second-visit.sh [DIR...]    env: BENCH (default build/bench/lumory-bench)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
BENCH=${BENCH:-$here/../build/bench/lumory-bench}
[ -x "$BENCH" ] || { echo "lumory-bench not found at $BENCH (build the lumory-bench target)" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen

dirs=("$@")
if [ ${#dirs[@]} -eq 0 ]; then
    corpus=${CORPUS:-/tmp/lumory-cache-corpus}
    mkdir -p "$corpus/png" "$corpus/video"
    [ -f "$corpus/png/.done" ] || { ffmpeg -nostdin -loglevel error -y -f lavfi \
        -i "testsrc2=size=480x270:rate=25,scale=1920:1080:flags=bicubic,noise=alls=10:allf=t+u" \
        -frames:v 200 -pix_fmt rgb24 -compression_level 6 "$corpus/png/png_%04d.png" && touch "$corpus/png/.done"; }
    for i in $(seq 1 20); do
        [ -f "$corpus/video/clip_$i.mp4" ] || ffmpeg -nostdin -loglevel error -y -f lavfi \
            -i "testsrc2=size=1920x1080:rate=30,noise=alls=6:allf=t+u" -t 4 -c:v libx264 -preset veryfast \
            -g 45 -pix_fmt yuv420p -b:v 8M -threads 1 "$corpus/video/clip_$i.mp4"
    done
    dirs=("$corpus/png" "$corpus/video")
fi

cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
drawn() { awk '/every visible thumbnail drawn/ {print $5} /after the listing/ {print $5}' | paste -sd' '; }
for dir in "${dirs[@]}"; do
    for round in 1 2 3; do
        rm -rf "${cache:?}"/*
        first=$(XDG_CACHE_HOME=$cache "$BENCH" open "$dir" 2>/dev/null | drawn)
        second=$(XDG_CACHE_HOME=$cache "$BENCH" open "$dir" 2>/dev/null | drawn)
        set -- $first $second
        printf '%s round %d: first %s s, second %s s (%s s after the listing), %.1fx sooner\n' \
            "$dir" "$round" "$1" "$3" "$4" "$(awk -v a="$1" -v b="$3" 'BEGIN {print a / b}')"
    done
done
