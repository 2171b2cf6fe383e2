#!/usr/bin/env bash
# Lumory's thumbnail rendering side by side with the established tools, in one run, on the same
# files, one thread each:
#   JPEG and PNG  vipsthumbnail (one process over all files, VIPS_CONCURRENCY=1), and for JPEG the
#                 decode floor (libjpeg-turbo at the DCT scale Qt's scaled reader would pick)
#   video         ffmpegthumbnailer -t 50%, one process per file
#   PDF           pdftoppm -scale-to, one process per file
# Lumory's figures come from `lumory-bench thumbs` (the real loadThumbnailForCollectionView),
# through the full-decode path (--hq) and through the default embedded-preview path.
#
# Usage: bench/compare-thumbnails.sh DIR [DIR...]
#   env: SIZE (default 288), BENCH (default build/bench/lumory-bench), ROUNDS (default 3: every
#        measurement is repeated and the best round counts, which keeps a busy machine's noise out)
# Needs, for the comparisons only (not part of the project's set-up):
#   apt-get install libvips-tools ffmpegthumbnailer poppler-utils
set -euo pipefail

SIZE=${SIZE:-288}
ROUNDS=${ROUNDS:-3}
export VIPS_CONCURRENCY=1
here=$(cd "$(dirname "$0")" && pwd)
BENCH=${BENCH:-$here/../build/bench/lumory-bench}
[ -x "$BENCH" ] || { echo "lumory-bench not found at $BENCH (build the lumory-bench target)" >&2; exit 1; }
[ $# -gt 0 ] || { echo "usage: $0 DIR [DIR...]" >&2; exit 2; }
have() { command -v "$1" >/dev/null || { echo "   ($1 missing: $2; comparison skipped)"; return 1; }; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
ms_per() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.3f", (b - a) * 1000 / n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
# ms/file of one MIME type in `lumory-bench thumbs` reports: the best round
lumory_ms() { cat "$2".* | awk -v t="$1" '$1 == t && (best == "" || $7 < best) { best = $7 } END { print best }'; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
# ms per file of a command over n files: the best of ROUNDS runs
time_rounds() {
    local n=$1 r t0 t1 results=()
    shift
    for r in $(seq "$ROUNDS"); do t0=$(now); "$@"; t1=$(now); results+=("$(ms_per "$t0" "$t1" "$n")"); done
    best "${results[@]}"
}
files_of() { find "$1" -maxdepth 1 -type f \( "${@:2}" \) | sort; }

for dir in "$@"; do
    echo "== $dir  (S = $SIZE)"
    for r in $(seq "$ROUNDS"); do
        QT_QPA_PLATFORM=offscreen "$BENCH" thumbs "$dir" --size "$SIZE" --hq 2>/dev/null | tee "$work/hq.txt.$r"
        QT_QPA_PLATFORM=offscreen "$BENCH" thumbs "$dir" --size "$SIZE" 2>/dev/null | tee "$work/default.txt.$r"
    done

    mapfile -t jpegs < <(files_of "$dir" -iname '*.jpg' -o -iname '*.jpeg')
    if [ ${#jpegs[@]} -gt 0 ]; then
        full=$(lumory_ms image/jpeg "$work/hq.txt"); embedded=$(lumory_ms image/jpeg "$work/default.txt")
        floors=()
        for r in $(seq "$ROUNDS"); do
            floors+=("$(QT_QPA_PLATFORM=offscreen "$BENCH" jpegfloor "$dir" --size "$SIZE" 2>/dev/null | awk '{ print $(NF-2) }')")
        done
        floor=$(best "${floors[@]}")
        echo "JPEG  lumory full decode $full ms, decode floor $floor ms: $(ratio "$full" "$floor") x the floor (goal <= 1.15)"
        echo "JPEG  embedded preview $embedded ms: full decode / embedded = $(ratio "$full" "$embedded") (goal >= 50)"
        if have vipsthumbnail libvips-tools; then
            vips=$(time_rounds ${#jpegs[@]} vipsthumbnail -s "$SIZE" -o "$work/%s.jpg" "${jpegs[@]}")
            echo "JPEG  vipsthumbnail $vips ms: lumory throughput = $(ratio "$vips" "$full") x vipsthumbnail (goal >= 1.3)"
        fi
    fi

    mapfile -t pngs < <(files_of "$dir" -iname '*.png')
    if [ ${#pngs[@]} -gt 0 ] && have vipsthumbnail libvips-tools; then
        ours=$(lumory_ms image/png "$work/default.txt")
        vips=$(time_rounds ${#pngs[@]} vipsthumbnail -s "$SIZE" -o "$work/%s.png" "${pngs[@]}")
        echo "PNG   lumory $ours ms, vipsthumbnail $vips ms: lumory throughput = $(ratio "$vips" "$ours") x vipsthumbnail (goal >= 1.2)"
    fi

    mapfile -t videos < <(files_of "$dir" -iname '*.mp4' -o -iname '*.m4v' -o -iname '*.mov')
    if [ ${#videos[@]} -gt 0 ] && have ffmpegthumbnailer ffmpegthumbnailer; then
        ours=$(lumory_ms video/mp4 "$work/default.txt")
        thumbnail_videos() { for v in "${videos[@]}"; do ffmpegthumbnailer -i "$v" -o "$work/v.png" -s "$SIZE" -t 50% >/dev/null 2>&1; done; }
        reference=$(time_rounds ${#videos[@]} thumbnail_videos)
        echo "VIDEO lumory $ours ms, ffmpegthumbnailer $reference ms: lumory time = $(ratio "$ours" "$reference") x ffmpegthumbnailer (goal <= 0.3)"
    fi

    mapfile -t pdfs < <(files_of "$dir" -iname '*.pdf')
    if [ ${#pdfs[@]} -gt 0 ] && have pdftoppm poppler-utils; then
        ours=$(lumory_ms application/pdf "$work/default.txt")
        render_pdfs() { for p in "${pdfs[@]}"; do pdftoppm -f 1 -l 1 -singlefile -scale-to "$SIZE" -png "$p" "$work/p"; done; }
        reference=$(time_rounds ${#pdfs[@]} render_pdfs)
        echo "PDF   lumory $ours ms, pdftoppm $reference ms: lumory time = $(ratio "$ours" "$reference") x pdftoppm (goal <= 1.0)"
    fi
done
