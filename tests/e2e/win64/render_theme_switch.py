"""The theme follows the system: changing AppsUseLightTheme in the test prefix's
registry and broadcasting WM_SETTINGCHANGE "ImmersiveColorSet" repaints the
window in the other theme; with --theme the system's change is ignored. The
registry value is put back as it was."""
import os
import sys

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import Harness, HarnessError, winpath  # noqa: E402

WINDOW = os.environ["MB_RENDER_WINDOW"]
CLASS = "MossbloomRenderTest"
KEY = r"Software\Microsoft\Windows\CurrentVersion\Themes\Personalize"
VALUE = "AppsUseLightTheme"

# Background, surface and the accent bar; the accent is the default one (Wine has no system accent).
LIGHT = (0xF3F3F3, 0xFBFBFB, 0x005FB8)
DARK = (0x202020, 0x2B2B2B, 0x60CDFF)


def theme_is(colours, points):
    def check(shot):
        for (x, y), colour in zip(points, colours):
            shot.expect(x, y, colour)
    return check


def gallery_points(h, name):
    """The gallery's background, surface and accent-bar points, from its own report."""
    wanted = {}
    with open(os.path.join(h.shots, name + ".txt")) as f:
        for line in f:
            kind, item, *rest = line.split("\t")
            if kind == "point" and item in ("background", "surface", "accentBar"):
                wanted[item] = (int(rest[0]), int(rest[1]))
    return [wanted["background"], wanted["surface"], wanted["accentBar"]]


def switch(h, w, light):
    changes = w.prop("MossbloomTest.ThemeChanges")
    h.reg_set_dword(KEY, VALUE, 1 if light else 0)
    h.broadcast_setting("ImmersiveColorSet")
    w.wait_prop("MossbloomTest.ThemeChanges", "gt", changes)


def main():
    with Harness("render_theme_switch") as h:
        saved = h.reg_get_dword(KEY, VALUE)
        try:
            h.reg_set_dword(KEY, VALUE, 1)
            layout = os.path.join(h.shots, "follows.txt")
            w = h.launch(WINDOW, ["--test-input", "--scene", "gallery", "--layout-out", winpath(layout)], CLASS)
            w.ready()
            points = gallery_points(h, "follows")
            assert w.prop("MossbloomTest.Dark") == 0
            w.expect_picture("follows_light", theme_is(LIGHT, points))

            switch(h, w, light=False)
            assert w.prop("MossbloomTest.Dark") == 1
            w.expect_picture("follows_dark", theme_is(DARK, points))

            switch(h, w, light=True)
            assert w.prop("MossbloomTest.Dark") == 0
            w.expect_picture("follows_light_again", theme_is(LIGHT, points))
            assert w.close() == 0

            # --theme light with the system in dark mode: light, and a later change does not switch it.
            h.reg_set_dword(KEY, VALUE, 0)
            w = h.launch(WINDOW, ["--test-input", "--scene", "gallery", "--theme", "light"], CLASS)
            w.ready()
            w.expect_picture("forced_light", theme_is(LIGHT, points))
            switch(h, w, light=False)
            frame = w.repaint()
            shot = w.capture("forced_light_after_change")
            theme_is(LIGHT, points)(shot)
            assert w.frame() >= frame and w.prop("MossbloomTest.Dark") == 0
            assert w.close() == 0
        finally:
            if saved is None:
                h.reg_delete_value(KEY, VALUE)
            else:
                h.reg_set_dword(KEY, VALUE, saved)
    print("render_theme_switch: ok")


if __name__ == "__main__":
    try:
        main()
    except (HarnessError, AssertionError) as e:
        print(f"render_theme_switch: {type(e).__name__}: {e}")
        raise
