#!/usr/bin/env python3
"""The normal start of mossbloom.exe under Wine: the window's class, title, size and
position (the default placement, a saved one, one too small to use, one off every
monitor, a maximised one), the notices of a wrong command line with no scan started,
the clean-up of <exe>.old, the administrator start wanted but suppressed
(Mossbloom.Elevate), the placement saved at close and the exit code 0.

Each check runs a copy of the program with its own portable mossbloom.ini."""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, Harness, portable_copy, read_settings, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
STANDARD_USER = "MOSSBLOOM_TEST_STANDARD_USER"
check = Checks()


def start(h, folder, args, settings=""):
    exe = portable_copy(EXE, folder, settings)
    w = h.launch(exe, ["--test-input", "--theme", "light"] + args, "MossbloomWindow")
    w.ready()
    return exe, w


def default_rect(h):
    left, top, right, bottom = h.work_area()
    width, height = min(1280, right - left), min(820, bottom - top)
    x, y = left + (right - left - width) // 2, top + (bottom - top - height) // 2
    return (x, y, x + width, y + height)


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_start") as h:
        folder = os.path.join(temp, "plain")
        os.makedirs(os.path.join(temp, "data"))
        with open(os.path.join(temp, "data", "file.bin"), "wb") as f:
            f.write(b"x" * 40960)

        # The default placement, the class and title, the start focus, the old executable.
        exe = portable_copy(EXE, folder)
        with open(exe + ".old", "wb") as f:
            f.write(b"the executable an update replaced")
        w = h.launch(exe, ["--test-input", "--theme", "light"], "MossbloomWindow")
        w.ready()
        check(w.window_class() == "MossbloomWindow", f"class {w.window_class()}")
        check(w.text() == "Mossbloom", f"title {w.text()!r}")
        style, ex_style = w.styles()
        WS_OVERLAPPEDWINDOW, WS_CLIPCHILDREN, WS_EX_NOACTIVATE, WS_EX_APPWINDOW = 0xCF0000, 0x2000000, 0x8000000, 0x40000
        check(style & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN) == WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, f"style {style:#x}")
        check(ex_style & (WS_EX_NOACTIVATE | WS_EX_APPWINDOW) == WS_EX_NOACTIVATE | WS_EX_APPWINDOW,
              f"test-input mode: extended style {ex_style:#x}")
        placement = w.rect()
        check(placement["rect"] == default_rect(h), f"default placement {placement['rect']} != {default_rect(h)}")
        check(w.prop("Mossbloom.StartFocus") == 2, "test-input mode shows the window without activation")
        check(not os.path.exists(exe + ".old"), "<exe>.old was not deleted at start")
        check(w.prop("MossbloomTest.Scan") == 0 and w.prop("MossbloomTest.Generation") == 0, "a scan started without a target")
        check(w.prop("Mossbloom.Elevate") == 0, "Mossbloom.Elevate set for an administrator")
        code = w.close()
        check(code == 0, f"exit code {code} after closing")
        saved = read_settings(folder).get("mossbloom", {}).get("window", "")
        r = placement["normal"]
        check(saved == f"{r[0]},{r[1]},{r[2]},{r[3]}", f"saved placement {saved!r} for {r}")

        # Saved placements: used, ignored when too small or off every monitor, maximised.
        cases = [
            ("100,50,1100,750", (100, 50, 1100, 750), False),
            ("100,50,390,750", default_rect(h), False),       # 290 wide
            ("100,50,1100,349", default_rect(h), False),      # 299 high
            ("5000,5000,6000,6000", default_rect(h), False),  # on no monitor
            ("100,50,1100", default_rect(h), False),          # three numbers
            ("-20,40,1000,700,max", (-20, 40, 1000, 700), True),
        ]
        for text, expected, maximised in cases:
            if maximised:
                # Test-input mode always shows without activation, which a maximised
                # show would take: this start asks for the foreground instead.
                exe = portable_copy(EXE, folder, f"[mossBloom]\r\nwindow={text}\r\n")
                w = h.launch(exe, ["--activate", "--no-splash", "--theme", "light"], "MossbloomWindow")
                w.wait_visible(60000)
            else:
                _, w = start(h, folder, [], f"[mossBloom]\r\nwindow={text}\r\n")
            p = w.rect()
            check(p["zoomed"] == maximised, f"window={text}: maximised {p['zoomed']}")
            # Wine reports another process's maximised window with its maximised rectangle
            # as the normal one: the saved text below shows the normal rectangle kept.
            if not maximised:
                check(p["normal"] == expected, f"window={text}: normal position {p['normal']}, expected {expected}")
                check(p["rect"] == expected, f"window={text}: shown at {p['rect']}, expected {expected}")
            check(w.close() == 0, f"window={text}: exit code")
        # A maximised window keeps its normal rectangle and its maximised state when saved.
        check(read_settings(folder)["mossbloom"]["window"] == "-20,40,1000,700,max",
              f"maximised placement saved as {read_settings(folder)['mossbloom']['window']!r}")

        # Command-line errors: a notice of kind 3 and no scan.
        data = winpath(os.path.join(temp, "data"))
        missing = winpath(os.path.join(temp, "missing"))
        notices = [
            (["--frobnicate", data], "Unknown option --frobnicate: give the folder or drive to scan on its own."),
            ([data, "C:\\"], f"Give one folder or drive to scan, not more: {data}, C:\\"),
            (["--frobnicate", data, "C:\\"], f"Give one folder or drive to scan, not more: {data}, C:\\"),
            ([missing], f"Not a folder or drive: {missing}"),
            (["--ui-bench"], "Unknown option --ui-bench: give the folder or drive to scan on its own."),
        ]
        for args, text in notices:
            _, w = start(h, folder, args)
            got = w.atom("MossbloomTest.NoticeText")
            check(got == text, f"{args}: notice {got!r}, expected {text!r}")
            check(w.prop("Mossbloom.Info") == 3, f"{args}: notice kind {w.prop('Mossbloom.Info')}")
            check(w.prop("MossbloomTest.Generation") == 0, f"{args}: a scan started")
            check(w.close() == 0, f"{args}: exit code")

        # After an update: no cached manifest, so no "updated" notice, but the old
        # executable is deleted by the clean-up thread (the previous process, 0, is not waited for).
        with open(exe + ".old", "wb") as f:
            f.write(b"old")
        _, w = start(h, folder, ["--updated", "0", data])
        deadline = time.monotonic() + 20
        while os.path.exists(exe + ".old") and time.monotonic() < deadline:
            time.sleep(0.05)
        check(not os.path.exists(exe + ".old"), "--updated: <exe>.old was not deleted")
        check(w.atom("MossbloomTest.NoticeText") == "", "--updated without a manifest showed a notice")
        w.wait_scan(1)
        check(w.close() == 0, "--updated: exit code")

        # The administrator start: wanted (the elevate setting or --elevate, a standard
        # user), never done in test-input mode, and then announced by Mossbloom.Elevate.
        elevate = "[start]\r\nelevate= TRUE \r\n"
        cases = [
            ("1", elevate, ["--no-elevate"], 1),
            ("1", elevate, [], 1),
            ("1", "", ["--elevate"], 1),
            ("1", "", [], 0),
            (None, elevate, ["--elevate"], 0),   # an administrator already
            ("1", "[start]\r\nelevate=false\r\n", [], 0),
        ]
        for switch, settings, args, expected in cases:
            h.setenv(STANDARD_USER, switch)
            _, w = start(h, folder, args, settings)
            got = w.prop("Mossbloom.Elevate")
            check(got == expected, f"standard user {switch}, {settings!r}, {args}: Mossbloom.Elevate {got}")
            check(w.close() == 0, f"{args}: exit code")
        h.setenv(STANDARD_USER)

        # A normal start (not in test-input mode) opens the window and ends with 0.
        exe = portable_copy(EXE, folder)
        w = h.launch(exe, ["--no-splash", "--theme", "light"], "MossbloomWindow")
        w.wait_visible(60000)
        check(w.prop("Mossbloom.StartFocus") in (1, 2), "a normal start did not show its window")
        check(not w.styles()[1] & 0x8000000, "WS_EX_NOACTIVATE outside test-input mode")
        check(w.close() == 0, "a normal start: exit code")

    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
