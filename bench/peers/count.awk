# count: the same loop as count.mox.
BEGIN {
    i = 0
    while (i < 10000000) {
        i = i + 1
    }
    printf "%f\n", i
}
