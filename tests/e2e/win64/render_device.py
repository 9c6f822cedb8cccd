"""The render device and its frames, under Wine with real Direct3D 11 and Direct2D,
through the render test window: first frame, resizing, a minimised window,
device loss and its rebuild, the map overlay's fallback, WARP, and a start-up
that fails on every try (log lines, no message box in test-input mode)."""
import os
import re
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Harness, HarnessError, Image, SW_MINIMIZE, SW_RESTORE, WM_APP, winpath  # noqa: E402

WINDOW = os.environ["MB_RENDER_WINDOW"]
CLASS = "MossbloomRenderTest"
SIMULATE_LOSS, PAINT_NOW, VARIANT, MAP_STEP = WM_APP + 50, WM_APP + 51, WM_APP + 52, WM_APP + 53

# The device scene's colours (tests/render/window/device_scene.cpp).
QUADRANTS = [
    [0x204080, 0x40A020, 0xC03020, 0xE0C040],
    [0x103050, 0x30C0B0, 0xA02080, 0x808080],
    [0xF0F0F0, 0x000000, 0x1090F0, 0x705010],
    [0x402000, 0x00FF00, 0xFF0000, 0x0000FF],
]
FRAME_COLOURS = [0xFF00FF, 0x00FFFF, 0xFFFF00, 0xFFFFFF]
PATTERN = [0x112233, 0x445566, 0x778899, 0xAABBCC]
# The top-left 64 x 64 pixels of variant 0, cut from a capture that was looked at.
CORNER = Image(os.path.join(os.path.dirname(os.path.abspath(__file__)), "reference", "device_corner.png"))

LOG_LINE = re.compile(r"^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} Direct2D start, try (\d) \((GPU|WARP)\): "
                      r"(\S+) failed, (0x[0-9A-F]{8})\r\n$")


def check_scene(shot, variant=0):
    """Exact colours at known points: the quadrants on both sides of the middle, the
    one-pixel frame at every edge and the pixel just inside it, the device bitmap."""
    w, h = shot.width, shot.height
    q = QUADRANTS[variant]
    mx, my = w // 2, h // 2
    points = [
        (2, 2, q[0]), (mx - 1, my - 1, q[0]), (mx, 2, q[1]), (w - 2, my - 1, q[1]),
        (2, my, q[2]), (mx - 1, h - 2, q[2]), (mx, my, q[3]), (w - 2, h - 2, q[3]),
        (0, my, FRAME_COLOURS[variant]), (w - 1, my, FRAME_COLOURS[variant]),
        (mx, 0, FRAME_COLOURS[variant]), (mx, h - 1, FRAME_COLOURS[variant]),
        (1, 1, q[0]), (w - 2, h - 2, q[3]),
    ]
    if w >= 64 and h >= 64 and mx > 48 and my > 48:
        points += [(16, 16, PATTERN[0]), (47, 16, PATTERN[1]), (16, 47, PATTERN[2]), (47, 47, PATTERN[3]),
                   (31, 31, PATTERN[0]), (32, 32, PATTERN[3]), (48, 48, q[0])]
    for x, y, colour in points:
        shot.expect(x, y, colour, what=f"{w}x{h} variant {variant}")
    if variant == 0 and w >= 130 and h >= 130:
        shot.expect_matches(CORNER)


def packed(width, height):
    return width << 16 | height


def scene(variant=0, size=None):
    """A picture check: the device scene in that variant, at that size when given."""
    def check(shot):
        if size:
            assert (shot.width, shot.height) == size, f"captured {shot.width}x{shot.height}, expected {size}"
        check_scene(shot, variant)
    return check


def device_checks(h):
    w = h.launch(WINDOW, ["--test-input", "--size", "800x500"], CLASS)
    assert w.wait_prop("MossbloomTest.Started", "ne", 0) == 1, "Direct2D started"
    w.ready()
    assert w.visible()
    w.expect_picture("first_frame", scene(0, (800, 500)))
    assert w.prop("MossbloomTest.Builds") == 1
    assert w.prop("MossbloomTest.Warp") == 0, "the hardware driver comes first"

    # Resizing: the swap chain follows the client area exactly (a stretched
    # old buffer would move the frame lines and the middle).
    for width, height in [(640, 480), (1031, 617), (300, 200), (233, 97), (1200, 800)]:
        w.resize_client(width, height)
        assert w.client_size() == (width, height), w.client_size()
        w.wait_prop("MossbloomTest.TargetSize", "eq", packed(width, height))
        w.expect_picture(f"resized_{width}x{height}", scene(0, (width, height)))
    assert w.prop("MossbloomTest.Builds") == 1, "resizing keeps the device"

    # Minimised: a paint of the 0 x 0 client area draws nothing and leaves the swap chain alone.
    w.show(SW_MINIMIZE)
    assert w.client_size() == (0, 0)
    frames = w.frame()
    skipped = w.prop("MossbloomTest.Skipped")
    w.post(PAINT_NOW)
    w.wait_prop("MossbloomTest.Skipped", "gt", skipped)
    assert w.frame() == frames, "no frame is presented while minimised"
    assert w.prop("MossbloomTest.TargetSize") == packed(1200, 800), "the swap chain is never resized to zero"
    w.show(SW_RESTORE)
    w.wait_frame(frames)
    w.expect_picture("restored", scene(0, (1200, 800)))

    # Device loss, with each of the three codes: the frame is dropped, the device
    # and every device-bound resource are rebuilt at the next paint.
    for code in range(3):
        w.post(VARIANT, code + 1)   # a new picture first, so that a stale frame cannot pass
        w.expect_picture(f"before_loss_{code}", scene(code + 1))
        builds = w.prop("MossbloomTest.Builds")
        releases = w.prop("MossbloomTest.Releases")
        patterns = w.prop("MossbloomTest.PatternBuilds")
        w.post(SIMULATE_LOSS, code)
        w.wait_prop("MossbloomTest.Builds", "eq", builds + 1)
        w.expect_picture(f"after_loss_{code}", scene(code + 1))
        assert w.prop("MossbloomTest.Releases") == releases + 1, "everything device-bound was released once"
        assert w.prop("MossbloomTest.PatternBuilds") == patterns + 1, "the device bitmap is made again"

    # The map overlay: DirectComposition fails under Wine, so the overlay marks
    # itself failed for this device and each step repaints the whole window.
    frames = w.frame()
    w.post(MAP_STEP)
    w.wait_prop("MossbloomTest.OverlayTries", "eq", 1)
    overlay = w.prop("MossbloomTest.Overlay")
    if overlay == 2:
        w.wait_frame(frames)   # the fallback: a full repaint
        w.post(MAP_STEP)
        w.post(VARIANT, 0)     # handled after the step: its frame shows that the step is done
        w.expect_picture("after_second_map_step", scene(0))
        assert w.prop("MossbloomTest.OverlayTries") == 1, "no new attempt on the device it failed on"
        builds = w.prop("MossbloomTest.Builds")
        w.post(SIMULATE_LOSS, 0)
        w.wait_prop("MossbloomTest.Builds", "eq", builds + 1)
        w.post(MAP_STEP)
        w.wait_prop("MossbloomTest.OverlayTries", "eq", 2)   # a rebuilt device may try again
        assert w.prop("MossbloomTest.Overlay") == 2
    else:
        assert overlay == 1, "the overlay is either live or failed"
    w.expect_picture("after_map_steps", scene(0))
    assert w.close() == 0


def warp_checks(h):
    w = h.launch(WINDOW, ["--test-input", "--warp"], CLASS)
    assert w.wait_prop("MossbloomTest.Started", "ne", 0) == 1
    w.ready()
    assert w.prop("MossbloomTest.Warp") == 1
    assert w.prop("MossbloomTest.Builds") == 1
    w.expect_picture("warp", scene(0))
    assert w.close() == 0


def read_log(folder):
    with open(os.path.join(folder, "mossbloom.log"), "rb") as f:
        return f.read().decode("utf-8")


def failing_start_checks(h, temp):
    # Every try fails: three lines in the log's exact form, no message box in
    # test-input mode, and the program ends by itself with exit code 0.
    settings = os.path.join(temp, "new folder", "Mossbloom")   # not there yet: the log creates it
    h.start(WINDOW, ["--test-input", "--fail-creations", "-1", "--settings-dir", winpath(settings)])
    assert h.wait_exit(60000) == 0
    lines = read_log(settings).splitlines(keepends=True)
    assert len(lines) == 3, lines
    parsed = [LOG_LINE.match(line) for line in lines]
    assert all(parsed), lines
    assert [(m.group(1), m.group(2), m.group(3), m.group(4)) for m in parsed] == [
        ("1", "GPU", "D3D11CreateDevice", "0x887A0004"),
        ("2", "GPU", "D3D11CreateDevice", "0x887A0004"),
        ("3", "WARP", "D3D11CreateDevice", "0x887A0004")]

    # No usable GPU: two failed tries, the third (WARP) succeeds. The log keeps what it held.
    kept = "2020-01-01 00:00:00 Direct2D start, try 1 (GPU): CreateSwapChainForHwnd failed, 0x887A0001\r\n"
    with open(os.path.join(settings, "mossbloom.log"), "wb") as f:
        f.write(kept.encode())
    w = h.launch(WINDOW, ["--test-input", "--fail-creations", "2", "--fail-code", "0x80004005",
                          "--settings-dir", winpath(settings)], CLASS)
    assert w.wait_prop("MossbloomTest.Started", "ne", 0) == 1
    w.ready()
    assert w.prop("MossbloomTest.Warp") == 1
    w.expect_picture("started_on_third_try", scene(0))
    assert w.close() == 0
    lines = read_log(settings).splitlines(keepends=True)
    assert lines[0] == kept
    assert [LOG_LINE.match(line).group(1, 2, 4) for line in lines[1:]] == [("1", "GPU", "0x80004005"),
                                                                           ("2", "GPU", "0x80004005")]

    # Outside test-input mode the failure is shown in a message box; the program ends when it is closed.
    h.start(WINDOW, ["--fail-creations", "-1", "--fail-code", "0x887A0004", "--settings-dir", winpath(settings)])
    box = h.find_window("#32770", 60000)
    box.wait_visible()
    assert box.text() == "Mossbloom", repr(box.text())
    assert box.child_text(0xFFFF) == ("Mossbloom could not start Direct2D, which it needs to draw its window.\n\n"
                                      "D3D11CreateDevice: 0x887A0004")
    assert box.close() == 0
    assert len(read_log(settings).splitlines()) == 6


def main():
    temp = tempfile.mkdtemp(prefix="mb-render-device-")
    try:
        with Harness("render_device") as h:
            device_checks(h)
            warp_checks(h)
            failing_start_checks(h, temp)
    except (HarnessError, AssertionError) as e:
        print(f"render_device: {type(e).__name__}: {e}")
        raise
    finally:
        shutil.rmtree(temp, ignore_errors=True)
    print("render_device: ok")


if __name__ == "__main__":
    main()
