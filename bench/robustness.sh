#!/usr/bin/env bash
# The robustness benchmark: writes the large and hostile files (`lumory-bench hostile`), renders
# each one's thumbnail and asks for its viewer image as the program does (`lumory-bench thumbs --each`)
# and checks that every file answers within LIMIT_MS with a peak memory under LIMIT_MB
# above the start. Exits non-zero when a file breaks a bound.
#
# Usage: bench/robustness.sh [DIR]     (DIR: where the files go; a temporary folder by default)
#   env: BENCH (default build/bench/lumory-bench), LIMIT_MS (2000), LIMIT_MB (1024)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
BENCH=${BENCH:-$here/../build/bench/lumory-bench}
LIMIT_MS=${LIMIT_MS:-2000}
LIMIT_MB=${LIMIT_MB:-1024}
[ -x "$BENCH" ] || { echo "lumory-bench not found at $BENCH (build the lumory-bench target)" >&2; exit 1; }

dir=${1:-}
if [ -z "$dir" ]; then
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
fi
export QT_QPA_PLATFORM=offscreen

echo "== files"
"$BENCH" hostile "$dir"
echo "== lumory-bench thumbs $dir --each"
report=$("$BENCH" thumbs "$dir" --each)
echo "$report"
# Lines: NAME  thumbnail ms T  viewer ms V  peak MB above start P  OUTCOME
echo "$report" | awk -v ms="$LIMIT_MS" -v mb="$LIMIT_MB" '
    / thumbnail ms / {
        files++
        if ($4 > ms || $7 > ms || $12 > mb) { print "OVER BOUND: " $0; bad++ }
    }
    END {
        printf "%d files, bounds %d ms and %d MB: %s\n", files, ms, mb, bad ? bad " over" : "all within"
        exit bad ? 1 : 0
    }'
