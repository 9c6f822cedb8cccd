#!/usr/bin/env python3
"""The zoom transition's frames against a full map update of the same window, in one
run, under Wine and Xvfb (tests/ui/window/zoom_bench.cpp does the measuring):

    MB_BINARY_DIR=build/win64 python3 bench/run_zoom_bench.py [runs] [files]

Prints the JSON report; zoomFrameToFullUpdate is the median frame time of the
transition divided by the median time of a paint that lays out and rasterises the map."""
import json
import os
import sys
import tempfile

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("MB_SOURCE_DIR", SOURCE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
from mbwin import BINARY_DIR, Harness, winpath  # noqa: E402


def main():
    runs = sys.argv[1] if len(sys.argv) > 1 else "10"
    files = sys.argv[2] if len(sys.argv) > 2 else "500000"
    exe = os.path.join(BINARY_DIR, "tests", "ui", "window", "paint_window.exe")
    with tempfile.TemporaryDirectory() as temp, Harness("zoom_bench") as h:
        out = os.path.join(temp, "zoom.json")
        h.start(exe, ["--bench", runs, "--bench-files", files, "--bench-zoom", "--bench-out", winpath(out)])
        h.wait_exit(600000)
        with open(out) as f:
            report = json.load(f)
    print(json.dumps(report, indent=1))
    print(f"zoom frame {report['zoomFrame']['medianMs']:.2f} ms, full map update {report['fullUpdate']['medianMs']:.2f} ms,"
          f" ratio {report['zoomFrameToFullUpdate']:.3f}")


if __name__ == "__main__":
    main()
