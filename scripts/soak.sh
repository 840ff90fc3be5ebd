#!/usr/bin/env bash
# Runs the saver ("ReefGlow3.scr /debug", default settings) for MINUTES
# (default 10) and samples its private bytes, working set, handles and GDI
# and USER objects once a second (SoakMonitor), its presented frames through
# the frame-meter d3d8.dll, and every result trace it writes. It fails when
# - the process's committed private memory (as Windows counts it: what its
#   own code and Wine's Windows side, d3d8 and wined3d among it, hold), its
#   handles, GDI or USER objects keep growing once the first minute is over:
#   each is fitted to a line plus the one step that fits best (a single rise,
#   such as a heap's one more block or a handle Wine opens late, is not
#   growth), and the line's slope may not exceed 50 KB a minute of memory or
#   1 handle or object a minute (scripts/growth.awk). A count the platform
#   does not give (GetGuiResources under Wine) is reported as not measured
#   and its check as not made;
# - the frame rate of the last minute (or sixth of the run, where longer),
#   at equal content, is more than a tenth below that of the first (counted
#   from the 10th second, after the scene's warm-up); the frame time follows
#   what the wandering camera sees, so it is first fitted to the frames'
#   render-target switches, draws and primitives (scripts/framerate.awk);
#   judged in runs of three minutes or more, and only when the fit tells the
#   fall to within a third of that tenth (content that changes only in step
#   with the time, or frame times that scatter on a busy machine, cannot:
#   that check is then reported as not made),
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
# follows what is live. Even so it crept by 0.2 to 0.3 MB a minute at equal
# content in ten-minute runs (11 KB a minute over an hour), next to none of it
# in Wine's own regions.
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
awk -F, -v total="$TOTAL" -f "$ROOT/scripts/growth.awk" "$SAMPLES" | tee "$WORK/growth.txt" || result=1
awk -v total="$TOTAL" -f "$ROOT/scripts/framerate.awk" "$FRAMES" | tee "$WORK/framerate.txt" || result=1

traces=$(tr -d '\r' <"$TRACES" | grep -c 'DXZING:' || true)
echo "result traces: $traces"
if [ "$traces" -ne 0 ]; then
    tr -d '\r' <"$TRACES" | grep 'DXZING:' | sort | uniq -c | head -20
    echo "FAIL: the saver wrote result traces"
    result=1
fi
not_made=$(sed -n 's/^NOT MADE: the \(.*\) check$/\1/p' "$WORK/growth.txt" "$WORK/framerate.txt" | paste -sd, - | sed 's/,/, /g')
[ -n "$not_made" ] && say "checks not made: $not_made"
[ $result -eq 0 ] && say "soak passed${not_made:+ (without the checks of $not_made)}" || say "soak FAILED"
exit $result
