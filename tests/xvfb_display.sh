# Sourced by the end-to-end tests: starts Xvfb on a free display and exports DISPLAY; exits 77
# (skipped) only where no X server can be started. Needs WORK (a scratch folder) and sets XPID;
# the caller's cleanup kills it.
command -v Xvfb >/dev/null 2>&1 || { echo "skipped: Xvfb is not installed"; exit 77; }
# Xvfb picks a free display itself and tells which (-displayfd): two tests starting at once never
# share one server.
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-800x600x24}" -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XPID=$!
i=0
while [ -z "$(cat "$WORK/display" 2>/dev/null)" ] || [ ! -e "/tmp/.X11-unix/X$(cat "$WORK/display")" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$XPID" 2>/dev/null; then
        echo "skipped: Xvfb did not start: $(cat "$WORK/xvfb.log")"; exit 77
    fi
    sleep 0.1
done
n=$(cat "$WORK/display")
export DISPLAY=":$n"
