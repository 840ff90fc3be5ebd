#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in its debug window.
# Without a DISPLAY it runs inside Xvfb for a few seconds and leaves a
# screenshot in build/screenshot.png.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
trap cleanup EXIT
HEADLESS=""
[ -n "${DISPLAY:-}" ] || HEADLESS=1
start_display
start_wine

# The screensaver in its debug window.
PROGRAM=("$BUILD/bin/ReefGlow3.scr" /debug)
if [ -z "$HEADLESS" ]; then
    wine "${PROGRAM[@]}"
    exit 0
fi

wine "${PROGRAM[@]}" &
APP=$!
sleep "${REEF_SCREENSHOT_DELAY:-10}"
if ! kill -0 "$APP" 2>/dev/null; then
    wait "$APP" || true
    echo "[reef] the program ended before the screenshot" >&2
    exit 1
fi
xwd -root -silent >"$BUILD/screenshot.xwd"
centre=$("$BUILD/host/bin/xwd2png" "$BUILD/screenshot.xwd" "$BUILD/screenshot.png" --centre)
rm -f "$BUILD/screenshot.xwd"
kill "$APP" 2>/dev/null || true
wait "$APP" 2>/dev/null || true
say "screenshot: $BUILD/screenshot.png (centre pixel $centre)"
