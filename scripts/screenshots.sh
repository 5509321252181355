#!/bin/sh
# Retakes docs/main-window.png and docs/confirm-dialog.png under Xvfb, on a folder of sample photos.
# The photos sit in /home/you/Pictures, as on a user's machine: the script runs itself in a private
# mount namespace with an empty /home of its own (nothing of the real /home is seen or touched).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ "${MOXTAL_SCREENSHOT_HOME:-}" != "private" ]; then
    "$ROOT/scripts/setup.sh" "$ROOT/build"
    exec env MOXTAL_SCREENSHOT_HOME=private unshare --map-root-user --mount \
        sh -c 'mount -t tmpfs tmpfs /home && exec sh "$0"' "$0"
fi
WORK=/home/you
mkdir -p "$WORK/Pictures"
XPID=""
cleanup() { [ -n "$XPID" ] && kill "$XPID" 2>/dev/null; rm -rf "$WORK/Pictures"; }
trap cleanup EXIT

mkdir -p "$WORK/Pictures/Kyoto 2026" "$WORK/.config/moxtal"
for i in 0412 0413 0415 0420 0421 0433 0434 0440; do
    head -c $((3000 + ${i#04} * 97)) /dev/zero > "$WORK/Pictures/Kyoto 2026/DSC_$i.jpg"
done
printf 'notes' > "$WORK/Pictures/Kyoto 2026/itinerary.txt"
touch -d '2026-04-03 09:12:44' "$WORK/Pictures/Kyoto 2026"/*

n=70
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
i=0
while [ ! -e "/tmp/.X11-unix/X$n" ]; do
    i=$((i + 1)); [ $i -le 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
mkdir -p "$ROOT/docs"
DISPLAY=":$n" QT_QPA_PLATFORM=xcb TZ=UTC LC_ALL=C.UTF-8 \
    timeout 60 "$ROOT/build/app/moxtal-screenshots" "$WORK/Pictures/Kyoto 2026" "$WORK/.config/moxtal" "$ROOT/docs"
echo "screenshots: $ROOT/docs/main-window.png $ROOT/docs/confirm-dialog.png"
