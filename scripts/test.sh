#!/usr/bin/env bash
# Sets up the machine, builds Lumory and runs every test, headless (no display needed).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
"$here/build.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure "$@"
