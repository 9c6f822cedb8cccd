"""The main window's picture in every state, painted by real Direct2D and DirectWrite
under Wine from the paint test window's view states over a scanned fixture folder.
Each state is captured into build/win64/screenshots/window_paint/ and checked at
places the window reports (its layout file) against colours this test knows itself:
the theme's background and surface, the map's cells in their scheme's type colours,
the empty states' texts, the progress track, the notice, the open performance panel,
and the hover outlines (white, and the lava scheme's colours)."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Harness, HarnessError, winpath  # noqa: E402

WINDOW = os.environ["MB_PAINT_WINDOW"]
CLASS = "MossbloomPaintTest"
WM_APP = 0x8000
STATE, LAYOUT_OUT, SCHEME, HOVER = WM_APP + 70, WM_APP + 71, WM_APP + 73, WM_APP + 74
STATES = ["no_drive", "scanning", "scanning_mft", "map", "filtered", "no_match", "empty_folder", "cloud",
          "exporting", "notice_and_panel", "review", "panel_hidden"]

LIGHT = dict(background=0xF3F3F3, surface=0xFBFBFB, stroke=0xE5E5E5, text=0x1B1B1B, secondaryText=0x5C5C5C,
             tertiary=0x9E9E9E, accent=0x005FB8, track=0xD1D1D1)
DARK = dict(background=0x202020, surface=0x2B2B2B, stroke=0x1D1D1D, text=0xFFFFFF, secondaryText=0xCFCFCF,
            tertiary=0x787878, accent=0x60CDFF, track=0x4A4A4A)
ERROR_RED = 0xE74856
INK = 24

BINARY_DIR = os.environ["MB_BINARY_DIR"]
FIXTURE = os.path.join(BINARY_DIR, "fixtures", "window_paint")
LAYOUT = os.path.join(BINARY_DIR, "screenshots", "window_paint.layout")


def make_fixture():
    shutil.rmtree(FIXTURE, ignore_errors=True)
    files = {"photos/beach.jpg": 900_000, "photos/forest.jpg": 700_000, "photos/city.jpg": 400_000,
             "photos/raw/shot1.jpg": 300_000, "photos/raw/shot2.jpg": 250_000,
             "docs/report.pdf": 600_000, "docs/notes.txt": 150_000, "docs/old/letter.txt": 80_000,
             "video/holiday.mp4": 2_400_000, "video/clip.mp4": 800_000,
             "music/song.mp3": 500_000, "music/other.mp3": 450_000, "setup.exe": 1_100_000, "readme.txt": 40_000}
    for name, size in files.items():
        path = os.path.join(FIXTURE, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(bytes([i % 251 for i in range(size)]))
    os.makedirs(os.path.join(FIXTURE, "empty"))
    # Online-only files stand in as sparse files: a logical size, nothing stored on disk.
    os.makedirs(os.path.join(FIXTURE, "cloud"))
    for name in ("cloud/a.docx", "cloud/b.xlsx"):
        with open(os.path.join(FIXTURE, name), "wb") as f:
            f.truncate(5_000_000)


def read_layout():
    rects, texts, cells, values = {}, {}, [], {}
    with open(LAYOUT, encoding="utf-8") as f:
        for line in f:
            kind, *rest = line.rstrip("\n").split("\t")
            if kind == "rect":
                rects[rest[0]] = tuple(int(v) for v in rest[1:5])
            elif kind == "text":
                rects[rest[0]] = tuple(int(v) for v in rest[1:5])
                texts[rest[0]] = rest[5]
            elif kind == "cell":
                x0, y0, x1, y1 = (int(v) for v in rest[:4])
                cells.append(((x0, y0, x1, y1), int(rest[4], 16), rest[9]))
            elif kind == "value":
                values[rest[0]] = float(rest[1])
    return rects, texts, cells, values


def empty(r):
    return r is None or r[2] <= r[0] or r[3] <= r[1]


def inked(shot, r, under):
    return shot.count_unlike(r, under, INK)


def expect_text(shot, rects, name, under, minimum=8):
    r = rects.get(name)
    assert not empty(r), f"{name}: no rectangle"
    count = inked(shot, r, under)
    assert count >= minimum, f"{name}: no legible text in {r} ({count} inked pixels)"


def proportional(pixel, colour):
    """A cushion pixel is the cell's colour times one brightness for all three channels."""
    channels = [((pixel >> s) & 255, (colour >> s) & 255) for s in (16, 8, 0)]
    ratios = [p / c for p, c in channels if c >= 48 and p < 250]
    return len(ratios) >= 1 and max(ratios) - min(ratios) <= 0.12


P = LIGHT   # the theme of the window under test


def check_common(shot, rects, state):
    # The window's background beside the sidebar header, and the content panel's border card.
    if state != "review":   # the review dims the sidebar
        shot.expect(4, 4, P["background"], what="background")
    expect_text(shot, rects, "productName", P["background"])
    expect_text(shot, rects, "drivesHeading", P["background"])
    expect_text(shot, rects, "tab0", P["background"])
    # C: is 95 % full: its usage bar is red; D: 40 % in accent.
    for drive, colour in (("drive0", ERROR_RED), ("drive1", P["accent"])) if state != "review" else ():
        l, t, r, b = rects[drive]
        shot.expect(l + 60, t + 54, colour, tolerance=8, what=f"{drive} usage bar")


def check_map(shot, rects, cells):
    ml, mt, _, _ = rects["map"]
    checked = 0
    for (x0, y0, x1, y1), colour, name in cells:
        if x1 - x0 < 12 or y1 - y0 < 12:
            continue
        x, y = ml + (x0 + x1) // 2, mt + (y0 + y1) // 2
        pixel = shot.pixel(x, y)
        assert proportional(pixel, colour), f"cell {name} at ({x}, {y}) is {pixel:06X}, not a shade of {colour:06X}"
        checked += 1
    assert checked >= 5, f"only {checked} map cells were large enough to check"


def check_state(state, shot, rects, texts, cells, values):
    name = STATES[state]
    check_common(shot, rects, name)
    content = rects["content"]
    inside = (content[0] + 12, content[1] + 12)
    if name == "no_drive":
        assert texts["emptyText"] == "Select a drive to analyze its disk usage"
        assert texts["pathTitle"] == "Disk usage"
        shot.expect(*inside, P["surface"], what="content panel")
        expect_text(shot, rects, "emptyText", P["surface"])
        expect_text(shot, rects, "summary", P["background"])
    elif name in ("scanning", "scanning_mft"):
        assert texts["pathTitle"] == "Scanning…"
        expect_text(shot, rects, "scanTitle", P["surface"])
        l, t, r, b = rects["progressTrack"]
        assert r - l == 240, f"progress track {r - l} wide"
        if name == "scanning_mft":
            # 40 % of the track filled in accent, the rest track.
            shot.expect(l + 40, (t + b) // 2, P["accent"], tolerance=4, what="progress fill")
            shot.expect(r - 40, (t + b) // 2, P["track"], tolerance=4, what="progress track")
        else:
            colours = {shot.pixel(x, (t + b) // 2) for x in range(l + 3, r - 3)}
            assert P["accent"] in colours and P["track"] in colours, "no moving segment on the track"
            assert not empty(rects.get("useFastScan")), "the fast-scan tip is not shown after 5 s of a walk"
    elif name in ("map", "panel_hidden", "exporting"):
        assert len(cells) >= 10, f"{len(cells)} map cells"
        check_map(shot, rects, cells)
        if name == "exporting":
            assert texts["summary"].startswith("Exporting to fixture.csv · 42 % · Esc stops"), texts["summary"]
        else:
            assert "files" in texts["summary"] and "folders" in texts["summary"], texts["summary"]
        expect_text(shot, rects, "summary", P["background"])
        expect_text(shot, rects, "segment0", P["background"])
        if name == "panel_hidden":
            assert empty(rects.get("panelButton")), "the panel button shows while the panel is hidden"
        else:
            expect_text(shot, rects, "performanceSummary", P["background"])
    elif name == "filtered":
        assert "matching files" in texts["summary"], texts["summary"]
        # Only the .jpg files keep a weight: every cell drawn is a photo.
        assert cells and all(n.endswith(".jpg") for _, _, n in cells), [n for _, _, n in cells]
        check_map(shot, rects, cells)
    elif name in ("no_match", "empty_folder", "cloud"):
        expected = {"no_match": "No files match the filter", "empty_folder": "This folder is empty",
                    "cloud": "Nothing here is stored on this disk (online-only cloud files?) · switch to Logical"}[name]
        assert texts.get("emptyText") == expected, texts.get("emptyText")
        shot.expect(*inside, P["surface"], what="content panel")
        expect_text(shot, rects, "emptyText", P["surface"])
        assert not cells, "map cells drawn in an empty state"
    elif name == "notice_and_panel":
        l, t, r, b = rects["noticeBar"]
        assert t - rects["summary"][1] >= 20, "notice bar placement"
        # Everything below the notice moves down by 48.
        assert rects["searchField"][1] == 84 + 48, rects["searchField"]
        expect_text(shot, rects, "noticeText", P["surface"])
        panel = rects["panel"]
        assert not empty(panel), "the performance panel is not open"
        shot.expect(panel[0] + 6, panel[1] + 6, P["surface"], what="performance panel")
        expect_text(shot, rects, "panelTitle", P["surface"])
        for i in range(12):
            assert f"cell{i}.label" in texts, f"performance cell {i} has no label"
            expect_text(shot, rects, f"cell{i}.label", P["surface"])
        # Every cell but the filter's (no filter ran) shows a value beside its label.
        valued = [i for i in range(12) if texts.get(f"cell{i}.value")]
        assert len(valued) >= 10, f"only cells {valued} have values"
        check_map(shot, rects, cells)
    elif name == "review":
        # The review's amber outline around the content and the sidebar dimmed.
        card = rects["reviewCard"]
        assert not empty(card), "no review card"
        expect_text(shot, rects, "productName", P["background"])


PHOTOS = ("beach.jpg", "forest.jpg", "city.jpg", "shot1.jpg", "shot2.jpg")


def photo_box(cells):
    boxes = [r for r, c, n in cells if n in PHOTOS]
    return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))


def fresh_layout(w):
    w.wait_frame(w.frame())
    w.send(LAYOUT_OUT)
    return read_layout()


def hover_checks(w):
    """A hovered photo: its folder's box gets a 2-pixel outline along its inside edge
    (white, then black inside it); in the lava scheme FF2A0A and 6E1206."""
    for scheme, outer, inner, name in ((0, 0xFFFFFF, 0x000000, "map_hover"), (4, 0xFF2A0A, 0x6E1206, "map_hover_lava")):
        w.post(SCHEME, scheme)
        w.wait_prop("MossbloomTest.Scheme", "eq", scheme)
        rects, texts, cells, values = fresh_layout(w)
        ml, mt, _, _ = rects["map"]
        index = next(i for i, (r, c, n) in enumerate(cells) if n == "beach.jpg")
        box = photo_box(cells)
        assert box != cells[index][0], "the photos folder's box is the hovered cell itself"
        x, y = ml + box[0], mt + (box[1] + box[3]) // 2

        def check(shot):
            for dx, colour, what in ((0, outer, "outline"), (1, outer, "outline"), (2, inner, "inner line"),
                                     (3, inner, "inner line")):
                shot.expect(x + dx, y, colour, tolerance=6, what=f"the folder box's {what} ({name})")
        w.post(HOVER, index)
        w.wait_prop("MossbloomTest.Hover", "eq", index + 1)
        w.expect_picture(name, check)
        w.post(HOVER, -1)
        w.wait_prop("MossbloomTest.Hover", "eq", 0)
    w.post(SCHEME, 0)
    w.wait_prop("MossbloomTest.Scheme", "eq", 0)


def main():
    make_fixture()
    if os.path.exists(LAYOUT):
        os.remove(LAYOUT)
    with Harness("window_paint") as h:
        w = h.launch(WINDOW, ["--test-input", "--theme", "light", "--folder", winpath(FIXTURE), "--state", "0",
                              "--layout-out", winpath(LAYOUT), "--size", "1280x820"], CLASS)
        w.wait_prop("MossbloomTest.Started", "ge", 1)
        assert w.prop("MossbloomTest.Started") == 1, "Direct2D did not start"
        w.ready()
        assert w.prop("MossbloomTest.Scanned") >= 20, "the fixture was not scanned"
        failures = []
        for state in range(len(STATES)):
            w.post(STATE, state)
            w.wait_prop("MossbloomTest.State", "eq", state)
            frame = w.frame()
            w.wait_frame(frame)
            w.send(LAYOUT_OUT)
            rects, texts, cells, values = read_layout()

            def check(shot, state=state, rects=rects, texts=texts, cells=cells, values=values):
                check_state(state, shot, rects, texts, cells, values)
            try:
                w.expect_picture(STATES[state], check)
            except (AssertionError, HarnessError) as e:
                failures.append(f"{STATES[state]}: {e}")
        # The map once more, with a hovered cell, in the standard and the lava scheme.
        w.post(STATE, 3)
        w.wait_prop("MossbloomTest.State", "eq", 3)
        try:
            hover_checks(w)
        except (AssertionError, HarnessError) as e:
            failures.append(f"hover: {e}")
        # A hover repaints from the cached picture: no new layout, no new upload.
        fresh_layout(w)
        updates = w.prop("MossbloomTest.MapUpdates")
        uploads = w.prop("MossbloomTest.BitmapUploads")
        for cell in (0, 1, 2):
            w.post(HOVER, cell)
            w.wait_prop("MossbloomTest.Hover", "eq", cell + 1)
        w.wait_frame(w.frame())
        if w.prop("MossbloomTest.MapUpdates") != updates:
            failures.append("a hover laid the map out again")
        if w.prop("MossbloomTest.BitmapUploads") != uploads:
            failures.append("a hover uploaded the map's pixels again")
        # ... and from the kept picture of the rest of the window, which must look as a
        # whole repaint does (the status region below the map shows the memory figures,
        # which move on between the two). The whole comes first; then away and back, two
        # frames drawn from the kept picture.
        try:
            w.post(HOVER, 4)
            w.wait_prop("MossbloomTest.Hover", "eq", 5)
            w.repaint()
            whole = w.capture("map_hover_whole")
            bottom = read_layout()[0]["map"][3]
            for cell in (3, 4):
                reuses = w.prop("MossbloomTest.ChromeReuses")
                partial = w.prop("MossbloomTest.Partial")
                before = w.frame()
                w.post(HOVER, cell)
                w.wait_prop("MossbloomTest.Hover", "eq", cell + 1)
                w.wait_frame(before)
                if w.prop("MossbloomTest.ChromeReuses") <= reuses:
                    failures.append("a hover drew the whole window again")
                if w.prop("MossbloomTest.Partial") <= partial:
                    failures.append("a hover presented the whole window, not only its outlines and the status bar")
            # Wine shows a presented frame on the screen a moment after Present returns:
            # compare until the screen holds it, or the deadline.
            deadline = time.monotonic() + 10
            while True:
                partial = w.capture("map_hover_partial")
                try:
                    whole.expect_matches(partial, rect=(0, 0, partial.width, bottom), tolerance=2)
                    break
                except (AssertionError, HarnessError):
                    if time.monotonic() > deadline:
                        raise
                    time.sleep(0.05)
        except (AssertionError, HarnessError) as e:
            failures.append(f"hover from the kept picture: {e}")
        assert w.close() == 0

        # The dark theme: no drive chosen, and the map.
        global P
        P = DARK
        w = h.launch(WINDOW, ["--test-input", "--theme", "dark", "--folder", winpath(FIXTURE), "--state", "0",
                              "--layout-out", winpath(LAYOUT), "--size", "1280x820"], CLASS)
        w.ready()
        for state in (0, 3):
            w.post(STATE, state)
            w.wait_prop("MossbloomTest.State", "eq", state)
            rects, texts, cells, values = fresh_layout(w)

            def check(shot, state=state, rects=rects, texts=texts, cells=cells, values=values):
                check_state(state, shot, rects, texts, cells, values)
            try:
                w.expect_picture(STATES[state] + "_dark", check)
            except (AssertionError, HarnessError) as e:
                failures.append(f"{STATES[state]} (dark): {e}")
        assert w.close() == 0
        assert not failures, "\n".join(failures)


if __name__ == "__main__":
    main()
