#!/usr/bin/env bash
# The soak's judgement of memory and handles (scripts/growth.awk) on made-up
# sample logs: levels that are flat, settle in the first minute or step once
# pass; memory growing at 1.5 times the limit fails and at half of it
# passes, in ten-minute and in two-minute runs; a handle Wine opens late
# passes, handles or GDI objects that keep growing fail; a count the
# platform does not give is reported as not measured and its check as not made.
set -euo pipefail
JUDGE=$(cd "$(dirname "$0")/../.." && pwd)/scripts/growth.awk
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
LIMIT=50 # KB a minute, growth.awk's memory limit

# log NAME SECONDS [key=value...]: one sample a second as SoakMonitor writes
# them (committed memory walked every tenth second). Committed memory:
# 92,000 KB, plus settle KB reached in the first minute (time constant 15 s),
# plus leak KB a minute, plus step KB from second step_at on, plus a jitter
# of up to noise KB either way, committed in blocks of chunk KB (4: pages).
# Handles: 47, one more at each second of late (a list "s1 s2"), plus
# handle_leak a minute; gdi and user objects: 12 and 9 plus gdi_leak a
# minute, or "na" (as handles=na) for a count the platform does not give.
log() {
    local name=$1 seconds=$2
    shift 2
    awk -v seconds="$seconds" "${@/#/-v}" -F'\t' 'BEGIN {
        srand(11)
        if (chunk == "") chunk = 4
        split(late, lateAt, " ")
        print "second,private_kb,working_set_kb,handles,gdi,user,committed_kb"
        for (s = 1; s <= seconds; ++s) {
            kb = 92000 + settle * (1 - exp(-s / 15)) + leak * s / 60 + (s >= step_at && step_at != "" ? step : 0)
            kb += noise * (2 * rand() - 1)
            kb = chunk * int(kb / chunk)
            h = 47 + int(handle_leak * s / 60)
            for (i in lateAt) if (s >= lateAt[i] + 0) ++h
            committed = (s == 1 || s % 10 == 0) ? kb : ""
            printf "%d,%d,%d,%s,%s,%s,%s\n", s, 280000 + kb / 10, 150000, \
                (handles == "na" ? "na" : h), (gui == "na" ? "na" : 12 + int(gdi_leak * s / 60)), \
                (gui == "na" ? "na" : 9), committed
        }
    }' >"$WORK/$name.csv"
}

judge() { # NAME SECONDS EXPECTED_STATUS [TEXT the output must hold]
    local status=0
    awk -F, -v total="$2" -f "$JUDGE" "$WORK/$1.csv" >"$WORK/$1.out" || status=$?
    if [ "$status" -ne "$3" ] || { [ -n "${4:-}" ] && ! grep -qF -- "$4" "$WORK/$1.out"; }; then
        echo "FAILED: $1 gave $status, expected $3${4:+ and \"$4\"}"
        sed 's/^/    /' "$WORK/$1.out"
        return 1
    fi
    echo "ok: $1"
    sed 's/^/    /' "$WORK/$1.out"
}

failures=0
check() { # NAME SECONDS EXPECTED [TEXT] -- log arguments
    local name=$1 seconds=$2 expected=$3 text=$4
    shift 4
    log "$name" "$seconds" "$@"
    judge "$name" "$seconds" "$expected" "$text" || failures=$((failures + 1))
}

# Ten minutes.
check flat 600 0 "" noise=8
check settling 600 0 "" settle=8000 noise=8
check step-early 600 0 "one step of +10" step=1024 step_at=90 noise=8
check step-middle 600 0 "one step of +10" step=1024 step_at=300 noise=8
check step-late 600 0 "one step of +10" step=1024 step_at=570 noise=8
check leak-1.5x 600 1 "FAIL: committed private memory grow" leak=$((LIMIT * 3 / 2)) noise=16
check leak-0.5x 600 0 "" leak=$((LIMIT / 2)) noise=16
check leak-1.5x-in-64KB-blocks 600 1 "FAIL: committed" leak=$((LIMIT * 3 / 2)) chunk=64
check leak-1.5x-and-a-step 600 1 "FAIL: committed" leak=$((LIMIT * 3 / 2)) step=2048 step_at=200 noise=16
# Two minutes, as in the suite.
check short-flat 120 0 "" noise=8
check short-step 120 0 "" step=512 step_at=95 noise=8
check short-leak-3MB 120 1 "FAIL: committed" leak=3072 noise=16
check short-leak-1.5x 120 1 "FAIL: committed" leak=$((LIMIT * 3 / 2))
check short-leak-0.5x 120 0 "" leak=$((LIMIT / 2))
# Handles and GDI objects.
check handle-late 600 0 "" late=400
check two-handles-late 600 0 "" "late=200 450"
check short-handle-late 120 0 "" late=90
check short-handle-at-the-end 120 0 "" late=118
check handle-leak 600 1 "FAIL: handles grow" handle_leak=3
check short-handle-leak 120 1 "FAIL: handles grow" handle_leak=6
check gdi-leak 600 1 "FAIL: GDI objects grow" gdi_leak=6
# Counts the platform does not give: the run says so.
check handles-not-measured 600 0 "NOT MADE: the handles check" handles=na
check gui-not-measured 120 0 "NOT MADE: the USER objects check" gui=na
# Samples that stop before the run's end.
head -300 "$WORK/flat.csv" >"$WORK/stops-early.csv"
judge stops-early 600 1 "FAIL: samples stop early" || failures=$((failures + 1))

exit $((failures > 0))
