"""What a whole run of the real executable prints around a program's own output, for the
hostile checks: the banners, the last line of a run that ends, and the two shapes of a
whole output. Typed out here, not taken from the interpreter, so that a changed byte there
fails the checks."""

HELLO = b"\nhello\n\n"
BYE = b"\nbye\n\n"
USPECH = b"\nProgram probehl bez chyb.\n"
VERDIKT = b"\nV programu se vyskytla chyba.\n"


def uspech(vystup):
    """The whole output of a run that prints `vystup` and succeeds."""
    return HELLO + vystup + USPECH + BYE


def chyba(vystup, zprava):
    """The whole output of a run that prints `vystup`, then fails with `zprava`."""
    return HELLO + vystup + zprava + VERDIKT + BYE
