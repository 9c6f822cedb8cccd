#!/usr/bin/env python3
"""The headless export: exact console lines, exit codes, the CSV it writes, UTF-8
when the output is redirected, folders that cannot be scanned and forgotten CSV
paths (nothing written, nothing overwritten), and (Windows) the AllowedPaths
refusal that creates no file."""
import os
import re
import shlex
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
RUN = shlex.split(os.environ.get("MB_RUN", ""))
WINDOWS = os.environ.get("MB_TARGET") == "win32"
EOL = "\r\n" if WINDOWS else "\n"
DURATION = r"(?:\d+(?:\.\d+)? (?:ms|s)|\d+ min \d+ s|\d+ h \d+ min)"
USAGE = "Usage: mossbloom --export <folder or drive> <file.csv> [--mft]" + EOL
failures = []


def host_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def run(args, stdout=subprocess.PIPE):
    result = subprocess.run(RUN + [BIN] + args, stdout=stdout, stderr=subprocess.DEVNULL, timeout=300)
    return result.returncode, (result.stdout or b"")


def check(condition, message):
    if not condition:
        failures.append(message)


def data_rows(csv_path):
    with open(csv_path, "rb") as f:
        data = f.read()
    check(data.startswith(b"\xef\xbb\xbf"), f"{csv_path}: no byte-order mark")
    lines = data.decode("utf-8").splitlines()
    # Title line, column header, then one row per file and folder.
    return [line for line in lines[2:] if line]


def make_tree(root):
    os.makedirs(os.path.join(root, "sub", "deeper"))
    os.makedirs(os.path.join(root, "empty"))
    for name, size in [("a.txt", 10), ("b.jpg", 2000), ("sub/c.txt", 3), ("sub/deeper/d.bin", 70000)]:
        with open(os.path.join(root, name), "wb") as f:
            f.write(b"x" * size)
    return 4 + 3 + 1   # files, folders, the root


def expect_exported(folder, csv_path, rows, how):
    code, out = run(["--export", host_path(folder), host_path(csv_path)])
    text = out.decode("utf-8", "strict")
    word = "row" if rows == 1 else "rows"
    pattern = (re.escape(f"Exported {rows:,} {word} to {host_path(csv_path)} (scan ") + DURATION +
               re.escape(", export ") + DURATION + re.escape(")" + EOL))
    check(code == 0, f"{how}: exit {code}, output {text!r}")
    check(re.fullmatch(pattern, text) is not None, f"{how}: unexpected line {text!r}")
    if os.path.exists(csv_path):
        found = data_rows(csv_path)
        check(len(found) == rows, f"{how}: {len(found)} data rows in the CSV, expected {rows}")
    else:
        failures.append(f"{how}: no CSV written")


def main():
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        rows = make_tree(tree)
        empty = os.path.join(work, "nothing")
        os.makedirs(empty)
        # Several rows, one row (the plural rule), a non-ASCII CSV name.
        expect_exported(tree, os.path.join(work, "out.csv"), rows, "small tree")
        expect_exported(empty, os.path.join(work, "one.csv"), 1, "empty folder")
        expect_exported(tree, os.path.join(work, "r\u00e9sum\u00e9 \u6587.csv"), rows, "non-ASCII CSV name")

        # Redirected to a file, the line arrives as UTF-8 without a byte-order mark.
        named = os.path.join(work, "\u00e7a \U0001F600.csv")
        log = os.path.join(work, "stdout.txt")
        with open(log, "wb") as f:
            code, _ = run(["--export", host_path(tree), host_path(named)], stdout=f)
        with open(log, "rb") as f:
            raw = f.read()
        check(code == 0, f"redirected export exited {code}")
        check(raw.startswith(("Exported " + str(rows) + " rows to " + host_path(named)).encode("utf-8")),
              f"redirected output is not the UTF-8 line: {raw!r}")

        # Usage errors: exit 1, the usage text, nothing written.
        for args in (["--export"], ["--export", host_path(tree)], ["--export", "", host_path(os.path.join(work, "x.csv"))]):
            code, out = run(args)
            check(code == 1, f"{args}: exit {code}, expected 1")
            check(out.decode("utf-8") == USAGE, f"{args}: printed {out!r}")
        check(not os.path.exists(os.path.join(work, "x.csv")), "a usage error created the CSV")

        # A CSV that cannot be written: exit 1, "Export failed: " and the reason.
        blocked = os.path.join(work, "no such folder", "x.csv")
        code, out = run(["--export", host_path(tree), host_path(blocked)])
        text = out.decode("utf-8")
        check(code == 1 and text.startswith("Export failed: ") and text.endswith(EOL) and len(text) > 17,
              f"unwritable CSV: exit {code}, output {text!r}")

        cannot_scan(work, tree)
        forgotten_csv_path(work, tree)
        if WINDOWS:
            allowed_paths(work, tree)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


def cannot_scan(work, tree):
    """A folder that cannot be listed: exit 1, "Cannot scan <folder>: <reason>", no CSV
    written and an earlier one at the path left as it was."""
    with open(os.path.join(work, "a file.txt"), "w") as f:
        f.write("x")
    kept = os.path.join(work, "kept.csv")
    fresh = os.path.join(work, "fresh.csv")
    cases = [(os.path.join(work, "no such folder"), "missing folder"),
             (os.path.join(work, "no such folder", "deeper"), "missing parent"),
             (os.path.join(work, "gone.csv"), "missing CSV file as the folder"),
             (os.path.join(work, "a file.txt"), "regular file as the folder")]
    if WINDOWS:
        cases.append(("\\\\mossbloom-no-such-host\\share", "unreachable UNC path"))
    for folder, how in cases:
        target = host_path(folder) if not folder.startswith("\\\\") else folder
        for csv_path in (kept, fresh):
            with open(kept, "w") as f:
                f.write("earlier export")
            if os.path.exists(fresh):
                os.remove(fresh)
            code, out = run(["--export", target, host_path(csv_path)])
            text = out.decode("utf-8")
            prefix = f"Cannot scan {target}: "
            check(code == 1, f"{how}: exit {code}, output {text!r}")
            check(text.startswith(prefix) and text.endswith(EOL) and len(text) > len(prefix) + len(EOL) and
                  text.count("\n") == 1, f"{how}: printed {text!r}")
            with open(kept) as f:
                check(f.read() == "earlier export", f"{how}: the existing CSV was changed")
            check(not os.path.exists(fresh), f"{how}: a CSV was written")


def forgotten_csv_path(work, tree):
    """An option name where the CSV path belongs: the usage line, exit 1, no file of that name."""
    folder = os.path.join(work, "cwd")
    os.makedirs(folder)
    for args in (["--export", host_path(tree), "--mft"], ["--export", "F", "--export", "X"],
                 ["--export", host_path(tree), "--dump-policy"], ["--mft", "--export", host_path(tree), "--out"]):
        result = subprocess.run(RUN + [BIN] + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300,
                                cwd=folder)
        check(result.returncode == 1, f"{args}: exit {result.returncode}")
        check(result.stdout.decode("utf-8") == USAGE, f"{args}: printed {result.stdout!r}")
        check(os.listdir(folder) == [], f"{args}: wrote {os.listdir(folder)}")


def registry(*args):
    subprocess.run(RUN + ["reg"] + list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def allowed_paths(work, tree):
    key = "HKCU\\Software\\Policies\\Mossbloom"
    other = host_path(os.path.join(work, "elsewhere"))
    csv_path = os.path.join(work, "refused.csv")
    try:
        # Outside every allowed folder: exit 2, the refusal line, no file.
        registry("add", key, "/v", "AllowedPaths", "/t", "REG_MULTI_SZ", "/d", other + "\\0C:\\Allowed", "/f")
        code, out = run(["--export", host_path(tree) + "\\", host_path(csv_path)])
        expected = f"Managed by your organization: scanning {host_path(tree)} is not allowed.\r\n"
        check(code == 2, f"AllowedPaths refusal: exit {code}, expected 2")
        check(out.decode("utf-8") == expected, f"AllowedPaths refusal printed {out!r}")
        check(not os.path.exists(csv_path), "AllowedPaths refusal created the CSV file")
        # Inside an allowed folder the export runs.
        registry("add", key, "/v", "AllowedPaths", "/t", "REG_MULTI_SZ", "/d", other + "\\0" + host_path(work), "/f")
        code, out = run(["--export", host_path(tree), host_path(csv_path)])
        check(code == 0 and os.path.exists(csv_path), f"allowed folder: exit {code}, output {out!r}")
    finally:
        registry("delete", key, "/v", "AllowedPaths", "/f")


if __name__ == "__main__":
    sys.exit(main())
