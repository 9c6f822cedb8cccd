#!/usr/bin/env python3
"""Trees deeper than a path can name: the headless export lists every folder of a
chain whose paths pass the system's limits (natively PATH_MAX, 4 096 bytes; on
Windows 32 767 units), opening each folder relative to its parent."""
import os
import shlex
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
RUN = shlex.split(os.environ.get("MB_RUN", ""))
WINDOWS = os.environ.get("MB_TARGET") == "win32"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def host_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def make_chain(root, names):
    """Folders one inside the next, made by descriptor (no path is ever that long), a
    file of 5 bytes at the bottom. Returns the rows an export of root has."""
    os.mkdir(root)
    fd = os.open(root, os.O_RDONLY)
    for name in names:
        os.mkdir(name, dir_fd=fd)
        inner = os.open(name, os.O_RDONLY, dir_fd=fd)
        os.close(fd)
        fd = inner
    leaf = os.open("leaf.txt", os.O_CREAT | os.O_WRONLY, 0o644, dir_fd=fd)
    os.write(leaf, b"hello")
    os.close(leaf)
    os.close(fd)
    return len(names) + 2


def remove_chain(root):
    """Lifts the chain one level at a time (no path is ever long, no recursion)."""
    lifted = 0
    while os.listdir(root):
        for entry in os.listdir(root):
            path = os.path.join(root, entry)
            if os.path.isdir(path) and not os.path.islink(path):
                for inner in os.listdir(path):
                    lifted += 1
                    os.rename(os.path.join(path, inner), os.path.join(root, f"lifted{lifted}"))
                os.rmdir(path)
            else:
                os.remove(path)
    os.rmdir(root)


def main():
    cases = [("130 names of 255 characters", [f"{i:03}" + "x" * 252 for i in range(130)])]
    if not WINDOWS:
        # Under Wine each open of a deep folder costs a walk of its whole path: natively only.
        cases.append(("5 000 one-letter folders", ["d"] * 5000))
    with tempfile.TemporaryDirectory() as work:
        for what, names in cases:
            root = os.path.join(work, "root")
            rows = make_chain(root, names)
            csv_path = os.path.join(work, "deep.csv")
            result = subprocess.run(RUN + [BIN, "--export", host_path(root), host_path(csv_path)],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=600)
            out = result.stdout.decode("utf-8", "replace")
            check(result.returncode == 0 and out.startswith(f"Exported {rows:,} rows"),
                  f"{what}: exit {result.returncode}, {out!r}, expected {rows} rows")
            if os.path.exists(csv_path):
                with open(csv_path, "rb") as f:
                    data = f.read()
                check(b"leaf.txt\",5," in data, f"{what}: the file at the bottom is missing")
                os.remove(csv_path)
            remove_chain(root)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
