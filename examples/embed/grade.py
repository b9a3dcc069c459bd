#!/usr/bin/env python3
"""Grades a folder of .mox programs with the moxa library (standard library ctypes only).

    grade.py [--time SECONDS] [--steps N] [--memory BYTES] [--lib PATH] FOLDER

For every NAME.mox in FOLDER that has a NAME.out beside it, runs the program with NAME.in
(if there is one) as its input and compares what it prints with NAME.out, which holds what
`moxa NAME.mox < NAME.in` prints. Prints one line a program:

    pass NAME
    fail NAME: line 3: expected '6.000000', got '5.000000'
    stopped NAME

and a summary. A time limit (10 seconds a program unless --time says otherwise) stops
programs that loop forever; a step limit (--steps; none unless given) bounds the work of a
program the same way on every machine. The library is found by --lib, then the MOXA_LIB environment variable, then
the system's library path. Exit status: 0 when every program passed, 1 otherwise, 2 when the
folder or the library cannot be used.
"""
import argparse
import ctypes
import ctypes.util
import os
import sys

MOXA_OK, MOXA_ERROR, MOXA_STOPPED = 0, 1, 2
HELLO = b"\nhello\n\n"
BYE = b"\nbye\n\n"

WRITE_FN = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(ctypes.c_char), ctypes.c_size_t)


READ_FN = ctypes.CFUNCTYPE(ctypes.c_size_t, ctypes.c_void_p, ctypes.POINTER(ctypes.c_char),
                           ctypes.c_size_t)


class Options(ctypes.Structure):
    """moxa_options: `size` tells the library which fields this host knows."""
    _fields_ = [
        ("size", ctypes.c_size_t),
        ("max_steps", ctypes.c_ulonglong),
        ("max_output", ctypes.c_size_t),
        ("max_memory", ctypes.c_size_t),
        ("max_time", ctypes.c_ulonglong),
        ("read", READ_FN),
        ("read_user", ctypes.c_void_p),
    ]


def load_library(path):
    candidates = [path, os.environ.get("MOXA_LIB"), ctypes.util.find_library("moxa"), "libmoxa.so.1"]
    for name in candidates:
        if not name:
            continue
        try:
            lib = ctypes.CDLL(name)
        except OSError:
            continue
        try:
            run_with = lib.moxa_run_with
        except AttributeError:
            continue  # a library older than the options
        run_with.argtypes = [
            ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p, ctypes.c_size_t,
            ctypes.POINTER(Options), WRITE_FN, ctypes.c_void_p,
        ]
        run_with.restype = ctypes.c_int
        lib.moxa_version.restype = ctypes.c_char_p
        return lib
    return None


def run(lib, program, stdin, options):
    """Runs one program; returns its status and everything the command would print."""
    chunks = []

    def write(_user, data, length):
        chunks.append(ctypes.string_at(data, length))

    callback = WRITE_FN(write)
    status = lib.moxa_run_with(program, len(program), stdin, len(stdin), ctypes.byref(options),
                               callback, None)
    output = b"".join(chunks)
    if status != MOXA_STOPPED:
        output = HELLO + output + BYE  # the banners the command adds
    return status, output


def first_difference(expected, got):
    """Where two outputs part: the line number and the two lines."""
    want = expected.split(b"\n")
    have = got.split(b"\n")
    for i in range(max(len(want), len(have))):
        a = want[i] if i < len(want) else None
        b = have[i] if i < len(have) else None
        if a != b:
            show = lambda line: "(nothing)" if line is None else repr(line.decode("latin-1"))
            return "line %d: expected %s, got %s" % (i + 1, show(a), show(b))
    return "same lines"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    parser = argparse.ArgumentParser(description="Grade a folder of .mox programs.")
    parser.add_argument("folder")
    parser.add_argument("--time", type=float, default=10.0)
    parser.add_argument("--steps", type=int, default=0)
    parser.add_argument("--memory", type=int, default=256 << 20)
    parser.add_argument("--lib")
    args = parser.parse_args()

    lib = load_library(args.lib)
    if lib is None:
        print("grade.py: the moxa library (libmoxa.so.1) was not found", file=sys.stderr)
        return 2
    if not os.path.isdir(args.folder):
        print("grade.py: %s is not a folder" % args.folder, file=sys.stderr)
        return 2

    options = Options(ctypes.sizeof(Options), args.steps, 0, args.memory,
                      int(args.time * 1000))
    counts = {"pass": 0, "fail": 0, "stopped": 0}
    for name in sorted(os.listdir(args.folder)):
        if not name.endswith(".mox"):
            continue
        stem = os.path.join(args.folder, name[:-4])
        if not os.path.exists(stem + ".out"):
            continue
        stdin = read(stem + ".in") if os.path.exists(stem + ".in") else b""
        status, output = run(lib, read(stem + ".mox"), stdin, options)
        expected = read(stem + ".out")
        if status == MOXA_STOPPED:
            verdict = "stopped"
            print("stopped %s" % name[:-4])
        elif output == expected:
            verdict = "pass"
            print("pass %s" % name[:-4])
        else:
            verdict = "fail"
            print("fail %s: %s" % (name[:-4], first_difference(expected, output)))
        counts[verdict] += 1
    print("%d passed, %d failed, %d stopped (moxa %s)" % (
        counts["pass"], counts["fail"], counts["stopped"], lib.moxa_version().decode()))
    return 0 if counts["fail"] == 0 and counts["stopped"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
