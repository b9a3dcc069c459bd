# count: the same loop as count.mox.
def main():
    i = 0
    while i < 10000000:
        i = i + 1
    print("%f" % i)


main()
