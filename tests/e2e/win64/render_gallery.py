"""Every drawing primitive, control and text style of the render layer, drawn by
real Direct2D and DirectWrite under Wine in both themes at 96 and 144 DPI, and
once with a named accent. The test window reports what it drew where; this test
checks the picture against the theme colours it expects itself: the window's
background, the surface, the accent bar, every role's swatch, fills and borders
of the controls, and text pixels inside each text rectangle and none outside."""
import os
import sys

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Harness, HarnessError, close, winpath  # noqa: E402

WINDOW = os.environ["MB_RENDER_WINDOW"]
CLASS = "MossbloomRenderTest"

LIGHT = dict(background=0xF3F3F3, surface=0xFBFBFB, surfaceHover=0xF6F6F6, stroke=0xE5E5E5, text=0x1B1B1B,
             secondaryText=0x5C5C5C, tertiary=0x9E9E9E, accent=0x005FB8, textOnAccent=0xFFFFFF, track=0xD1D1D1,
             control=0xFDFDFD, controlHover=0xF5F5F5, controlStroke=0xD9D9D9, accentHover=0x196FBF)
DARK = dict(background=0x202020, surface=0x2B2B2B, surfaceHover=0x323232, stroke=0x1D1D1D, text=0xFFFFFF,
            secondaryText=0xCFCFCF, tertiary=0x787878, accent=0x60CDFF, textOnAccent=0x000000, track=0x4A4A4A,
            control=0x373737, controlHover=0x3D3D3D, controlStroke=0x434343, accentHover=0x57B9E6)
# Wine has no UISettings, so "the system's accent" is the default accent of the theme above.
VIOLET_DARK = dict(DARK, accent=0xC2A4FF, textOnAccent=0x000000, accentHover=0xAF94E6)

INK = 24          # a pixel this far from the colour under the text is ink
NEAR_INK = 72     # the strongest ink reaches the text colour this closely (antialiasing, ClearType)
BAND = 3          # pixels around a text rectangle that must stay clean


def distance(a, b):
    return max(abs(((a >> s) & 255) - ((b >> s) & 255)) for s in (16, 8, 0))


def read_layout(path):
    items = []
    with open(path) as f:
        for line in f:
            kind, name, *rest = line.rstrip("\n").split("\t")
            if kind == "point":
                x, y, colour = int(rest[0]), int(rest[1]), int(rest[2], 16)
                items.append((kind, name, (x, y), colour, None))
            else:
                l, t, r, b = (int(v) for v in rest[:4])
                items.append((kind, name, (l, t, r, b), int(rest[4], 16), int(rest[5], 16)))
    return items


def check_gallery(shot, items, roles, dpi):
    texts = 0
    for kind, name, where, under, ink in items:
        what = f"{name} ({kind})"
        if name.startswith("role."):
            role = name[5:]
            assert under == roles[role], f"the window drew {role} as {under:06X}, expected {roles[role]:06X}"
        if kind == "point":
            shot.expect(*where, under, what=what)
        elif kind == "fill":
            l, t, r, b = where
            shot.expect_uniform((l, t, r, b), under, what=what)
        elif kind in ("text", "glyph", "ink"):
            l, t, r, b = where
            if kind != "glyph":
                inked = shot.count_unlike((l, t, r, b), under, INK)
                assert inked >= 8, f"{what}: no text inside {where} ({inked} pixels)"
                closest = min(distance(p, ink) for _, _, p in shot.region(l, t, r, b))
                assert closest <= NEAR_INK, f"{what}: no pixel near the text colour {ink:06X} (closest {closest})"
            if kind != "ink":
                for band in ((l - BAND, t - BAND, r + BAND, t), (l - BAND, b, r + BAND, b + BAND),
                             (l - BAND, t, l, b), (r, t, r + BAND, b)):
                    shot.expect_uniform(band, under, what=f"{what}: outside its rectangle")
                texts += 1
    assert texts >= 12, f"only {texts} text rectangles checked"
    # What must be there in every theme, whatever else the window reported.
    names = {name for _, name, _, _, _ in items}
    for needed in ("background", "surface", "accentBar", "style.title", "style.caption", "primary.fill", "check.on"):
        assert needed in names, f"the gallery did not report {needed}"
    scale = dpi / 96
    shot.expect(round(6 * scale), round(6 * scale), roles["background"], what="window background")


def run(h, name, args, roles, dpi):
    layout = os.path.join(h.shots, name + ".txt")
    if os.path.exists(layout):
        os.remove(layout)
    w = h.launch(WINDOW, ["--test-input", "--scene", "gallery", "--dpi", str(dpi), "--layout-out", winpath(layout)]
                 + args, CLASS)
    w.ready()
    assert w.prop("MossbloomTest.Dpi") == dpi
    assert w.client_size() == (round(860 * dpi / 96), round(600 * dpi / 96)), w.client_size()
    w.expect_picture(name, lambda shot: check_gallery(shot, read_layout(layout), roles, dpi))
    assert w.close() == 0


def main():
    with Harness("render_gallery") as h:
        for theme, roles in (("light", LIGHT), ("dark", DARK)):
            for dpi in (96, 144):
                run(h, f"gallery_{theme}_{dpi}", ["--theme", theme], roles, dpi)
        run(h, "gallery_dark_violet_120", ["--theme", "dark", "--accent", "violet"], VIOLET_DARK, 120)
    print("render_gallery: ok")


if __name__ == "__main__":
    try:
        main()
    except (HarnessError, AssertionError) as e:
        print(f"render_gallery: {type(e).__name__}: {e}")
        raise
