# calls: the same four million calls as calls.mox. ident returns its one
# argument (a moxa call used as a factor has its argument's value); tick
# takes nothing and does nothing (a call statement without arguments).
def ident(v):
    return v


def tick():
    pass


def main():
    s = 0
    i = 0
    while i < 1000000:
        x = ident(i % 10) * ident(3) + ident(i % 7)
        tick()
        s = s + x
        i = i + 1
    print("%f" % s)


main()
