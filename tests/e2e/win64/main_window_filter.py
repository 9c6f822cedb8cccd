#!/usr/bin/env python3
"""The filter bar under Wine, driven by synthetic key input into its edit controls:
"jpg" in the types field leaves only the JPEG files their area and the summary
shows their size and count; "500 MB" in the size field hides the smaller files; a
size that is not understood turns the field's frame red and adds the hint to the
summary; Clear filters restores the map; the suggestion popup appears for "vid"
with "video" first, Down then Enter inserts it, and Enter with nothing highlighted
applies the filters."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, ELEMENT_INVOKE, Harness, HarnessError, element_code, portable_copy, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
SEARCH_EDIT, TYPES_EDIT, SIZE_EDIT = 30, 31, 32
CLEAR_FILTERS, LOGICAL_SIZES = 11, 7
VK_RETURN, VK_DOWN, VK_SPACE = 0x0D, 0x28, 0x20
ERROR_RED = (0xE7, 0x48, 0x56)
HINT = " · size not understood (try 500 MB, 2 GB)"
check = Checks()

KIB = {"photos/a.jpg": 300, "photos/b.jpg": 200, "video/clip.mkv": 400, "docs/notes.txt": 100}
BIG = ("disk/big.iso", 600_000_000)   # sparse: only its logical size counts


def make_fixture(root):
    for name, kib in KIB.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(kib * 1024))
    path = os.path.join(root, *BIG[0].split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.truncate(BIG[1])


def focus_field(w, control):
    """A click into the field: the window comes to the front and the edit takes the focus."""
    (left, top, right, bottom), _ = w.child_rect(control)
    w.click((left + right) // 2, (top + bottom) // 2)


def type_text(w, control, text):
    for ch in text:
        w.child_key(control, VK_SPACE if ch == " " else ord(ch.upper()))


def red_pixels_around(image, rect, margin=16):
    left, top, right, bottom = rect
    count = 0
    for y in range(max(0, top - margin), min(image.height, bottom + margin)):
        for x in range(max(0, left - margin), min(image.width, right + margin)):
            if left <= x < right and top <= y < bottom:
                continue   # the edit itself
            p = image.pixel(x, y)
            if all(abs(((p >> shift) & 0xFF) - c) <= 40 for shift, c in zip((16, 8, 0), ERROR_RED)):
                count += 1
    return count


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_filter") as h:
        fixture = os.path.join(temp, "fixture")
        make_fixture(fixture)
        exe = portable_copy(EXE, os.path.join(temp, "program"))
        w = h.open_scanned(exe, fixture)
        w.send(ELEMENT_INVOKE, element_code(LOGICAL_SIZES))
        total = sum(KIB.values()) * 1024 + BIG[1]
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Shown") == total), f"total {w.prop('MossbloomTest.Shown')}")
        base_cells = w.prop("MossbloomTest.Cells")

        # "jpg" typed into the types field: after the typing pause only the JPEG files weigh.
        focus_field(w, TYPES_EDIT)
        type_text(w, TYPES_EDIT, "jpg")
        jpeg = (300 + 200) * 1024
        check(w.repaint_until(lambda: w.child_text(TYPES_EDIT) == "jpg"), f"types field after typing: {w.child_text(TYPES_EDIT)!r}")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Shown") == jpeg),
              f"shown after jpg: {w.prop('MossbloomTest.Shown')}, expected {jpeg}")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Cells") == 2), f"cells after jpg: {w.prop('MossbloomTest.Cells')}")
        summary = w.atom("MossbloomTest.Summary")
        check(summary.startswith("512 kB logical in 2 matching files (of 5)"), f"summary after jpg: {summary!r}")
        w.capture("types_jpg")

        # Clear filters: every field empty, the whole map back.
        w.send(ELEMENT_INVOKE, element_code(CLEAR_FILTERS))
        check(all(w.child_text(e) == "" for e in (SEARCH_EDIT, TYPES_EDIT, SIZE_EDIT)), "fields not cleared")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Shown") == total), "clear filters did not restore the map")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Cells") == base_cells), "cells after clearing")

        # "500 MB": only the big file is left.
        focus_field(w, SIZE_EDIT)
        type_text(w, SIZE_EDIT, "500 MB")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Shown") == BIG[1]),
              f"shown after 500 MB: {w.prop('MossbloomTest.Shown')}")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Cells") == 1), "cells after 500 MB")
        check(HINT not in w.atom("MossbloomTest.Summary"), "a valid size shows the hint")
        check(w.repaint_until(lambda: w.child_text(SIZE_EDIT) == "500 mb"), f"size field: {w.child_text(SIZE_EDIT)!r}")

        # A size that is not understood: red frame, the hint, and no size filter.
        w.send(ELEMENT_INVOKE, element_code(CLEAR_FILTERS))
        focus_field(w, SIZE_EDIT)
        type_text(w, SIZE_EDIT, "kb")
        w.child_key(SIZE_EDIT, VK_RETURN)   # at once
        check(w.repaint_until(lambda: HINT in w.atom("MossbloomTest.Summary")),
              f"summary with an invalid size: {w.atom('MossbloomTest.Summary')!r}")
        check(w.prop("MossbloomTest.Shown") == total, "an invalid size filtered")
        (rect, _) = w.child_rect(SIZE_EDIT)
        image = w.capture("size_invalid")
        red = red_pixels_around(image, rect)
        check(red > 20, f"the size field's frame is not red ({red} red pixels)")
        w.send(ELEMENT_INVOKE, element_code(CLEAR_FILTERS))
        check(w.repaint_until(lambda: HINT not in w.atom("MossbloomTest.Summary")), "the hint stays after clearing")

        # Suggestions: "vid" offers the category video first; Down, Enter inserts it.
        focus_field(w, TYPES_EDIT)
        type_text(w, TYPES_EDIT, "vid")
        # The keys are posted, and the field's focus alone already opens the popup (with
        # the scan's types): wait for the typed text, then for its suggestions.
        check(w.repaint_until(lambda: w.child_text(TYPES_EDIT) == "vid"), f"types field: {w.child_text(TYPES_EDIT)!r}")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Popup") > 0 and
                              w.atom("MossbloomTest.PopupItems").split("|")[0] == "video"),
              f"suggestions for vid: {w.atom('MossbloomTest.PopupItems').split('|')}")
        check(h.count_windows("MossbloomSuggest") == 1, "no popup window")
        w.capture("suggestions_vid")
        w.child_key(TYPES_EDIT, VK_DOWN)
        check(w.repaint_until(lambda: w.prop("MossbloomTest.PopupHighlight") == 1), "Down did not highlight the first item")
        w.child_key(TYPES_EDIT, VK_RETURN)
        check(w.repaint_until(lambda: w.child_text(TYPES_EDIT) == "video, "),
              f"types field after accepting: {w.child_text(TYPES_EDIT)!r}")
        # The next token is empty: the popup offers the scan's types, none already named.
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Popup") > 0), "no suggestions for the next token")
        items = w.atom("MossbloomTest.PopupItems").split("|")
        check("video" not in items and ".jpg" in items, f"suggestions after video: {items}")
        # Enter with nothing highlighted: the popup goes and the filters apply at once.
        w.child_key(TYPES_EDIT, VK_RETURN)
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Popup") == 0), "the popup stayed after Enter")
        check(w.repaint_until(lambda: w.prop("MossbloomTest.Shown") == 400 * 1024),
              f"shown after video: {w.prop('MossbloomTest.Shown')}")
        check(w.close() == 0, "exit code")
    return check.exit_code()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except HarnessError as e:
        print(f"FAIL: {e}")
        sys.exit(1)
