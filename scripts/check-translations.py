#!/usr/bin/env python3
"""Checks the interface text files in resources/lang against en.txt.

For every language file: the same text numbers as English, no duplicates, the
right number of plural forms for the language, every text translated
(reserved numbers, empty in English, stay empty), placeholders that fit the
English arguments (in order, or all positional with matching types), the same
line breaks and tab escapes, the same leading/trailing spaces, no literal tabs
and only known escapes. Exit status 1 when anything is wrong.

Usage: check-translations.py [LANG_DIR]   (default: resources/lang next to this script)
"""
import os
import re
import sys

# Number of plural forms a plural text must have, by language code.
PLURAL_FORMS = {"en": 2, "de": 2, "fr": 3, "es": 3, "pl": 3, "ru": 3, "ja": 1, "ko": 1, "zh": 1}

# printf conversion: optional position, flags, width, precision, length, type; or %%.
PLACEHOLDER = re.compile(r"%(?:(\d+)\$)?([-+ #0]*)(\d*)(\.\d+)?(hh|h|ll|l|I64|L)?([a-zA-Z%])")


def read_texts(path, errors):
    """Returns {number: raw text} for one file; problems go to errors."""
    texts = {}
    with open(path, encoding="utf-8") as f:
        for lineno, line in enumerate(f, 1):
            line = line.rstrip("\n").rstrip("\r")
            if line.startswith("#") or line == "":
                continue
            number, sep, text = line.partition("\t")
            where = f"{os.path.basename(path)}:{lineno}"
            if not sep or not number.isdigit():
                errors.append(f"{where}: not 'number<TAB>text'")
                continue
            if "\t" in text:
                errors.append(f"{where}: literal tab inside the text (write \\t)")
            n = int(number)
            if n in texts:
                errors.append(f"{where}: text {n} appears twice")
            texts[n] = text
    return texts


def escapes(text):
    """Returns the escape letters in order, or None when an escape is unknown."""
    found = []
    i = 0
    while i < len(text):
        if text[i] == "\\":
            if i + 1 >= len(text) or text[i + 1] not in "nt\\":
                return None
            found.append(text[i + 1])
            i += 2
        else:
            i += 1
    return found


def placeholders(text):
    """Returns (list of (position or None, conversion)) with %% left out, or None on a stray %."""
    result = []
    pos = 0
    for m in PLACEHOLDER.finditer(text):
        if "%" in text[pos:m.start()]:
            return None
        pos = m.end()
        if m.group(6) == "%":
            if m.group(0) != "%%":
                return None
            continue
        conv = (m.group(2) or "") + (m.group(3) or "") + (m.group(4) or "") + (m.group(5) or "") + m.group(6)
        result.append((int(m.group(1)) if m.group(1) else None, conv))
    if "%" in text[pos:]:
        return None
    return result


def check_form(n, form, en_form, where, errors):
    en_ph = [c for _, c in placeholders(en_form)]
    ph = placeholders(form)
    if ph is None:
        errors.append(f"{where}: text {n}: malformed % sequence in {form!r}")
        return
    positional = [p for p, _ in ph if p is not None]
    if positional and len(positional) != len(ph):
        errors.append(f"{where}: text {n}: mixes positional and plain placeholders")
    elif positional:
        by_pos = {}
        for p, c in ph:
            if p in by_pos and by_pos[p] != c:
                errors.append(f"{where}: text {n}: %{p}$ used with two types")
            by_pos[p] = c
        wanted = {i + 1: c for i, c in enumerate(en_ph)}
        if by_pos != wanted:
            errors.append(f"{where}: text {n}: positional placeholders {sorted(by_pos.items())} "
                          f"do not match English {sorted(wanted.items())}")
    elif [c for _, c in ph] != en_ph:
        errors.append(f"{where}: text {n}: placeholders {[c for _, c in ph]} differ from English {en_ph}")
    esc, en_esc = escapes(form), escapes(en_form)
    if esc is None:
        errors.append(f"{where}: text {n}: unknown escape in {form!r}")
    elif sorted(e for e in esc if e != "\\") != sorted(e for e in en_esc if e != "\\"):
        errors.append(f"{where}: text {n}: line breaks or tabs differ from English")
    if form.strip() == "":
        errors.append(f"{where}: text {n}: empty plural form")
    for side, a, b in (("leading", form[:1], en_form[:1]), ("trailing", form[-1:], en_form[-1:])):
        if (a == " ") != (b == " "):
            errors.append(f"{where}: text {n}: {side} space differs from English")


def check_language(code, texts, en, where, errors):
    missing = sorted(set(en) - set(texts))
    extra = sorted(set(texts) - set(en))
    if missing:
        errors.append(f"{where}: missing texts {missing}")
    if extra:
        errors.append(f"{where}: texts not in English {extra}")
    want_plural = PLURAL_FORMS.get(code)
    if want_plural is None:
        errors.append(f"{where}: unknown language code {code!r}")
        return
    for n in sorted(set(texts) & set(en)):
        en_forms = en[n].split("|")
        forms = texts[n].split("|")
        if en[n] == "":
            if texts[n] != "":
                errors.append(f"{where}: text {n}: reserved (empty in English) but translated")
            continue
        if texts[n] == "":
            errors.append(f"{where}: text {n}: not translated (empty)")
            continue
        want = want_plural if len(en_forms) > 1 else 1
        if len(forms) != want:
            errors.append(f"{where}: text {n}: {len(forms)} plural forms, expected {want}")
            continue
        for form in forms:
            check_form(n, form, en_forms[0], where, errors)


def main():
    lang_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "lang")
    errors = []
    en = read_texts(os.path.join(lang_dir, "en.txt"), errors)
    if sorted(en) != list(range(len(en))):
        errors.append("en.txt: numbers are not 0..N-1 without gaps")
    for n, text in en.items():
        if text == "":
            continue  # a reserved number
        forms = text.split("|")
        if len(forms) not in (1, 2):
            errors.append(f"en.txt: text {n}: English needs one or two forms")
        for form in forms:
            check_form(n, form, forms[0], "en.txt", errors)
    checked = []
    for name in sorted(os.listdir(lang_dir)):
        if not name.endswith(".txt") or name == "en.txt":
            continue
        code = name[:-4]
        check_language(code, read_texts(os.path.join(lang_dir, name), errors), en, name, errors)
        checked.append(code)
    for e in errors:
        print(e)
    print(f"{len(en)} English texts; checked {', '.join(checked) or 'no translations'}: "
          f"{'OK' if not errors else f'{len(errors)} problem(s)'}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
