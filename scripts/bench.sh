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
# - from SceneBench, on the same scene in every variant (the same seed, the
#   same 1/60 s steps), REEF_BENCH_FRAMES (1000) frames of the steady
#   aquarium, timed once the world's warm-up has ended (skipped: the frames
#   of the warm-up, run but not timed): mean and 99th percentile of the
#   world's update (without the clone pass), of its render (submitting the
#   draws) and of the clone-texture pass, in milliseconds of wall time; the
#   update's (with its clone pass) and the render's mean CPU time of the
#   program's thread; the whole frame (update to Present) as scene_frame_ms
#   and scene_fps; own_share_pct, the update, render and clone pass's wall
#   time against that same frame, and own_cpu_share_pct, their CPU time
#   against it; the program's heap allocations per frame.
# The saver's own fps comes from another scene (its camera wanders where the
# clock and the seed take it), so nothing of SceneBench is divided by it.
# The empty row is the limit: our own program that clears and presents the
# same client area on the same device type. Last, the default aquarium's
# device calls per frame with the time spent in each, and its update by class
# (build/bench-profile.txt), over 200 frames of the steady aquarium.
#
# A variant that cannot be measured (no frame presented, the program ending,
# SceneBench failing or lacking a figure) is reported with the reason; the
# other variants are measured, and the script exits with 1.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
trap cleanup EXIT
start_display
start_wine

source "$ROOT/scripts/measure.sh"

SECONDS_SPAN=${REEF_BENCH_SECONDS:-40}
WARMUP=${REEF_BENCH_WARMUP:-12}
FRAMES=${REEF_BENCH_FRAMES:-1000}
OUT=$BUILD/bench.csv
WORK=$MEASURE_WORK
FAILURES=()

fail() {
    say "FAILED: $*"
    FAILURES+=("$*")
}

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

default_settings

say "empty frame of the same stack"
EMPTY_FPS="" EMPTY_FIRST=""
if rate=$(frame_rate "$WARMUP" "$SECONDS_SPAN" ./EmptyFrame.exe 2>"$WORK/reason"); then
    read -r EMPTY_FPS EMPTY_FIRST <<<"$rate"
else
    fail "empty: $(cat "$WORK/reason")"
fi

echo "variant,fish,fps,empty_fps,fps_ratio,first_frame_ms,startup_ms,skipped,timed,update_mean_ms,update_p99_ms,update_cpu_ms,render_mean_ms,render_p99_ms,render_cpu_ms,clone_mean_ms,clone_p99_ms,scene_frame_ms,scene_fps,own_share_pct,own_cpu_share_pct,allocs_per_frame" >"$OUT"
[ -n "$EMPTY_FPS" ] && echo "empty,0,$EMPTY_FPS,$EMPTY_FPS,1.00,$EMPTY_FIRST,,,,,,,,,,,,,,,," >>"$OUT"

VARIANTS=(
    "default - - -"
    "clone-off 0 - -"
    "morph-off - 0 -"
    "few - - 0"
    "many - - 2"
)
for v in "${VARIANTS[@]}"; do
    read -r name clone morph size <<<"$v"
    settings "$clone" "$morph" "$size"
    say "$name: frame rate of ReefGlow3.scr /debug"
    if ! rate=$(frame_rate "$WARMUP" "$SECONDS_SPAN" ./ReefGlow3.scr /debug 2>"$WORK/reason"); then
        fail "$name: $(cat "$WORK/reason")"
        continue
    fi
    read -r fps first <<<"$rate"
    say "$name: our own code's costs in process ($FRAMES frames of the steady aquarium)"
    if ! costs=$(scene_costs "$FRAMES" 2>"$WORK/reason" | head -1); then
        fail "$name: $(cat "$WORK/reason")"
        continue
    fi
    args=()
    for f in $SCENE_FIELDS; do args+=(-v "$f=$(field "$costs" "$f")"); done
    awk -v n="$name" -v fps="$fps" -v e="$EMPTY_FPS" -v first="$first" "${args[@]}" 'BEGIN {
        share = 100 * (update_mean + render_mean + clone_mean) / frame_mean
        cpushare = 100 * (update_cpu_mean + render_cpu_mean) / frame_mean
        printf "%s,%d,%s,%s,%s,%s,%s,%d,%d,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,%.1f,%.1f,%.1f,%s\n",
            n, fish, fps, e, (e > 0 ? sprintf("%.3f", fps / e) : ""), first, startup_ms, skipped, frames,
            update_mean, update_p99, update_cpu_mean, render_mean, render_p99, render_cpu_mean,
            clone_mean, clone_p99, frame_mean, 1000 / frame_mean, share, cpushare, allocs_per_frame
        }' >>"$OUT"
done
settings - - -
say "default: the device calls and the update by class (200 frames of the steady aquarium, each call timed)"
PROFILE=$BUILD/bench-profile.txt
if scene_costs 200 profile >"$WORK/profile.out" 2>"$WORK/reason"; then
    {
        echo "method calls_per_frame ms_per_frame"
        grep '^call ' "$WORK/profile.out" | cut -d' ' -f2- | sort -k3 -g -r
        head -1 "$WORK/profile.out" | tr ' ' '\n' | grep -E '^(update|render|clone)_mean=' | tr '=' ' ' |
            sed 's/^/frame-part /'
        echo "class objects update_ms_per_frame"
        grep '^update ' "$WORK/profile.out" | cut -d' ' -f2- | sort -k3 -g -r
    } >"$PROFILE"
else
    fail "profile: $(cat "$WORK/reason")"
    : >"$PROFILE"
fi

echo
print_table , <"$OUT"
echo
echo "wall ms: the world's update (without the clone pass), render and clone pass; cpu ms: the update with"
echo "its clone pass and the render, as the thread's CPU time (means; the clock's tick is 10 ms under Wine);"
echo "own_share_pct and own_cpu_share_pct: against SceneBench's own frame (scene_frame_ms) on the same scene."
echo
echo "Where the default frame goes (device calls, then the update by class; $PROFILE):"
print_table ' ' <"$PROFILE"
awk -F, '
    $1 == "default" { d = $3; du = $10; df = $2; ds = $19 }
    $1 == "clone-off" { c = $3; cs = $19 }
    $1 == "few" { fu = $10; ff = $2 }
    $1 == "many" { mu = $10; mf = $2 }
    END {
        if (c > 0) printf "\nclone-fish technique gain (fps default / fps clone-off): %.2f\n", d / c
        if (cs > 0) printf "clone-fish technique gain on the same scene (scene_fps default / clone-off): %.2f\n", ds / cs
        if (ff > 0 && mf > 0 && df > 0)
            printf "update per fish (us): few %.3f, normal %.3f, many %.3f\n", 1000 * fu / ff, 1000 * du / df, 1000 * mu / mf
    }' "$OUT"
echo
say "table written to $OUT"
if [ ${#FAILURES[@]} -ne 0 ]; then
    say "${#FAILURES[@]} measurement(s) failed:"
    for f in "${FAILURES[@]}"; do echo "  $f"; done
    exit 1
fi
