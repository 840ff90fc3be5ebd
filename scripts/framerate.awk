# Judges the frame rate of a frame-meter log (tests/bench/FrameMeter.cpp):
# lines "<seconds> <frames> <draws> <primitives> <render-target switches>",
# each a running total. Compares the first span (from the 10th second,
# after the scene's warm-up) with the last, at equal content: a minute, or
# a sixth of the run where that is longer (ten minutes of an hour).
#
# What a frame costs follows what it draws: the wandering camera sees more
# or fewer fish, drawn whole or as billboards, and more or fewer clone-fish
# masters render their pictures; between two minutes of a healthy run the
# raw rate differs by a third and more. So the frame time of 5-second
# windows is fitted by least squares to
#     a + b x switches + c x draws + d x primitives / 1000 + e x minutes
# and each window's time is brought to the run's mean content by taking
# out b, c and d times its content's difference from the mean. Those
# times, averaged over the first and over the last span, give the two
# frame rates at equal content; a fall of more than a tenth fails.
#
# The fall is judged only when the fit can tell it. Its standard error
# follows from the fit's residuals and from how well the content's cost is
# told apart from the time: content that changes in step with the time (a
# level that drifts, with no swing of its own) cannot be told from a
# slow-down, and frame times that scatter (a busy machine) blur both spans.
# Above a third of the limit (a healthy run then lies three standard errors
# below it) the rate is not judged, and the run says so ("NOT MADE: the
# frame-rate check").
#
#   awk -v total=SECONDS -f framerate.awk frames.log
# total: the run's length; runs shorter than 180 s only print their rates.
# Exit code 1 on a fall, on too few frames, 0 otherwise.

# Least squares over the windows: beta[] for the columns used (see below),
# and q[] = (X'X)^-1 g for the vector g[] (0 for unused columns), for the
# fall's error. Columns: 0 constant, 1 switches, 2 draws, 3 kiloprimitives,
# 4 minutes. A column that hardly varies in the run (by less than 1 %; no
# clone passes, say) is left out; its coefficient stays 0. Returns 0 when
# the columns used are (nearly) dependent.
function fit(    i, j, k, r, p, f, t, m, v, sum, n, scale) {
    for (j = 0; j < 5; ++j) {
        m = 0
        for (i = 1; i <= w; ++i) m += x[i, j]
        mean[j] = m / w
        v = 0
        for (i = 1; i <= w; ++i) v += (x[i, j] - mean[j]) ^ 2
        used[j] = (j == 0 || v / w > 1e-4 * (mean[j] ^ 2 + 1e-9))
        beta[j] = 0; q[j] = 0
    }
    n = 0
    for (j = 0; j < 5; ++j) if (used[j]) col[n++] = j
    for (j = 0; j < n; ++j) {
        for (k = 0; k < n; ++k) {
            sum = 0
            for (i = 1; i <= w; ++i) sum += x[i, col[j]] * x[i, col[k]]
            A[j, k] = sum
        }
        sum = 0
        for (i = 1; i <= w; ++i) sum += x[i, col[j]] * y[i]
        A[j, n] = sum
        A[j, n + 1] = g[col[j]]
        scale[j] = A[j, j]
    }
    # Gauss-Jordan elimination with partial pivoting; a pivot that has lost
    # all but 1e-10 of its column's own size marks dependent columns.
    for (p = 0; p < n; ++p) {
        r = p
        for (i = p + 1; i < n; ++i) if ((A[i, p] ^ 2) > (A[r, p] ^ 2)) r = i
        if (r != p) for (k = 0; k <= n + 1; ++k) { t = A[p, k]; A[p, k] = A[r, k]; A[r, k] = t }
        if (A[p, p] ^ 2 <= 1e-20 * scale[p] ^ 2 + 1e-300) return 0
        for (i = 0; i < n; ++i) {
            if (i == p) continue
            f = A[i, p] / A[p, p]
            for (k = 0; k <= n + 1; ++k) A[i, k] -= f * A[p, k]
        }
    }
    for (p = 0; p < n; ++p) { beta[col[p]] = A[p, n] / A[p, p]; q[col[p]] = A[p, n + 1] / A[p, p] }
    usedColumns = n
    return 1
}

/^first_present_ms/ { first = $2; next }
/^#/ { next }
NF >= 5 { ++s; t[s] = $1; c[s] = $2; d[s] = $3; kp[s] = $4; sw[s] = $5 }

END {
    minute = total >= 180 ? 60 : int(total / 3)
    start = 10
    fallLimit = 0.10
    errorLimit = fallLimit / 3
    # 5-second windows from the 10th second on.
    w = 0
    a = 0
    for (i = 1; i <= s; ++i) {
        if (t[i] < start) continue
        if (a == 0) { a = i; continue }
        if (t[i] - t[a] < 5) continue
        frames = c[i] - c[a]
        if (frames > 0) {
            ++w
            mid[w] = (t[i] + t[a]) / 2
            seconds[w] = t[i] - t[a]
            count[w] = frames
            y[w] = 1000 * (t[i] - t[a]) / frames
            x[w, 0] = 1
            x[w, 1] = (sw[i] - sw[a]) / frames
            x[w, 2] = (d[i] - d[a]) / frames
            x[w, 3] = (kp[i] - kp[a]) / frames / 1000
            x[w, 4] = mid[w] / 60
        }
        a = i
    }
    if (w < 4 || t[s] - start < 2 * minute) { print "FAIL: too few frames counted"; exit 1 }

    # The first and the last span's windows; u[] weighs each window's
    # frame time into the difference of the two spans' mean frame times.
    span = minute
    if (total >= 180 && (t[s] - start) / 6 > span) span = (t[s] - start) / 6
    spanText = span == 60 ? "minute" : sprintf("%.1f minutes", span / 60)
    last = t[s] - span
    for (i = 1; i <= w; ++i) {
        inFirst[i] = mid[i] <= start + span
        inLast[i] = mid[i] >= last
        if (inFirst[i]) { rf += count[i]; sf += seconds[i] }
        if (inLast[i]) { rl += count[i]; sl += seconds[i] }
    }
    if (rf == 0 || rl == 0) { print "FAIL: too few frames counted"; exit 1 }
    for (i = 1; i <= w; ++i) u[i] = (inLast[i] ? count[i] / rl : 0) - (inFirst[i] ? count[i] / rf : 0)
    # g: the two spans' difference in content (the part taken out).
    for (j = 0; j < 5; ++j) {
        g[j] = 0
        if (j >= 1 && j <= 3) for (i = 1; i <= w; ++i) g[j] += u[i] * x[i, j]
    }

    fitted = fit()
    ss = 0; sr = 0; my = 0
    for (i = 1; i <= w; ++i) my += y[i]
    my /= w
    for (i = 1; i <= w; ++i) {
        e = y[i]
        for (j = 0; j < 5; ++j) e -= beta[j] * x[i, j]
        ss += (y[i] - my) ^ 2
        sr += e ^ 2
    }
    r2 = ss > 0 ? 1 - sr / ss : 0

    # Raw and equal-content rates of the first and the last span.
    for (i = 1; i <= w; ++i) {
        adjusted = y[i]
        for (j = 1; j <= 3; ++j) adjusted -= beta[j] * (x[i, j] - mean[j])
        if (inFirst[i]) af += adjusted * count[i]
        if (inLast[i]) al += adjusted * count[i]
    }
    f1 = rf / sf; f2 = rl / sl
    e1 = 1000 / (af / rf); e2 = 1000 / (al / rl)
    # The difference of the two mean frame times is sum(h y): its variance
    # is the residuals' variance times sum(h^2).
    fallError = -1
    if (fitted && w > usedColumns) {
        hh = 0
        for (i = 1; i <= w; ++i) {
            h = u[i]
            for (j = 0; j < 5; ++j) h -= x[i, j] * q[j]
            hh += h * h
        }
        fallError = sqrt(sr / (w - usedColumns) * hh) * (af / rf) / (al / rl) ^ 2
    }
    printf "first frame after %s ms; frame rate %.2f fps in the first %s, %.2f fps in the last\n", first, f1, spanText, f2
    printf "frame time %.2f ms + %.3f ms per render-target switch + %.4f ms per draw + %.4f ms per 1000 primitives + %.3f ms per minute (R2 %.2f, %d windows%s)\n", \
        beta[0], beta[1], beta[2], beta[3], beta[4], r2, w, fitted ? "" : "; no fit: the columns depend on each other"
    printf "at the run's mean content (%.1f switches, %.0f draws, %.0f primitives a frame): %.2f fps in the first %s, %.2f fps in the last", \
        mean[1], mean[2], 1000 * mean[3], e1, spanText, e2
    if (fallError >= 0) printf "; fall %.1f%% +- %.1f%%\n", 100 * (1 - e2 / e1), 100 * fallError
    else printf "\n"
    if (total < 180) { print "frame rate not judged: a run of three minutes or more compares whole minutes"; exit 0 }
    if (fallError < 0 || fallError > errorLimit) {
        if (fallError < 0) print "frame rate not judged: the content's columns depend on each other and on the time"
        else printf "frame rate not judged: the fit tells the fall only to within %.1f points (at most %.1f): the content changes in step with the time, or the frame times scatter\n", 100 * fallError, 100 * errorLimit
        print "NOT MADE: the frame-rate check"
        exit 0
    }
    if (e2 < (1 - fallLimit) * e1) { printf "FAIL: the frame rate at equal content fell by %.0f%%\n", 100 * (1 - e2 / e1); exit 1 }
}
