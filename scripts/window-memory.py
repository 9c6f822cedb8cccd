#!/usr/bin/env python3
"""What the main window holds for a scanned tree, under Wine in one run: the window's
private bytes after a scan of FOLDER (default: the 500 000-file tree of the walk
benchmark), those of a blank Direct2D window of the same client size (the render
layer's test window), and the tree memory that --bench reports for the same folder.
Private bytes under Wine are the resident anonymous memory and swap (Wine reports
another process's private bytes as its pagefile usage).
    scripts/window-memory.py [FOLDER]
Needs the win64 build (cmake --preset win64 && cmake --build --preset win64)."""
import json
import os
import subprocess
import sys
import tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "harness"))
from mbwin import Harness, portable_copy, winpath  # noqa: E402

build = os.path.join(root, "build", "win64")
exe = os.path.join(build, "app", "mossbloom.exe")
blank = os.path.join(build, "tests", "render", "window", "render_window.exe")
MIB = 1 << 20


def main():
    folder = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "/tmp/mossbloom-walk-bench")
    if not os.path.isdir(folder):
        sys.exit(f"{folder} is no folder (scripts/bench-walk.sh generates the benchmark tree)")
    with tempfile.TemporaryDirectory() as temp, Harness("window_memory") as h:
        copy = portable_copy(exe, os.path.join(temp, "program"))
        w = h.launch(copy, ["--test-input", "--theme", "light", "--scheme", "standard", winpath(folder)], "MossbloomWindow")
        w.ready()
        w.wait_scan(1, 3, 3600 * 1000)
        w.repaint()
        files, folders = w.prop("MossbloomTest.Files"), w.prop("MossbloomTest.Folders")
        cells = w.prop("MossbloomTest.Cells")
        client = w.client_size()
        window = w.memory()
        w.close()
        b = h.launch(blank, ["--test-input", "--size", f"{client[0]}x{client[1]}"], "MossbloomRenderTest")
        b.ready()
        baseline = b.memory()
        b.close()
    out = os.path.join(tempfile.gettempdir(), "window-memory-bench.json")
    subprocess.run([os.path.join(root, "scripts", "wine-run.sh"), exe, "--bench", winpath(folder), "--runs", "1",
                    "--out", winpath(out)], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out, encoding="utf-8-sig") as f:
        tree = json.load(f)["treeBytes"]
    remainder = window["private"] - baseline["private"]
    pixels = client[0] * client[1] * 4
    print(f"folder {folder}: {files:,} files, {folders:,} folders; client {client[0]} x {client[1]}")
    print(f"window private bytes      {window['private'] / MIB:8.1f} MiB (working set {window['working'] / MIB:.1f} MiB)")
    print(f"blank Direct2D window     {baseline['private'] / MIB:8.1f} MiB (working set {baseline['working'] / MIB:.1f} MiB)")
    print(f"remainder                 {remainder / MIB:8.1f} MiB")
    print(f"tree (--bench treeBytes)  {tree / MIB:8.1f} MiB")
    print(f"one map bitmap            {pixels / MIB:8.1f} MiB")
    print(f"map cells                 {cells:,} ({cells * 64 / MIB:.1f} MiB at 64 bytes each)")
    print(f"remainder - tree          {(remainder - tree) / MIB:8.1f} MiB")


if __name__ == "__main__":
    main()
