"""The program in a scratch copy of the demo under a private Xvfb (-noreset: a client connecting during a
reset fails allegro_init()) with openbox as the window manager, driven by xdotool and wmctrl, seen through
`import`."""
import atexit, contextlib, ctypes, functools, os, re, select, shutil, signal, subprocess, tempfile, threading, time
import zlib
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()
SCREEN, LEFT, RIGHT, HOLD = (1280, 1024), 1, 3, 0.08  # keys and buttons are held: the program polls
TIMEOUT = 30.0  # generous: other builds may share the two cores
_display = []


def wait(predicate, what, timeout=TIMEOUT, alive=lambda: True):
    end = time.monotonic() + timeout
    while not (result := predicate()):
        if time.monotonic() > end or not alive():
            raise AssertionError("%s waiting for %s" % ("timed out" if alive() else "program ended", what))
        time.sleep(0.03)
    return result


def display():
    if not _display:
        r, w = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten",
                                 "tcp", "-noreset"], pass_fds=(w,), stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        _display.append(":" + os.read(r, 16).decode().strip())  # written once it takes connections
        assert _display[0] != ":", "Xvfb failed"
        atexit.register(lambda: (xvfb.terminate(), xvfb.wait(5)))
        ready = Path(tempfile.mkdtemp(prefix="vemora-wm-")) / "ready"  # touched once openbox handles requests
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        wm = subprocess.Popen(["openbox", "--sm-disable", "--startup", "touch %s" % ready],
                              env=dict(os.environ, DISPLAY=_display[0]), **quiet)
        atexit.register(lambda: (wm.terminate(), wm.wait(5), shutil.rmtree(ready.parent, True)))
        wait(ready.exists, "the window manager", alive=lambda: wm.poll() is None)
    return _display[0]


def run(*cmd):
    return subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, DISPLAY=display()))


def x(*cmd):
    r = run(*cmd)
    assert r.returncode == 0, "%s failed: %s" % (" ".join(cmd), r.stderr)
    return r.stdout


def demo(*config):
    """A scratch copy of the demo with the built fonts.dat, the configuration lines added."""
    work = Path(tempfile.mkdtemp(prefix="vemora-e2e-")) / "demo"
    shutil.copytree(REPO / "examples" / "demo", work, ignore=shutil.ignore_patterns("fonts.dat", "trace_new.txt"))
    shutil.copy(BUILD / "fonts.dat", work)
    with open(work / "vemora.cfg", "a") as cfg:
        cfg.writelines(line + "\n" for line in config)
    atexit.register(shutil.rmtree, work.parent, True)
    return work


class Grab:
    def __init__(self, w, rgb):
        self.w, self.rgb = w, rgb

    def pixel(self, px, py):
        return self.rgb[3 * (py * self.w + px):3 * (py * self.w + px) + 3]

    def box(self, x0, y0, x1, y1):
        return b"".join(self.rgb[3 * (self.w * y + x0):3 * (self.w * y + x1)] for y in range(y0, y1))


@functools.lru_cache(maxsize=None)
def golden(name):
    """A golden image of the unit tests (a palette PNG with unfiltered rows) as a Grab."""
    png, at, chunks = (REPO / "tests" / "unit" / "golden" / (name + ".png")).read_bytes(), 8, {}
    while at < len(png):
        n, kind = int.from_bytes(png[at:at + 4], "big"), png[at + 4:at + 8]
        chunks[kind], at = chunks.get(kind, b"") + png[at + 8:at + 8 + n], at + 12 + n
    w, rows, colours = int.from_bytes(chunks[b"IHDR"][:4], "big"), zlib.decompress(chunks[b"IDAT"]), chunks[b"PLTE"]
    return Grab(w, b"".join(colours[3 * i:3 * i + 3] for y in range(len(rows) // (w + 1))
                            for i in rows[y * (w + 1) + 1:(y + 1) * (w + 1)]))


def find(cls):
    """The viewable windows of a class (a pattern)."""
    return run("xdotool", "search", "--onlyvisible", "--class", cls).stdout.split()


def xlib():
    """Xlib and a connection of our own to the display."""
    xl = ctypes.CDLL("libX11.so.6")
    xl.XOpenDisplay.restype, xl.XDefaultRootWindow.restype = ctypes.c_void_p, ctypes.c_ulong
    d = ctypes.c_void_p(xl.XOpenDisplay(display().encode()))
    return xl, d, ctypes.c_ulong(xl.XDefaultRootWindow(d))


def grabs():
    """What another client gets when it grabs the keyboard and the pointer: 0 for each that it could."""
    xl, d, root = xlib()
    got = xl.XGrabKeyboard(d, root, 0, 1, 1, 0), xl.XGrabPointer(d, root, 0, 0, 1, 1, 0, 0, 0)
    xl.XCloseDisplay(d)
    return got


class Watch(threading.Thread):
    """Every window created from now on as another client sees it: `shown` holds each one's title as it is
    first mapped, `late` the windows that were mapped before this could look."""

    def __init__(self):
        super().__init__(daemon=True)
        (self.xl, self.d, root), self.shown, self.late, self.stop = xlib(), {}, set(), False
        self.xl.XSelectInput(self.d, root, ctypes.c_long(1 << 19)), self.xl.XSync(self.d, 0)  # SubstructureNotify
        self.start()

    def run(self):
        event, attributes, name = (ctypes.c_ulong * 24)(), (ctypes.c_int * 64)(), ctypes.c_char_p()
        while not self.stop:
            if not self.xl.XPending(self.d):
                select.select([self.xl.XConnectionNumber(self.d)], [], [], 0.05)
                continue
            self.xl.XNextEvent(self.d, event)
            kind, window = event[0] & 0xFFFFFFFF, ctypes.c_ulong(event[5])
            if kind == 16:  # CreateNotify: its maps from now on (StructureNotify); map_state: mapped already
                self.xl.XSelectInput(self.d, window, ctypes.c_long(1 << 17))
                if self.xl.XGetWindowAttributes(self.d, window, attributes) and attributes[23]:
                    self.late.add(window.value)
            elif kind == 19 and window.value not in self.shown:  # MapNotify
                self.xl.XFetchName(self.d, window, ctypes.byref(name))
                self.shown[window.value] = name.value and name.value.decode()

    def title_shown(self, window):
        self.stop = True
        self.join()
        assert int(window) not in self.late, "window %s was mapped before it could be watched" % window
        return self.shown.get(int(window))


class Vemora(contextlib.AbstractContextManager):
    """One run of the program in work (default a fresh demo) until the `with` block ends."""

    def __init__(self, work=None, env=None, window=True, binary=BUILD / "vemora"):
        self.work, self.window = Path(work or demo()), None
        fd, out = tempfile.mkstemp(prefix="printed-", dir=self.work.parent)  # removed with the scratch copy
        self.out, self.proc = Path(out), subprocess.Popen(
            [binary], cwd=self.work, stdin=subprocess.DEVNULL, stdout=fd, stderr=subprocess.STDOUT,
            start_new_session=True, env={**os.environ, "DISPLAY": display(), **(env or {})})
        os.close(fd)
        if window:  # the top-level window, where the window manager put it
            self.window = self.wait(lambda: next(iter(find("^Vemora$")), None), "the window")
            place = x("xwininfo", "-id", self.window)
            self.origin = tuple(int(re.search(r"Absolute upper-left %s: *(-?\d+)" % a, place)[1]) for a in "XY")
            self.mouse_at = time.monotonic() + 0.4  # Allegro warps the pointer back ~250 ms after position_mouse()

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.wait_exit()

    def wait(self, predicate, what, timeout=TIMEOUT):
        try:
            return wait(predicate, what, timeout, lambda: self.proc.poll() is None)
        except AssertionError as e:
            raise AssertionError("%s; the program printed:\n%s" % (e, self.out.read_text()[-2000:])) from None

    def wait_exit(self):
        """The exit status, once the program and its window are gone."""
        wait(lambda: self.proc.poll() is not None, "the program to end")
        wait(lambda: not find("^Vemora$"), "its window to go")
        return self.proc.returncode

    def title(self):
        return x("xdotool", "getwindowname", self.window)[:-1]

    def close(self):
        """The window manager's close button."""
        x("wmctrl", "-i", "-c", self.window)

    def focus(self):
        x("xdotool", "windowfocus", "--sync", self.window)

    def key(self, *names):
        """Presses each key ("a", "shift+q", "KP_Home") in the window."""
        self.focus()
        for name in names:
            x("xdotool", "keydown", "--delay", "0", *name.split("+"))
            time.sleep(HOLD)
            x("xdotool", "keyup", "--delay", "0", *reversed(name.split("+")))

    def move(self, px, py):
        ax, ay = self.origin[0] + px, self.origin[1] + py
        time.sleep(max(0.0, self.mouse_at - time.monotonic()))

        def stays():
            x("xdotool", "mousemove", str(ax), str(ay))
            time.sleep(0.05)
            return x("xdotool", "getmouselocation", "--shell").startswith("X=%d\nY=%d\n" % (ax, ay))
        self.wait(stays, "the pointer to stay at %d,%d" % (px, py))

    def drag(self, button, start, end=None, steps=6):
        self.move(*start)
        x("xdotool", "mousedown", str(button))
        time.sleep(HOLD)
        for i in range(1, steps + 1 if end else 0):
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        x("xdotool", "mouseup", str(button))
        time.sleep(HOLD)

    def wait_grab(self, predicate, what, steady=False):
        """A grab where predicate holds (steady: equal to the grab before, as frames arrive in pieces)."""
        def grab():
            ppm = subprocess.run(["import", "-display", display(), "-window", self.window, "-depth", "8", "ppm:-"],
                                 capture_output=True, timeout=20).stdout
            m, before = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", ppm), self.last
            self.last = m and Grab(int(m[1]), ppm[m.end():])
            return self.last and (not steady or before and before.rgb == self.last.rgb) and predicate(self.last)
        self.last = None
        return self.wait(grab, what) and self.last

    def wait_like(self, image, box=(0, 0, 620, 480), what=None):
        """Waits until the box (default all but the pointer's columns) shows as image (a Grab or a golden name)."""
        want = golden(image) if isinstance(image, str) else image
        return self.wait_grab(lambda g: g.box(*box) == want.box(*box), what or "%s in %s" % (image, box))

