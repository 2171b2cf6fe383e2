#!/usr/bin/env bash
# Fuzzes every decoder entry point for a while: builds the libFuzzer targets with clang
# (AddressSanitizer and UBSan) in build-fuzz/, makes the seed corpus from the tests' fixture
# makers, and runs each target for FUZZ_SECONDS (default 60). Exits non-zero when any target
# finds a crash, a leak, a timeout, an out-of-memory or a sanitizer report; what it found is left
# in build-fuzz/findings/TARGET/.
#
# Usage: scripts/fuzz.sh [TARGET...]        (default: all of them; names as in fuzz/CMakeLists.txt)
#   env: FUZZ_SECONDS (60), FUZZ_BUILD (build-fuzz), FUZZ_TIMEOUT (seconds one input may take, 25),
#        CC and CXX (clang-14, clang++-14)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-$here/build-fuzz}
timeout=${FUZZ_TIMEOUT:-25}

CC=${CC:-clang-14} CXX=${CXX:-clang++-14} cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORY_FUZZ=ON >/dev/null
cmake --build "$build"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=()
    for t in "$build"/fuzz/fuzz_*; do
        if [ -f "$t" ] && [ -x "$t" ]; then targets+=("$(basename "$t" | sed 's/^fuzz_//')"); fi
    done
fi

seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/lumory-fuzz-seeds" "$seeds"

# Decoders that fail an input allocate, parse and give up; leaks are reported, and one input
# may take FUZZ_TIMEOUT seconds on a loaded machine under the sanitizers before it counts.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/fuzz/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="$build/findings/$target.log"
    printf '== %-6s %ss ... ' "$target" "$seconds"
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2560 \
            -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        echo "clean, ${runs:-?} executions"
    else
        echo "FOUND something: $log"
        grep -m 5 -E 'ERROR|runtime error|Timeout|out-of-memory|leak' "$log" || true
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}"
    exit 1
fi
echo "fuzzing clean: ${#targets[@]} targets, ${seconds}s each"
