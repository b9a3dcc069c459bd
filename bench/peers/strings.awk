# strings: the same appends and text comparisons as strings.mox. s and t are
# made by concatenation, so awk compares them as strings.
BEGIN {
    i = 0; j = 0
    eq = 0; ne = 0; lt = 0
    s = "m"; t = "m"
    while (i < 1000000) {
        if (i % 5 == 0) s = s "ba"; else s = s "ab"
        if (i % 3 == 0) t = t "ba"; else t = t "ab"
        if (s == t) eq = eq + 1
        if (s != "mabab") ne = ne + 1
        if (s < t) lt = lt + 1
        j = j + 1
        if (j == 7) {
            j = 0
            s = "m"
            t = "m"
        }
        i = i + 1
    }
    printf "eq%f ne%f lt%f s%s t%s\n", eq, ne, lt, s, t
}
