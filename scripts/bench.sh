#!/usr/bin/env bash
# Installs what is missing, builds, and measures the aquarium as its users
# feel it, in its own Xvfb and the build tree's throw-away Wine prefix.
# Prints one table and writes it to build/bench.csv.
#
# For each variant of the settings (default; clone-fish technique off;
# partial morph off; FlockSize few and many):
# - fps: frames per second of "ReefGlow3.scr /debug" (800x600 client area),
#   counted by the frame-meter d3d8.dll over REEF_BENCH_SECONDS (40) after a
#   warm-up of REEF_BENCH_WARMUP seconds (12; the scene's own warm-up is 10 s);
# - first_frame_ms: from process creation to the first presented frame, and
#   startup_ms: how long the saver's Startup takes in SceneBench;
# - our own code's share of the frame, from SceneBench (REEF_BENCH_FRAMES
#   timed frames, 1000, after 100): mean and 99th percentile of the world's
#   update (without the clone pass), of its render (submitting the draws) and
#   of the clone-texture pass, in milliseconds; the program's heap
#   allocations per frame; scene_fps: SceneBench's whole frame (update to
#   Present) as a rate: the same seed and the same 1/60 s steps in every
#   variant, so the variants compare on the same scene, which the saver's own
#   rate (its camera wanders where the time and the seed take it) cannot.
# The empty row is the limit: our own program that clears and presents the
# same client area on the same device type. Last, the default aquarium's
# device calls per frame with the time spent in each, and its update by class
# (build/bench-profile.txt).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
trap cleanup EXIT
start_display
start_wine

SECONDS_SPAN=${REEF_BENCH_SECONDS:-40}
WARMUP=${REEF_BENCH_WARMUP:-12}
FRAMES=${REEF_BENCH_FRAMES:-1000}
METER_DIR=$BUILD/framemeter
OUT=$BUILD/bench.csv
WORK=$BUILD/bench
mkdir -p "$WORK"

# Settings: a missing value keeps the built-in default.
settings() { # CloneFishTech PartialMorph FlockSize ("-" for the default)
    local name value i=0
    for name in CloneFishTech PartialMorph FlockSize; do
        i=$((i + 1))
        value=${!i}
        wine reg delete "$SETTINGS_KEY" /v "$name" /f >/dev/null 2>&1 || true
        if [ "$value" != "-" ]; then
            wine reg add "$SETTINGS_KEY" /v "$name" /t REG_DWORD /d "$value" /f >/dev/null 2>&1
        fi
    done
}

# Runs a program of the frame-meter directory for warm-up + span seconds and
# prints "fps first_ms" from the meter's log.
frame_rate() { # program args...
    local log=$WORK/frames.log
    rm -f "$log"
    (cd "$METER_DIR" && REEF_FRAME_LOG="Z:${log//\//\\}" WINEDLLOVERRIDES="mscoree,mshtml=;d3d8=n,b" \
        exec wine "$@") >/dev/null 2>&1 &
    local pid=$!
    local deadline=$((SECONDS + 60))
    # The span counts from the first frame.
    while ! grep -q '^first_present_ms' "$log" 2>/dev/null; do
        if [ $SECONDS -ge $deadline ] || ! kill -0 $pid 2>/dev/null; then break; fi
        sleep 0.2
    done
    sleep $((WARMUP + SECONDS_SPAN + 1))
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    sleep 1
    awk -v w="$WARMUP" -v s="$SECONDS_SPAN" '
        /^first_present_ms/ { first = $2; next }
        /^#/ { next }
        NF >= 2 {
            if (t0 == "" && $1 >= w) { t0 = $1; n0 = $2 }
            if (t0 != "" && $1 <= w + s + 0.5) { t1 = $1; n1 = $2 }
        }
        END {
            fps = (t0 != "" && t1 > t0) ? (n1 - n0) / (t1 - t0) : 0
            printf "%.1f %s\n", fps, (first == "" ? "nan" : first)
        }' "$log"
}

# Prints SceneBench's name=value line.
scene_costs() {
    (cd "$BUILD/bin" && wine ./SceneBench.exe "$FRAMES" 100 2>/dev/null | tr -d '\r' | grep '^fish=') || echo "fish=0"
}

field() { # line name
    echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"
}

default_settings

say "empty frame of the same stack"
read -r EMPTY_FPS EMPTY_FIRST < <(frame_rate ./EmptyFrame.exe)

echo "variant,fish,fps,empty_fps,fps_ratio,first_frame_ms,startup_ms,update_mean_ms,update_p99_ms,render_mean_ms,render_p99_ms,clone_mean_ms,clone_p99_ms,own_share_pct,frame_ms,allocs_per_frame,scene_fps" >"$OUT"
echo "empty,0,$EMPTY_FPS,$EMPTY_FPS,1.00,$EMPTY_FIRST,,,,,,,,,,," >>"$OUT"

VARIANTS=(
    "default - - -"
    "clone-off 0 - -"
    "morph-off - 0 -"
    "few - - 0"
    "many - - 2"
)
for v in "${VARIANTS[@]}"; do
    read -r name clone morph size <<<"$v"
    say "$name: frame rate of ReefGlow3.scr /debug"
    settings "$clone" "$morph" "$size"
    read -r fps first < <(frame_rate ./ReefGlow3.scr /debug)
    if [ "$fps" = "0.0" ]; then
        # No frame counted in the span (a start that stalled): once more.
        say "$name: no frames counted; measuring again"
        read -r fps first < <(frame_rate ./ReefGlow3.scr /debug)
    fi
    say "$name: our own code's costs in process ($FRAMES frames)"
    costs=$(scene_costs)
    um=$(field "$costs" update_mean); up=$(field "$costs" update_p99)
    rm_=$(field "$costs" render_mean); rp=$(field "$costs" render_p99)
    cm=$(field "$costs" clone_mean); cp=$(field "$costs" clone_p99)
    fish=$(field "$costs" fish); allocs=$(field "$costs" allocs_per_frame); startup=$(field "$costs" startup_ms)
    fm=$(field "$costs" frame_mean)
    awk -v n="$name" -v f="$fish" -v fps="$fps" -v e="$EMPTY_FPS" -v first="$first" -v st="$startup" \
        -v um="$um" -v up="$up" -v rm="$rm_" -v rp="$rp" -v cm="$cm" -v cp="$cp" -v a="$allocs" -v fm="$fm" 'BEGIN {
            frame = fps > 0 ? 1000 / fps : 0
            share = frame > 0 ? 100 * (um + rm + cm) / frame : 0
            printf "%s,%s,%s,%s,%.3f,%s,%s,%s,%s,%s,%s,%s,%s,%.1f,%.2f,%s,%.1f\n",
                n, f, fps, e, (e > 0 ? fps / e : 0), first, st, um, up, rm, rp, cm, cp, share, frame, a,
                (fm > 0 ? 1000 / fm : 0)
        }' >>"$OUT"
done
settings - - -
say "default: the device calls and the update by class (200 frames, each call timed)"
PROFILE=$BUILD/bench-profile.txt
(cd "$BUILD/bin" && wine ./SceneBench.exe 200 50 profile 2>/dev/null | tr -d '\r') >"$WORK/profile.out" || true
{
    echo "method calls_per_frame ms_per_frame"
    grep '^call ' "$WORK/profile.out" | cut -d' ' -f2- | sort -k3 -g -r
    grep '^fish=' "$WORK/profile.out" | tr ' ' '\n' | grep -E '^(update|render|clone)_mean=' | tr '=' ' ' | sed 's/^/frame-part /'
    echo "class objects update_ms_per_frame"
    grep '^update ' "$WORK/profile.out" | cut -d' ' -f2- | sort -k3 -g -r
} >"$PROFILE"

echo
column -s, -t <"$OUT"
echo
echo "Where the default frame goes (device calls, then the update by class; $PROFILE):"
column -t <"$PROFILE"
awk -F, '
    $1 == "default" { d = $3; du = $8; df = $2; ds = $17 }
    $1 == "clone-off" { c = $3; cs = $17 }
    $1 == "few" { fu = $8; ff = $2 }
    $1 == "many" { mu = $8; mf = $2 }
    END {
        if (c > 0) printf "\nclone-fish technique gain (fps default / fps clone-off): %.2f\n", d / c
        if (cs > 0) printf "clone-fish technique gain on the same scene (scene_fps default / clone-off): %.2f\n", ds / cs
        if (ff > 0 && mf > 0 && fu > 0)
            printf "update per fish (us): few %.3f, normal %.3f, many %.3f\n", 1000 * fu / ff, 1000 * du / df, 1000 * mu / mf
    }' "$OUT"
echo
say "table written to $OUT"
