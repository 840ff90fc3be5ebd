#!/usr/bin/env bash
# The soak's frame-rate judgement (scripts/framerate.awk) on made-up frame
# logs: content that swings as the wandering camera's does, or drifts over
# the run, must not fail a run whose cost per content stays the same; a run
# whose rate at equal content falls by more than a tenth from the first
# minute to the last must fail, and one that falls by less must pass, whatever
# the content does; content that changes only in step with the time, and a
# run shorter than three minutes, are not judged, and the run says so.
set -euo pipefail
JUDGE=$(cd "$(dirname "$0")/../.." && pwd)/scripts/framerate.awk
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# log NAME [key=value...]: one line a second for `seconds` (600) s. A frame
# costs 10 ms + 0.4 ms per render-target switch + 0.01 ms per draw + 0.05 ms
# per 1000 primitives, times a slowdown that grows linearly with time so
# that the rate at equal content of the last span the judge compares lies
# `fall` (a fraction) below that of the first; the switches per frame swing between base and
# base + 2 x swing over minutes, rise by drift over the run and swing by
# wobble either way within half a minute, the draws and primitives with
# them, and a jitter of up to jitter / 2 (0.01) either way is added.
log() {
    local name=$1
    shift
    awk "${@/#/-v}" 'BEGIN {
        srand(7)
        if (seconds == "") seconds = 600
        if (base == "") base = 30
        if (jitter == "") jitter = 0.02
        # The middles of the first and the last span compared (a minute, or
        # a sixth of the time from the 10th second).
        span = (seconds - 10) / 6 > 60 ? (seconds - 10) / 6 : 60
        t1 = 10 + span / 2; t2 = seconds - span / 2
        sigma = 1 / (1 - fall) - 1
        print "# Direct3DCreate8"; print "# device"; print "first_present_ms 700.0"
        frames = 0; draws = 0; prims = 0; switches = 0
        for (s = 1; s <= seconds; ++s) {
            r = base + swing * (1 + sin(s / 47.0) * cos(s / 113.0)) + drift * s / seconds + wobble * sin(s / 4.3)
            d = 120 + 1.5 * r
            p = 20000 + 300 * r + 5000 * sin(s / 31.0)
            ms = (10 + 0.4 * r + 0.01 * d + 0.05 * p / 1000) * (1 + sigma * (s - t1) / (t2 - t1)) * (1 + jitter * (rand() - 0.5))
            n = 1000 / ms
            frames += n; draws += n * d; prims += n * p; switches += n * r
            printf "%.4f %d %d %d %d\n", s, frames, draws, prims, switches
        }
    }' >"$WORK/$name.log"
}

judge() { # NAME TOTAL EXPECTED_STATUS [TEXT the output must hold]
    local status=0
    awk -v total="$2" -f "$JUDGE" "$WORK/$1.log" >"$WORK/$1.out" || status=$?
    if [ "$status" -ne "$3" ] || { [ -n "${4:-}" ] && ! grep -qF -- "$4" "$WORK/$1.out"; }; then
        echo "FAILED: $1 gave $status, expected $3${4:+ and \"$4\"}"
        sed 's/^/    /' "$WORK/$1.out"
        return 1
    fi
    echo "ok: $1"
    sed 's/^/    /' "$WORK/$1.out"
}

failures=0
check() { # NAME TOTAL EXPECTED TEXT -- log arguments
    local name=$1 total=$2 expected=$3 text=$4
    shift 4
    log "$name" "seconds=$total" "$@"
    judge "$name" "$total" "$expected" "$text" || failures=$((failures + 1))
}

# Healthy, with the raw rate swinging by a half between minutes.
check steady 600 0 "" swing=25
# Healthy, with no clone pass at all: that column cannot be fitted.
check noswitches 600 0 "" base=0
# Healthy, with the content level rising from 30 to 70 switches a frame over
# the run (and the camera's short swing of 5 either way).
check drifting 600 0 "" drift=40 wobble=5
# Falls at equal content on either side of the limit of a tenth, with
# swinging, steady and drifting content.
check fall-5 600 0 "" fall=0.05 swing=25
check fall-8 600 0 "" fall=0.08 swing=25
check fall-12 600 1 "FAIL: the frame rate at equal content fell" fall=0.12 swing=25
check fall-15 600 1 "FAIL: the frame rate at equal content fell" fall=0.15 swing=25
check fall-20-flat 600 1 "FAIL: the frame rate at equal content fell" fall=0.2
check fall-5-drifting 600 0 "" fall=0.05 drift=40 wobble=5
check fall-15-drifting 600 1 "FAIL: the frame rate at equal content fell" fall=0.15 drift=40 wobble=5
# Content that only drifts, in step with the time: its cost cannot be told
# from a slow-down, so the rate is not judged, and the run says so, with or
# without a fall.
check drift-only 600 0 "NOT MADE: the frame-rate check" drift=40
check drift-only-fall-15 600 0 "NOT MADE: the frame-rate check" fall=0.15 drift=40
# Frame times that scatter too much to tell a fall of a tenth (a busy
# machine): not judged, and the run says so.
check scattering 600 0 "NOT MADE: the frame-rate check" swing=25 jitter=1.2
# A run shorter than three minutes prints its rates and is not judged, even with a fall.
check short-run 150 0 "frame rate not judged" fall=0.2 swing=25

# Too short a log to judge is a failure, not a pass.
head -40 "$WORK/steady.log" >"$WORK/cut.log"
judge cut 600 1 "FAIL: too few frames counted" || failures=$((failures + 1))

exit $((failures > 0))
