#!/usr/bin/env python3
"""The headless export under limits the user or the system set: a limited address
space (ulimit -v) still scans what fits, and a process with only one descriptor
free (ulimit -n 4) still lists the whole tree."""
import os
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def sanitized():
    # AddressSanitizer reserves terabytes of shadow memory up front: no ulimit -v for it.
    with open(BIN, "rb") as f:
        return b"__asan_init" in f.read()


def export_under(limit, folder, csv_path):
    result = subprocess.run(["sh", "-c", f'{limit} && exec "$0" --export "$1" "$2"', BIN, folder, csv_path],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def rows_of(csv_path):
    with open(csv_path, "rb") as f:
        return [line for line in f.read().split(b"\r\n")[2:] if line]


def make_tree(root, folders, files_per_folder):
    count = 1
    for k in range(folders):
        folder = os.path.join(root, *[f"level{k % 7}-{j}" for j in range(k % 5)], f"f{k}")
        os.makedirs(folder, exist_ok=True)
        for n in range(files_per_folder):
            with open(os.path.join(folder, f"file{n}.txt"), "wb") as f:
                f.write(b"x" * n)
    for _, dirs, files in os.walk(root):
        count += len(dirs) + len(files)
    return count


def main():
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        rows = make_tree(tree, 400, 10)
        csv_path = os.path.join(work, "out.csv")

        # The arrays used to reserve about 51 GB of address space at once.
        if not sanitized():
            for kib in (2_000_000, 400_000):
                code, out = export_under(f"ulimit -v {kib}", tree, csv_path)
                check(code == 0 and out.startswith(f"Exported {rows:,} rows"), f"ulimit -v {kib}: exit {code}, {out!r}")
                if os.path.exists(csv_path):
                    check(len(rows_of(csv_path)) == rows, f"ulimit -v {kib}: {len(rows_of(csv_path))} rows of {rows}")
                    os.remove(csv_path)
        # Three standard streams and one descriptor left: the walk waits for its own
        # listings to close theirs instead of dropping folders, and the export then writes.
        code, out = export_under("ulimit -n 4", tree, csv_path)
        check(code == 0 and out.startswith(f"Exported {rows:,} rows"), f"ulimit -n 4: exit {code}, {out!r}")
        if os.path.exists(csv_path):
            check(len(rows_of(csv_path)) == rows, f"ulimit -n 4: {len(rows_of(csv_path))} rows of {rows}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
