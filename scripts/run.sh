#!/bin/sh
# Sets everything up, builds, and starts Mox-Tal, optionally on a folder (or a file's folder).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh" "$ROOT/build"
if [ -x "$ROOT/build/app/moxtal" ]; then
    exec "$ROOT/build/app/moxtal" "$@"
fi
exec "$ROOT/build/cli/moxtal-cli" "${@:-.}"
