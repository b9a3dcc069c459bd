# arith: the same computation as arith.mox. '/' is float division, as in
# moxa; (p - q) is a multiple of 97, so its quotient is an exact integer.
def main():
    s = 0
    i = 0
    while i < 3000:
        j = 0
        while j < 1000:
            p = i * j + 7
            q = p % 97
            if q < 50:
                s = s + q * 3
            else:
                s = s - (p - q) / 97 % 13
            j = j + 1
        i = i + 1
    print("%f" % s)


main()
