#!/bin/sh
# The main window under a real window manager (openbox on Xvfb): start/close cycles never move it,
# and a window the user moved comes back exactly where it was. A copy of moxtal in a scratch folder
# keeps its main.cfg beside itself there. Exit 77 (skipped) only where no X server can be started.
set -u
PROGRAM=$1
for tool in openbox xdotool wmctrl xwininfo xev xprop; do
    command -v $tool >/dev/null 2>&1 || { echo "FAIL: $tool is not installed (scripts/setup.sh)"; exit 1; }
done
WORK=$(mktemp -d)
XPID=""; WPID=""; MPID=""; EPID=""
cleanup() {
    [ -n "$EPID" ] && kill "$EPID" 2>/dev/null
    [ -n "$MPID" ] && kill "$MPID" 2>/dev/null
    [ -n "$WPID" ] && kill "$WPID" 2>/dev/null
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
XVFB_SCREEN=1280x1024x24
. "$(dirname "$0")/xvfb_display.sh"
openbox >"$WORK/openbox.log" 2>&1 &
WPID=$!
i=0
until wmctrl -m >/dev/null 2>&1; do  # the window manager is up once it answers
    i=$((i + 1))
    [ $i -gt 100 ] && { echo "FAIL: openbox did not start: $(cat "$WORK/openbox.log")"; exit 1; }
    sleep 0.1
done
mkdir "$WORK/app" "$WORK/data"
cp "$PROGRAM" "$WORK/app/moxtal"

# Where the client area of the main window is on the screen: "x y".
client_place() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}

# Starts moxtal, optionally moves its window to $1,$2, prints the place of its client area, closes
# it the way a user does (the window manager's close) and waits for it to end.
cycle() {
    QT_QPA_PLATFORM=xcb "$WORK/app/moxtal" "$WORK/data" >"$WORK/moxtal.log" 2>&1 &
    MPID=$!
    id=""; i=0
    while [ -z "$id" ]; do
        id=$(xdotool search --onlyvisible --name '^Mox-Tal$' 2>/dev/null | head -n 1)
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "FAIL: no main window"; cat "$WORK/moxtal.log"; exit 1; }
        sleep 0.1
    done
    # The window manager frames and places it: wait until its place holds still.
    last=""; place=$(client_place "$id"); i=0
    while [ "$place" != "$last" ] && [ $i -lt 50 ]; do
        sleep 0.2; last=$place; place=$(client_place "$id"); i=$((i + 1))
    done
    if [ $# -eq 2 ]; then
        # The window manager tells the program of the move with a synthetic ConfigureNotify, which a
        # watcher of the window's structure receives too; the watcher is listening once it reports a
        # property set on the window.
        xev -id "$id" -event structure -event property >"$WORK/events" 2>&1 &
        EPID=$!
        i=0
        until grep -q _MOXTAL_E2E "$WORK/events"; do
            xprop -id "$id" -f _MOXTAL_E2E 8s -set _MOXTAL_E2E listening
            i=$((i + 1))
            [ $i -gt 50 ] && { echo "FAIL: no watcher on the window" >&2; exit 1; }
            sleep 0.1
        done
        xdotool windowmove "$id" "$1" "$2"
        i=0
        until grep -A1 "synthetic YES" "$WORK/events" | grep -q "($1,$2)"; do
            i=$((i + 1))
            [ $i -gt 50 ] && { echo "FAIL: the program was not told of the move: $(cat "$WORK/events")" >&2; exit 1; }
            sleep 0.1
        done
        kill "$EPID"; EPID=""
    fi
    client_place "$id"
    wmctrl -c 'Mox-Tal'
    i=0
    while kill -0 "$MPID" 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "FAIL: the window did not close"; exit 1; }
        sleep 0.1
    done
    MPID=""
}

saved_place() {
    head -n 2 "$WORK/app/main.cfg" | tr -d '\r' | awk 'NR == 1 {top=$0} NR == 2 {left=$0} END {print left, top}'
}

fail=0
cycle >/dev/null || exit 1
first=$(saved_place)
for run in 1 2 3; do
    seen=$(cycle)
    [ "$seen" = "$first" ] || { echo "FAIL: run $run shows the window at $seen, saved at $first"; fail=1; }
    [ "$(saved_place)" = "$first" ] || { echo "FAIL: run $run saved $(saved_place), first $first"; fail=1; }
done
cycle 300 200 >/dev/null
[ "$(saved_place)" = "300 200" ] || { echo "FAIL: moved to 300 200, saved $(saved_place)"; fail=1; }
seen=$(cycle)
[ "$seen" = "300 200" ] || { echo "FAIL: moved to 300 200, came back at $seen"; fail=1; }
[ $fail -eq 0 ] && echo "window manager end-to-end: passed"
exit $fail
