#!/usr/bin/env bash
# Lists one folder tree with find(1) and with lumory-bench list (the program's own walk and
# item creation, every level) in the same run, warm cache (each runs once first), alternating
# ROUNDS times; prints the best and the median of each and the ratio of the best times.
# "walk" is lumory-bench's own clock from start to the final message, without its process
# start-up; "process" is the whole lumory-bench run, as find's time is.
#
# Usage: bench/compare-listing.sh DIR [BUILD_DIR]   (BUILD_DIR defaults to ./build; ROUNDS=5)
set -euo pipefail

dir=${1:?usage: compare-listing.sh DIR [BUILD_DIR]}
bench=${2:-build}/bench/lumory-bench
rounds=${ROUNDS:-5}
[ -x "$bench" ] || { echo "no $bench: build the lumory-bench target first" >&2; exit 1; }

now() { date +%s.%N; }
find "$dir" -printf '%s %T@ %y\n' >/dev/null
"$bench" list "$dir" --depth -1 >/dev/null 2>&1

find_times=() process_times=() walk_times=()
for ((i = 0; i < rounds; i++)); do
    start=$(now); find "$dir" -printf '%s %T@ %y\n' >/dev/null; end=$(now)
    find_times+=("$(echo "$end - $start" | bc -l)")
    start=$(now); line=$("$bench" list "$dir" --depth -1 2>&1 >/dev/null | grep '^items'); end=$(now)
    process_times+=("$(echo "$end - $start" | bc -l)")
    walk_times+=("$(sed -E 's/.*listing ([0-9.e-]+) s.*/\1/' <<<"$line")")
done

best() { printf '%s\n' "$@" | sort -g | head -1; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
fb=$(best "${find_times[@]}") pb=$(best "${process_times[@]}") wb=$(best "${walk_times[@]}")

echo "tree: $dir   rounds: $rounds   last run: $line"
printf 'find -printf "%%s %%T@ %%y"   best %.3f s   median %.3f s\n' "$fb" "$(median "${find_times[@]}")"
printf 'lumory-bench list, walk      best %.3f s   median %.3f s   ratio to find %.2f\n' \
    "$wb" "$(median "${walk_times[@]}")" "$(echo "$wb / $fb" | bc -l)"
printf 'lumory-bench list, process   best %.3f s   median %.3f s   ratio to find %.2f\n' \
    "$pb" "$(median "${process_times[@]}")" "$(echo "$pb / $fb" | bc -l)"
