#!/usr/bin/env bash
# The soak's frame-rate judgement (scripts/framerate.awk) on made-up frame
# logs of ten minutes: content that swings as the wandering camera's does
# must not fail a run whose cost per content stays the same, and a run that
# gets slower at equal content must fail, whatever the content does.
set -euo pipefail
JUDGE=$(cd "$(dirname "$0")/../.." && pwd)/scripts/framerate.awk
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# log NAME SLOWDOWN SWITCHES SWING: one line a second for 600 s. A frame
# costs 10 ms + 0.4 ms per render-target switch + 0.01 ms per draw + 0.05 ms
# per 1000 primitives, times (1 + SLOWDOWN x minutes / 10); the switches per
# frame swing between SWITCHES and SWITCHES + 2 x SWING over minutes, the draws and
# primitives with them, and a small jitter is added.
log() {
    awk -v slow="$2" -v base="$3" -v swing="$4" 'BEGIN {
        srand(7)
        print "# Direct3DCreate8"; print "# device"; print "first_present_ms 700.0"
        frames = 0; draws = 0; prims = 0; switches = 0
        for (s = 1; s <= 600; ++s) {
            r = base + swing * (1 + sin(s / 47.0) * cos(s / 113.0))
            d = 120 + 1.5 * r
            p = 20000 + 300 * r + 5000 * sin(s / 31.0)
            ms = (10 + 0.4 * r + 0.01 * d + 0.05 * p / 1000) * (1 + slow * s / 600) * (1 + 0.02 * (rand() - 0.5))
            n = 1000 / ms
            frames += n; draws += n * d; prims += n * p; switches += n * r
            printf "%.4f %d %d %d %d\n", s, frames, draws, prims, switches
        }
    }' >"$WORK/$1.log"
}

judge() { # NAME EXPECTED_STATUS
    local status=0
    awk -v total=600 -f "$JUDGE" "$WORK/$1.log" >"$WORK/$1.out" || status=$?
    if [ "$status" -ne "$2" ]; then
        echo "FAILED: $1 gave $status, expected $2"
        cat "$WORK/$1.out"
        return 1
    fi
    echo "ok: $1"
    sed 's/^/    /' "$WORK/$1.out"
}

failures=0
# Healthy, with the raw rate swinging by a half between minutes.
log steady 0 30 25;     judge steady 0 || failures=1
# Healthy, with no clone pass at all: that column cannot be fitted.
log noswitches 0 0 0;   judge noswitches 0 || failures=1
# 20 % slower at equal content by the end, while the content swings.
log slower 0.2 30 25;   judge slower 1 || failures=1
# 20 % slower with steady content.
log slowflat 0.2 30 0;  judge slowflat 1 || failures=1

# Too short a log to judge is a failure, not a pass.
head -40 "$WORK/steady.log" >"$WORK/short.log"
judge short 1 || failures=1

exit $failures
