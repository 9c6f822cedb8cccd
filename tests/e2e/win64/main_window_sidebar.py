#!/usr/bin/env python3
"""The drive sidebar and the address field, under Wine and real Direct2D:

- Wine's drives, C: and Z: and a letter mapped to a fixture folder in the test prefix
  (a dosdevices link), appear with their labels and "<file system> · <free> free of
  <total>";
- with AllowedPaths naming a folder on the mapped drive, that drive reads
  "Only <folder> · managed" and the others "Not allowed · Managed by your organization";
- `--import <folder>` lists its CSV files as drives ordered by letter, with the label
  of the title or, without one, the label the file name gives; other files are left out;
- the address field (Ctrl+L): typing a sub-path of the scan shows that folder, Esc
  closes the field, and a folder outside the scan starts a scan of it."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Checks, ELEMENT_INVOKE, Harness, HarnessError, element_code, portable_copy, winpath  # noqa: E402

EXE = os.environ["MB_BIN"]
RUN = os.environ.get("MB_RUN", "")
POLICY_KEY = "HKCU\\Software\\Policies\\Mossbloom"
MAPPED = "m"
ADDRESS = 18
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
FREE_LINE = re.compile(r"^\S+ · [\d.,]+ (bytes|KB|MB|GB|TB) free of [\d.,]+ (bytes|KB|MB|GB|TB)$")
check = Checks()


def wine(args):
    return subprocess.run(([RUN] if RUN else []) + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300)


def drives(w):
    """{letter: (title, second line)} from the published sidebar."""
    out = {}
    for i in range(w.prop("MossbloomTest.DriveCount")):
        title, _, detail = w.atom(f"MossbloomTest.Drive{i}").partition("\t")
        match = re.search(r"\(([A-Z]):\)$", title)
        out[match.group(1) if match else f"?{i}"] = (title, detail)
    return out


def ordered_letters(w):
    letters = []
    for i in range(w.prop("MossbloomTest.DriveCount")):
        title = w.atom(f"MossbloomTest.Drive{i}").partition("\t")[0]
        letters.append(title)
    return letters


def csv_for(source_csv, target, letter, label):
    """The source export moved to drive `letter`: its root becomes X:\\, its title's label `label`."""
    with open(source_csv, encoding="utf-8-sig", newline="") as f:
        lines = f.read().split("\r\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("File Name,"))
    root = lines[start + 1][1:lines[start + 1].index('"', 1)]
    title = lines[0].split(" · ")
    title[1] = label
    body = [line.replace('"' + root, '"' + letter + ":\\", 1) for line in lines[start + 1:]]
    body = [line.replace(letter + ":\\\\", letter + ":\\", 1) for line in body]
    with open(target, "w", encoding="utf-8-sig", newline="") as f:
        f.write("\r\n".join([" · ".join(title)] + lines[1:start + 1] + body))


def main():
    with tempfile.TemporaryDirectory() as temp:
        prefix = os.environ.get("WINEPREFIX") or os.path.join(os.environ["MB_BINARY_DIR"], "wineprefix")
        fixture = os.path.join(temp, "fixture")
        for name, size in {"big/inner/a.bin": 300000, "big/b.bin": 200000, "small/c.txt": 1000}.items():
            os.makedirs(os.path.dirname(os.path.join(fixture, name)), exist_ok=True)
            with open(os.path.join(fixture, name), "wb") as f:
                f.write(b"x" * size)
        # The link is made before the harness starts the prefix's server, whose mount
        # manager reads the drive links when it starts.
        link = os.path.join(prefix, "dosdevices", MAPPED + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(fixture, link)
        try:
            with Harness("main_window_sidebar") as h:
                run_checks(h, temp, fixture)
        finally:
            if os.path.lexists(link):
                os.remove(link)
    return check.exit_code()


def run_checks(h, temp, fixture):
    exe = portable_copy(EXE, os.path.join(temp, "program"))
    try:
        # Wine's drives and the mapped one.
        w = h.launch(exe, ["--test-input", "--theme", "light"], "MossbloomWindow")
        w.ready()
        listed = drives(w)
        for letter in ("C", "Z", "M"):
            check(letter in listed, f"drive {letter}: missing from {listed}")
            if letter in listed:
                title, detail = listed[letter]
                check(re.match(r"^.+ \(" + letter + r":\)$", title) and not title.startswith(" ("),
                      f"drive {letter}: title {title!r}")
                check(FREE_LINE.match(detail), f"drive {letter}: second line {detail!r}")
        w.capture("drives")

        # The address field: a sub-path shows that folder; Esc closes the field.
        w.send(ELEMENT_INVOKE, element_code(1, list(listed).index("M") if "M" in listed else 0))
        w.wait_scan(1)
        root_view = w.prop("MossbloomTest.ViewRoot")
        # In test-input mode the window takes the focus only while it is the foreground window.
        h.command("foreground")
        w.send(ELEMENT_INVOKE, element_code(ADDRESS))
        w.focus_key(0x23)  # End: the caret after the shown path
        w.type("big\\inner")
        w.focus_key(VK_RETURN)
        viewed = w.wait_prop("MossbloomTest.ViewRoot", "ne", root_view)
        check(viewed != root_view, "Enter on a sub-path did not show it")
        w.capture("address-sub-path")
        # Esc closes it without going anywhere.
        w.send(ELEMENT_INVOKE, element_code(ADDRESS))
        w.type("zzz")
        w.focus_key(VK_ESCAPE)
        w.repaint()
        check(w.prop("MossbloomTest.ViewRoot") == viewed, "Esc in the address field moved the view")
        # A folder outside the scan starts a scan of it.
        outside = os.path.join(temp, "outside")
        os.makedirs(os.path.join(outside, "x"))
        w.send(ELEMENT_INVOKE, element_code(ADDRESS))
        w.type(winpath(outside))   # the shown path is selected: typing replaces it
        w.repaint()
        typed = w.child_text(33)
        check(typed == winpath(outside), f"the address field holds {typed!r}")
        w.capture("address-outside")
        w.focus_key(VK_RETURN)
        w.wait_scan(2)
        check(w.prop("MossbloomTest.Folders") == 1, f"scan of the typed folder: {w.prop('MossbloomTest.Folders')} folders")
        w.close()

        # AllowedPaths: only a folder on the mapped drive.
        allowed = "M:\\big"
        result = wine(["reg", "add", POLICY_KEY, "/v", "AllowedPaths", "/t", "REG_MULTI_SZ", "/d", allowed, "/f"])
        check(result.returncode == 0, "reg add failed")
        w = h.launch(exe, ["--test-input", "--theme", "light"], "MossbloomWindow")
        w.ready()
        listed = drives(w)
        if "M" in listed:
            check(listed["M"][1] == f"Only {allowed} · managed", f"allowed drive: {listed['M'][1]!r}")
        for letter in ("C", "Z"):
            if letter in listed:
                check(listed[letter][1] == "Not allowed · Managed by your organization",
                      f"drive {letter} under the policy: {listed[letter][1]!r}")
        w.capture("drives-policy")
        w.close()
    finally:
        wine(["reg", "delete", POLICY_KEY, "/v", "AllowedPaths", "/f"])

    # --import of a folder: its CSV files as drives, ordered by letter.
    source = os.path.join(temp, "source.csv")
    result = wine([EXE, "--export", winpath(fixture), winpath(source)])
    check(result.returncode == 0, f"headless export exit code {result.returncode}")
    folder = os.path.join(temp, "imports")
    os.makedirs(folder)
    csv_for(source, os.path.join(folder, "Photos Disk (E).csv"), "E", "")
    csv_for(source, os.path.join(folder, "notes.csv"), "F", "")
    csv_for(source, os.path.join(folder, "anything (G).csv"), "D", "Archive")
    with open(os.path.join(folder, "broken.csv"), "w") as f:
        f.write("not an export\r\n")
    shutil.copyfile(os.path.join(folder, "notes.csv"), os.path.join(folder, "notes.txt"))
    w = h.launch(exe, ["--test-input", "--theme", "light", "--import", winpath(folder)], "MossbloomWindow")
    w.ready()
    titles = ordered_letters(w)
    check(titles == ["Archive (D:)", "Photos Disk (E:)", "Local Disk (F:)"], f"imported drives {titles}")
    w.capture("imported-drives")
    if titles:
        w.send(ELEMENT_INVOKE, element_code(1, 1))
        w.wait_scan(1)
        check(w.prop("MossbloomTest.Method") == 2, "choosing a CSV entry did not import it")
        summary = w.atom("MossbloomTest.Summary")
        check(" · imported from Photos Disk (E).csv" in summary, f"summary {summary!r}")
        w.expect_map_shown("imported-tree")
    w.close()


if __name__ == "__main__":
    sys.exit(main())
