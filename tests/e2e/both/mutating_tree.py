#!/usr/bin/env python3
"""A tree that changes under the scan: while exports run, a thread renames folders and
swaps them (and whole top folders) for symbolic links to a folder outside the scanned
root, shaped like the tree so that a path through a link still names folders. No
export may ever list a row from outside the root."""
import os
import shlex
import subprocess
import sys
import tempfile
import threading
import time

BIN = os.environ["MB_BIN"]
RUN = shlex.split(os.environ.get("MB_RUN", ""))
WINDOWS = os.environ.get("MB_TARGET") == "win32"
TOP, SUB = 24, 24
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def host_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def make_tree(root, outside):
    for a in range(TOP):
        for b in range(SUB):
            folder = os.path.join(root, f"a{a}", f"b{b}")
            os.makedirs(os.path.join(folder, "c"))
            for f in range(2):
                with open(os.path.join(folder, f"f{f}.txt"), "wb") as out:
                    out.write(b"x")
    # outside/b*/ and outside/a*/b*/ hold the marker, so a path through a link leads to it
    for b in range(SUB):
        os.makedirs(os.path.join(outside, f"b{b}", "c", "OUTSIDE-MARKER"))
        os.makedirs(os.path.join(outside, "c", "OUTSIDE-MARKER"), exist_ok=True)
    for a in range(TOP):
        for b in range(SUB):
            os.makedirs(os.path.join(outside, f"a{a}", f"b{b}", "OUTSIDE-MARKER"))


def swap(path, outside):
    away = path + ".away"
    try:
        os.rename(path, away)
    except OSError:
        return
    try:
        os.symlink(outside, path)
        time.sleep(0.001)
        os.unlink(path)
    except OSError:
        pass
    os.rename(away, path)


def mutate(root, outside, stop):
    turn = 0
    while not stop.is_set():
        a = turn % TOP
        swap(os.path.join(root, f"a{a}", f"b{(turn * 7) % SUB}"), outside)
        swap(os.path.join(root, f"a{(a * 5) % TOP}"), outside)
        turn += 1


def main():
    runs = 12 if WINDOWS else 30
    with tempfile.TemporaryDirectory() as work:
        root = os.path.join(work, "root")
        outside = os.path.join(work, "outside")
        make_tree(root, outside)
        stop = threading.Event()
        mutator = threading.Thread(target=mutate, args=(root, outside, stop))
        mutator.start()
        escaped = 0
        try:
            for run in range(runs):
                csv_path = os.path.join(work, f"run{run}.csv")
                result = subprocess.run(RUN + [BIN, "--export", host_path(root), host_path(csv_path)],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300)
                check(result.returncode == 0, f"run {run}: exit {result.returncode}")
                if os.path.exists(csv_path):
                    with open(csv_path, "rb") as f:
                        if b"OUTSIDE-MARKER" in f.read():
                            escaped += 1
                    os.remove(csv_path)
        finally:
            stop.set()
            mutator.join()
        # Wine shows a Linux link as a plain folder carrying its target's file id, so a link
        # that is already in place when its parent is listed cannot be told from a folder
        # there (Windows marks links and junctions as reparse points, which are never
        # followed). The rare run that lists at that moment (once in about sixty runs here)
        # is reported, not counted; more than one in a test fails.
        allowed = 1 if WINDOWS else 0
        if 0 < escaped <= allowed:
            print(f"KNOWN ISSUE (not counted): {escaped} of {runs} exports under Wine listed a link present "
                  "at its parent's listing")
        check(escaped <= allowed, f"{escaped} of {runs} exports listed folders outside the root")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
