#!/usr/bin/env python3
"""The Files and Extensions lists under Wine: the Files tab lists a fixture's files
largest first and a click on "Name" sorts them by name; the Extensions tab lists the
fixture's types with their counts and sizes; a double-click on "jpg" returns to the
map filtered to JPEG files. Rows are read back from the list controls themselves
(LVM_GETITEMTEXT), since their pixels over the swap chain are unreliable under Wine."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import (Checks, ELEMENT_INVOKE, LVM_GETITEMCOUNT, LVM_GETNEXTITEM, LVNI_SELECTED, Harness,  # noqa: E402
                   HarnessError, element_code, portable_copy, winpath)

EXE = os.environ["MB_BIN"]
FILES_LIST, EXTENSIONS_LIST, TYPES_EDIT = 40, 41, 31
VIEW_TAB, LOGICAL_SIZES = 23, 7
VK_RETURN = 0x0D
check = Checks()

# name -> KiB; sizes differ so that the largest-first order is unique.
FIXTURE = {
    "photos/b.jpg": 400, "photos/A.jpg": 300, "video/movie.mkv": 500,
    "docs/zeta.txt": 200, "docs/alpha.pdf": 100, "README": 50,
}


def make_fixture(root):
    for name, kib in FIXTURE.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(kib * 1024))


def wait_until(w, what, ok):
    """ok() within a few repaints (the lists are synchronised when the window paints)."""
    return check(w.repaint_until(ok, 30), what)


def list_shown(w, control):
    r = w.child_rect(control)
    return r is not None and r[1]


def row_count(w, control):
    return w.child_send(control, LVM_GETITEMCOUNT)


def double_click_row(w, control, row):
    (left, top, _, _), _ = w.child_rect(control)
    r = w.list_row_rect(control, row)
    x, y = left + r[0] + 20, top + (r[1] + r[3]) // 2
    w.click(x, y)
    w.click(x, y)


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_lists") as h:
        fixture = os.path.join(temp, "fixture")
        make_fixture(fixture)
        exe = portable_copy(EXE, os.path.join(temp, "program"))
        w = h.open_scanned(exe, fixture)
        w.send(ELEMENT_INVOKE, element_code(LOGICAL_SIZES))
        total = sum(FIXTURE.values()) * 1024

        # Files: every file, largest first.
        w.send(ELEMENT_INVOKE, element_code(VIEW_TAB, 1))
        wait_until(w, "the Files list is not shown", lambda: list_shown(w, FILES_LIST))
        wait_until(w, "the Files list has not the fixture's rows", lambda: row_count(w, FILES_LIST) == len(FIXTURE))
        by_size = sorted(FIXTURE, key=lambda n: -FIXTURE[n])
        rows = w.list_rows(FILES_LIST, [0, 1, 2, 3, 5])
        names = [r[0] for r in rows]
        check(names == [n.split("/")[-1] for n in by_size], f"Files rows by size: {names}")
        check(rows[0][3] == "mkv" and rows[-1][3] == "", f"types: {[r[3] for r in rows]}")
        check(rows[0][4] == "video" and rows[-1][4] == "", f"folders: {[r[4] for r in rows]}")
        check(rows[0][2] == f"{500 * 100 * 1024 / total:.1f} %", f"share of the largest: {rows[0][2]!r}")
        check(all(r[1] for r in rows), f"sizes: {[r[1] for r in rows]}")
        check(w.list_text(FILES_LIST, 0, 4) != "", "no modification date")
        check(w.child_send(FILES_LIST, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == 0,
              "row 0 is not selected after building")
        w.capture("files_by_size")

        # A click on the "Name" header: by name, case-insensitive.
        (left, top, _, _), _ = w.child_rect(FILES_LIST)
        first_row = w.list_row_rect(FILES_LIST, 0)
        w.click(left + 40, top + max(2, first_row[1] // 2))
        by_name = sorted((n.split("/")[-1] for n in FIXTURE), key=str.upper)
        wait_until(w, "the Files list is not sorted by name",
                   lambda: [w.list_text(FILES_LIST, r, 0) for r in range(len(FIXTURE))] == by_name)
        w.capture("files_by_name")

        # Extensions: one row per type with its count and size, largest first.
        w.send(ELEMENT_INVOKE, element_code(VIEW_TAB, 2))
        wait_until(w, "the Extensions list is not shown", lambda: list_shown(w, EXTENSIONS_LIST))
        check(not list_shown(w, FILES_LIST), "the Files list stays shown in the Extensions view")
        wait_until(w, "the Extensions list has not 5 rows", lambda: row_count(w, EXTENSIONS_LIST) == 5)
        types = w.list_rows(EXTENSIONS_LIST, [0, 1, 2, 3])
        check([t[0] for t in types] == ["jpg", "mkv", "txt", "pdf", "(none)"], f"types: {types}")
        check([t[2] for t in types] == ["2", "1", "1", "1", "1"], f"counts: {types}")
        check(types[0][1] != "" and types[0][1] == types[0][1].strip(), f"category of jpg: {types[0][1]!r}")
        check(types[0][3] != types[1][3], f"sizes: {types}")
        w.capture("extensions")

        # A double-click on "jpg": the map, filtered to JPEG files.
        double_click_row(w, EXTENSIONS_LIST, 0)
        wait_until(w, "the map did not come back", lambda: not list_shown(w, EXTENSIONS_LIST))
        check(w.child_text(TYPES_EDIT) == "jpg", f"types field: {w.child_text(TYPES_EDIT)!r}")
        jpeg = (400 + 300) * 1024
        wait_until(w, "the map is not filtered to the JPEG files", lambda: w.prop("MossbloomTest.Shown") == jpeg)
        summary = w.atom("MossbloomTest.Summary")
        check("in 2 matching files (of 6)" in summary, f"summary after the double-click: {summary!r}")
        w.capture("jpeg_map")

        # Enter in the Files list shows the file in the map (the filter stays).
        w.send(ELEMENT_INVOKE, element_code(VIEW_TAB, 1))
        wait_until(w, "the Files list is not shown again", lambda: list_shown(w, FILES_LIST))
        wait_until(w, "the filtered Files list", lambda: row_count(w, FILES_LIST) == 2)
        jpegs = [w.list_text(FILES_LIST, r, 0) for r in range(2)]
        # The order clicked last is kept across view switches.
        check(jpegs == ["A.jpg", "b.jpg"], f"the filtered Files rows are not the JPEG files by name: {jpegs}")
        w.focus_child(FILES_LIST)
        w.key(VK_RETURN)
        wait_until(w, "Enter did not return to the map", lambda: not list_shown(w, FILES_LIST))
        check(w.close() == 0, "exit code")
    return check.exit_code()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except HarnessError as e:
        print(f"FAIL: {e}")
        sys.exit(1)
