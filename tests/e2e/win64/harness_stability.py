"""The window test harness itself: the same check, run 20 times in a row against
one window, passes every time with no sleeps: input (SendInput after bringing the
window to the foreground, or posted messages), a wait for the presented frame on
the window's frame counter, a capture from the screen and exact colours."""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mbwin import Harness  # noqa: E402
from render_device import CLASS, WINDOW, check_scene  # noqa: E402

RUNS = 20


def main():
    with Harness("harness_stability") as h:
        w = h.launch(WINDOW, ["--test-input", "--size", "640x400"], CLASS)
        w.ready()
        variant = 0
        for how in ("sendinput", "posted"):
            started = time.monotonic()
            for run in range(RUNS):
                x, y = 101 + run * 17, 57 + run * 11
                if how == "sendinput":
                    w.click(x, y)
                else:
                    w.post_click(x, y)
                # Bringing the window to the foreground may paint a frame of its own before
                # the click arrives: wait for the click, then for the frame after it.
                w.wait_prop("MossbloomTest.Click", "eq", x << 16 | y)
                w.wait_frame(w.prop("MossbloomTest.ClickFrame"))
                variant = (variant + 1) % 4
                # One capture, no retry: the frame the counter announced is the one on the screen.
                check_scene(w.capture(f"{how}_{run:02d}"), variant)
            per_check = (time.monotonic() - started) / RUNS * 1000
            print(f"harness_stability: {RUNS} of {RUNS} {how} checks passed, {per_check:.0f} ms each")
        assert w.close() == 0


if __name__ == "__main__":
    main()
