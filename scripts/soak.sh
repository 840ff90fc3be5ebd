#!/usr/bin/env bash
# Runs the saver ("ReefGlow3.scr /debug", default settings) for MINUTES
# (default 10) and samples its private bytes, working set, handles and GDI
# and USER objects once a second (SoakMonitor), its presented frames through
# the frame-meter d3d8.dll, and every result trace it writes. It fails when
# - the process's committed private memory (as Windows counts it: what its
#   own code and Wine's Windows side, d3d8 and wined3d among it, hold) or its
#   handles keep growing once the first minute is over: the time after it is
#   cut in thirds, and the least sample of the last third lies above the
#   least of the middle third (by more than 1 MB of memory, by any handle or
#   GDI or USER object),
# - the frame rate of the last minute, at equal content, is more than a tenth
#   below that of the first minute (counted from the 10th second, after the
#   scene's warm-up); the frame time follows what the wandering camera sees,
#   so it is first fitted to the frames' render-target switches, draws and
#   primitives (scripts/framerate.awk); judged in runs of three minutes or more,
# - the program writes any result trace ("DXZING:"), or ends by itself.
# Runs shorter than two minutes use a third of the run for "minute" when
# judging memory and handles (the first minute is when the heap settles).
#
# Private bytes as Wine reports them (resident anonymous memory) also hold
# what the Unix libraries below Wine map for themselves, Mesa's software
# rasteriser above all; they are printed, not judged. Mesa allocates its
# per-frame bins through glibc, whose per-thread arenas keep the high-water
# mark of the heaviest frame so far (steps of up to 7 MB each time the
# wandering camera meets a new heaviest view); the saver runs with glibc
# mapping blocks of 64 KB and more on their own (GLIBC_TUNABLES
# mmap_threshold), so that they go back when freed and the printed figure
# follows what is live. Even so it creeps by 0.2 to 0.3 MB a minute at equal
# content, next to none of it in Wine's own regions.
#
# Inside the test suite (REEF_SOAK_IN_SUITE=1) it neither builds nor starts a
# display or a Wine server: it uses those of the run.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
MINUTES=${1:-10}
if ! [[ "$MINUTES" =~ ^[0-9]+([.][0-9]+)?$ ]]; then
    echo "usage: soak.sh MINUTES" >&2
    exit 2
fi
if [ -z "${REEF_SOAK_IN_SUITE:-}" ]; then
    install_missing
    build_all
    trap cleanup EXIT
    start_display
    start_wine
fi

TOTAL=$(awk -v m="$MINUTES" 'BEGIN { printf "%d", m * 60 }')
WORK=$BUILD/soak
mkdir -p "$WORK"
SAMPLES=$WORK/samples.csv
TRACES=$WORK/traces.txt
FRAMES=$WORK/frames.log
rm -f "$SAMPLES" "$TRACES" "$FRAMES"

default_settings

say "soak: ReefGlow3.scr /debug for $TOTAL s"
status=0
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=65536 \
REEF_FRAME_LOG="Z:${FRAMES//\//\\}" WINEDLLOVERRIDES="mscoree,mshtml=;d3d8=n,b" \
    wine "$BUILD/bin/SoakMonitor.exe" "$BUILD/framemeter/ReefGlow3.scr" "$TOTAL" \
    "Z:${SAMPLES//\//\\}" "Z:${TRACES//\//\\}" </dev/null || status=$?
if [ "$status" -ne 0 ]; then
    echo "soak: the saver did not run the whole time (SoakMonitor $status)" >&2
    exit 1
fi

tr -d '\r' <"$SAMPLES" >"$SAMPLES.tmp" && mv "$SAMPLES.tmp" "$SAMPLES"
result=0
awk -F, -v total="$TOTAL" '
    NR == 1 { next }
    { p[$1] = $2; w[$1] = $3; h[$1] = $4; g[$1] = $5; u[$1] = $6; c[$1] = $7; last = $1 }
    function least(a, from, to,    i, m) {
        m = -1
        for (i = from; i <= to; ++i) if (i in a && (m < 0 || a[i] < m)) m = a[i]
        return m
    }
    END {
        minute = total >= 120 ? 60 : int(total / 3)
        third = int((last - minute) / 3); if (third < 1) third = 1
        # The floor of the middle third of the run after the first minute
        # against the floor of the last third: a level that only fluctuates
        # or settles keeps its floor; one that keeps growing raises it.
        m1 = minute + third + 1; m2 = minute + 2 * third; l1 = minute + 2 * third + 1
        pm = least(p, m1, m2); pl = least(p, l1, last)
        cm = least(c, m1, m2); cl = least(c, l1, last)
        hm = least(h, m1, m2); hl = least(h, l1, last)
        gm = least(g, m1, m2); gl = least(g, l1, last)
        um = least(u, m1, m2); ul = least(u, l1, last)
        printf "samples: %d s; committed private memory: first %d KB, after the first minute %d KB, floor %d KB in the middle third and %d KB in the last\n", last, c[1], c[minute + 1], cm, cl
        printf "private bytes (with the Unix side): first %d KB, after the first minute %d KB, floor %d KB in the middle third and %d KB in the last (not judged)\n", p[1], p[minute + 1], pm, pl
        printf "handles %d -> %d, GDI objects %d -> %d, USER objects %d -> %d; working set at the end %d KB\n", hm, hl, gm, gl, um, ul, w[last]
        bad = 0
        if (last < total - 2) { print "FAIL: samples stop early"; bad = 1 }
        if (cl - cm > 1024) { printf "FAIL: committed private memory grew by %d KB\n", cl - cm; bad = 1 }
        if (hl > hm) { printf "FAIL: handles grew by %d\n", hl - hm; bad = 1 }
        if (gl > gm) { printf "FAIL: GDI objects grew by %d\n", gl - gm; bad = 1 }
        if (ul > um) { printf "FAIL: USER objects grew by %d\n", ul - um; bad = 1 }
        exit bad
    }' "$SAMPLES" || result=1

awk -v total="$TOTAL" -f "$ROOT/scripts/framerate.awk" "$FRAMES" || result=1

traces=$(tr -d '\r' <"$TRACES" | grep -c 'DXZING:' || true)
echo "result traces: $traces"
if [ "$traces" -ne 0 ]; then
    tr -d '\r' <"$TRACES" | grep 'DXZING:' | sort | uniq -c | head -20
    echo "FAIL: the saver wrote result traces"
    result=1
fi
[ $result -eq 0 ] && say "soak passed" || say "soak FAILED"
exit $result
