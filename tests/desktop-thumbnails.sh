#!/usr/bin/env bash
# The thumbnails Lumory writes are the desktop's own: started on a folder, the program leaves a
# thumbnail that GLib (as every file manager does) finds for the file and judges valid; once the
# file changes, GLib judges it outdated. The name holds a space and non-ASCII characters, so
# Lumory's URI escaping must agree with GLib's for the entry to be found at all.
# Usage: desktop-thumbnails.sh LUMORY. Exits 77 (skipped) when gio or ffmpeg is missing.
set -euo pipefail
lumory=$1
for tool in gio ffmpeg; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export HOME=$work/home XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/photos"
chmod 700 "$XDG_RUNTIME_DIR"
photo="$work/photos/a photo ü 50%.png"
# A PNG is decoded in full, the kind of render that is written to the shared cache.
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=1280x720 -frames:v 1 "$photo"

"$lumory" "$work/photos" >"$work/lumory.log" 2>&1 &
pid=$!
entry=
for _ in $(seq 300); do
    entry=$(find "$XDG_CACHE_HOME/thumbnails" -name '*.png' -path '*large/*' 2>/dev/null | head -n 1 || true)
    [ -n "$entry" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: lumory ended early"; cat "$work/lumory.log"; exit 1; }
    sleep 0.1
done
[ -n "$entry" ] || { echo "FAIL: no thumbnail was written in 30 s"; cat "$work/lumory.log"; exit 1; }

attribute() { gio info -a "thumbnail::$1" "$photo" | sed -n "s/^ *thumbnail::$1: //p"; }
found=$(attribute path)
valid=$(attribute is-valid)
echo "written: $entry"
echo "gio: thumbnail::path $found, thumbnail::is-valid $valid"
[ "$found" = "$entry" ] || { echo "FAIL: gio names another thumbnail (or none)"; exit 1; }
[ "$valid" = TRUE ] || { echo "FAIL: gio does not take Lumory's thumbnail as valid"; exit 1; }

touch -d '+1 minute' "$photo"
valid=$(attribute is-valid)
echo "after the file changed: thumbnail::is-valid $valid"
[ "$valid" = FALSE ] || { echo "FAIL: an outdated thumbnail is taken as valid"; exit 1; }
echo "PASS"
