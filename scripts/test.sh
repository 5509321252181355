#!/bin/sh
# Sets everything up, checks the layout of the code, then builds and runs every test twice: a normal build and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer; then the tests of the threaded listing and
# collation in a small ThreadSanitizer build; then runs each fuzz target for a few seconds.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=$(nproc)

"$ROOT/scripts/setup.sh" "$ROOT/build"
# The layout of every C and C++ file, as .clang-format says (clang-format-14).
"$ROOT/scripts/check_format.sh"
ctest --test-dir "$ROOT/build" --output-on-failure -j"$JOBS"

"$ROOT/scripts/setup.sh" "$ROOT/build-sanitize" -DMOXTAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$ROOT/build-sanitize" --output-on-failure -j"$JOBS"
# ThreadSanitizer: only core/, platform/ and the listing's tests are built; a race fails the run.
"$ROOT/scripts/setup.sh" "$ROOT/build-tsan" -DMOXTAL_TSAN=ON -DCMAKE_BUILD_TYPE=Debug
TSAN_OPTIONS="halt_on_error=1:suppressions=$ROOT/tests/tsan.supp" \
    ctest --test-dir "$ROOT/build-tsan" --output-on-failure -j"$JOBS"
# The fuzz targets of the core, briefly: longer runs with scripts/fuzz.sh SECONDS.
"$ROOT/scripts/fuzz.sh" 10
echo "all tests passed (normal, sanitizer and ThreadSanitizer builds, fuzz targets)"
