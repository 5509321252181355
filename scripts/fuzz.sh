#!/bin/sh
# Builds the libFuzzer targets of the core with clang (build-fuzz/) and runs each for SECONDS
# (default 60), starting from the seed corpora in fuzz/corpus/. A crash stops the run; the input
# that caused it is saved in build-fuzz/ and must become a test.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SECONDS_EACH=${1:-60}
[ $# -gt 0 ] && shift
TARGETS=${*:-"substitution url settings log_csv"}
BUILD="$ROOT/build-fuzz"

CC=clang CXX=clang++ "$ROOT/scripts/setup.sh" "$BUILD" -DMOXTAL_FUZZ=ON -DMOXTAL_BUILD_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
for target in $TARGETS; do
    corpus="$BUILD/corpus/$target"
    mkdir -p "$corpus"
    cp -n "$ROOT/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
    echo "fuzz: $target for ${SECONDS_EACH}s"
    (cd "$BUILD" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$BUILD/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" 2>"$BUILD/fuzz_$target.log") || {
        tail -n 40 "$BUILD/fuzz_$target.log"
        echo "fuzz: $target found a failure (input saved in $BUILD)"
        exit 1
    }
    grep -E "stat::number_of_executed_units|cov:" "$BUILD/fuzz_$target.log" | tail -n 2
done
echo "fuzz: no failure found"
