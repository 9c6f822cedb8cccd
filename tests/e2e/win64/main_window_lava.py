#!/usr/bin/env python3
"""The lava glow in the main window, under Wine and real Direct2D, on both paths.

With MOSSBLOOM_TEST_LAVA_GPU=0 (test-input mode only) LavaGpu takes the render device
for one whose set-up fails: the glow must then come from the CPU path, never leave the
map black. On that path (with a flow lengthened to 12 s) a rescan pours the flow again
on the 15 ms timer, a frame while it pours shows the hot heads, and the gaps rest dark
red without them; the animation steps go through the map overlay, which fails under Wine
(no DirectComposition), so they repaint the map area instead. Choosing another scheme
and then lava again pours the flow again, and writes the scheme setting each time.
Then the program runs with the GPU path where the device allows it: its resting map
must equal the CPU path's pixel for pixel (one step per channel allowed)."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.environ["MB_SOURCE_DIR"], "tests", "harness"))
from mbwin import (Checks, ELEMENT_INVOKE, Harness, HarnessError, element_code, portable_copy,  # noqa: E402
                   read_settings, unpack_rect, winpath)

EXE = os.environ["MB_BIN"]
TEST_SCHEME = 0x8000 + 61   # kTestSchemeMessage
CONTRAST, LAVA = 1, 4
FLOW_MS = 12000
check = Checks()


def gap_point(w):
    """A pixel on the centre line of the gap along the largest rectangle's inner edge."""
    left, top, right, bottom = unpack_rect(w.prop("MossbloomTest.Map"))
    cell = unpack_rect(w.prop("MossbloomTest.LargestCell"))
    g = w.prop("MossbloomTest.Dpi") * 2 // 96
    if cell[2] + g < right - left:
        return left + cell[2] + g // 2, top + (cell[1] + cell[3]) // 2
    return left + (cell[0] + cell[2]) // 2, top + cell[3] + g // 2


def expect_gap(w, name, is_right, what):
    """The picture once the state read is on the screen: the properties are set while
    a frame is drawn, before it is presented, so a repaint after them comes first."""
    w.repaint()
    x, y = gap_point(w)

    def gap(image):
        p = image.pixel(x, y)
        if not is_right(p >> 16, (p >> 8) & 255, p & 255):
            raise AssertionError(f"the gap at ({x}, {y}) is {p:06X}, not {what}")
    try:
        return w.expect_picture(name, gap)
    except (HarnessError, AssertionError) as e:
        check(False, f"{name}: {e}")
        return None


def dark_red(r, g, b):
    return r >= 0x60 and r > g + 0x30 and r > b + 0x30


def black(r, g, b):
    return r < 0x10 and g < 0x10 and b < 0x10


def hot_pixels(w, image):
    """Pixels of the map as hot as the lava's heads (pale yellow to orange); the
    lava scheme's cushions never come near."""
    left, top, right, bottom = unpack_rect(w.prop("MossbloomTest.Map"))
    return sum(1 for _, _, p in image.region(left, top, right, bottom) if p >> 16 >= 0xF0 and (p >> 8) & 255 >= 0x90)


def watch_flow(w, name, shot):
    """From a flow just started to its rest: (frames drawn, CPU glows, GPU frames) over it.
    A frame on the screen while the flow still pours shows the hot heads."""
    total, t = w.prop("MossbloomTest.LavaTotal"), w.prop("MossbloomTest.LavaT")
    frames = w.frame()
    cpu, gpu = w.prop("MossbloomTest.LavaCpuFrames"), w.prop("MossbloomTest.LavaGpuFrames")
    check(total > 0 and 0 <= t < total, f"{name}: the lava is not flowing: t {t} of {total}")
    max_flow = total - 80 * (w.prop("MossbloomTest.Dpi") * 3 // 96)
    # A frame drawn for this flow is on the screen; under Wine the screen can still
    # show the one before the last presented, so two frames are waited for.
    w.wait_frame(w.wait_frame(frames))
    # As expect_picture does, a capture that misses is tried again on a later frame;
    # a capture is known to be of the pouring flow when t is still short of maxFlow
    # after it, and then it must show the heads.
    poured = 0
    while True:
        image = w.capture(f"{shot}_{poured}")
        shown = w.prop("MossbloomTest.LavaT")
        if shown >= max_flow:
            check(poured == 0, f"{name}: no hot lava in {poured} frames captured while it poured")
            if poured == 0:
                print(f"{name}: the capture came too late to see the heads (t {shown}, heads until {max_flow})")
            break
        poured += 1
        hot = hot_pixels(w, image)
        if hot > 0:
            print(f"{name}: {hot} hot pixels in a frame at t <= {shown} of {total}")
            break
        w.wait_frame(w.frame())
    w.wait_prop("MossbloomTest.LavaT", "eq", total, timeout_ms=FLOW_MS + 20000)
    result = (w.frame() - frames, w.prop("MossbloomTest.LavaCpuFrames") - cpu,
              w.prop("MossbloomTest.LavaGpuFrames") - gpu)
    print(f"{name}: {result[0]} frames over the flow, {result[1]} by the CPU path, {result[2]} by the GPU path")
    check(result[0] >= 5, f"{name}: {result[0]} frames while the lava flowed")
    return result


def main():
    with tempfile.TemporaryDirectory() as temp, Harness("main_window_lava") as h:
        program, fixture = os.path.join(temp, "program"), os.path.join(temp, "fixture")
        for folder, sizes in {"alpha": (900, 120, 40), "beta": (500, 260), "gamma": (330, 70, 20, 9)}.items():
            os.makedirs(os.path.join(fixture, folder))
            for i, kib in enumerate(sizes):
                with open(os.path.join(fixture, folder, f"file{i}.bin"), "wb") as f:
                    f.write(b"\1" * kib * 1024)
        exe = portable_copy(EXE, program)
        args = ["--test-input", "--theme", "light", "--scheme", "lava", winpath(fixture)]

        # The CPU path: a GPU path that cannot start falls back to it.
        # A flow of 12 s instead of 3.2: a loaded machine still catches it pouring.
        h.setenv("MOSSBLOOM_TEST_LAVA_GPU", "0")
        h.setenv("MOSSBLOOM_TEST_LAVA_FLOW_MS", str(FLOW_MS))
        w = h.launch(exe, args, "MossbloomWindow")
        h.setenv("MOSSBLOOM_TEST_LAVA_GPU")
        h.setenv("MOSSBLOOM_TEST_LAVA_FLOW_MS")
        w.ready()
        w.wait_scan(1)
        w.wait_prop("MossbloomTest.LavaT", "eq", w.prop("MossbloomTest.LavaTotal"), timeout_ms=FLOW_MS + 20000)
        w.post(ELEMENT_INVOKE, element_code(5))   # a rescan: a new tree, so the flow replays
        w.wait_scan(2)
        frames, cpu, gpu = watch_flow(w, "CPU path after a rescan", "cpu_flowing")
        check(gpu == 0 and w.prop("MossbloomTest.LavaGpuFrames") == 0, "the GPU path drew though it was refused")
        check(cpu >= 5, f"{cpu} CPU glows over the flow")
        tries, overlay = w.prop("MossbloomTest.OverlayTries"), w.prop("MossbloomTest.Overlay")
        print(f"map overlay: {tries} tries, state {overlay} (1 failed on this device, 2 live)")
        check(tries >= 1, "the lava's steps never asked for the map overlay")
        check(overlay in (1, 2), f"overlay state {overlay} after the flow")
        cpu_rest = expect_gap(w, "cpu_rest", dark_red, "the resting lava's dark red")
        check(cpu_rest is None or hot_pixels(w, cpu_rest) == 0, "hot lava in the map at rest")
        map_area = unpack_rect(w.prop("MossbloomTest.Map"))

        # Another scheme, then lava again: the flow pours again for the same tree and root.
        w.post(TEST_SCHEME, CONTRAST)
        w.wait_prop("MossbloomTest.LavaTotal", "eq", 0)
        check(w.prop("MossbloomTest.LavaT") == -1, "a glow without the lava scheme")
        expect_gap(w, "contrast", black, "the contrast scheme's black")
        check(read_settings(program).get("mossbloom", {}).get("mapscheme") == "contrast",
              f"settings after choosing contrast: {read_settings(program)}")
        w.post(TEST_SCHEME, LAVA)
        w.wait_prop("MossbloomTest.LavaTotal", "gt", 0)
        watch_flow(w, "CPU path after lava was chosen again", "cpu_flowing_again")
        check(read_settings(program).get("mossbloom", {}).get("mapscheme") == "lava",
              f"settings after choosing lava: {read_settings(program)}")
        again = expect_gap(w, "cpu_rest_again", dark_red, "the resting lava's dark red")
        if cpu_rest and again:
            try:
                again.expect_matches(cpu_rest, map_area, tolerance=0)
            except HarnessError as e:
                check(False, f"the map at rest after the round of schemes: {e}")
        check(w.close() == 0, "exit code after the CPU path")

        # The GPU path where the device runs it, at the size the first run saved.
        w = h.launch(exe, args, "MossbloomWindow")
        w.ready()
        w.wait_scan(1)
        w.wait_prop("MossbloomTest.LavaT", "eq", w.prop("MossbloomTest.LavaTotal"), timeout_ms=20000)
        gpu_frames = w.prop("MossbloomTest.LavaGpuFrames")
        print(f"default run: GPU path {gpu_frames} frames, CPU path {w.prop('MossbloomTest.LavaCpuFrames')}")
        gpu_rest = expect_gap(w, "gpu_rest", dark_red, "the resting lava's dark red")
        if gpu_frames == 0:
            print("the GPU path did not start on this device: nothing to compare")
        elif cpu_rest and gpu_rest:
            check(unpack_rect(w.prop("MossbloomTest.Map")) == map_area, "the map area differs from the CPU run's")
            try:
                gpu_rest.expect_matches(cpu_rest, map_area, tolerance=1)
            except HarnessError as e:
                check(False, f"the GPU path's resting map against the CPU path's: {e}")
        check(w.close() == 0, "exit code after the GPU path")

    return check.exit_code()


if __name__ == "__main__":
    sys.exit(main())
