#!/usr/bin/env python3
"""Relaunching as administrator for the fast scan, checked by what the new process
receives. Wine always reports an administrator, so the window is started in
test-input mode with the standard-user switch (MOSSBLOOM_TEST_STANDARD_USER=1, read
only in test-input mode): choosing the fast scan then starts a new copy through
ShellExecuteExW `runas` (no prompt under Wine) and the first one ends with 0. The copy
gets no --test-input, so under Wine it is an administrator and cannot relaunch again.

Checked: a folder path with spaces and a drive root (a path ending in `\\`) arrive
unchanged after --activate; the copy shows its window activated (Mossbloom.StartFocus
1) and scans that folder; scanMode is written Mft for it; --no-elevate only sets
Mossbloom.Relaunch and starts nothing. (--no-splash of the start-up relaunch and the
quoting against the real parser are checked in tests/ui/win32/relaunch_test.cpp.)"""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, ELEMENT_INVOKE, Harness, HarnessError, portable_copy, read_settings, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
FAST_SCAN = 3 * 4096   # element 3, no sub-index
check = Checks()


def relaunch(h, exe, folder):
    """Starts the copy on `folder` as a standard user, chooses the fast scan and returns
    the new process's window."""
    h.setenv("MOSSBLOOM_TEST_STANDARD_USER", "1")
    w = h.launch(exe, ["--test-input", "--theme", "light", folder], "MossbloomWindow")
    h.setenv("MOSSBLOOM_TEST_STANDARD_USER")
    w.ready()
    w.wait_scan(1)
    check(w.prop("MossbloomTest.Method") == 0, "a standard user walks")
    w.post(ELEMENT_INVOKE, FAST_SCAN)
    code = h.wait_exit(60000)
    check(code == 0, f"the first copy ended with {code} after handing over")
    return h.adopt_window("MossbloomWindow", 60000)


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_relaunch") as h:
        spaced = os.path.join(temp, "a folder with spaces")
        os.makedirs(os.path.join(spaced, "inner"))
        with open(os.path.join(spaced, "inner", "file.bin"), "wb") as f:
            f.write(b"x" * 8192)
        program = os.path.join(temp, "program")
        exe = portable_copy(EXE, program, "[mossBloom]\r\nscanMode=Walk\r\n")

        for folder in (winpath(spaced), "C:\\"):
            new = relaunch(h, exe, folder)
            args = new.command_line()
            check(args[1:] == ["--activate", folder], f"the new process received {args[1:]}, expected --activate {folder!r}")
            check(read_settings(program)["mossbloom"].get("scanmode") == "Mft", "scanMode was not written Mft")
            try:
                new.wait_prop("Mossbloom.StartFocus", "eq", 1, 60000)
            except HarnessError as e:
                check(False, f"the new copy did not show itself activated: {e}")
            # Never a third copy: the new one is an administrator under Wine.
            try:
                h.command("adopt-window", 3000, "MossbloomWindow")
                check(False, "a third copy appeared")
            except HarnessError:
                pass
            code = new.close(60000)
            check(code == 0, f"the relaunched copy ended with {code}")
            with open(os.path.join(program, "mossbloom.ini"), "w", newline="\r\n") as f:
                f.write("[mossBloom]\r\nscanMode=Walk\r\n")

        # No-elevate mode: only the property, no new process; the setting stays Mft.
        h.setenv("MOSSBLOOM_TEST_STANDARD_USER", "1")
        w = h.launch(exe, ["--test-input", "--theme", "light", "--no-elevate", winpath(spaced)], "MossbloomWindow")
        h.setenv("MOSSBLOOM_TEST_STANDARD_USER")
        w.ready()
        w.post(ELEMENT_INVOKE, FAST_SCAN)
        w.wait_prop("Mossbloom.Relaunch", "eq", 1)
        check(read_settings(program)["mossbloom"].get("scanmode") == "Mft", "no-elevate: scanMode not Mft")
        check(w.close() == 0, "no-elevate: exit code")
        try:
            h.command("adopt-window", 3000, "MossbloomWindow")
            check(False, "no-elevate mode started a new copy")
        except HarnessError:
            pass

    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
