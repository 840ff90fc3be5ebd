#!/usr/bin/env bash
# The benchmark's measuring programs, run briefly in the suite's display and
# Wine prefix through the same functions scripts/bench.sh uses
# (scripts/measure.sh): their output holds every figure the bench reads, as
# a number, and the figures are plausible.
#   BenchSmokeTest.sh scene   SceneBench: 150 frames of the steady aquarium
#                             at 0.1 s steps (its warm-up of 10 s of scene
#                             time then takes some 115 frames, not 670)
#   BenchSmokeTest.sh empty   EmptyFrame beside the frame meter: 1 s, then 3 s counted
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
MEASURE_WORK=$BUILD/bench-smoke
source "$ROOT/scripts/measure.sh"

failures=0
expect() { # DESCRIPTION AWK-CONDITION [NAME=VALUE...]
    local what=$1 condition=$2
    shift 2
    local args=() a
    for a in "$@"; do args+=(-v "$a"); done
    if awk "${args[@]}" "BEGIN { exit !($condition) }"; then
        echo "ok: $what"
    else
        echo "FAILED: $what ($*)"
        failures=$((failures + 1))
    fi
}

case "${1:-}" in
scene)
    default_settings
    status=0
    (cd "$BUILD/bin" && wine ./SceneBench.exe 10 bogus) >/dev/null 2>"$MEASURE_WORK/bad.err" || status=$?
    expect "a bad argument is refused with exit code 2 and says which" \
        's == 2 && index(e, "bad argument \"bogus\"") > 0' "s=$status" "e=$(tr -d '\r\n' <"$MEASURE_WORK/bad.err")"
    line=$(scene_costs 150 step=0.1 2>"$MEASURE_WORK/reason" | head -1) || {
        echo "FAILED: $(cat "$MEASURE_WORK/reason")"
        exit 1
    }
    echo "$line"
    vars=()
    for f in $SCENE_FIELDS; do vars+=("$f=$(field "$line" "$f")"); done
    expect "the requested frames are timed, more than the warm-up skipped" 'frames == 150 && frames > skipped' "${vars[@]}"
    expect "the skipped frames are the warm-up's 10 s of scene time (and the clock's smoothing)" \
        'skipped * step >= 10 && skipped * step <= 12.5' "${vars[@]}"
    expect "the default aquarium: fish and clone groups" 'fish > 0 && groups > 0' "${vars[@]}"
    expect "wall times: positive means, each below its 99th percentile" \
        'update_mean > 0 && render_mean > 0 && frame_mean > 0 && clone_mean >= 0 &&
         update_mean <= update_p99 && render_mean <= render_p99 && clone_mean <= clone_p99 && frame_mean <= frame_p99' "${vars[@]}"
    expect "the frame's parts fit in the frame" 'update_mean + render_mean + clone_mean <= frame_mean' "${vars[@]}"
    expect "CPU times: a clock tick seen, means from zero up to the frame's wall time" \
        'cpu_tick_ms > 0 && update_cpu_mean >= 0 && render_cpu_mean >= 0 && update_cpu_mean + render_cpu_mean <= frame_mean' \
        "${vars[@]}"
    expect "no failed frame, a start-up time, an allocation count" 'failed == 0 && startup_ms > 0 && allocs_per_frame >= 0' \
        "${vars[@]}"
    ;;
empty)
    rate=$(frame_rate 1 3 ./EmptyFrame.exe 2>"$MEASURE_WORK/reason") || {
        echo "FAILED: $(cat "$MEASURE_WORK/reason")"
        exit 1
    }
    read -r fps first <<<"$rate"
    echo "EmptyFrame: $fps fps, first frame after $first ms"
    expect "fps and first frame are numbers" 'fps ~ /^[0-9]+([.][0-9]+)?$/ && first ~ /^[0-9]+([.][0-9]+)?$/' \
        "fps=$fps" "first=$first"
    expect "frames were counted, the first within a minute" 'fps > 1 && first > 0 && first < 60000' "fps=$fps" "first=$first"
    # A program that presents nothing is a failed measurement with its reason, not a rate of 0.
    status=0
    frame_rate 1 1 ./NoSuchProgram.exe >"$MEASURE_WORK/none.out" 2>"$MEASURE_WORK/none.err" || status=$?
    expect "a program that shows no frame fails the measurement and says why" \
        's == 1 && o == "" && index(e, "ended before its first frame") > 0' \
        "s=$status" "o=$(cat "$MEASURE_WORK/none.out")" "e=$(cat "$MEASURE_WORK/none.err")"
    ;;
*)
    echo "usage: BenchSmokeTest.sh scene|empty" >&2
    exit 2
    ;;
esac
exit $((failures > 0))
