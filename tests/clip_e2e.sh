#!/bin/sh
# The clipboard watcher on a real X server (Xvfb) with a second client (xclip): xclip copies
# "abc123", the watcher (pattern ^abc, replacement xyz) rewrites it, xclip reads it back.
# Exit 77 (skipped) only where no X server can be started.
set -u
HELPER=$1
command -v Xvfb >/dev/null 2>&1 || { echo "skipped: Xvfb is not installed"; exit 77; }
command -v xclip >/dev/null 2>&1 || { echo "skipped: xclip is not installed"; exit 77; }
WORK=$(mktemp -d)
XPID=""; HPID=""
cleanup() {
    [ -n "$HPID" ] && kill "$HPID" 2>/dev/null
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

. "$(dirname "$0")/xvfb_display.sh"

QT_QPA_PLATFORM=xcb "$HELPER" '^abc' 'xyz' >"$WORK/helper.out" 2>"$WORK/helper.err" &
HPID=$!
i=0
until grep -q ready "$WORK/helper.out" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$HPID" 2>/dev/null; then
        echo "FAIL: the watcher did not start: $(cat "$WORK/helper.err")"; exit 1
    fi
    sleep 0.1
done

# Copies the bytes of $1 with xclip (as target $2), then waits for the clipboard to hold $3 (hex).
copy_and_expect() {
    printf "$1" | xclip -selection clipboard -t "$2"
    i=0
    while :; do
        got=$(timeout 2 xclip -o -selection clipboard 2>/dev/null | od -An -tx1 | tr -d ' \n')
        [ "$got" = "$3" ] && return 0
        i=$((i + 1))
        if [ $i -gt 50 ]; then
            echo "FAIL: the clipboard holds [$got], expected [$3] ($4)"
            cat "$WORK/helper.err"
            exit 1
        fi
        sleep 0.1
    done
}

copy_and_expect 'abc123' STRING "78797a3132330d0a" "xyz123 CR LF"
# A copy holding a byte that is not UTF-8 is left exactly as it was (Qt hands it over decoded, so
# a rewrite would turn the byte into U+FFFD); the next plain copy is rewritten again.
copy_and_expect 'abc\377' UTF8_STRING "616263ff" "abc and the byte FF, untouched"
copy_and_expect 'abc456' UTF8_STRING "78797a3435360d0a" "xyz456 CR LF"
echo "clipboard end-to-end: passed"
exit 0
