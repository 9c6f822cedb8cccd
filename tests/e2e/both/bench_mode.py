#!/usr/bin/env python3
"""The benchmark mode: the JSON report (members, order, figures of a real
folder), option clamping, the console summary, a failing fast scan, a map too
large for memory, a report that cannot be written, and --bench winning over
--export."""
import json
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
MEMBERS = ["impl", "runtime", "exe", "exeBytes", "path", "mode", "runs", "items", "files", "dirs",
           "totalBytes", "leafItems", "treeBytes", "startupMs", "scanMs", "aggMs", "layoutMs",
           "renderMs", "extMs", "extTypes", "allocBytes"]
TYPE_MEMBERS = ["types", "matches", "filterMs", "weightsBytes"]
MEMORY = ["workingSet", "peakWorkingSet", "privateBytes", "peakPrivateBytes", "managedHeap", "liveHeap",
          "workingSetAfterGc", "privateBytesAfterGc", "error"]
ARRAYS = ["scanMs", "aggMs", "layoutMs", "renderMs", "extMs"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def host_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def bench(args, out_path):
    if os.path.exists(out_path):
        os.remove(out_path)
    result = subprocess.run(RUN + [BIN] + args + ["--out", host_path(out_path)], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=600)
    report = None
    if os.path.exists(out_path):
        with open(out_path, "rb") as f:
            raw = f.read()
        check(raw.count(b"\n") == 0 and not raw.startswith(b"\xef\xbb\xbf"), f"{args}: not one UTF-8 line")
        # Duplicate members would hide behind a dict: keep them as pairs.
        report = json.loads(raw.decode("utf-8"), object_pairs_hook=lambda pairs: pairs)
    return result.returncode, result.stdout.decode("utf-8"), report


def make_fixture(root):
    """Real figures of the fixture: files, folders below the root, logical bytes, jpg files."""
    files = {"big.jpg": 400_000, "a.txt": 300, "b.JPG": 5000, "sub/c.jpg": 1000, "sub/d.png": 70,
             "sub/deep/e.jpg": 1000, "sub/deep/f.jpg": 1000, "g": 0}
    os.makedirs(os.path.join(root, "sub", "deep"))
    os.makedirs(os.path.join(root, "empty"))
    for name, size in files.items():
        with open(os.path.join(root, name), "wb") as f:
            f.truncate(size)   # sparse: only the logical size matters here
    jpgs = sum(1 for name in files if name.lower().endswith(".jpg"))
    return len(files), 3, sum(files.values()), jpgs


def members_in_order(report, with_types):
    expected = MEMBERS + (TYPE_MEMBERS if with_types else []) + MEMORY
    return [name for name, _ in report] == expected


def main():
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        files, dirs, total, jpgs = make_fixture(tree)
        out = os.path.join(work, "r.json")

        code, summary, pairs = bench(["--bench", host_path(tree), "--runs", "2", "--width", "3", "--types", "jpg"], out)
        check(code == 0, f"bench exited {code}: {summary!r}")
        if pairs is None:
            failures.append("no JSON report written")
        else:
            check(members_in_order(pairs, True), f"members out of order: {[n for n, _ in pairs]}")
            r = dict(pairs)
            check(r["impl"] == "mossbloom-cpp" and r["runtime"] == "native", f"impl/runtime: {r['impl']}, {r['runtime']}")
            exe = "mossbloom.exe" if WINDOWS else os.path.basename(BIN)
            check(r["exe"] == exe and r["exeBytes"] == os.path.getsize(BIN), f"exe {r['exe']} {r['exeBytes']}")
            check(r["path"] == host_path(tree) and r["mode"] == "walk", f"path/mode: {r['path']} {r['mode']}")
            check(r["runs"] == 2, f"runs {r['runs']}")
            for name in ARRAYS + ["filterMs"]:
                check(len(r[name]) == 2 and all(v >= 0 for v in r[name]), f"{name}: {r[name]}")
            check((r["files"], r["dirs"], r["totalBytes"]) == (files, dirs, total),
                  f"files/dirs/totalBytes {r['files']}/{r['dirs']}/{r['totalBytes']}, expected {files}/{dirs}/{total}")
            check(r["items"] == files + dirs, f"items {r['items']}")
            check(r["types"] == "jpg" and r["matches"] == jpgs, f"types {r['types']} matches {r['matches']}, expected {jpgs}")
            # Extensions: jpg, txt, png; the tree's own table has no bucket for "g".
            check(r["extTypes"] == 3, f"extTypes {r['extTypes']}")
            check(r["weightsBytes"] >= 4 * (files + dirs + 1), f"weightsBytes {r['weightsBytes']}")
            check(r["treeBytes"] > 0 and r["allocBytes"] >= 0 and r["startupMs"] >= 0, "treeBytes/allocBytes/startupMs")
            check(r["managedHeap"] == -1 and r["liveHeap"] == -1 and r["error"] == "", "fixed members")
            # The resident peak is sampled lazily by Linux: only ask for plausible figures.
            check(r["peakWorkingSet"] > 0 and r["workingSet"] > 0, f"working sets {r['workingSet']} {r['peakWorkingSet']}")
            # Only the jpg files have weight; the 16 x 1080 map holds them all.
            check(r["leafItems"] == jpgs, f"leafItems {r['leafItems']}, expected {jpgs}")

        lines = summary.split(EOL)
        check(lines[0] == f"Mossbloom (C++) bench: {host_path(tree)} (walk)", f"summary head {lines[0]!r}")
        for n in (1, 2):
            check(re.fullmatch(f"  run {n}: scan {DURATION}, aggregate {DURATION}, layout {DURATION}, render {DURATION}",
                               lines[n]) is not None, f"summary run line {lines[n]!r}")
        # Sizes in binary units, the program's default: no settings are read.
        size = r"\d+(?:\.\d+)? (?:B|KiB|MiB|GiB|TiB)"
        check(re.fullmatch(rf"  items {files + dirs}, tree {size}, peak WS {size}, startup {DURATION}",
                           lines[3]) is not None, f"summary totals {lines[3]!r}")
        check(lines[4:] == [""], f"summary tail {lines[4:]!r}")

        # Width and height below 17 give 16: 400 equal files cannot all get a pixel of a
        # 3 x 3 request (256 pixels), and they lay out exactly as in a 16 x 16 map.
        many = os.path.join(work, "many")
        os.makedirs(many)
        for k in range(400):
            with open(os.path.join(many, f"{k:03}.jpg"), "wb") as f:
                f.truncate(1000)
        leaves = {}
        for side in ("3", "16", "100"):
            _, _, pairs = bench(["--bench", host_path(many), "--runs", "1", "--width", side, "--height", side], out)
            leaves[side] = dict(pairs or []).get("leafItems")
        check(leaves["3"] == leaves["16"] and 0 < leaves["3"] <= 256 and leaves["100"] == 400,
              f"leafItems by map side: {leaves}")

        # Run counts are clamped to 1..100; without types there are no type members.
        tiny = os.path.join(work, "tiny")
        os.makedirs(tiny)
        for runs, expected in (("0", 1), ("-4", 1), ("abc", 1), ("500", 100)):
            code, _, pairs = bench(["--bench", host_path(tiny), "--runs", runs, "--width", "16", "--height", "16"], out)
            r = dict(pairs or [])
            check(code == 0 and r.get("runs") == expected and len(r.get("scanMs", [])) == expected,
                  f"--runs {runs}: exit {code}, runs {r.get('runs')}, expected {expected}")
            check(pairs is not None and members_in_order(pairs, False), f"--runs {runs}: members {pairs and [n for n, _ in pairs]}")

        # A fast scan of something that is no NTFS volume: no runs, the error, exit 1.
        code, summary, pairs = bench(["--bench", host_path(tiny), "--mft", "--runs", "3"], out)
        r = dict(pairs or [])
        check(code == 1, f"--mft on a plain folder exited {code}")
        check(r.get("runs") == 0 and r.get("scanMs") == [] and r.get("mode") == "mft" and r.get("error"),
              f"--mft report: runs {r.get('runs')}, error {r.get('error')!r}")
        check(summary.startswith(f"Mossbloom (C++) bench: {host_path(tiny)} (MFT){EOL}  error: {r.get('error')}{EOL}  items 0,"),
              f"--mft summary {summary!r}")

        # A folder that cannot be listed is no benchmark: no runs, the reason, exit 1.
        for missing in (os.path.join(work, "no such folder"), os.path.join(tree, "a.txt")):
            code, summary, pairs = bench(["--bench", host_path(missing), "--runs", "2"], out)
            r = dict(pairs or [])
            error = r.get("error", "")
            check(code == 1 and r.get("runs") == 0 and r.get("scanMs") == [] and r.get("mode") == "walk",
                  f"{missing}: exit {code}, runs {r.get('runs')}")
            check(error.startswith(f"Cannot scan {host_path(missing)}: ") and len(error) > len(host_path(missing)) + 14,
                  f"{missing}: error {error!r}")
            check(summary.startswith(f"Mossbloom (C++) bench: {host_path(missing)} (walk){EOL}  error: {error}{EOL}  items 0,"),
                  f"{missing}: summary {summary!r}")

        # A map larger than the machine's memory: no runs, the error says what was too
        # large, exit 1 (it used to end for lack of memory without a word).
        code, summary, pairs = bench(["--bench", host_path(tiny), "--runs", "1", "--width", "1048576",
                                      "--height", "1048576"], out)
        r = dict(pairs or [])
        too_large = "A map of 1048576 \u00d7 1048576 pixels does not fit in memory."
        check(code == 1 and r.get("runs") == 0 and r.get("error") == too_large and f"  error: {too_large}{EOL}" in summary,
              f"huge map: exit {code}, runs {r.get('runs')}, error {r.get('error')!r}, summary {summary!r}")

        # A report that cannot be written is a failure, said in one line.
        blocked = os.path.join(work, "no such folder", "r.json")
        result = subprocess.run(RUN + [BIN, "--bench", host_path(tiny), "--runs", "1", "--width", "16", "--height", "16",
                                       "--out", host_path(blocked)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                timeout=600)
        text = result.stdout.decode("utf-8")
        check(result.returncode == 1 and text.endswith(f"Could not write the report to {host_path(blocked)}.{EOL}"),
              f"unwritable report: exit {result.returncode}, {text!r}")

        # Without a path the benchmark takes C:\ (the Wine prefix's small drive here), and
        # an option right after --bench is an option, not the path.
        if WINDOWS:
            code, _, pairs = bench(["--bench", "--runs", "1", "--width", "16", "--height", "16"], out)
            r = dict(pairs or [])
            check(code == 0 and r.get("path") == "C:\\" and r.get("runs") == 1 and r.get("files", 0) > 0,
                  f"--bench without a path: exit {code}, path {r.get('path')!r}, runs {r.get('runs')}")

        # --bench wins over --export: the report is written, the CSV is not.
        csv_path = os.path.join(work, "not.csv")
        code, _, pairs = bench(["--export", host_path(tiny), host_path(csv_path), "--bench", host_path(tiny), "--runs", "1"], out)
        check(code == 0 and pairs is not None and not os.path.exists(csv_path), f"--bench with --export: exit {code}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
