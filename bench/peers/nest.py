# nest: the same four nested loops as nest.mox.
def main():
    s = 0
    a = 0
    while a < 40:
        b = 0
        while b < 40:
            c = 0
            while c < 40:
                d = 0
                while d < 40:
                    if (a + b + c + d) % 3 == 0:
                        s = s + a * d
                    else:
                        s = s + b - c
                    d = d + 1
                c = c + 1
            b = b + 1
        a = a + 1
    print("%f" % s)


main()
