#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in its debug window.
# Without a DISPLAY it runs the program inside Xvfb and leaves two pictures,
# each taken when the scene has reached it:
#   build/run-warmup.png    the first frames of the warm-up: the logo facing the
#                           camera (the frame-meter d3d8.dll sees the first
#                           Present, the display then shows the picture);
#   build/run-aquarium.png  a frame after the warm-up: the camera on the flocks
#                           (the saver writes "OruWorld: warm-up over" to its
#                           debug output, which TraceLog.exe collects).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
trap cleanup EXIT
HEADLESS=""
[ -n "${DISPLAY:-}" ] || HEADLESS=1
start_display
start_wine

# The screensaver in its debug window.
if [ -z "$HEADLESS" ]; then
    wine "$BUILD/bin/ReefGlow3.scr" /debug
    exit 0
fi

WORK=$BUILD/run
mkdir -p "$WORK"
FRAMES=$WORK/frames.log
TRACES=$WORK/traces.log
STOP=$WORK/stop
rm -f "$FRAMES" "$TRACES" "$STOP"
# TraceLog closes the saver's window when its input, this fifo, ends.
mkfifo "$STOP"
REEF_FRAME_LOG="Z:${FRAMES//\//\\}" WINEDLLOVERRIDES="mscoree,mshtml=;d3d8=n,b" \
    wine "$BUILD/bin/TraceLog.exe" --close-at-end-of-input "$TRACES" "$BUILD/framemeter/ReefGlow3.scr" /debug \
    <"$STOP" &
APP=$!
exec 3>"$STOP"

# Waits until the command given succeeds; fails when the program ends
# first, or when that did not happen within a minute.
wait_until() {
    local what=$1 polls=0
    shift
    until "$@"; do
        if ! kill -0 "$APP" 2>/dev/null; then
            wait "$APP" || true
            echo "[reef] the program ended before $what" >&2
            exit 1
        fi
        if [ $((++polls)) -gt 3000 ]; then
            echo "[reef] no $what within a minute" >&2
            exit 1
        fi
        sleep 0.02
    done
}
has_line() { [ -f "$1" ] && grep -q -- "$2" "$1"; }
# The frame meter's counts so far (written about once a second).
counts() { grep -c '^[0-9]' "$FRAMES" 2>/dev/null || true; }
more_counts_than() { [ "$(counts)" -gt "$1" ]; }

# Leaves the screen in the PNG file $1 and its centre pixel in CENTRE.
capture() {
    xwd -root -silent >"$WORK/screen.xwd"
    CENTRE=$("$BUILD/host/bin/xwd2png" "$WORK/screen.xwd" "$1" --centre)
    rm -f "$WORK/screen.xwd"
}
# The window shows its white background until the first frames reach the
# display, a little after their Present.
picture_shown() { capture "$1" && [ "$CENTRE" != FFFFFF ]; }

# The frame meter writes its first line at the first presented frame.
wait_until "the first frame" has_line "$FRAMES" '^first_present_ms'
wait_until "the first frame on the display" picture_shown "$BUILD/run-warmup.png"
say "warm-up: $BUILD/run-warmup.png (centre pixel $CENTRE)"

wait_until "the end of the warm-up" has_line "$TRACES" 'OruWorld: warm-up over'
# The trace comes from the update of the first frame after the warm-up: a
# count written after it is written by that frame's Present or a later one.
seen=$(counts)
wait_until "a frame after the warm-up" more_counts_than "$seen"
capture "$BUILD/run-aquarium.png"
say "aquarium: $BUILD/run-aquarium.png (centre pixel $CENTRE)"

exec 3>&-
wait "$APP" || true
rm -f "$STOP"
