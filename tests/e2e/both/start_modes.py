#!/usr/bin/env python3
"""Which mode a command line runs: --bench anywhere wins, then the leftmost of
--export / --dump-policy / the update steps. Each mode is recognised by what it
prints, so the checks hold both for the finished modes and for builds where a
mode only reports that it is missing."""
import os
import re
import shlex
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
RUN = shlex.split(os.environ.get("MB_RUN", ""))
WINDOWS = os.environ.get("MB_TARGET") == "win32"

# What each mode prints, finished or not yet built.
MARKERS = {
    "bench": re.compile(r"\bbench\b", re.I),
    "export": re.compile(r"usage: mossbloom --export|export|exported", re.I),
    "dump-policy": re.compile(r"polic", re.I),
}


def run(args):
    result = subprocess.run(RUN + [BIN] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def mode_of(output):
    found = [name for name, marker in MARKERS.items() if marker.search(output)]
    return found


def main():
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "file.txt"), "w") as f:
            f.write("x")
        target = folder
        if WINDOWS:
            target = "Z:" + folder.replace("/", "\\")
        # The export never gets two values, so a finished export prints its usage
        # and writes nothing; a finished benchmark scans the small folder once.
        cases = [
            (["--bench", target, "--runs", "1"], "bench"),
            (["--export", "--bench", target, "--runs", "1"], "bench"),
            (["--bench", target, "--runs", "1", "--export"], "bench"),
            (["--dump-policy", "--bench", target, "--runs", "1"], "bench"),
            (["--export"], "export"),
            (["--export", "--dump-policy"], "export"),
            (["--dump-policy", "--export"], "dump-policy"),
            (["--theme", "dark", "--dump-policy", "--export", target], "dump-policy"),
        ]
        for args, expected in cases:
            code, output = run(args)
            found = mode_of(output)
            if found != [expected]:
                failures.append(f"{args}: expected only the {expected} mode, saw {found} in {output!r} (exit {code})")
        # The self-test answers "MBUP"; POSIX keeps only the low byte, "P".
        code, output = run(["--update-selftest"])
        if code != 0x50:
            failures.append(f"--update-selftest exited with {code}, expected 0x50 (low byte of 0x4D425550)")
        code, _ = run(["--bench", target, "--runs", "1", "--update-selftest"])
        if code == 0x50:
            failures.append("--bench did not win over --update-selftest")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
