#!/usr/bin/env python3
"""The map's zoom and marks transitions under Wine and real Direct2D: a double-click
into a folder and going up again are animated, with frames between the old and the
new picture, and end on exactly the picture that the same change shows without
animations; marking an item shrinks it out of the map and ends on the picture of the
instant path. With the system's client-area animations off (SPI_SETCLIENTAREAANIMATION,
stored, read by the program when it starts and at every zoom) no transition frame is
drawn. The transitions run ten times slower here (a test-input message), so that
captures can see them on a loaded machine."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, Harness, HarnessError, portable_copy, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
WM_MOUSEMOVE, WM_LBUTTONDBLCLK = 0x0200, 0x0203
MK_LBUTTON = 0x0001
VK_BACK, VK_DELETE = 0x08, 0x2E
# Test-input mode: the transitions run this many times slower, so that a loaded machine
# still draws frames between their two ends.
TRANSITION_SLOWDOWN, SLOWDOWN = 0x8000 + 62, 10
check = Checks()

# Sizes in KiB. photos\a.jpg is the largest cell: a double-click on it opens photos\.
FILES = {"photos/a.jpg": 500, "photos/b.jpg": 250, "docs/c.txt": 150, "docs/d.txt": 60, "music/e.mp3": 200}


def unpack(value):
    return (value >> 48) & 0xFFFF, (value >> 32) & 0xFFFF, (value >> 16) & 0xFFFF, value & 0xFFFF


def make_files(root):
    for name, kib in FILES.items():
        os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
        with open(os.path.join(root, name), "wb") as f:
            f.write(bytes(kib * 1024))


def differing(a, b, rect):
    """How many pixels of rect differ between two captures."""
    return sum(1 for (_, _, p), (_, _, q) in zip(a.region(*rect), b.region(*rect)) if p != q)


def largest_centre(w):
    left, top, _, _ = unpack(w.prop("MossbloomTest.Map"))
    x0, y0, x1, y1 = unpack(w.prop("MossbloomTest.LargestCell"))
    return left + (x0 + x1) // 2, top + (y0 + y1) // 2


def settled(w, name):
    """The map once no transition runs, two frames later (a frame reaches the screen a
    little after it is presented under Wine)."""
    w.wait_prop("MossbloomTest.Transition", "eq", 0, 10000)
    w.repaint()
    w.repaint()
    return w.capture(name)


def during(w, name, action, count=6):
    """Runs action() and captures the window a few times at once, while a transition
    may run; each with whether a transition still ran after it was taken."""
    action()
    shots = []
    for i in range(count):
        image = w.capture(f"{name}-{i}")
        running = w.prop("MossbloomTest.Transition") != 0
        shots.append((image, running))
    return shots


def session(h, exe, fixture, label, animated):
    """One run of the program through the same steps; the settled pictures by step."""
    w = h.launch(exe, ["--test-input", "--theme", "light", winpath(fixture)], "MossbloomWindow")
    w.ready()
    w.wait_scan(1)
    w.send(TRANSITION_SLOWDOWN, SLOWDOWN)
    area = unpack(w.prop("MossbloomTest.Map"))
    pictures = {"root": settled(w, f"{label}-root")}
    root_view = w.prop("MossbloomTest.ViewRoot")
    zoom_frames = w.prop("MossbloomTest.ZoomFrames")

    # Into photos\ by a double-click on its largest file.
    x, y = largest_centre(w)
    shots = during(w, f"{label}-in", lambda: w.send_mouse(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON))
    check(w.wait_prop("MossbloomTest.ViewRoot", "ne", root_view, 5000) != root_view, f"{label}: no zoom in")
    # The pointer leaves the map, so that no outline depends on where it was.
    w.send_mouse(WM_MOUSEMOVE, 2, 2)
    pictures["photos"] = settled(w, f"{label}-photos")
    drawn_in = w.prop("MossbloomTest.ZoomFrames") - zoom_frames
    if animated:
        check(drawn_in > 0, f"{label}: no transition frame drawn zooming in")
        between = [s for s, _ in shots if differing(s, pictures["root"], area) and differing(s, pictures["photos"], area)]
        check(between, f"{label}: none of {len(shots)} captures during the zoom lies between the two pictures"
                       f" ({drawn_in} frames drawn; running after each: {[r for _, r in shots]})")
    else:
        check(drawn_in == 0, f"{label}: {drawn_in} transition frames drawn with animations off")
        check(not any(r for _, r in shots), f"{label}: a transition ran with animations off")

    # Back up with Backspace.
    zoom_frames = w.prop("MossbloomTest.ZoomFrames")
    during(w, f"{label}-out", lambda: w.post_key(VK_BACK), count=3)
    w.wait_prop("MossbloomTest.ViewRoot", "eq", root_view, 5000)
    pictures["up"] = settled(w, f"{label}-up")
    drawn_out = w.prop("MossbloomTest.ZoomFrames") - zoom_frames
    if animated:
        check(drawn_out > 0, f"{label}: no transition frame drawn going up")
        fps = w.prop("MossbloomTest.LastZoomFps")
        check(fps >= 0, f"{label}: no zoom frame rate measured ({fps}; {drawn_out} frames drawn)")
    else:
        check(drawn_out == 0, f"{label}: {drawn_out} transition frames drawn going up with animations off")
        check(w.prop("MossbloomTest.LastZoomFps") == -1, f"{label}: a zoom frame rate without a transition")

    # Marking the largest item: it shrinks away and the map reflows.
    x, y = largest_centre(w)
    w.send_mouse(WM_MOUSEMOVE, x, y)
    w.repaint()
    marks_frames = w.prop("MossbloomTest.MarksFrames")
    marked = w.prop("MossbloomTest.MarkNodes")
    w.post_key(VK_DELETE)
    try:
        w.wait_prop("MossbloomTest.MarkNodes", "ne", marked, 5000)
    except HarnessError:
        check(False, f"{label}: Delete on the largest cell marked nothing")
    w.send_mouse(WM_MOUSEMOVE, 2, 2)
    pictures["marked"] = settled(w, f"{label}-marked")
    drawn_marks = w.prop("MossbloomTest.MarksFrames") - marks_frames
    if animated:
        check(drawn_marks > 0, f"{label}: no marks transition frame drawn")
    else:
        check(drawn_marks == 0, f"{label}: {drawn_marks} marks transition frames with animations off")
    w.close()
    return area, pictures


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_zoom") as h:
        fixture = os.path.join(temp, "fixture")
        make_files(fixture)
        exe = portable_copy(EXE, os.path.join(temp, "program"))
        try:
            check(h.client_animations(True) == 1, "client-area animations could not be switched on")
            area, animated = session(h, exe, fixture, "animated", True)
            check(h.client_animations(False) == 0, "client-area animations could not be switched off")
            area_off, instant = session(h, exe, fixture, "instant", False)
        finally:
            h.client_animations(True)
        check(area == area_off, f"map areas differ: {area} and {area_off}")
        # Every transition ends on the picture the change shows at once.
        for step in ("root", "photos", "up", "marked"):
            diff = differing(animated[step], instant[step], area)
            check(diff == 0, f"{step}: {diff} pixels of the map differ from the unanimated picture")
        check(differing(animated["up"], animated["root"], area) == 0, "going up does not end on the first picture")
        check(differing(animated["photos"], animated["root"], area) > 0, "the zoom changed nothing")
    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
