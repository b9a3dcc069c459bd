#!/usr/bin/env python3
"""The proportion of test code to the code it tests, counted in non-blank lines of the files git
tracks.

Test code: the C++ tests, the test scripts (Python, shell), the page's and the editors' tests and
the scripts that run the test groups (the ci.sh files). Not counted: golden data (programs,
inputs, expected outputs, traces), the fuzz targets and their runner, the benchmarks and the
examples.

Code: the interpreter and its library, the C API, the tools and the checker, the page's sources
and its WebAssembly entry points, the editors' extensions and their generator, the build files
(CMake) and the install scripts. Not counted: man pages, documents, data, lock files.

Usage: ratio.py SOURCE_DIR [--max RATIO]   (with --max, exits 1 when the ratio is above RATIO)
"""
import subprocess
import sys

CODE_SUFFIXES = (".cpp", ".hpp", ".h", ".c", ".py", ".sh", ".mjs", ".js", ".lua", ".vim",
                 ".cmake", ".html", ".css")
TEST_DIRS = ("tests/", "web/test/", "editors/test/", "editors/vscode/test/", "editors/nvim/test/",
             "editors/vim/test/")
RUNNERS = (".ci/run", ".ci/packages.sh", "web/ci.sh", "editors/ci.sh", "packaging/ci.sh")
NEITHER = ("fuzz/", "bench/", "examples/", "editors/doc/", "web/doc/")


def side(path):
    """'test', 'code' or None for a tracked file."""
    if path in RUNNERS:
        return "test"
    if path.startswith(NEITHER):
        return None
    if not (path.endswith(CODE_SUFFIXES) or path.endswith("CMakeLists.txt")):
        return None
    if path.startswith(TEST_DIRS):
        return "test"
    return "code"


def lines(path):
    with open(path, "rb") as f:
        return sum(1 for line in f if line.strip())


def main(argv):
    root = argv[1]
    limit = float(argv[3]) if len(argv) > 3 and argv[2] == "--max" else None
    files = subprocess.run(["git", "-C", root, "ls-files"], check=True, capture_output=True,
                           text=True).stdout.split("\n")
    totals = {"test": {}, "code": {}}
    for path in filter(None, files):
        kind = side(path)
        if kind:
            top = path.split("/")[0] if "/" in path else "."
            if path.startswith(("web/test/", "editors/")) or top in ("web", "tests"):
                top = "/".join(path.split("/")[:2])
            totals[kind][top] = totals[kind].get(top, 0) + lines(f"{root}/{path}")
    for kind in ("code", "test"):
        for top, n in sorted(totals[kind].items()):
            print(f"{kind:4} {n:6} {top}")
    test, code = sum(totals["test"].values()), sum(totals["code"].values())
    ratio = test / code
    print(f"test {test} / code {code} = {ratio:.3f}")
    if limit is not None and ratio > limit:
        print(f"above {limit}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
