#!/usr/bin/env python3
"""A folder on the command line becomes a treemap, under Wine and real Direct2D:
the biggest folder is the biggest rectangle at the size ratio the tree implies; the
fast scan fails under Wine and falls back to the walk with its notice; a rescan after
files were added shows the new total; resizing, minimising, restoring and a change
of DPI keep the map right; settings are written when they change; a policy change
announced by the system is applied with its notice; out of memory during a scan
leaves the window usable with its notice; the window closes with exit code 0.

The map uses the contrast scheme, whose black gaps separate the rectangles, so that
each rectangle can be found in the screenshot without knowing the layout."""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, ELEMENT_INVOKE, Harness, HarnessError, element_code, portable_copy, read_settings, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
POLICY_KEY = "Software\\Policies\\Mossbloom"
WM_SETTINGCHANGE_POLICY = "Policy"
TEST_DPI = 0x8000 + 60
GAP = 0x000000
check = Checks()


def unpack(value):
    return (value >> 48) & 0xFFFF, (value >> 32) & 0xFFFF, (value >> 16) & 0xFFFF, value & 0xFFFF


def make_fixture(root, sizes):
    for name, kib in sizes.items():
        folder, file = name.split("/")
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        with open(os.path.join(root, folder, file), "wb") as f:
            f.write(os.urandom(kib * 1024))


def largest_region(image, area):
    """The largest 4-connected region of non-gap pixels in the map area:
    (pixel count, (left, top, right, bottom)) in image coordinates."""
    left, top, right, bottom = area
    width = right - left
    seen = bytearray(width * (bottom - top))
    best = (0, None)
    rows = image.rows
    channels = image.channels

    def is_gap(x, y):
        i = x * channels
        row = rows[y]
        return row[i] == 0 and row[i + 1] == 0 and row[i + 2] == 0

    for sy in range(top, bottom, 4):
        for sx in range(left, right, 4):
            k = (sy - top) * width + (sx - left)
            if seen[k] or is_gap(sx, sy):
                continue
            stack, count = [(sx, sy)], 0
            seen[k] = 1
            x0, y0, x1, y1 = sx, sy, sx, sy
            while stack:
                x, y = stack.pop()
                count += 1
                x0, y0, x1, y1 = min(x0, x), min(y0, y), max(x1, x), max(y1, y)
                for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                    if left <= nx < right and top <= ny < bottom:
                        j = (ny - top) * width + (nx - left)
                        if not seen[j] and not is_gap(nx, ny):
                            seen[j] = 1
                            stack.append((nx, ny))
            if count > best[0]:
                best = (count, (x0, y0, x1 + 1, y1 + 1))
    return best


def expect_map(w, name, share, gap):
    """The map's largest rectangle is the program's largest cell, a full rectangle,
    holding `share` of the map area within a few pixels along its edges."""
    def verify(image):
        left, top, right, bottom = unpack(w.prop("MossbloomTest.Map"))
        cell = unpack(w.prop("MossbloomTest.LargestCell"))
        if w.prop("MossbloomTest.Cells") == 0:
            raise AssertionError("no cells laid out")
        count, box = largest_region(image, (left, top, right, bottom))
        if box is None:
            raise AssertionError("no map in the picture")
        expected_box = (left + cell[0], top + cell[1], left + cell[2], top + cell[3])
        if any(abs(a - b) > 1 for a, b in zip(box, expected_box)):
            raise AssertionError(f"largest rectangle {box}, the program laid out {expected_box}")
        bw, bh = box[2] - box[0], box[3] - box[1]
        if count < bw * bh - 4:
            raise AssertionError(f"largest region is not a rectangle: {count} of {bw * bh} pixels")
        # Each rectangle gives up the gap on its edges: compare with the gap added back.
        area = (right - left) * (bottom - top)
        got = (bw + gap) * (bh + gap)
        if abs(got - share * area) > 3 * (bw + bh):
            raise AssertionError(f"largest rectangle {bw} x {bh} holds {got / area:.4f} of the map, expected {share:.4f}")
    return w.expect_picture(name, verify)


def wait_atom(w, name, ok, frames=20):
    """Whether the text in an atom property satisfies ok() within a few frames (texts are
    published when a frame is drawn)."""
    return w.repaint_until(lambda: ok(w.atom(name)), frames)


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_map") as h:
        fixture = os.path.join(temp, "fixture")
        make_fixture(fixture, {"big/a.mkv": 600, "mid/b.zip": 300, "small/c.txt": 100})
        program = os.path.join(temp, "program")
        exe = portable_copy(EXE, program)
        w = h.launch(exe, ["--test-input", "--theme", "light", "--scheme", "contrast", winpath(fixture)],
                     "MossbloomWindow")
        w.ready()
        w.wait_scan(1)
        gap = w.prop("MossbloomTest.Dpi") * 2 // 96
        check(w.prop("MossbloomTest.Files") == 3 and w.prop("MossbloomTest.Folders") == 3, "fixture counts")
        total = w.prop("MossbloomTest.Shown")
        check(total == 1000 * 1024, f"total on disk {total}")
        check(w.prop("MossbloomTest.RootSize") == 1000 * 1024, f"logical total {w.prop('MossbloomTest.RootSize')}")
        try:
            expect_map(w, "fixture", 0.6, gap)
        except (HarnessError, AssertionError) as e:
            check(False, f"fixture map: {e}")

        # Wine has no NTFS volume to read: the fast scan falls back to the walk and says so.
        summary = w.atom("MossbloomTest.Summary")
        check(w.prop("MossbloomTest.Method") == 0, "the tree did not come from the walk")
        check("MFT unavailable (" in summary and "), used directory walk" in summary, f"summary {summary!r}")
        check(h.count_windows("tooltips_class32") == 1, "the tooltip control is missing")

        # Rescan after a file was added: the new total, and the map follows it.
        make_fixture(fixture, {"huge/d.jpg": 1000})
        w.post(ELEMENT_INVOKE, element_code(5))
        w.wait_scan(2)
        check(w.prop("MossbloomTest.Shown") == 2000 * 1024, f"total after rescan {w.prop('MossbloomTest.Shown')}")
        check(wait_atom(w, "MossbloomTest.Summary", lambda t: t.startswith("2.0 MB on disk · 4 files · 4 folders")),
              f"summary after rescan {w.atom('MossbloomTest.Summary')!r}")
        try:
            expect_map(w, "rescanned", 0.5, gap)
        except (HarnessError, AssertionError) as e:
            check(False, f"map after rescan: {e}")
        # F5 rescans too.
        w.post_key(0x74)
        w.wait_scan(3)

        # Resize: after the pause the map is laid out for the new size.
        before = w.prop("MossbloomTest.Map")
        w.resize_client(1100, 700)
        w.wait_prop("MossbloomTest.Map", "ne", before)
        try:
            expect_map(w, "resized", 0.5, gap)
        except (HarnessError, AssertionError) as e:
            check(False, f"map after resize: {e}")

        # Minimise (the device gives its memory back) and restore.
        w.show(6)
        check(w.rect()["iconic"], "not minimised")
        w.show(9)
        try:
            expect_map(w, "restored", 0.5, gap)
        except (HarnessError, AssertionError) as e:
            check(False, f"map after restore: {e}")

        # A DPI change: fonts, window and map follow; then back. The window is made as
        # small as it may be so that at 144 DPI it still fits the screen.
        w.h.command("move", 0, 0)
        w.resize_client(100, 100)
        outer = w.rect()["rect"]
        check((outer[2] - outer[0], outer[3] - outer[1]) == (960, 640), f"smallest window {outer}")
        w.post(TEST_DPI, 144)
        w.wait_prop("MossbloomTest.Dpi", "eq", 144)
        scaled = w.rect()["rect"]
        check(abs((scaled[2] - scaled[0]) - (outer[2] - outer[0]) * 3 // 2) <= 2, f"window at 144 DPI {scaled} from {outer}")
        try:
            expect_map(w, "dpi144", 0.5, 144 * 2 // 96)
        except (HarnessError, AssertionError) as e:
            check(False, f"map at 144 DPI: {e}")
        w.post(TEST_DPI, 96)
        w.wait_prop("MossbloomTest.Dpi", "eq", 96)
        try:
            expect_map(w, "dpi96", 0.5, gap)
        except (HarnessError, AssertionError) as e:
            check(False, f"map back at 96 DPI: {e}")

        # Settings are written when they change.
        w.send(ELEMENT_INVOKE, element_code(7))    # Logical sizes
        w.send(ELEMENT_INVOKE, element_code(9))    # Decimal units
        w.send(ELEMENT_INVOKE, element_code(2))    # Standard scan
        saved = read_settings(program).get("mossbloom", {})
        check(saved.get("sizemode") == "Logical", f"sizeMode {saved.get('sizemode')!r}")
        check(saved.get("sizeunits") == "GB", f"sizeUnits {saved.get('sizeunits')!r}")
        check(saved.get("scanmode") == "Walk", f"scanMode {saved.get('scanmode')!r}")

        # A policy change: the generation counts, a changed policy is announced.
        h.reg_set_dword(POLICY_KEY, "DisableMftScan", 1)
        try:
            h.broadcast_setting(WM_SETTINGCHANGE_POLICY)
            w.wait_prop("Mossbloom.PolicyGen", "eq", 1)
            notice = "Your organization updated Mossbloom's settings."
            check(wait_atom(w, "MossbloomTest.NoticeText", lambda t: t == notice),
                  f"policy notice {w.atom('MossbloomTest.NoticeText')!r}")
            check(w.prop("Mossbloom.Info") == 4, "policy notice kind")
            w.post(ELEMENT_INVOKE, element_code(22))   # close the notice
            check(wait_atom(w, "MossbloomTest.NoticeText", lambda t: t == ""), "the notice did not close")
            h.broadcast_setting(WM_SETTINGCHANGE_POLICY)   # nothing changed: counted, not announced
            w.wait_prop("Mossbloom.PolicyGen", "eq", 2)
            w.repaint()
            check(w.atom("MossbloomTest.NoticeText") == "", "an unchanged policy was announced")
        finally:
            h.reg_delete_value(POLICY_KEY, "DisableMftScan")
        h.broadcast_setting(WM_SETTINGCHANGE_POLICY)
        w.wait_prop("Mossbloom.PolicyGen", "eq", 3)

        # "Always start as administrator" is written to the start section when toggled.
        w.send(ELEMENT_INVOKE, element_code(15))
        check(read_settings(program).get("start", {}).get("elevate") == "true", "elevate not written true")
        w.send(ELEMENT_INVOKE, element_code(15))
        check(read_settings(program).get("start", {}).get("elevate") == "false", "elevate not written false")

        placement = w.rect()["normal"]
        check(w.close() == 0, "exit code after closing")
        r = placement
        check(read_settings(program)["mossbloom"].get("window") == f"{r[0]},{r[1]},{r[2]},{r[3]}", "placement saved")

        # An import: a headless export of the fixture read back through --import, as the
        # entry of its drive; the same counts, the tree marked as read from CSV.
        csv_file = os.path.join(temp, "fixture.csv")
        exported = subprocess.run([os.environ["MB_RUN"], EXE, "--export", winpath(fixture), winpath(csv_file)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        check(exported == 0, f"headless export for the import: {exported}")
        w = h.launch(exe, ["--test-input", "--theme", "light", "--import", winpath(csv_file), "Z:"], "MossbloomWindow")
        w.ready()
        w.wait_scan(1)
        check(w.prop("MossbloomTest.Method") == 2, "the imported tree is not marked as read from CSV")
        check(w.prop("MossbloomTest.Files") == 4 and w.prop("MossbloomTest.RootSize") == 2000 * 1024,
              f"imported {w.prop('MossbloomTest.Files')} files, {w.prop('MossbloomTest.RootSize')} bytes")
        w.post(ELEMENT_INVOKE, element_code(5))   # rescan reads the file again
        w.wait_scan(2)
        check(w.prop("MossbloomTest.Method") == 2, "a rescan of an import did not read the file")
        check(w.close() == 0, "exit code after an import")

        # Out of memory during a scan: the notice, no tree, a window that goes on working.
        h.setenv("MOSSBLOOM_TEST_TREE_RESERVATION", str(64 << 10))
        w = h.launch(exe, ["--test-input", "--theme", "light", winpath(fixture)], "MossbloomWindow")
        h.setenv("MOSSBLOOM_TEST_TREE_RESERVATION")
        w.ready()
        w.wait_prop("Mossbloom.Info", "eq", 3)
        expected = f"Not enough memory to scan {winpath(fixture)}. The scan was stopped and its memory freed."
        check(wait_atom(w, "MossbloomTest.NoticeText", lambda t: t == expected),
              f"out-of-memory notice {w.atom('MossbloomTest.NoticeText')!r}")
        check(w.prop("MossbloomTest.Scan") == 0, "a tree after running out of memory")
        w.capture("out_of_memory")
        check(w.close() == 0, "exit code after out of memory")

        # The lava scheme: a new tree pours the glow along the gaps on the 15 ms timer
        # for 3.2 s, then it rests dark red; the GPU path draws it where the device
        # allows, else the CPU path.
        w = h.launch(exe, ["--test-input", "--theme", "light", "--scheme", "lava", winpath(fixture)], "MossbloomWindow")
        w.ready()
        w.wait_scan(1)
        w.post(ELEMENT_INVOKE, element_code(5))   # a rescan: a new tree, so the flow replays
        w.wait_scan(2)
        total, t = w.prop("MossbloomTest.LavaTotal"), w.prop("MossbloomTest.LavaT")
        first = w.frame()
        check(total > 0 and 0 <= t < total, f"the lava is not flowing after a new tree: t {t} of {total}")
        w.wait_prop("MossbloomTest.LavaT", "eq", total, timeout_ms=20000)
        flowing = w.frame() - first
        check(flowing >= 5, f"{flowing} frames while the lava flowed")
        gpu, cpu = w.prop("MossbloomTest.LavaGpuFrames"), w.prop("MossbloomTest.LavaCpuFrames")
        print(f"lava: {flowing} frames over the flow; GPU path {gpu} frames, CPU path {cpu}")
        check(gpu + cpu > 0, "neither glow path drew")

        def rests_red(image):
            left, top, right, bottom = unpack(w.prop("MossbloomTest.Map"))
            cell = unpack(w.prop("MossbloomTest.LargestCell"))
            g = w.prop("MossbloomTest.Dpi") * 2 // 96
            # The gap along the largest rectangle's inner edge: its centre line glows.
            if cell[2] + g < right - left:
                x, y = left + cell[2] + g // 2, top + (cell[1] + cell[3]) // 2
            else:
                x, y = left + (cell[0] + cell[2]) // 2, top + cell[3] + g // 2
            p = image.pixel(x, y)
            r, gr, b = p >> 16, (p >> 8) & 255, p & 255
            if not (r >= 0x60 and r > gr + 0x30 and r > b + 0x30):
                raise AssertionError(f"the gap at ({x}, {y}) is {p:06X}, not the resting lava's dark red")
        try:
            w.expect_picture("lava_rest", rests_red)
        except (HarnessError, AssertionError) as e:
            check(False, f"lava at rest: {e}")
        check(w.close() == 0, "exit code after the lava")

    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
