# The benchmark's measurements, shared by scripts/bench.sh and the suite's
# smoke tests of the measuring programs (tests/bench/BenchSmokeTest.sh).
# Source after common.sh, with the display and the Wine prefix up. Each
# measurement prints its figures and returns 0, or prints why it could not
# measure on stderr and returns 1.

METER_DIR=$BUILD/framemeter
MEASURE_WORK=${MEASURE_WORK:-$BUILD/bench}
mkdir -p "$MEASURE_WORK"

# The fields of SceneBench's line that bench.sh reads; each must be a number.
SCENE_FIELDS="fish groups frames skipped step update_mean update_p99 update_cpu_mean render_mean render_p99
              render_cpu_mean clone_mean clone_p99 frame_mean frame_p99 cpu_tick_ms allocs_per_frame failed startup_ms"

# frame_rate WARMUP SPAN PROGRAM ARGS...: runs a program of the frame-meter
# directory beside the frame-counting d3d8.dll for WARMUP + SPAN seconds,
# counted from its first presented frame, and prints "fps first_ms": the
# frames presented per second over the SPAN seconds after the WARMUP ones
# and the milliseconds from process creation to the first frame.
frame_rate() {
    local warmup=$1 span=$2
    shift 2
    local log=$MEASURE_WORK/frames.log
    rm -f "$log"
    (cd "$METER_DIR" && REEF_FRAME_LOG="Z:${log//\//\\}" WINEDLLOVERRIDES="mscoree,mshtml=;d3d8=n,b" \
        exec wine "$@") >/dev/null 2>&1 &
    local pid=$!
    local deadline=$((SECONDS + 60))
    while ! grep -q '^first_present_ms' "$log" 2>/dev/null; do
        if ! kill -0 $pid 2>/dev/null; then
            wait $pid 2>/dev/null || true
            echo "$1 ended before its first frame" >&2
            return 1
        fi
        if [ $SECONDS -ge $deadline ]; then
            kill $pid 2>/dev/null || true
            wait $pid 2>/dev/null || true
            echo "$1 presented no frame within 60 s of its start" >&2
            return 1
        fi
        sleep 0.2
    done
    local started=$SECONDS
    sleep $((warmup + span + 1))
    if ! kill -0 $pid 2>/dev/null; then
        wait $pid 2>/dev/null || true
        echo "$1 ended by itself within $((SECONDS - started)) s of its first frame" >&2
        return 1
    fi
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    sleep 1
    local result
    result=$(awk -v w="$warmup" -v s="$span" '
        /^first_present_ms/ { first = $2; next }
        /^#/ { next }
        NF >= 2 {
            if (t0 == "" && $1 >= w) { t0 = $1; n0 = $2 }
            if (t0 != "" && $1 <= w + s + 0.5) { t1 = $1; n1 = $2 }
        }
        END {
            if (t0 == "" || t1 <= t0 || n1 <= n0) exit 1
            printf "%.1f %s\n", (n1 - n0) / (t1 - t0), first
        }' "$log") || {
        echo "$1: the frame meter counted no frame in the $span s after the first $warmup" >&2
        return 1
    }
    echo "$result"
}

# scene_costs ARGS...: SceneBench's name=value line, checked to hold every
# field bench.sh reads as a number.
scene_costs() {
    local out=$MEASURE_WORK/scene.out err=$MEASURE_WORK/scene.err status=0
    (cd "$BUILD/bin" && wine ./SceneBench.exe "$@") >"$out" 2>"$err" </dev/null || status=$?
    tr -d '\r' <"$out" >"$out.tmp" && mv "$out.tmp" "$out"
    if [ $status -ne 0 ]; then
        echo "SceneBench failed (exit code $status): $(tr -d '\r' <"$err" | grep '^SceneBench' | tr '\n' ' ')" >&2
        return 1
    fi
    local line
    line=$(grep '^fish=' "$out" | head -1) || true
    check_fields "$line" $SCENE_FIELDS || return 1
    echo "$line"
    # The profile's lines follow the figures.
    grep -v '^fish=' "$out" || true
}

field() { # LINE NAME
    echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"
}

# check_fields LINE NAMES...: every name is present once with a finite number.
check_fields() {
    local line=$1 name value bad=0
    shift
    for name in "$@"; do
        value=$(field "$line" "$name")
        if ! [[ "$value" =~ ^-?[0-9]+([.][0-9]+)?$ ]]; then
            echo "SceneBench's line lacks a number for $name (\"$value\")" >&2
            bad=1
        fi
    done
    return $bad
}

# print_table SEPARATOR < FILE: the rows in aligned columns.
print_table() {
    awk -F"$1" '
        { rows[NR] = $0; for (i = 1; i <= NF; ++i) if (length($i) > width[i]) width[i] = length($i); if (NF > n) n = NF }
        END {
            for (r = 1; r <= NR; ++r) {
                split(rows[r], f, FS)
                line = ""
                for (i = 1; i <= n; ++i) line = line (i < n ? sprintf("%-*s  ", width[i], f[i]) : f[i])
                sub(/ +$/, "", line)
                print line
            }
        }'
}
