# Sourced by the end-to-end tests: starts Xvfb on a free display and exports DISPLAY; exits 77
# (skipped) only where no X server can be started. Needs WORK (a scratch folder) and sets XPID;
# the caller's cleanup kills it.
command -v Xvfb >/dev/null 2>&1 || { echo "skipped: Xvfb is not installed"; exit 77; }
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-800x600x24}" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XPID=$!
i=0
while [ ! -e "/tmp/.X11-unix/X$n" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$XPID" 2>/dev/null; then
        echo "skipped: Xvfb did not start: $(cat "$WORK/xvfb.log")"; exit 77
    fi
    sleep 0.1
done
export DISPLAY=":$n"
