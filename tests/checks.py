"""What the Python tests of the tools share: checks that collect their failures instead of
stopping at the first, groups of checks of which one that breaks fails by its name while the
others still run, and the summary with the exit status.

A test puts this folder on its path and imports it:
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
    from checks import check, expect, failures, finish
"""
import sys

failures = []


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}:\n  want {want!r}\n  got  {got!r}")


def check(condition, what):
    if not condition:
        failures.append(what)


def finish(name, groups=(), *args):
    """Runs each group with `args`, then prints every failure and exits 1 when there was one."""
    for group in groups:
        try:
            group(*args)
        except Exception as e:  # noqa: BLE001 - a hang or a broken reply fails its group only
            failures.append(f"{group.__name__}: {type(e).__name__}: {e}")
    for f in failures:
        print("FAIL", f)
    print(f"{name}: {len(failures)} failures")
    sys.exit(1 if failures else 0)
