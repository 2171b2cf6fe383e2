#!/usr/bin/env bash
# Sets up the machine, builds Lumory and runs every test, headless (no display needed); then
# builds the program library and the tests again with AddressSanitizer and UBSan in a second
# build folder and runs the whole suite there. LUMORY_SANITIZERS=off skips that second stage.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
"$here/build.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure "$@"

sanitizers=${LUMORY_SANITIZERS:-address,undefined}
if [[ "$sanitizers" == off ]]; then
    exit 0
fi
sanitize_dir=${SANITIZE_BUILD_DIR:-build-sanitize}
# The benchmark is left out: it is measured, never tested. Less optimisation and only line
# tables for debugging keep the second compilation short; the stack traces keep their lines.
BUILD_DIR="$sanitize_dir" "$here/build.sh" -DLUMORY_SANITIZE="$sanitizers" -DLUMORY_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
# Any report fails the test it happens in. Leaks are not looked for: the system libraries the
# tests run on (GLib, PulseAudio, Wayland, Qt's platform plugins) keep allocations to the end of
# the process that LeakSanitizer reports, and without their symbols the reports cannot be told
# from the program's own. Strict string checks are off: libxkbcommon passes strndup buffers that
# are not NUL-terminated, which the C library allows.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0:check_initialization_order=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$sanitize_dir" --output-on-failure "$@"
