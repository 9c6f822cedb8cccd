"""The script side of the window test harness (docs/window-testing.md).

A Harness is one group of checks: the test Wine prefix, a private Xvfb, a
persistent wineserver and one long-lived test driver (mbdriver.exe) that runs
under Wine and answers one line per command. Through it a test launches a
program, finds its window, sends input, waits for presented frames, captures the
client area as PNG and reads window properties. Every capture is kept as a PNG
under build/win64/screenshots/<group>/ so that a person can look at it.

    with Harness("render_device") as h:
        w = h.launch(os.environ["MB_RENDER_WINDOW"], ["--test-input"], "MossbloomRenderTest")
        w.ready()
        shot = w.capture("first")
        shot.expect(10, 10, 0x204080)
        w.close()
"""
import configparser
import fcntl
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.environ.get("MB_SOURCE_DIR", os.path.dirname(os.path.dirname(HERE)))
BINARY_DIR = os.environ.get("MB_BINARY_DIR", os.path.join(SOURCE_DIR, "build", "win64"))

WM_CLOSE = 0x0010
WM_APP = 0x8000
SW_MINIMIZE = 6
LVM_GETITEMCOUNT = 0x1004
LVM_GETNEXTITEM = 0x100C
LVNI_SELECTED = 0x0002
LVNI_FOCUSED = 0x0001
SW_RESTORE = 9
FRAME = "Mossbloom.Frame"


class HarnessError(Exception):
    pass


# Mossbloom's main window: WM_ELEMENT_INVOKE runs an element's command by its code.
ELEMENT_INVOKE = WM_APP + 7


def element_code(element, sub=-1):
    """The code of an element instance: id × 4096 + sub-index + 1."""
    return element * 4096 + sub + 1


class Checks:
    """Failures collected over a whole script, so one run reports every one of them:
    check(condition, message), then sys.exit(check.exit_code())."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, message):
        if not condition:
            self.failures.append(message)
            print("FAIL:", message)
        return condition

    def exit_code(self):
        return 1 if self.failures else 0


def winpath(path):
    """A Linux path as Wine's Z: drive sees it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# --- Pictures --------------------------------------------------------------------
class Image:
    """An 8-bit RGB or RGBA PNG, decoded with the standard library."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            data = f.read()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise HarnessError(f"{path}: not a PNG")
        pos, idat, header = 8, b"", None
        while pos < len(data):
            (length,) = struct.unpack(">I", data[pos:pos + 4])
            kind = data[pos + 4:pos + 8]
            body = data[pos + 8:pos + 8 + length]
            (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
            if zlib.crc32(kind + body) != crc:
                raise HarnessError(f"{path}: bad CRC in {kind!r}")
            if kind == b"IHDR":
                header = struct.unpack(">IIBBBBB", body)
            elif kind == b"IDAT":
                idat += body
            pos += 12 + length
        self.width, self.height, depth, colour, _, _, interlace = header
        if depth != 8 or colour not in (2, 6) or interlace:
            raise HarnessError(f"{path}: only 8-bit RGB/RGBA, not interlaced")
        self.channels = 3 if colour == 2 else 4
        raw = zlib.decompress(idat)
        stride = self.width * self.channels
        rows, prev = [], bytearray(stride)
        for y in range(self.height):
            start = y * (stride + 1)
            kind = raw[start]
            line = bytearray(raw[start + 1:start + 1 + stride])
            unfilter(kind, line, prev, self.channels)
            rows.append(bytes(line))
            prev = line
        self.rows = rows

    def pixel(self, x, y):
        """0xRRGGBB at (x, y)."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError(f"{self.path}: ({x}, {y}) is outside {self.width} x {self.height}")
        i = x * self.channels
        r, g, b = self.rows[y][i:i + 3]
        return r << 16 | g << 8 | b

    def expect(self, x, y, colour, tolerance=0, what=""):
        """The pixel at (x, y) within `tolerance` per channel of `colour`."""
        got = self.pixel(x, y)
        if not close(got, colour, tolerance):
            raise HarnessError(f"{what or 'pixel'} at ({x}, {y}) is {got:06X}, expected {colour:06X}"
                               f" (tolerance {tolerance}) in {self.path}")

    def region(self, left, top, right, bottom):
        """Every pixel of the rectangle, row by row."""
        for y in range(max(top, 0), min(bottom, self.height)):
            row = self.rows[y]
            for x in range(max(left, 0), min(right, self.width)):
                i = x * self.channels
                yield x, y, row[i] << 16 | row[i + 1] << 8 | row[i + 2]

    def count_unlike(self, rect, colour, tolerance=0):
        """How many pixels of rect (left, top, right, bottom) differ from colour."""
        return sum(1 for _, _, p in self.region(*rect) if not close(p, colour, tolerance))

    def expect_uniform(self, rect, colour, tolerance=0, what=""):
        for x, y, p in self.region(*rect):
            if not close(p, colour, tolerance):
                raise HarnessError(f"{what or 'region'} {rect}: ({x}, {y}) is {p:06X}, expected {colour:06X}"
                                   f" in {self.path}")

    def expect_matches(self, reference, rect=None, tolerance=0, at=(0, 0)):
        """The rectangle (default: all of the reference) equals the reference PNG placed at `at`."""
        ref = reference if isinstance(reference, Image) else Image(reference)
        left, top, right, bottom = rect or (0, 0, ref.width, ref.height)
        bad, first = 0, None
        for x, y, p in ref.region(left, top, right, bottom):
            got = self.pixel(x + at[0], y + at[1])
            if not close(got, p, tolerance):
                bad += 1
                first = first or (x + at[0], y + at[1], got, p)
        if bad:
            x, y, got, want = first
            raise HarnessError(f"{bad} pixels differ from {ref.path}; first at ({x}, {y}): {got:06X} for {want:06X}")


def unpack_rect(value):
    """A rectangle packed by the window as left << 48 | top << 32 | right << 16 | bottom."""
    return (value >> 48) & 0xFFFF, (value >> 32) & 0xFFFF, (value >> 16) & 0xFFFF, value & 0xFFFF


def portable_copy(exe, folder, settings=""):
    """A copy of the program in `folder` beside its own mossbloom.ini holding `settings`:
    the copy reads and writes only that file, so tests never share settings."""
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, os.path.basename(exe))
    shutil.copyfile(exe, target)
    with open(os.path.join(folder, "mossbloom.ini"), "w", newline="\r\n") as f:
        f.write(settings)
    return target


def read_settings(folder):
    """The portable mossbloom.ini beside a copy, as {section: {key: value}} (names lower-cased)."""
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    path = os.path.join(folder, "mossbloom.ini")
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8", "replace")
    parser.read_string(text)
    return {section.lower(): dict(parser[section]) for section in parser.sections()}


def write_png(path, width, height, pixels):
    """An 8-bit RGB PNG (compressed) from width × height 0xRRGGBB values, rows top to bottom:
    for reference pictures cut from captures that a person has checked."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for p in pixels[y * width:(y + 1) * width]:
            raw += bytes(((p >> 16) & 255, (p >> 8) & 255, p & 255))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def crop(source, target, left, top, right, bottom):
    """Cuts a rectangle of a PNG into a reference PNG."""
    image = Image(source)
    pixels = [p for _, _, p in image.region(left, top, right, bottom)]
    write_png(target, right - left, bottom - top, pixels)


def unfilter(kind, line, prev, bpp):
    for i in range(len(line)):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 1:
            line[i] = (line[i] + a) & 0xFF
        elif kind == 2:
            line[i] = (line[i] + b) & 0xFF
        elif kind == 3:
            line[i] = (line[i] + (a + b) // 2) & 0xFF
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF


def close(a, b, tolerance):
    return all(abs(((a >> s) & 0xFF) - ((b >> s) & 0xFF)) <= tolerance for s in (16, 8, 0))


# --- The harness ---------------------------------------------------------------------
def require_xcomposite():
    """Without libXcomposite Wine draws the Direct3D picture of a window that has child
    windows into an off-screen pixmap of the size the window had when it first drew, and
    never resizes it: after a resize every frame comes out shifted by the change in
    height. Pictures taken that way say nothing about the program, so stop early."""
    import ctypes
    try:
        ctypes.CDLL("libXcomposite.so.1")
    except OSError as e:
        raise HarnessError(f"libXcomposite.so.1 cannot be loaded ({e}): install libxcomposite1 (scripts/setup.sh)")


class Harness:
    """One group of checks: Xvfb, wineserver and the test driver, for a `with` block."""

    def __init__(self, group, driver=None, display=None):
        self.group = group
        self.driver_path = driver or os.environ.get("MB_DRIVER") or os.path.join(BINARY_DIR, "tests", "harness", "mbdriver.exe")
        self.shots = os.path.join(BINARY_DIR, "screenshots", group)
        self.own_display = display is None
        self.display = display
        self.xvfb = None
        self.driver = None
        self.window = None
        self.verbose = bool(os.environ.get("MB_HARNESS_VERBOSE"))
        self.lock = None

    # Set-up and tear-down
    def __enter__(self):
        require_xcomposite()
        os.makedirs(self.shots, exist_ok=True)
        env = dict(os.environ)
        env.update(self.wine_environment())
        # The prefix's programs share one Wine desktop (foreground, SendInput, registry):
        # one group of window checks at a time (MB_DESKTOP_LOCK in scripts/wine-env.sh).
        # Python's descriptors are not inherited, so Wine's processes never hold it.
        self.lock = open(env["WINEPREFIX"] + ".desktop.lock", "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        try:
            if self.own_display:
                self.start_xvfb()
                # Wine's desktop lives on the display of the program that started it: a
                # server left from programs on another display would give our windows none.
                # Window groups run alone (RUN_SERIAL), so stopping the server hurts nobody.
                self.stop_wineserver(env)
            env["DISPLAY"] = self.display
            subprocess.run(["bash", "-c", f'source "{SOURCE_DIR}/scripts/wine-env.sh" && mb_wine_prefix'],
                           env=env, check=True)
            # A persistent server spares every program a cold start (1.5 s); test.sh stops it.
            subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.env = env
            self.driver = subprocess.Popen(["wine", self.driver_path], env=env, stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                           encoding="utf-8", bufsize=1)
            first = self.driver.stdout.readline().strip()
            if first != "ready":
                raise HarnessError(f"the test driver did not start: {first!r}")
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, kind, value, trace):
        try:
            if self.driver and self.driver.poll() is None:
                self.driver.stdin.write("quit\n")
                self.driver.stdin.flush()
                self.driver.wait(timeout=30)
        except Exception:
            if self.driver:
                self.driver.kill()
        finally:
            if self.own_display and getattr(self, "env", None):
                self.stop_wineserver(self.env)
            if self.xvfb:
                self.xvfb.terminate()
                self.xvfb.wait()
            if self.lock:
                self.lock.close()
        return False

    @staticmethod
    def stop_wineserver(env):
        subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    @staticmethod
    def wine_environment():
        prefix = os.environ.get("WINEPREFIX") or os.path.join(BINARY_DIR, "wineprefix")
        return {"WINEPREFIX": prefix, "WINEDEBUG": os.environ.get("WINEDEBUG", "-all"),
                "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win64"}

    def start_xvfb(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1000x24",
                                      "-nolisten", "tcp"], pass_fds=(write,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        if not number.strip():
            raise HarnessError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    # The protocol
    def command(self, *fields):
        """Sends one command and returns the answer's values; raises on "error"."""
        line = "\t".join(str(f) for f in fields)
        if self.verbose:
            print(">", line, file=sys.stderr)
        self.driver.stdin.write(line + "\n")
        self.driver.stdin.flush()
        answer = self.driver.stdout.readline()
        if not answer:
            raise HarnessError(f"the test driver ended during: {line}")
        parts = answer.rstrip("\n").split("\t")
        if self.verbose:
            print("<", answer.rstrip(), file=sys.stderr)
        if parts[0] != "ok":
            raise HarnessError(f"{fields[0]}: {' '.join(parts[1:])}")
        return parts[1:]

    def launch(self, exe, args, window_class, timeout_ms=60000):
        """Starts the program and waits for its top-level window of that class."""
        hwnd, pid = self.command("launch", timeout_ms, window_class, winpath(exe) if exe.startswith("/") else exe, *args)
        self.window = Window(self, int(hwnd), int(pid))
        return self.window

    def open_scanned(self, exe, folder):
        """The main window in test-input mode and the light theme, once it has scanned folder."""
        w = self.launch(exe, ["--test-input", "--theme", "light", winpath(folder)], "MossbloomWindow")
        w.ready()
        w.wait_scan(1)
        return w

    def start(self, exe, args):
        """Starts a program without waiting for any window; returns its process id."""
        (pid,) = self.command("start", winpath(exe) if exe.startswith("/") else exe, *args)
        return int(pid)

    def find_window(self, window_class, timeout_ms=30000):
        hwnd, pid = self.command("find-window", timeout_ms, window_class)
        self.window = Window(self, int(hwnd), int(pid))
        return self.window

    def adopt_window(self, window_class, timeout_ms=30000):
        """A window of that class in another process (a copy the program started) becomes the target."""
        hwnd, pid = self.command("adopt-window", timeout_ms, window_class)
        self.window = Window(self, int(hwnd), int(pid))
        return self.window

    def setenv(self, name, value=None):
        """An environment variable for the programs the driver starts from now on (None removes it)."""
        if value is None:
            self.command("setenv", name)
        else:
            self.command("setenv", name, value)

    def work_area(self):
        return tuple(int(v) for v in self.command("work-area"))

    def count_windows(self, window_class):
        return int(self.command("count-windows", window_class)[0])

    def wait_exit(self, timeout_ms=30000):
        return int(self.command("wait-exit", timeout_ms)[0])

    def broadcast_setting(self, area):
        self.command("broadcast-setting", area)

    def client_animations(self, on):
        """Switches the system's client-area animations for the session; returns the
        value the system reports afterwards (1 on, 0 off)."""
        return int(self.command("client-animations", 1 if on else 0)[0])

    def reg_get_dword(self, key, name, hive="HKCU"):
        value = self.command("reg-get-dword", hive, key, name)[0]
        return None if value == "missing" else int(value)

    def reg_set_dword(self, key, name, value, hive="HKCU"):
        self.command("reg-set-dword", hive, key, name, value)

    def hold_file(self, path):
        """Keeps the file open in the driver without delete sharing, until release_file."""
        self.command("hold-file", winpath(path))

    def release_file(self):
        self.command("release-file")

    def reg_delete_value(self, key, name, hive="HKCU"):
        self.command("reg-delete-value", hive, key, name)

    def shot_path(self, name):
        return os.path.join(self.shots, name + ".png")


class Window:
    """The launched program's window, as the driver's current target."""

    def __init__(self, harness, hwnd, pid):
        self.h, self.hwnd, self.pid = harness, hwnd, pid

    def prop(self, name):
        return int(self.h.command("prop", name)[0])

    def wait_prop(self, name, op, value, timeout_ms=30000):
        """Waits until the property compares (gt, ge, eq, ne, lt) with value; returns it."""
        return int(self.h.command("wait-prop", name, op, value, timeout_ms)[0])

    def wait_scan(self, generation, state=3, timeout_ms=60000):
        """Mossbloom's window in test-input mode: waits until scan number `generation` is in
        `state` (1 scanning, 2 stopping, 3 its tree shown, 0 no tree); every other
        MossbloomTest property then belongs to the same paint or a later one."""
        return self.wait_prop("MossbloomTest.ScanOf", "eq", generation << 4 | state, timeout_ms)

    def frame(self):
        return self.prop(FRAME)

    def wait_frame(self, after, timeout_ms=30000):
        """Waits for a frame presented after frame number `after`; returns its number."""
        return int(self.h.command("wait-frame", after, timeout_ms)[0])

    def ready(self, timeout_ms=60000):
        """The first frame, then one more after an invalidation: the first is often lost under Wine."""
        first = self.wait_frame(0, timeout_ms)
        return self.repaint(first, timeout_ms)

    def repaint(self, after=None, timeout_ms=30000):
        """Invalidates the window and waits for the frame that answers it."""
        after = self.frame() if after is None else after
        self.h.command("invalidate")
        return self.wait_frame(after, timeout_ms)

    def repaint_until(self, ok, frames=40):
        """Whether ok() holds within a few repaints: texts, properties and child windows
        follow the paint."""
        for _ in range(frames):
            if ok():
                return True
            self.repaint()
        return ok()

    def after(self, action, timeout_ms=30000):
        """Runs action() (input, a posted message) and waits for the next frame.
        Another repaint (a timer, an X expose) may present that frame before the
        input is handled: check pictures with expect_picture, state with wait_prop."""
        before = self.frame()
        action()
        return self.wait_frame(before, timeout_ms)

    def expect_picture(self, name, check, timeout_ms=30000):
        """Captures and runs check(image) until it passes, waiting for the next
        presented frame between tries; the last capture stays as <name>.png.
        Returns the image that passed, or raises the last failure at the deadline."""
        deadline = time.monotonic() + timeout_ms / 1000
        while True:
            frame = self.frame()
            image = self.capture(name)
            try:
                check(image)
                return image
            except (HarnessError, AssertionError) as failure:
                left = int((deadline - time.monotonic()) * 1000)
                if left <= 0:
                    raise
                try:
                    self.wait_frame(frame, left)
                except HarnessError:
                    raise failure

    def expect_map_shown(self, name, timeout_ms=30000):
        """Mossbloom's window in test-input mode: captures until its map is on the screen,
        which may still hold the scan's progress for a frame; the map's cushions give
        many colours where the progress screen has a handful."""
        left, top, right, bottom = unpack_rect(self.prop("MossbloomTest.Map"))

        def shown(image):
            colours = {image.pixel(left + (right - left) * i // 21, top + (bottom - top) * j // 21)
                       for i in range(1, 21) for j in range(1, 21)}
            if len(colours) < 16:
                raise AssertionError(f"the map is not on the screen yet ({len(colours)} colours)")
        return self.expect_picture(name, shown, timeout_ms)

    def capture(self, name):
        """The client area as it is on the screen, saved as <group>/<name>.png."""
        return self.capture_to(self.h.shot_path(name))

    def capture_to(self, path):
        self.h.command("capture", winpath(path))
        return Image(path)

    def client_size(self):
        w, h = self.h.command("client")
        return int(w), int(h)

    def resize_client(self, width, height):
        self.h.command("resize-client", width, height)

    def show(self, command):
        self.h.command("show", command)

    def post(self, message, wparam=0, lparam=0):
        self.h.command("post", message, wparam, lparam)

    def send(self, message, wparam=0, lparam=0, timeout_ms=10000):
        return int(self.h.command("send", message, wparam, lparam, timeout_ms)[0])

    def click(self, x, y, button="left"):
        self.h.command("click", x, y, button)

    def send_mouse(self, message, x, y, wparam=0):
        """A mouse message at client point (x, y), handled before this returns (screen
        coordinates for the wheel, as the system gives them)."""
        return self.send(message, wparam, (y & 0xFFFF) << 16 | (x & 0xFFFF))

    def post_click(self, x, y):
        self.h.command("post-click", x, y)

    def key(self, vk, modifier=None):
        """SendInput of one key, with a modifier key (VK_CONTROL, VK_SHIFT) held around it."""
        if modifier is None:
            self.h.command("key", vk)
        else:
            self.h.command("key", vk, modifier)

    def post_key(self, vk):
        self.h.command("post-key", vk)

    def type(self, text):
        """Sends the text as WM_CHAR messages to the target's window with the keyboard focus; returns once handled."""
        self.h.command("type", text)

    def focus_key(self, vk):
        """Sends a key down and up to the target's window with the keyboard focus; returns once handled."""
        self.h.command("focus-key", vk)

    def visible(self):
        return self.h.command("visible")[0] == "1"

    def wait_visible(self, timeout_ms=30000):
        self.h.command("wait-visible", timeout_ms)

    def text(self):
        return unescape(self.h.command("window-text")[0])

    def child_text(self, control_id):
        return unescape(self.h.command("child-text", control_id)[0])

    def child_send(self, control_id, message, wparam=0, lparam=0, timeout_ms=10000):
        return int(self.h.command("child-send", control_id, message, wparam, lparam, timeout_ms)[0])

    def child_post(self, control_id, message, wparam=0, lparam=0):
        self.h.command("child-post", control_id, message, wparam, lparam)

    def child_rect(self, control_id):
        """(left, top, right, bottom) in client coordinates and whether it is visible; None without that child."""
        v = [int(x) for x in self.h.command("child-rect", control_id)]
        return (tuple(v[1:5]), v[5] == 1) if v[0] else None

    def child_key(self, control_id, vk):
        """WM_KEYDOWN and WM_KEYUP posted to a child; the program's message loop makes the
        character of a letter, digit or space key from it (lower case: no Shift is down)."""
        self.child_post(control_id, 0x0100, vk, 1)
        self.child_post(control_id, 0x0101, vk, 0xC0000001)

    def focus_child(self, control_id):
        """The window to the foreground and the keyboard focus into the child (an edit, a list)."""
        self.h.command("focus-child", control_id)

    def list_text(self, control_id, row, column):
        """A list view's cell, as the list answers LVM_GETITEMTEXT."""
        return unescape(self.h.command("list-text", control_id, row, column)[0])

    def list_row_rect(self, control_id, row):
        """(left, top, right, bottom) of a list view's row in the list's client area."""
        return tuple(int(v) for v in self.h.command("list-row-rect", control_id, row))

    def list_rows(self, control_id, columns, limit=1000):
        """The rows of a list view (up to limit), each a list of the columns' texts."""
        count = min(self.child_send(control_id, LVM_GETITEMCOUNT), limit)
        return [[self.list_text(control_id, r, c) for c in columns] for r in range(count)]

    def atom(self, name):
        """The text of a global atom held in a property."""
        return unescape(self.h.command("atom", name)[0])

    def rect(self):
        """(left, top, right, bottom) of the window, its show command, its normal-position
        rectangle, and whether it is maximised and minimised."""
        v = [int(x) for x in self.h.command("window-rect")]
        return {"rect": tuple(v[0:4]), "show": v[4], "normal": tuple(v[5:9]), "zoomed": v[9] == 1, "iconic": v[10] == 1}

    def window_class(self):
        return self.h.command("window-class")[0]

    def styles(self):
        """The window's style and extended style."""
        _, style, ex_style = self.h.command("window-class")
        return int(style), int(ex_style)

    def command_line(self):
        """The process's arguments as it received them (argument 0 included)."""
        return [unescape(a) for a in self.h.command("command-line")]

    def memory(self):
        """Private bytes, working set, peak working set and pagefile usage of the process.
        Wine leaves another process's private bytes 0 and reports them as its pagefile
        usage (the resident anonymous memory and swap): private falls back to it."""
        private, working, peak, pagefile = (int(v) for v in self.h.command("memory"))
        return {"private": private or pagefile, "working": working, "peak": peak, "pagefile": pagefile}

    # Accessibility: the window as a screen reader reads it (MSAA, OBJID_CLIENT).
    def accessible_elements(self):
        """The window itself (index 0), then each child (index = child id), as
        AccessibleElement records."""
        values = self.h.command("acc-tree")
        count = int(values[0])
        fields = values[1:]
        return [AccessibleElement(i, fields[i * 11:(i + 1) * 11]) for i in range(count + 1)]

    def accessible(self, name, role=None):
        """The first child with this name (and role), or None."""
        return next((e for e in self.accessible_elements()[1:] if e.name == name and (role is None or e.role == role)),
                    None)

    def wait_accessible(self, condition, what="", timeout_ms=10000):
        """Reads the elements until condition(elements) holds; returns them. Input arrives
        through the program's message loop, so its effect is waited for, never assumed."""
        deadline = time.monotonic() + timeout_ms / 1000
        while True:
            elements = self.accessible_elements()
            if condition(elements):
                return elements
            if time.monotonic() > deadline:
                raise HarnessError(f"timeout waiting for the accessible elements: {what}; now {elements[1:]}")
            time.sleep(0.02)

    def acc_get(self, what, child):
        """(HRESULT, answer) of one property (name, value, description, action, shortcut,
        role, state, child) of child id `child` ("self", "empty" or a number)."""
        hr, value = self.h.command("acc-get", what, child)
        return int(hr, 16), unescape(value)

    def events_start(self):
        """Starts recording the program's focus, alert and value-change WinEvents."""
        self.h.command("events-start")

    def events(self, wait_ms=50):
        """The WinEvents recorded since the last call, as (event, hwnd, object id, child id)."""
        return [tuple(int(v) for v in record.split(":")) for record in self.h.command("events", wait_ms)]

    def acc_control_name(self, control_id):
        """(HRESULT, name) a child control's own accessible object gives."""
        hr, value = self.h.command("acc-control-name", control_id)
        return int(hr, 16), unescape(value)

    def acc_do(self, child):
        """accDoDefaultAction; returns its HRESULT."""
        return int(self.h.command("acc-do", child)[0], 16)

    def acc_select(self, child, flags):
        return int(self.h.command("acc-select", child, flags)[0], 16)

    def acc_focus(self):
        """(HRESULT, child id or "empty") of get_accFocus."""
        hr, value = self.h.command("acc-focus")
        return int(hr, 16), value

    def acc_navigate(self, direction, start):
        hr, value = self.h.command("acc-navigate", direction, start)
        return int(hr, 16), value

    def acc_hit(self, x, y):
        """(HRESULT, child id or "empty") of accHitTest at client point (x, y)."""
        hr, value = self.h.command("acc-hit", x, y)
        return int(hr, 16), value

    def close(self, timeout_ms=30000):
        """WM_CLOSE; returns the exit code."""
        return int(self.h.command("close", timeout_ms)[0])


# Active Accessibility numbers the tests read.
ROLE_CLIENT, ROLE_LIST, ROLE_LISTITEM, ROLE_PAGETAB, ROLE_STATICTEXT = 0x0A, 0x21, 0x22, 0x25, 0x29
ROLE_PUSHBUTTON, ROLE_CHECKBUTTON, ROLE_RADIOBUTTON, ROLE_GRIP, ROLE_ALERT = 0x2B, 0x2C, 0x2D, 0x04, 0x08
STATE_UNAVAILABLE, STATE_SELECTED, STATE_FOCUSED, STATE_CHECKED = 0x1, 0x2, 0x4, 0x10
STATE_OFFSCREEN, STATE_FOCUSABLE, STATE_SELECTABLE = 0x10000, 0x100000, 0x200000
S_OK, S_FALSE, E_INVALIDARG, DISP_E_MEMBERNOTFOUND = 0, 1, 0x80070057, 0x80020003
RPC_E_DISCONNECTED = 0x80010108
EVENT_SYSTEM_ALERT, EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, OBJID_CLIENT = 0x0002, 0x8005, 0x800E, -4


class AccessibleElement:
    """One accessible element as read through MSAA; `child` is its child id (0: the window,
    whose screen_rect is the client area on the screen)."""

    def __init__(self, child, fields):
        self.child = child
        self.name, self.value = unescape(fields[0]), unescape(fields[1])
        self.role = int(fields[2]) if fields[2].lstrip("-").isdigit() else None
        self.state = int(fields[3]) if fields[3].lstrip("-").isdigit() else None
        left, top, width, height = (int(v) for v in fields[4:8])
        self.screen_rect = (left, top, left + width, top + height)
        self.description, self.action, self.shortcut = (unescape(v) for v in fields[8:11])

    def has(self, state):
        return self.state is not None and (self.state & state) == state

    def centre(self, origin):
        """The centre in client coordinates; origin: the client area's screen position
        (the window element's screen_rect[:2])."""
        left, top, right, bottom = self.screen_rect
        return (left + right) // 2 - origin[0], (top + bottom) // 2 - origin[1]

    def __repr__(self):
        return f"<{self.child} {self.name!r} role {self.role} state {self.state or 0:#x} value {self.value!r}>"


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


if __name__ == "__main__":
    # python3 tests/harness/mbwin.py crop CAPTURE.png REFERENCE.png LEFT TOP RIGHT BOTTOM
    if len(sys.argv) == 8 and sys.argv[1] == "crop":
        crop(sys.argv[2], sys.argv[3], *(int(v) for v in sys.argv[4:8]))
    else:
        sys.exit("usage: mbwin.py crop CAPTURE.png REFERENCE.png LEFT TOP RIGHT BOTTOM")
