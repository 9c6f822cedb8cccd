#!/usr/bin/env python3
"""The native command line reads an export back: `--export <file.csv> <out.csv>`
imports the file and writes the imported tree out again. A real tree's export comes
back byte for byte, names with double quotes too, with the drive figures of the file it read; files written
without a title line import too; a file that is no export fails with exit 1 and
writes nothing."""
import os
import re
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
DURATION = r"(?:\d+(?:\.\d+)? (?:ms|s)|\d+ min \d+ s|\d+ h \d+ min)"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(args):
    result = subprocess.run([BIN] + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return result.returncode, result.stdout.decode("utf-8")


def main():
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        for name, size in [("a.txt", 10), ("sub/b.jpg", 2000), ("sub/deeper/c", 70000), ("sub/d\u00e9j\u00e0 \U0001F600.md", 5),
                           ("name.", 1), ("x.tar.gz", 300),
                           ('say "hi".txt', 7), ('q"uoted"/inner', 3)]:
            path = os.path.join(tree, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x" * size)
        os.makedirs(os.path.join(tree, "empty"))
        first, second = os.path.join(work, "first.csv"), os.path.join(work, "second.CSV")
        code, out = run(["--export", tree, first])
        check(code == 0, f"export of the tree: exit {code}, {out!r}")
        code, out = run(["--export", first, second])
        pattern = re.escape(f"Exported 13 rows to {second} (import ") + DURATION + re.escape(", export ") + DURATION + r"\)\n"
        check(code == 0 and re.fullmatch(pattern, out) is not None, f"re-export: exit {code}, line {out!r}")
        with open(first, "rb") as f:
            exported = f.read().decode("utf-8")
        # Names made outside Windows may hold a double quote: doubled, as in any CSV.
        check(f'"{tree}/say ""hi"".txt",7,' in exported and f'"{tree}/q""uoted""/inner.",3,' in exported,
              "double quotes in names are not doubled in the export")
        if os.path.exists(second):
            with open(first, "rb") as a, open(second, "rb") as b:
                check(a.read() == b.read(), "the re-exported file differs from the export it was read from")
        else:
            failures.append("re-export wrote no file")

        # Another program's file: the column header on line 1, CRLF endings, no title.
        other = os.path.join(work, "other.csv")
        with open(other, "wb") as f:
            f.write(b"File Name,Size,Allocated,Modified,Attributes,Files,Folders\r\n"
                    b"\"/data/\",30,8192,2024/03/05 14:07:09,16,2,1\r\n"
                    b"\"/data/a.bin\",10,4096,2024/03/05 14:07:09,32,0,0\r\n"
                    b"\"/data/b.bin\",20,4096,,32,0,0\r\n")
        third = os.path.join(work, "third.csv")
        code, out = run(["--export", other, third])
        check(code == 0 and out.startswith("Exported 3 rows to "), f"headerless file: exit {code}, {out!r}")

        # No export at all: exit 1, one line naming the file, nothing written.
        bad = os.path.join(work, "bad.csv")
        with open(bad, "wb") as f:
            f.write(b"just some text\nnot a header\n")
        refused = os.path.join(work, "refused.csv")
        code, out = run(["--export", bad, refused])
        check(code == 1 and out.startswith(f"Import of {bad} failed: ") and out.endswith("\n"),
              f"not an export: exit {code}, {out!r}")
        check(not os.path.exists(refused), "a failed import still wrote a CSV")
        native_names(work)
        not_a_file(work)
        import_refusals(work)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


def native_names(work):
    """Names with line breaks and bytes that are no UTF-8 survive export and import:
    one line per row, and the re-export is the same file."""
    tree = os.path.join(work, "odd").encode()
    names = [b"two\nlines.txt", b"caf\xe9", b"caf\xe8", b"cr\r", b"back\\x41slash", b"\xff\xfe/inner\n"]
    for name in names:
        path = os.path.join(tree, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"z" * 3)
    first, second = os.path.join(work, "odd1.csv"), os.path.join(work, "odd2.csv")
    code, out = run(["--export", tree.decode(), first])
    rows = len(names) + 2   # the files, the folder \xff\xfe and the root
    check(code == 0 and out.startswith(f"Exported {rows} rows"), f"export of odd names: exit {code}, {out!r}")
    with open(first, "rb") as f:
        data = f.read()
    check(data.count(b"\n") == rows + 2, f"a name's line break split its row: {data!r}")
    check(b"caf\\xE9" in data and b"caf\\xE8" in data, f"bytes that are no UTF-8 are not escaped: {data!r}")
    code, out = run(["--export", first, second])
    check(code == 0 and out.startswith(f"Exported {rows} rows"), f"re-export of odd names: exit {code}, {out!r}")
    if os.path.exists(second):
        with open(second, "rb") as f:
            check(f.read() == data, "odd names changed on the way through the import")


def not_a_file(work):
    """A pipe named like an export is refused at once instead of waiting for a writer."""
    pipe = os.path.join(work, "pipe.csv")
    os.mkfifo(pipe)
    try:
        code, out = run(["--export", pipe, os.path.join(work, "from-pipe.csv")])
        check(code == 1 and out == f"Import of {pipe} failed: Not a regular file\n", f"pipe: exit {code}, {out!r}")
    except subprocess.TimeoutExpired:
        failures.append("the import of a pipe waited for a writer")


def import_refusals(work):
    """Each reason an import fails is told in its own words, and nothing is written."""
    not_csv = os.path.join(work, "notes.csv")
    with open(not_csv, "w") as f:
        f.write("hello\nworld\n")
    empty = os.path.join(work, "empty.csv")
    open(empty, "w").close()
    refused = "no column header line starting with \"File Name,\" or no first row"
    cases = [(not_csv, f"Import of {not_csv} failed: {refused}\n"), (empty, f"Import of {empty} failed: {refused}\n")]
    for source, expected in cases:
        target = os.path.join(work, "refused.csv")
        code, out = run(["--export", source, target])
        check(code == 1 and out == expected, f"import of {source}: exit {code}, {out!r}")
        check(not os.path.exists(target), f"a refused import of {source} wrote {target}")


if __name__ == "__main__":
    sys.exit(main())
