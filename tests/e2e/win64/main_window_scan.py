#!/usr/bin/env python3
"""Scans as the window runs them, on the 500 000-file tree of the walk benchmark
(scripts/bench-walk-tree.py, generated once under /tmp and kept):

- the whole tree: the scanning state with its progress, then closing the window
  while the scan runs: exit code 0, promptly, and no settings file half written;
- one of its folders (55 500 files): Esc stops the walk and leaves a partial tree
  with "Continue"; continuing fills it in; the result equals a headless export of
  the same folder; and the memory the window holds for it, beside a blank Direct2D
  window of the same size, stays within the tree's own size (as --bench reports it),
  the map's bitmaps and 64 MiB."""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, ELEMENT_INVOKE, Harness, HarnessError, element_code, portable_copy, read_settings, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
RUN = os.environ.get("MB_RUN", "")
RENDER_WINDOW = os.environ["MB_RENDER_WINDOW"]
ROOT = os.environ.get("MB_WALK_BENCH_ROOT", "/tmp/mossbloom-walk-bench")
VK_ESCAPE = 0x1B
MIB = 1 << 20
check = Checks()


def ensure_tree():
    if not os.path.exists(ROOT + ".complete"):
        subprocess.run(["rm", "-rf", ROOT], check=True)
        subprocess.run([sys.executable, os.path.join(os.environ["MB_SOURCE_DIR"], "scripts", "bench-walk-tree.py"), ROOT],
                       check=True)
        open(ROOT + ".complete", "w").close()


def wine(args, timeout=900):
    return subprocess.run([RUN] + args if RUN else args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=timeout)


def headless_root_row(folder, out):
    """Files, folders and logical size of the root row of a headless export."""
    result = wine([EXE, "--export", winpath(folder), winpath(out)])
    if result.returncode != 0:
        raise AssertionError(f"headless export failed: {result.returncode}")
    with open(out, encoding="utf-8-sig") as f:
        lines = f.read().splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("File Name,"))
    header = next(csv.reader([lines[start]]))
    row = next(csv.reader(io.StringIO(lines[start + 1])))
    values = dict(zip(header, row))
    return int(values["Files"]), int(values["Folders"]), int(values["Size"])


def bench_tree_bytes(folder, out):
    result = wine([EXE, "--bench", winpath(folder), "--runs", "1", "--out", winpath(out)])
    if result.returncode != 0:
        raise AssertionError(f"--bench failed: {result.returncode}")
    with open(out, encoding="utf-8-sig") as f:
        report = json.load(f)
    return report


def whole_tree(h, exe):
    """The scanning state with its progress; closing while it scans."""
    w = h.launch(exe, ["--test-input", "--theme", "light", winpath(ROOT)], "MossbloomWindow")
    w.ready()
    w.wait_scan(1, 1)
    first = w.wait_prop("MossbloomTest.Done", "gt", 0)
    later = w.wait_prop("MossbloomTest.Done", "gt", first + 1000, 60000)
    check(later > first, "the progress did not advance")

    def progress_shown(image):
        left, top, right, bottom = unpack(w.prop("MossbloomTest.Map"))
        # The progress track and its moving block in the accent colour, below the centre line.
        accent = sum(1 for _, _, p in image.region(left, (top + bottom) // 2, right, bottom) if p == 0x005FB8)
        if accent < 50:
            raise AssertionError(f"no progress bar in the scanning picture ({accent} accent pixels)")
        if w.prop("MossbloomTest.Scan") != 1:
            raise AssertionError("not scanning any more")
    try:
        w.expect_picture("scanning", progress_shown)
    except (HarnessError, AssertionError) as e:
        check(False, f"scanning picture: {e}")
    check(w.prop("MossbloomTest.Scan") == 1, "the scan of the whole tree ended before it could be closed")
    started = time.monotonic()
    exit_code = w.close(60000)
    seconds = time.monotonic() - started
    check(exit_code == 0, f"closing during a scan ended with {exit_code}")
    # Closing a window takes about 2 s under Wine; the scan must stop within a few more.
    check(seconds < 15, f"closing during a scan took {seconds:.1f} s")
    settings = read_settings(os.path.dirname(exe))
    check("window" in settings.get("mossbloom", {}), f"settings after closing during a scan: {settings}")
    print(f"closing during a scan of {ROOT}: {seconds:.1f} s")


def unpack(value):
    return (value >> 48) & 0xFFFF, (value >> 32) & 0xFFFF, (value >> 16) & 0xFFFF, value & 0xFFFF


def one_folder(h, exe, folder, temp):
    w = h.launch(exe, ["--test-input", "--theme", "light", winpath(folder)], "MossbloomWindow")
    w.ready()
    w.wait_scan(1, 1)
    w.wait_prop("MossbloomTest.Done", "gt", 2000, 60000)
    w.post_key(VK_ESCAPE)
    w.wait_scan(1, 3, 120000)
    files, pending = w.prop("MossbloomTest.Files"), w.prop("MossbloomTest.Pending")
    check(pending > 0, "a stopped walk left no folders to continue")
    check(w.prop("MossbloomTest.Continue") == 1, "no Continue after a stop")
    check(files < 55500, f"a stopped walk has all {files} files")
    w.repaint()   # a frame presented after that state
    w.capture("stopped")
    print(f"stopped with {files} files and {pending} folders to go")

    w.post(ELEMENT_INVOKE, element_code(20))
    w.wait_scan(2, 3, 300000)
    got = (w.prop("MossbloomTest.Files"), w.prop("MossbloomTest.Folders"), w.prop("MossbloomTest.RootSize"))
    check(w.prop("MossbloomTest.Pending") == 0, "folders left after continuing")
    check(w.prop("MossbloomTest.Continue") == 0, "Continue still shown")
    w.repaint()
    w.capture("continued")
    expected = headless_root_row(folder, os.path.join(temp, "export.csv"))
    check(got == expected, f"continued scan (files, folders, bytes) {got}, headless export {expected}")

    # Memory: the window with this tree against a blank Direct2D window of the same size.
    client = w.client_size()
    mossbloom = w.memory()["private"]
    check(w.close() == 0, "exit code after the continued scan")
    blank = h.launch(RENDER_WINDOW, ["--test-input", "--size", f"{client[0]}x{client[1]}"], "MossbloomRenderTest")
    blank.ready()
    baseline = blank.memory()["private"]
    blank.close()
    report = bench_tree_bytes(folder, os.path.join(temp, "bench.json"))
    tree = tree_bytes(report)
    map_pixels = client[0] * client[1] * 4
    remainder = mossbloom - baseline
    print(f"memory: window {mossbloom / MIB:.1f} MiB, blank Direct2D window {baseline / MIB:.1f} MiB, "
          f"remainder {remainder / MIB:.1f} MiB, tree (--bench) {tree / MIB:.1f} MiB, map pixels {map_pixels / MIB:.1f} MiB")
    check(remainder <= tree + 2 * map_pixels + 64 * MIB,
          f"the window holds {remainder / MIB:.1f} MiB over a blank window for a tree of {tree / MIB:.1f} MiB")


def tree_bytes(report):
    """The tree's memory from a --bench report (its first run)."""
    for key in ("treeBytes", "tree"):
        if key in report:
            return int(report[key])
    runs = report.get("runs") or []
    if runs and "treeBytes" in runs[0]:
        return int(runs[0]["treeBytes"])
    raise AssertionError(f"no tree memory in the --bench report: {sorted(report)}")


def main():
    ensure_tree()
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_scan") as h:
        exe = portable_copy(EXE, os.path.join(temp, "program"))
        whole_tree(h, exe)
        one_folder(h, exe, os.path.join(ROOT, sorted(d for d in os.listdir(ROOT)
                                                      if os.path.isdir(os.path.join(ROOT, d)))[0]), temp)
    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
