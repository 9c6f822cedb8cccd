#!/usr/bin/env python3
"""Every painted element reacts, with the window's own mouse and keyboard messages,
checked through the accessible elements (MSAA) and the window's test properties:

- a notice shows as an alert with "Close message", and the button closes it;
- hovering "Rescan" paints its hover fill; pressing it and leaving before the release
  runs nothing;
- hovering the largest cell names it, its size, its share of the view and its parent in
  the status line, and outlines its folder's box;
- a double-click on a cell zooms into its folder: the map's value, the path bar and the
  summary line (with the folder's own counts) follow (screenshot), "Up" becomes
  available; Backspace goes back up; the wheel zooms in and out, a notch at a time;
  the mouse back button, the browser-back command and the "Up" button go up;
- switching the size mode changes the summary's size mode and the setting; F5 rescans;
- clicking a tab selects it, Ctrl+1..3 switch the view, Ctrl+L shows the address field;
- dragging the sidebar splitter changes the width, the arrow keys move it by 16, and the
  width is there again at the next start;
- clicking a folder of the path bar above the scanned folder scans that folder."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import (Checks, EVENT_OBJECT_VALUECHANGE, Harness, HarnessError, OBJID_CLIENT, ROLE_ALERT, ROLE_LISTITEM, ROLE_PAGETAB,  # noqa: E402
                   ROLE_STATICTEXT, S_OK, STATE_CHECKED, STATE_FOCUSABLE, STATE_FOCUSED, STATE_SELECTED, STATE_UNAVAILABLE, portable_copy,
                   close, read_settings, winpath)

EXE = os.environ["MB_BIN"]
WM_ACTIVATEAPP, WM_KEYDOWN, WM_KEYUP = 0x001C, 0x0100, 0x0101
WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK = 0x0200, 0x0201, 0x0202, 0x0203
WM_MOUSEWHEEL, WM_XBUTTONUP, WM_APPCOMMAND = 0x020A, 0x020C, 0x0319
APPCOMMAND_BROWSER_BACKWARD = 1
MK_LBUTTON, XBUTTON1 = 0x0001, 0x0001
VK_BACK, VK_SPACE, VK_RIGHT, VK_LEFT, VK_F5, VK_CONTROL = 0x08, 0x20, 0x27, 0x25, 0x74, 0x11
check = Checks()


def make_fixture(root):
    for name, kib in {"big/a.mkv": 500, "big/b.bin": 100, "mid/c.zip": 300, "small/d.txt": 100}.items():
        folder, file = name.split("/")
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        with open(os.path.join(root, folder, file), "wb") as f:
            f.write(os.urandom(kib * 1024))


def unpack(value):
    return (value >> 48) & 0xFFFF, (value >> 32) & 0xFFFF, (value >> 16) & 0xFFFF, value & 0xFFFF


def by_name(elements, name):
    return next((e for e in elements[1:] if e.name == name), None)


def origin(elements):
    return elements[0].screen_rect[:2]


def centre(elements, name):
    return by_name(elements, name).centre(origin(elements))


def shown_path(elements):
    return by_name(elements, "Treemap").value.rpartition(", ")[0]


def press_key(w, vk):
    w.send(WM_KEYDOWN, vk, 1)


def click(w, x, y):
    w.send_mouse(WM_MOUSEMOVE, x, y)
    w.send_mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON)
    w.send_mouse(WM_LBUTTONUP, x, y)


def notice_close(h, exe, temp):
    missing = winpath(os.path.join(temp, "missing"))
    w = h.launch(exe, ["--test-input", "--theme", "light", missing], "MossbloomWindow")
    w.ready()
    elements = w.wait_accessible(lambda es: any(e.role == ROLE_ALERT for e in es), "the notice")
    alert = next(e for e in elements if e.role == ROLE_ALERT)
    check(alert.name == f"Not a folder or drive: {missing}", f"notice {alert.name!r}")
    close = by_name(elements, "Close message")
    check(close is not None and close.has(STATE_FOCUSABLE), f"Close message {close}")
    click(w, *centre(elements, "Close message"))
    w.wait_accessible(lambda es: not any(e.role == ROLE_ALERT for e in es) and by_name(es, "Close message") is None,
                      "the notice closes")
    check(w.prop("Mossbloom.Info") == 3, "Mossbloom.Info no longer names the kind of the notice last shown")
    check(w.close() == 0, "exit code after the notice")


def hover_and_leave(w):
    elements = w.accessible_elements()
    rescan = by_name(elements, "Rescan")
    o = origin(elements)
    left, top, right, bottom = (rescan.screen_rect[0] - o[0], rescan.screen_rect[1] - o[1],
                                rescan.screen_rect[2] - o[0], rescan.screen_rect[3] - o[1])
    x, y = (left + right) // 2, (top + bottom) // 2
    w.send_mouse(WM_MOUSEMOVE, 2, bottom + 200)   # away from every element
    w.repaint()
    plain = w.capture("rescan_plain")

    def hovered(image):
        changed = sum(1 for (px, py, p) in image.region(left + 2, top + 2, right - 2, bottom - 2) if plain.pixel(px, py) != p)
        if changed < (right - left) * (bottom - top) // 4:
            raise AssertionError(f"no hover fill on Rescan: {changed} pixels changed")
    w.send_mouse(WM_MOUSEMOVE, x, y)
    try:
        w.expect_picture("rescan_hover", hovered, 5000)
    except (HarnessError, AssertionError) as e:
        check(False, f"hover: {e}")

    generation = w.prop("MossbloomTest.Generation")
    w.send_mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON)
    w.send_mouse(WM_MOUSEMOVE, x, bottom + 200, MK_LBUTTON)
    w.send_mouse(WM_LBUTTONUP, x, bottom + 200)
    w.repaint()
    check(w.prop("MossbloomTest.Generation") == generation, "pressing Rescan and leaving it rescanned")
    # Back onto it before the release: it runs.
    w.send_mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON)
    w.send_mouse(WM_MOUSEMOVE, x, bottom + 200, MK_LBUTTON)
    w.send_mouse(WM_MOUSEMOVE, x, y, MK_LBUTTON)
    w.send_mouse(WM_LBUTTONUP, x, y)
    w.wait_scan(generation + 1)


def hover_cell(w, fixture):
    """The pointer on the largest cell (a.mkv, half of the fixture): the status line names
    it with its size and share of the view and its parent, and the map draws the outline
    of its folder's box (white along the inside edge) around it, changing nothing inside."""
    left, top, right, bottom = unpack(w.prop("MossbloomTest.Map"))
    cell = unpack(w.prop("MossbloomTest.LargestCell"))
    x, y = left + (cell[0] + cell[2]) // 2, top + (cell[1] + cell[3]) // 2
    w.send_mouse(WM_MOUSEMOVE, 2, bottom + 200)   # away from the map
    w.wait_prop("MossbloomTest.Hover", "eq", 0)
    w.repaint()

    plain = w.expect_map_shown("map_unhovered")
    w.send_mouse(WM_MOUSEMOVE, x, y)
    w.wait_prop("MossbloomTest.Hover", "ne", 0)

    def status_named(es):
        return any(e.role == ROLE_STATICTEXT and "% of view" in e.name for e in es)
    elements = w.wait_accessible(status_named, "the status line names the hovered cell")
    line = next(e.name for e in elements if e.role == ROLE_STATICTEXT and "% of view" in e.name)
    print(f"status line over the largest cell: {line!r}")
    path = winpath(fixture) + "\\big\\a.mkv"
    check(line == path + " · 512 kB · 50.0 % of view · big  614 kB",
          f"the hover line {line!r}, expected {path} with 512 kB, 50.0 % of view, big  614 kB")

    cx0, cy0, cx1, cy1 = left + cell[0], top + cell[1], left + cell[2], top + cell[3]

    def outlined(image):
        changed = [(px, py, p) for (px, py, p) in image.region(left, top, right, bottom) if plain.pixel(px, py) != p]
        if not changed:
            raise AssertionError("hovering changed nothing in the map")
        bx0, by0 = min(c[0] for c in changed), min(c[1] for c in changed)
        bx1, by1 = max(c[0] for c in changed) + 1, max(c[1] for c in changed) + 1
        if bx0 > cx0 + 2 or by0 > cy0 + 2 or bx1 < cx1 - 2 or by1 < cy1 - 2:
            raise AssertionError(f"changed pixels {(bx0, by0, bx1, by1)} do not surround the cell {(cx0, cy0, cx1, cy1)}")
        inside = sum(1 for c in changed if cx0 + 4 <= c[0] < cx1 - 4 and cy0 + 4 <= c[1] < cy1 - 4)
        if inside:
            raise AssertionError(f"{inside} pixels inside the hovered cell changed: an outline, not a fill")
        white = sum(1 for c in changed if close(c[2], 0xFFFFFF, 8))
        perimeter = 2 * ((bx1 - bx0) + (by1 - by0))
        if white < perimeter:
            raise AssertionError(f"{white} white outline pixels around a box of perimeter {perimeter}")
    try:
        w.expect_picture("map_hovered", outlined, 10000)
    except (HarnessError, AssertionError) as e:
        check(False, f"hover outline: {e}")
    w.send_mouse(WM_MOUSEMOVE, 2, bottom + 200)
    w.wait_prop("MossbloomTest.Hover", "eq", 0)
    w.wait_accessible(lambda es: not status_named(es), "the hover line goes when the pointer leaves the map")


def zoom_and_up(w, fixture, root_node):
    big = winpath(fixture) + "\\big"
    elements = w.accessible_elements()
    summary_at_root = w.atom("MossbloomTest.Summary")
    left, top, _, _ = unpack(w.prop("MossbloomTest.Map"))
    cell = unpack(w.prop("MossbloomTest.LargestCell"))   # a.mkv, or big itself: both zoom into big
    x, y = left + (cell[0] + cell[2]) // 2, top + (cell[1] + cell[3]) // 2

    # Double-click.
    w.send_mouse(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON)
    elements = w.wait_accessible(lambda es: shown_path(es) == big, "a double-click zooms into big")
    address = by_name(elements, "Address")
    check(address is not None and address.value == big, f"the path bar after zooming: {address}")
    up = by_name(elements, "Up")
    check(not up.has(STATE_UNAVAILABLE) and up.has(STATE_FOCUSABLE), f"Up after zooming in: {up}")
    w.repaint()
    summary = w.atom("MossbloomTest.Summary")
    check(summary != summary_at_root, f"the summary line did not follow the zoom: {summary!r}")
    check(summary.startswith("614 kB on disk · 2 files · 0 folders · "), f"the summary line counts in big: {summary!r}")
    w.capture("zoomed_into_big")
    print(f"summary at the root {summary_at_root!r}, in big {summary!r}")

    # Backspace: up, the folder just left keeps the focus.
    press_key(w, VK_BACK)
    elements = w.wait_accessible(lambda es: shown_path(es) == winpath(fixture), "Backspace goes up")
    check(by_name(elements, "Up").has(STATE_UNAVAILABLE), "Up still available at the root")
    cell_element = next((e for e in elements[1:] if e.role == ROLE_LISTITEM), None)
    check(cell_element is not None and cell_element.name in ("big", "a.mkv", "b.bin"),
          f"the focused cell after Backspace: {cell_element}")
    w.wait_prop("MossbloomTest.ViewRoot", "eq", root_node)

    # The wheel: up zooms in (two half steps make one), down goes up.
    sx, sy = x + origin(elements)[0], y + origin(elements)[1]
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, 60 << 16)
    w.repaint()
    check(shown_path(w.accessible_elements()) == winpath(fixture), "half a wheel step zoomed")
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, 60 << 16)
    w.wait_accessible(lambda es: shown_path(es) == big, "the wheel zooms in")
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, (-120 & 0xFFFF) << 16)
    w.wait_accessible(lambda es: shown_path(es) == winpath(fixture), "the wheel down goes up")
    # One whole notch zooms one level; -60 then +60 does nothing.
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, 120 << 16)
    w.wait_accessible(lambda es: shown_path(es) == big, "one wheel notch zooms in")
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, (-60 & 0xFFFF) << 16)
    w.send_mouse(WM_MOUSEWHEEL, sx, sy, 60 << 16)
    w.repaint()
    check(shown_path(w.accessible_elements()) == big, "-60 and +60 moved the map")

    # The browser-back command goes up.
    check(w.send(WM_APPCOMMAND, 0, APPCOMMAND_BROWSER_BACKWARD << 16) == 1, "WM_APPCOMMAND did not answer TRUE")
    w.wait_accessible(lambda es: shown_path(es) == winpath(fixture), "the browser-back command goes up")

    # The mouse back button.
    w.send_mouse(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON)
    w.wait_accessible(lambda es: shown_path(es) == big, "zoom again")
    check(w.send_mouse(WM_XBUTTONUP, x, y, XBUTTON1 << 16) == 1, "WM_XBUTTONUP did not answer TRUE")
    w.wait_accessible(lambda es: shown_path(es) == winpath(fixture), "the back button goes up")

    # The Up button.
    w.send_mouse(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON)
    elements = w.wait_accessible(lambda es: shown_path(es) == big, "zoom once more")
    click(w, *centre(elements, "Up"))
    w.wait_accessible(lambda es: shown_path(es) == winpath(fixture), "the Up button goes up")


def size_mode_and_rescan(w, program):
    elements = w.accessible_elements()
    logical, on_disk = by_name(elements, "Logical sizes"), by_name(elements, "Sizes on disk")
    other = logical if on_disk.has(STATE_CHECKED) else on_disk
    check(w.acc_do(other.child) == S_OK, f"default action of {other.name}")
    elements = w.wait_accessible(lambda es: by_name(es, other.name).has(STATE_CHECKED), f"{other.name} checked")
    w.repaint()
    summary = w.atom("MossbloomTest.Summary")
    check(("on disk" in summary) == (other.name == "Sizes on disk"), f"summary in {other.name}: {summary!r}")
    saved = read_settings(program).get("mossbloom", {}).get("sizemode")
    check(saved == ("OnDisk" if other.name == "Sizes on disk" else "Logical"), f"sizeMode saved {saved!r}")
    back = logical if other is on_disk else on_disk
    click(w, *centre(elements, back.name))
    w.wait_accessible(lambda es: by_name(es, back.name).has(STATE_CHECKED), f"{back.name} checked by a click")
    w.repaint()
    check(("on disk" in w.atom("MossbloomTest.Summary")) == (back.name == "Sizes on disk"), "summary after the click")

    generation = w.prop("MossbloomTest.Generation")
    press_key(w, VK_F5)
    w.wait_scan(generation + 1)
    # Space on a focused button runs it when the key comes up.
    rescan = by_name(w.accessible_elements(), "Rescan")
    check(w.acc_select(rescan.child, 1) == S_OK, "accSelect on Rescan")
    w.wait_accessible(lambda es: by_name(es, "Rescan").has(STATE_FOCUSED), "Rescan takes the focus")
    press_key(w, VK_SPACE)
    w.repaint()
    check(w.prop("MossbloomTest.Generation") == generation + 1, "Space ran the button before it came up")
    w.send(WM_KEYUP, VK_SPACE, 0xC0000001)
    w.wait_scan(generation + 2)


def tabs(w):
    elements = w.accessible_elements()
    click(w, *centre(elements, "Files"))
    elements = w.wait_accessible(lambda es: by_name(es, "Files").has(STATE_SELECTED), "a click on Files selects it")
    check(not by_name(elements, "Map").has(STATE_SELECTED), "Map still selected")
    check(by_name(elements, "Treemap") is None, "the map is still listed in the Files view")
    for digit, name in ((0x33, "Extensions"), (0x31, "Map"), (0x32, "Files"), (0x31, "Map")):
        w.key(digit, VK_CONTROL)
        w.wait_accessible(lambda es: next(e for e in es[1:] if e.role == ROLE_PAGETAB and e.name == name)
                          .has(STATE_SELECTED), f"Ctrl+{digit - 0x30} shows {name}")
    # Ctrl+L: the address field replaces the path bar's button and its segments.
    w.key(ord("L"), VK_CONTROL)
    elements = w.wait_accessible(lambda es: by_name(es, "Address") is None, "Ctrl+L shows the address field")
    w.send(WM_ACTIVATEAPP, 0, 0)   # leaving the program hides the field again
    w.wait_accessible(lambda es: by_name(es, "Address") is not None, "the address field hides")


def splitter(w, program):
    elements = w.accessible_elements()
    grip = by_name(elements, "Sidebar width")
    width = int(grip.value)
    x, y = grip.centre(origin(elements))
    w.send_mouse(WM_MOUSEMOVE, x, y)
    w.send_mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON)
    w.send_mouse(WM_MOUSEMOVE, x + 30, y, MK_LBUTTON)
    w.send_mouse(WM_MOUSEMOVE, x + 60, y, MK_LBUTTON)
    w.send_mouse(WM_LBUTTONUP, x + 60, y)
    elements = w.wait_accessible(lambda es: by_name(es, "Sidebar width").value == str(width + 60),
                                 f"dragging the splitter from {width} by 60")
    saved = read_settings(program).get("mossbloom", {}).get("sidebarwidth")
    check(saved == str(width + 60), f"sidebarWidth saved {saved!r}, expected {width + 60}")
    w.capture("sidebar_wider")
    # The keyboard: focus the grip, then Right and Left by 16 each.
    grip = by_name(elements, "Sidebar width")
    check(w.acc_select(grip.child, 1) == S_OK, "accSelect on the splitter")
    w.wait_accessible(lambda es: by_name(es, "Sidebar width").has(STATE_FOCUSED), "the splitter takes the focus")
    w.events_start()
    press_key(w, VK_RIGHT)
    press_key(w, VK_RIGHT)
    press_key(w, VK_LEFT)
    w.wait_accessible(lambda es: by_name(es, "Sidebar width").value == str(width + 76), "arrow keys move the splitter")
    changes = [e for e in w.events(200) if e[0] == EVENT_OBJECT_VALUECHANGE and e[1] == w.hwnd]
    check(len(changes) == 3 and all(e[2:] == (OBJID_CLIENT, grip.child) for e in changes),
          f"value-change events {changes}, the splitter is child {grip.child}")
    return width + 76


def path_bar_scan(w, fixture, temp):
    elements = w.accessible_elements()
    parent = os.path.basename(temp)
    segment = by_name(elements, parent)
    check(segment is not None, f"no path bar segment {parent!r}")
    if not segment:
        return
    generation = w.prop("MossbloomTest.Generation")
    click(w, *segment.centre(origin(elements)))
    w.wait_scan(generation + 1)
    w.wait_accessible(lambda es: shown_path(es).lower() == winpath(temp).lower(), "the parent folder is scanned")


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_commands") as h:
        fixture = os.path.join(temp, "fixture")
        make_fixture(fixture)
        program = os.path.join(temp, "program")
        exe = portable_copy(EXE, program)
        try:
            notice_close(h, exe, temp)
        except (HarnessError, AssertionError, StopIteration, AttributeError) as e:
            check(False, f"notice: {type(e).__name__} {e}")
            h.command("kill")

        w = h.open_scanned(exe, fixture)
        root_node = w.prop("MossbloomTest.ViewRoot")
        width = None
        steps = [("hover", lambda: hover_and_leave(w)), ("hover a cell", lambda: hover_cell(w, fixture)), ("zoom", lambda: zoom_and_up(w, fixture, root_node)),
                 ("size mode", lambda: size_mode_and_rescan(w, program)), ("splitter", lambda: splitter(w, program)),
                 ("tabs", lambda: tabs(w)), ("path bar", lambda: path_bar_scan(w, fixture, temp))]
        for name, step in steps:
            try:
                result = step()
                if name == "splitter":
                    width = result
            except (HarnessError, AssertionError, StopIteration, AttributeError) as e:
                check(False, f"{name}: {type(e).__name__} {e}")
        check(w.close() == 0, "exit code")

        if width is not None:
            saved = read_settings(program).get("mossbloom", {}).get("sidebarwidth")
            check(saved == str(width), f"sidebarWidth after closing {saved!r}, expected {width}")
            w = h.launch(exe, ["--test-input", "--theme", "light"], "MossbloomWindow")
            w.ready()
            try:
                grip = w.wait_accessible(lambda es: by_name(es, "Sidebar width") is not None, "the splitter")
                check(by_name(grip, "Sidebar width").value == str(width),
                      f"sidebar width at the next start {by_name(grip, 'Sidebar width').value}, saved {width}")
                w.capture("sidebar_restored")
            except HarnessError as e:
                check(False, f"restart: {e}")
            check(w.close() == 0, "exit code after the restart")
    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
