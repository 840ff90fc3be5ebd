# Judges the frame rate of a frame-meter log (tests/bench/FrameMeter.cpp):
# lines "<seconds> <frames> <draws> <primitives> <render-target switches>",
# each a running total. Compares the first minute (from the 10th second,
# after the scene's warm-up) with the last, at equal content.
#
# What a frame costs follows what it draws: the wandering camera sees more
# or fewer fish, drawn whole or as billboards, and more or fewer clone-fish
# masters render their pictures; between two minutes of a healthy run the
# raw rate differs by a third and more. So the frame time of 5-second
# windows is fitted by least squares to
#     a + b x switches + c x draws + d x primitives / 1000 + e x minutes
# and each window's time is brought to the run's mean content by taking
# out b, c and d times its content's difference from the mean. Those
# times, averaged over the first and over the last minute, give the two
# frame rates at equal content; a fall of more than a tenth fails.
#
#   awk -v total=SECONDS -f framerate.awk frames.log
# total: the run's length; runs shorter than 180 s only print their rates.
# Exit code 1 on a fall, on too few frames, 0 otherwise.

function fit(    i, j, k, r, p, f, t, m, v, sum, n) {
    # Columns: 0 constant, 1 switches, 2 draws, 3 kiloprimitives, 4 minutes.
    # A column that hardly varies in the run (by less than 1 %; no clone
    # passes, say) is left out of the fit; its coefficient stays 0.
    for (j = 0; j < 5; ++j) {
        m = 0
        for (i = 1; i <= w; ++i) m += x[i, j]
        mean[j] = m / w
        v = 0
        for (i = 1; i <= w; ++i) v += (x[i, j] - mean[j]) ^ 2
        used[j] = (j == 0 || v / w > 1e-4 * (mean[j] ^ 2 + 1e-9))
        beta[j] = 0
    }
    for (j = 0; j < 5; ++j) {
        for (k = 0; k < 5; ++k) {
            sum = 0
            for (i = 1; i <= w; ++i) sum += x[i, j] * x[i, k]
            A[j, k] = sum
        }
        sum = 0
        for (i = 1; i <= w; ++i) sum += x[i, j] * y[i]
        A[j, 5] = sum
    }
    # Gaussian elimination with partial pivoting over the used columns.
    n = 0
    for (j = 0; j < 5; ++j) if (used[j]) col[n++] = j
    for (p = 0; p < n; ++p) {
        r = p
        for (i = p + 1; i < n; ++i) if ((A[col[i], col[p]] ^ 2) > (A[col[r], col[p]] ^ 2)) r = i
        if (r != p) for (k = 0; k <= 5; ++k) { t = A[col[p], k]; A[col[p], k] = A[col[r], k]; A[col[r], k] = t }
        if (A[col[p], col[p]] == 0) return 0
        for (i = 0; i < n; ++i) {
            if (i == p) continue
            f = A[col[i], col[p]] / A[col[p], col[p]]
            for (k = 0; k <= 5; ++k) A[col[i], k] -= f * A[col[p], k]
        }
    }
    for (p = 0; p < n; ++p) beta[col[p]] = A[col[p], 5] / A[col[p], col[p]]
    return 1
}

/^first_present_ms/ { first = $2; next }
/^#/ { next }
NF >= 5 { ++s; t[s] = $1; c[s] = $2; d[s] = $3; q[s] = $4; g[s] = $5 }

END {
    minute = total >= 180 ? 60 : int(total / 3)
    start = 10
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
            x[w, 1] = (g[i] - g[a]) / frames
            x[w, 2] = (d[i] - d[a]) / frames
            x[w, 3] = (q[i] - q[a]) / frames / 1000
            x[w, 4] = mid[w] / 60
        }
        a = i
    }
    if (w < 4 || t[s] - start < 2 * minute) { print "FAIL: too few frames counted"; exit 1 }

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

    # Raw and equal-content rates of the first and the last minute.
    last = t[s] - minute
    for (i = 1; i <= w; ++i) {
        adjusted = y[i]
        for (j = 1; j <= 3; ++j) adjusted -= beta[j] * (x[i, j] - mean[j])
        if (mid[i] <= start + minute) { rf += count[i]; sf += seconds[i]; af += adjusted * count[i] }
        if (mid[i] >= last) { rl += count[i]; sl += seconds[i]; al += adjusted * count[i] }
    }
    if (rf == 0 || rl == 0) { print "FAIL: too few frames counted"; exit 1 }
    f1 = rf / sf; f2 = rl / sl
    e1 = 1000 / (af / rf); e2 = 1000 / (al / rl)
    printf "first frame after %s ms; frame rate %.2f fps in the first minute, %.2f fps in the last\n", first, f1, f2
    printf "frame time %.2f ms + %.3f ms per render-target switch + %.4f ms per draw + %.4f ms per 1000 primitives + %.3f ms per minute (R2 %.2f, %d windows%s)\n", \
        beta[0], beta[1], beta[2], beta[3], beta[4], r2, w, fitted ? "" : "; no fit"
    printf "at the run's mean content (%.1f switches, %.0f draws, %.0f primitives a frame): %.2f fps in the first minute, %.2f fps in the last\n", \
        mean[1], mean[2], 1000 * mean[3], e1, e2
    if (total < 180) { print "frame rate not judged: a run of three minutes or more compares whole minutes"; exit 0 }
    if (e2 < 0.9 * e1) { printf "FAIL: the frame rate at equal content fell by %.0f%%\n", 100 * (1 - e2 / e1); exit 1 }
}
