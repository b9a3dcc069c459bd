# arith: the same computation as arith.mox. awk computes in doubles, '/' is
# float division and '%' is the floating-point remainder, as in moxa.
BEGIN {
    s = 0
    i = 0
    while (i < 3000) {
        j = 0
        while (j < 1000) {
            p = i * j + 7
            q = p % 97
            if (q < 50) {
                s = s + q * 3
            } else {
                s = s - (p - q) / 97 % 13
            }
            j = j + 1
        }
        i = i + 1
    }
    printf "%f\n", s
}
