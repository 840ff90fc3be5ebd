# Judges what the saver holds over a soak (tests/bench/SoakMonitor.cpp's
# samples: "second,private_kb,working_set_kb,handles,gdi,user,committed_kb",
# a field "na" where the platform gave no count, committed_kb empty between
# its walks).
#
# The first minute is when the heap settles and is left out. After it, each
# count is fitted by least squares to a line plus one step: the step where
# the count changes that fits best, or none. The step takes out a single
# rise or fall (a heap growing by one more block, a handle Wine opens late),
# which is not growth; what keeps growing is the line's slope, and a slope
# above the limit fails:
# - committed private memory (as Windows counts it: what the program's own
#   code and Wine's Windows side hold): limit KB a minute (memory_limit, 50);
# - handles, GDI and USER objects: limit per minute (count_limit, 1).
# A count the platform cannot give ("na" throughout) is reported as not
# measured, and its check as not made. Private bytes as Wine reports them
# (with what the Unix libraries below Wine map) are fitted and printed, not
# judged.
#
#   awk -F, -v total=SECONDS [-v memory_limit=KB] [-v count_limit=N] -f growth.awk samples.csv
# total: the run's length; runs shorter than two minutes leave out their
# first third instead of the first minute. Exit code 1 on a failed check,
# 0 otherwise; checks not made are printed as "NOT MADE: ...".

# Fits y = a + b t + c [t >= t_k] over the n points in T[] and Y[], with the
# step at the change point k that leaves the least squared error (k = 0: no
# step). Sets fitB (per time unit of T), fitC, fitK.
function fitline(n,    i, k, st, stt, sy, sty, ns, sts, sys, d, a, b, c, rss, best, syy) {
    st = stt = sy = sty = syy = 0
    for (i = 1; i <= n; ++i) { st += T[i]; stt += T[i] * T[i]; sy += Y[i]; sty += T[i] * Y[i]; syy += Y[i] * Y[i] }
    d = n * stt - st * st
    fitB = d > 0 ? (n * sty - st * sy) / d : 0
    a = (sy - fitB * st) / n
    best = syy - a * sy - fitB * sty
    fitC = 0; fitK = 0
    # Sums over the points from k on, built from the end.
    ns = sts = sys = 0
    for (k = n; k >= 2; --k) {
        ns += 1; sts += T[k]; sys += Y[k]
        if (Y[k] == Y[k - 1]) continue
        # Normal equations in a, b, c, solved by Cramer's rule.
        d = det3(n, st, ns, st, stt, sts, ns, sts, ns)
        if (d <= 1e-9 * (n * stt + 1)) continue
        a = det3(sy, st, ns, sty, stt, sts, sys, sts, ns) / d
        b = det3(n, sy, ns, st, sty, sts, ns, sys, ns) / d
        c = det3(n, st, sy, st, stt, sty, ns, sts, sys) / d
        rss = syy - a * sy - b * sty - c * sys
        if (rss < best - 1e-9 * (syy + 1)) { best = rss; fitB = b; fitC = c; fitK = k }
    }
}

function det3(a, b, c, d, e, f, g, h, i) {
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
}

# Gathers column col of the samples from second `from` on into T[] (minutes)
# and Y[]; sets gotNa (samples "na") and returns the count of numbers.
function gather(col, from,    s, n) {
    n = 0; gotNa = 0
    for (s = from; s <= last; ++s) {
        if (!((s, col) in v)) continue
        if (v[s, col] == "na") { ++gotNa; continue }
        ++n; T[n] = s / 60; Y[n] = v[s, col] + 0
    }
    return n
}

# Judges one count; prints its line and returns 1 on failure.
function judge(col, what, unit, limit, judged,    n, first, lastValue, stepText, line) {
    n = gather(col, 1)
    if (n == 0) {
        if (!judged) return 0
        printf "%s: not measured (the platform gives no count)\n", what
        printf "NOT MADE: the %s check\n", what
        return 0
    }
    first = Y[1]; lastValue = Y[n]
    n = gather(col, minute)
    if (n < 4) {
        printf "%s: %d samples after the first %d s, too few to fit\n", what, n, minute
        if (judged) { printf "FAIL: too few samples of %s\n", what; return 1 }
        return 0
    }
    fitline(n)
    stepText = fitK && (fitC >= 0.5 || fitC <= -0.5) ? sprintf("; one step of %+.0f %s at %d s taken out", fitC, unit, T[fitK] * 60 + 0.5) : ""
    line = sprintf("%s: %.0f %s at the start, %.0f after the first minute, %.0f at the end; slope %+.2f %s a minute after the first minute%s",
                   what, first, unit, Y[1], lastValue, fitB, unit, stepText)
    if (gotNa) line = line sprintf(" (%d samples not measured)", gotNa)
    if (!judged) { print line " (not judged)"; return 0 }
    printf "%s (limit %g)\n", line, limit
    if (fitB > limit) { printf "FAIL: %s grow by %.2f %s a minute (limit %g)\n", what, fitB, unit, limit; return 1 }
    return 0
}

BEGIN {
    if (memory_limit == "") memory_limit = 50
    if (count_limit == "") count_limit = 1
}
NR == 1 { next }
{
    s = $1 + 0
    for (c = 2; c <= 7; ++c) if ($c != "") v[s, c] = $c
    if (s > last) last = s
}
END {
    minute = total >= 120 ? 60 : int(total / 3)
    bad = 0
    if (last < total - 2) { printf "FAIL: samples stop early (%d of %d s)\n", last, total; bad = 1 }
    bad += judge(7, "committed private memory", "KB", memory_limit, 1)
    bad += judge(2, "private bytes (with the Unix side)", "KB", 0, 0)
    bad += judge(4, "handles", "handles", count_limit, 1)
    bad += judge(5, "GDI objects", "objects", count_limit, 1)
    bad += judge(6, "USER objects", "objects", count_limit, 1)
    if ((last, 3) in v) printf "working set at the end: %s KB\n", v[last, 3]
    exit bad > 0
}
