#!/usr/bin/env bash
# Sets up the machine, builds Lumory and runs it, on FOLDER when one is given.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
"$here/build.sh"
exec "$here/../${BUILD_DIR:-build}/lumory" "$@"
