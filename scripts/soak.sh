#!/usr/bin/env bash
# Runs the saver ("ReefGlow3.scr /debug", default settings) for MINUTES
# (default 10) and samples its private bytes, working set, handles and GDI
# and USER objects once a second (SoakMonitor), its presented frames through
# the frame-meter d3d8.dll, and every result trace it writes. It fails when
# - private bytes or handles keep growing once the first minute is over (the
#   least of the last half-minute's samples above the most of the half-minute
#   after the first minute, by more than 1 MB of memory or by any handle),
# - the frame rate of the last minute is more than a tenth below that of the
#   first minute (counted from the 10th second, after the scene's warm-up),
# - the program writes any result trace ("DXZING:"), or ends by itself.
# Runs shorter than three minutes use a third of the run for "minute".
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

# The default settings: a missing value keeps the built-in default.
KEY='HKCU\Software\Kelvane Soft\Reefglow 3'
for name in CloneFishTech PartialMorph FlockSize; do
    wine reg delete "$KEY" /v "$name" /f >/dev/null 2>&1 || true
done

say "soak: ReefGlow3.scr /debug for $TOTAL s"
status=0
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
    { s[$1] = $1; p[$1] = $2; w[$1] = $3; h[$1] = $4; g[$1] = $5; u[$1] = $6; last = $1 }
    END {
        minute = total >= 180 ? 60 : int(total / 3)
        half = int(minute / 2); if (half < 1) half = 1
        pmax = hmax = gmax = umax = -1
        for (i = minute + 1; i <= minute + half && i <= last; ++i) {
            if (p[i] > pmax) pmax = p[i]; if (h[i] > hmax) hmax = h[i]
            if (g[i] > gmax) gmax = g[i]; if (u[i] > umax) umax = u[i]
        }
        pmin = hmin = gmin = umin = -1
        for (i = last - half + 1; i <= last; ++i) {
            if (pmin < 0 || p[i] < pmin) pmin = p[i]; if (hmin < 0 || h[i] < hmin) hmin = h[i]
            if (gmin < 0 || g[i] < gmin) gmin = g[i]; if (umin < 0 || u[i] < umin) umin = u[i]
        }
        printf "samples: %d s; private bytes after the first minute %d KB, at the end %d KB (first sample %d KB)\n", last, pmax, pmin, p[1]
        printf "handles %d -> %d, GDI objects %d -> %d, USER objects %d -> %d; working set at the end %d KB\n", hmax, hmin, gmax, gmin, umax, umin, w[last]
        bad = 0
        if (last < total - 2) { print "FAIL: samples stop early"; bad = 1 }
        if (pmin - pmax > 1024) { printf "FAIL: private bytes grew by %d KB\n", pmin - pmax; bad = 1 }
        if (hmin > hmax) { printf "FAIL: handles grew by %d\n", hmin - hmax; bad = 1 }
        if (gmin > gmax) { printf "FAIL: GDI objects grew by %d\n", gmin - gmax; bad = 1 }
        if (umin > umax) { printf "FAIL: USER objects grew by %d\n", umin - umax; bad = 1 }
        exit bad
    }' "$SAMPLES" || result=1

awk -v total="$TOTAL" '
    /^first_present_ms/ { first = $2; next }
    /^#/ { next }
    NF == 2 { t[++n] = $1; c[n] = $2 }
    END {
        minute = total >= 180 ? 60 : int(total / 3)
        start = 10
        for (i = 1; i <= n; ++i) {
            if (a == "" && t[i] >= start) a = i
            if (t[i] <= start + minute) b = i
            if (e == "" && t[i] >= t[n] - minute) e = i
        }
        if (a == "" || b <= a || e == "" || n <= e) { print "FAIL: too few frames counted"; exit 1 }
        f1 = (c[b] - c[a]) / (t[b] - t[a])
        f2 = (c[n] - c[e]) / (t[n] - t[e])
        printf "first frame after %s ms; frame rate %.2f fps in the first minute, %.2f fps in the last\n", first, f1, f2
        if (f2 < 0.9 * f1) { printf "FAIL: the frame rate fell by %.0f%%\n", 100 * (1 - f2 / f1); exit 1 }
    }' "$FRAMES" || result=1

traces=$(tr -d '\r' <"$TRACES" | grep -c 'DXZING:' || true)
echo "result traces: $traces"
if [ "$traces" -ne 0 ]; then
    tr -d '\r' <"$TRACES" | grep 'DXZING:' | sort | uniq -c | head -20
    echo "FAIL: the saver wrote result traces"
    result=1
fi
[ $result -eq 0 ] && say "soak passed" || say "soak FAILED"
exit $result
