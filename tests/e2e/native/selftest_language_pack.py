#!/usr/bin/env python3
"""--update-selftest passes only when the program can read its English texts: a
copy of the program beside a damaged language pack must fail it."""
import os
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]


def selftest(program):
    return subprocess.run([program, "--update-selftest"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=120).returncode


def main():
    failures = []
    if selftest(BIN) != 0x50:
        failures.append("the built program did not pass its self-test")
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "mossbloom")
        shutil.copy2(BIN, copy)
        with open(os.path.join(folder, "mossbloom.lang"), "wb") as f:
            f.write(b"MBL2" + b"\xff" * 64)
        code = selftest(copy)
        if code == 0x50:
            failures.append("a damaged language pack passed the self-test")
        elif code != 1:
            failures.append(f"a damaged language pack ended the self-test with {code}, expected 1")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
