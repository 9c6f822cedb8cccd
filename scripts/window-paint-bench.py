#!/usr/bin/env python3
"""The main window's paint under Wine, in one run of the paint test window:
  1. on the synthetic 500 000-file tree at 1280 x 820, paints that lay out and
     rasterise the whole map against paints that change only the hovered cell;
  2. the process's CPU time over 10 idle seconds (/proc, user + system) showing that
     tree in the Map view, against a blank Direct2D window that presents once a second.
    scripts/window-paint-bench.py [RUNS]
Needs the win64 build (cmake --preset win64 && cmake --build --preset win64)."""
import json
import os
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "harness"))
from mbwin import Harness, winpath  # noqa: E402

build = os.path.join(root, "build", "win64")
window = os.path.join(build, "tests", "ui", "window", "paint_window.exe")
CLASS = "MossbloomPaintTest"
IDLE_SECONDS = 10


def linux_pid(exe_name):
    """The Wine process running exe_name (its command line names the Windows program)."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if exe_name in cmdline:
            found.append(int(pid))
    return max(found) if found else None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cpu(h, args):
    w = h.launch(window, ["--test-input", "--theme", "light", "--size", "1280x820"] + args, CLASS, timeout_ms=600000)
    w.ready(timeout_ms=600000)
    pid = linux_pid("paint_window.exe")
    # Let the start settle: the first seconds make the bitmap, the formats, the map.
    w.wait_frame(w.frame())
    before, start = cpu_seconds(pid), time.monotonic()
    frames_before = w.frame()
    time.sleep(IDLE_SECONDS)   # the measurement itself: wall time the window sits idle
    after, elapsed = cpu_seconds(pid), time.monotonic() - start
    frames = w.frame() - frames_before
    w.close()
    return (after - before) / elapsed * IDLE_SECONDS, frames


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    out = os.path.join(tempfile.gettempdir(), "window-paint-bench.json")
    if os.path.exists(out):
        os.remove(out)
    with Harness("window_paint_bench") as h:
        h.launch(window, ["--test-input", "--theme", "light", "--size", "1280x820", "--bench", str(runs),
                          "--bench-out", winpath(out)], CLASS, timeout_ms=600000)
        h.wait_exit(timeout_ms=1800000)
        with open(out) as f:
            bench = json.load(f)
        idle, idle_frames = idle_cpu(h, ["--idle", "--state", "3"])
        blank, blank_frames = idle_cpu(h, ["--idle", "--blank"])
    full, hover = bench["fullUpdate"], bench["hoverOnly"]
    print(f"tree: {bench['files']:,} files, {bench['nodes']:,} nodes, {bench['cells']:,} map cells; "
          f"client {bench['client'][0]} x {bench['client'][1]}, map {bench['map'][0]} x {bench['map'][1]}")
    print(f"full map update paint   median {full['medianPaintMs']:8.2f} ms "
          f"(drawing {full['medianDrawMs']:.2f} ms, of which layout + raster {full['medianMapUpdateMs']:.2f} ms)")
    print(f"hover-only paint        median {hover['medianPaintMs']:8.2f} ms (drawing {hover['medianDrawMs']:.2f} ms)")
    print(f"hover / full            {hover['medianPaintMs'] / full['medianPaintMs']:.3f} (paint), "
          f"{hover['medianDrawMs'] / full['medianDrawMs']:.3f} (drawing)")
    print(f"bitmap creations {bench['bitmapCreations']}, refreshes {bench['bitmapRefreshes']} over {runs} full updates")
    print(f"idle CPU over {IDLE_SECONDS} s      map window {idle:.3f} s ({idle_frames} frames), "
          f"blank Direct2D window {blank:.3f} s ({blank_frames} frames)")


if __name__ == "__main__":
    main()
