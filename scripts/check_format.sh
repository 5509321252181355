#!/bin/sh
# Fails when clang-format-14 would lay out any C or C++ file of the project otherwise than it is, and
# names the files and the command that fixes them. Pinned to version 14, Debian 12's: other versions
# lay out the same rules differently.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
FORMAT=$(command -v clang-format-14 || true)
[ -n "$FORMAT" ] || { echo "check_format: clang-format-14 is missing (scripts/setup.sh installs it)"; exit 1; }
cd "$ROOT"
files=$(git ls-files 'app/*.[ch]*' 'bench/*.[ch]*' 'browse/*.[ch]*' 'cli/*.[ch]*' 'clipboard/*.[ch]*' 'core/*.[ch]*' \
    'dialogs/*.[ch]*' 'fuzz/*.[ch]*' 'platform/*.[ch]*' 'settings/*.[ch]*' 'tests/*.[ch]*' 'ui/*.[ch]*' |
    grep -E '\.(cpp|h|c)$')
# shellcheck disable=SC2086
changed=$("$FORMAT" --dry-run $files 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$changed" ]; then
    echo "check_format: clang-format-14 would change these files:"
    printf '  %s\n' $changed
    echo "check_format: fix them with: cmake --build build --target format"
    exit 1
fi
echo "check_format: every file is laid out as .clang-format says"
