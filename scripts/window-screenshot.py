#!/usr/bin/env python3
"""Starts a window under Wine on a private X display, waits for its first real
frame, saves its client area as a PNG, closes it and prints the PNG's path.
    scripts/window-screenshot.py OUT.png WINDOW_CLASS EXE [ARGUMENTS...]
The program runs in test-input mode (--test-input is added when missing). Mossbloom's
own window (class MossbloomWindow) is captured once its scan has ended."""
import os
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "harness"))
from mbwin import Harness  # noqa: E402


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    out, window_class, exe, args = os.path.abspath(sys.argv[1]), sys.argv[2], os.path.abspath(sys.argv[3]), sys.argv[4:]
    if "--test-input" not in args:
        args = ["--test-input"] + args
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with Harness("run") as h:
        w = h.launch(exe, args, window_class)
        w.ready()
        if window_class == "MossbloomWindow":
            # A tree (3) or none (0, e.g. a folder that cannot be read); not while scanning.
            w.wait_prop("MossbloomTest.Scan", "ne", 1, 600000)
            w.repaint()
        w.capture_to(out)
        w.close()
    print(out)


if __name__ == "__main__":
    main()
