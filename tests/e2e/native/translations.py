#!/usr/bin/env python3
"""The shipped translations pass the translation checker, and the checker
rejects each kind of broken translation it exists to catch."""
import os
import shutil
import subprocess
import sys
import tempfile

SRC = os.environ.get("MB_SOURCE_DIR") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
CHECKER = os.path.join(SRC, "scripts", "check-translations.py")
LANG = os.path.join(SRC, "resources", "lang")


def run(lang_dir):
    p = subprocess.run([sys.executable, CHECKER, lang_dir], capture_output=True, text=True)
    return p.returncode, p.stdout + p.stderr


def set_text(lines, number, text):
    prefix = f"{number}\t"
    assert lines_text(lines, number) is not None, f"text {number} not found"
    return [prefix + text + "\n" if l.startswith(prefix) else l for l in lines]


def lines_text(lines, number):
    for l in lines:
        if l.startswith(f"{number}\t"):
            return l.rstrip("\n").split("\t", 1)[1]
    return None


failures = []

# The real files.
code, out = run(LANG)
if code != 0:
    failures.append("shipped translations fail the checker:\n" + out)
codes = sorted(n[:-4] for n in os.listdir(LANG) if n.endswith(".txt") and n != "en.txt")
if codes != ["de", "es", "fr", "ja", "ko", "pl", "ru", "zh"]:
    failures.append(f"unexpected language files: {codes}")

# Reference wordings: the plural and argument-reordering examples.
def text_of(code, number):
    with open(os.path.join(LANG, f"{code}.txt"), encoding="utf-8") as f:
        return lines_text(f.readlines(), number)

for code, number, want in [
    ("fr", 37, "%ls élément trouvé|%ls d'éléments trouvés|%ls éléments trouvés"),
    ("pl", 37, "Znaleziono %ls element|Znaleziono %ls elementy|Znaleziono %ls elementów"),
    ("ja", 37, "%ls 個の項目が見つかりました"),
    ("ja", 173, "%2$ls に %1$ls 行をエクスポートしました"),
]:
    if text_of(code, number) != want:
        failures.append(f"{code} text {number} is {text_of(code, number)!r}, want {want!r}")

# Broken copies of real files: (name, language, mutate(lines) -> lines, expected message part).
CASES = [
    ("placeholder type", "de", lambda l: set_text(l, 55, "Windows-Fehler %d."), "differ from English"),
    ("placeholder missing", "de", lambda l: set_text(l, 41, "Wird gescannt…"), "differ from English"),
    ("mixed positional", "ja", lambda l: set_text(l, 173, "%2$ls に %ls 行"), "mixes positional"),
    ("positional wrong type", "ja", lambda l: set_text(l, 190, "手数 %1$d、ペア %2$ls"), "do not match English"),
    ("positional gap", "ko", lambda l: set_text(l, 173, "%2$ls에 행을 내보냈습니다"), "do not match English"),
    ("too few plural forms", "fr", lambda l: set_text(l, 90, "%ls élément|%ls éléments"), "expected 3"),
    ("plural in a single-form language", "zh", lambda l: set_text(l, 90, "%ls 个项目|%ls 个项目"), "expected 1"),
    ("plural forms on a plain text", "ru", lambda l: set_text(l, 52, "Эта папка пуста|Эти папки пусты"), "expected 1"),
    ("literal tab", "es", lambda l: set_text(l, 175, "Acerca de Mossbloom…\tF1"), "literal tab"),
    ("lost line break", "pl", lambda l: set_text(l, 144, "Ostatnie powiększenie: %d kl./s"), "line breaks or tabs"),
    ("lost leading space", "de", lambda l: set_text(l, 96, "in %ls"), "leading space"),
    ("stray percent", "fr", lambda l: set_text(l, 108, "%ls · de la vue %ls %"), "malformed"),
    ("unknown escape", "de", lambda l: set_text(l, 102, "Ordner:\\r%ls"), "unknown escape"),
    ("untranslated", "ko", lambda l: set_text(l, 1, ""), "not translated"),
    ("reserved text translated", "ru", lambda l: set_text(l, 300, "Что-то"), "reserved"),
    ("missing text", "ja", lambda l: [x for x in l if not x.startswith("57\t")], "missing texts [57]"),
    ("duplicate text", "zh", lambda l: l + ["57\t向上\n"], "appears twice"),
    ("extra text", "es", lambda l: l + ["999\tSobra\n"], "not in English"),
]

for name, code, mutate, expect in CASES:
    tmp = tempfile.mkdtemp()
    try:
        shutil.copy(os.path.join(LANG, "en.txt"), tmp)
        with open(os.path.join(LANG, f"{code}.txt"), encoding="utf-8") as f:
            lines = f.readlines()
        with open(os.path.join(tmp, f"{code}.txt"), "w", encoding="utf-8") as f:
            f.writelines(mutate(lines))
        rc, out = run(tmp)
        if rc == 0 or expect not in out:
            failures.append(f"{name}: checker exit {rc}, output lacks {expect!r}:\n{out}")
    finally:
        shutil.rmtree(tmp)

for f in failures:
    print("FAIL:", f)
print(f"{len(CASES)} broken cases, {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
