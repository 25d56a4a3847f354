"""The program in a scratch copy of the demo under a private Xvfb (-noreset: a client connecting during a reset fails
allegro_init()) and openbox, driven by xdotool and wmctrl, seen through `import`."""
import atexit, collections, contextlib, ctypes, functools, os, re, select, shutil, subprocess, sys, tempfile, threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()
SCREEN, LEFT, RIGHT, HOLD = (1280, 1024), 1, 3, 0.08  # keys and buttons are held: the program polls
REST, WHITE = (630, 240), b"\xff\xff\xff"  # right of the panels, on the row the golden frames' status line reads


def wait(predicate, what, alive=lambda: True):
    end = time.monotonic() + 30.0  # generous: other builds may share the two cores
    while not (result := predicate()):
        if time.monotonic() > end or not alive():
            raise AssertionError("%s waiting for %s" % ("timed out" if alive() else "program ended", what))
        time.sleep(0.03)
    return result


@functools.lru_cache(maxsize=None)
def display():
    r, w = os.pipe()
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                             "-noreset"], pass_fds=(w,), **quiet)
    os.close(w)
    name = ":" + os.read(r, 16).decode().strip()  # written once it takes connections
    assert name != ":", "Xvfb failed"
    ready = Path(tempfile.mkdtemp(prefix="vemora-wm-")) / "ready"  # touched once openbox handles requests
    wm = subprocess.Popen(["openbox", "--sm-disable", "--startup", "touch %s" % ready],
                          env=dict(os.environ, DISPLAY=name), **quiet)
    atexit.register(lambda: [(p.terminate(), p.wait(5)) for p in (wm, xvfb)] and shutil.rmtree(ready.parent, True))
    wait(ready.exists, "the window manager", alive=lambda: wm.poll() is None)
    return name


def x(*cmd, check=True):
    r = subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, DISPLAY=display()))
    assert r.returncode == 0 or not check, "%s failed: %s" % (" ".join(cmd), r.stderr)
    return r.stdout


def demo(*config, drop=None):  # a scratch copy of the demo, its vemora.cfg without the keyword drop and with config
    work = Path(tempfile.mkdtemp(prefix="vemora-e2e-")) / "demo"  # no fonts.dat: the program finds the one beside it
    shutil.copytree(REPO / "examples" / "demo", work, ignore=shutil.ignore_patterns("fonts.dat", "trace_new.txt"))
    lines = [line for line in (work / "vemora.cfg").read_text().splitlines() if line.split(" ")[0] != drop]
    (work / "vemora.cfg").write_text("".join(line + "\n" for line in lines + list(config)))
    atexit.register(shutil.rmtree, work.parent, True)
    return work


class Grab(collections.namedtuple("Grab", "w rgb")):  # rows of 8-bit RGB pixels
    def box(self, x0, y0, x1, y1):
        return b"".join(self.rgb[3 * (self.w * y + x0):3 * (self.w * y + x1)] for y in range(y0, y1))


def image(*command):  # a Grab of the image that an ImageMagick command writes as 8-bit PPM (None if none)
    ppm = subprocess.run([*command, "-depth", "8", "ppm:-"], capture_output=True, timeout=20).stdout
    m = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", ppm)
    return m and Grab(int(m[1]), ppm[m.end():])


golden = functools.lru_cache(None)(lambda name: image("convert", REPO / "tests" / "unit" / "golden" / (name + ".png")))


def find(cls):  # the viewable windows of a class (a pattern)
    return x("xdotool", "search", "--onlyvisible", "--class", cls, check=False).split()


def xlib():  # Xlib and a connection of our own to the display
    xl = ctypes.CDLL("libX11.so.6")
    xl.XOpenDisplay.restype, xl.XDefaultRootWindow.restype = ctypes.c_void_p, ctypes.c_ulong
    d = ctypes.c_void_p(xl.XOpenDisplay(display().encode()))
    return xl, d, ctypes.c_ulong(xl.XDefaultRootWindow(d))


def watch():  # a function giving the title a top-level window had when the window manager framed it, to show it
    (xl, d, root), shown, stop = xlib(), {}, []
    xl.XSelectInput(d, root, ctypes.c_long(1 << 19)), xl.XSync(d, 0)  # SubstructureNotify

    def run(event=(ctypes.c_ulong * 24)(), name=ctypes.c_char_p()):
        while not stop:
            select.select([xl.XConnectionNumber(d)], [], [], 0.05)
            while xl.XPending(d):
                xl.XNextEvent(d, event)
                if event[0] & 0xFFFFFFFF == 21 and event[5] not in shown:  # ReparentNotify: framed, to be mapped
                    xl.XFetchName(d, ctypes.c_ulong(event[5]), ctypes.byref(name))
                    shown[event[5]] = name.value and name.value.decode()
    (thread := threading.Thread(target=run, daemon=True)).start()
    return lambda window: (stop.append(True), thread.join(), shown.get(int(window)))[2]


class Vemora(contextlib.AbstractContextManager):  # one run of the program in work (a fresh demo) until `with` ends

    def __init__(self, work=None, env=None, window=True, binary=BUILD / "vemora", first=None, **popen):
        self.work, self.window = Path(work or demo()), None
        fd, out = tempfile.mkstemp(prefix="printed-", dir=self.work.parent)  # removed with the scratch copy
        self.out, self.proc = Path(out), subprocess.Popen(
            [binary], cwd=self.work, stdin=subprocess.DEVNULL, stdout=fd, stderr=subprocess.STDOUT,
            start_new_session=True, env={**os.environ, "DISPLAY": display(), **(env or {})}, **popen)
        os.close(fd)
        if window:  # the top-level window, where the window manager put it
            self.window = self.wait(lambda: next(iter(find("^Vemora$")), None), "the window")
            place = x("xwininfo", "-id", self.window)
            self.origin = tuple(int(re.search(r"Absolute upper-left %s: *(-?\d+)" % a, place)[1]) for a in "XY")
            self.mouse_at = time.monotonic() + 0.4  # Allegro warps the pointer back ~250 ms after position_mouse()
        if first:  # the first frame, the pointer at rest: the program reads input
            self.move(*REST)
            self.wait_like(first)

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, 9)
        self.wait_exit()

    def wait(self, predicate, what):
        try:
            return wait(predicate, what, lambda: self.proc.poll() is None)
        except AssertionError as e:
            raise AssertionError("%s; the program printed:\n%s" % (e, self.out.read_text()[-2000:])) from None

    def wait_exit(self):  # the exit status, once the program and its window are gone
        wait(lambda: self.proc.poll() is not None and not find("^Vemora$"), "the program and its window to end")
        return self.proc.returncode

    def title(self):
        return x("xdotool", "getwindowname", self.window)[:-1]

    def close(self):  # the window manager's close button
        x("wmctrl", "-i", "-c", self.window)

    def key(self, *names):  # presses each key ("a", "shift+q", "KP_Home") in turn in the window
        held = (a for n in names for a in ("keydown", n, "sleep", str(HOLD), "keyup", "+".join(n.split("+")[::-1])))
        x("xdotool", "windowfocus", "--sync", self.window, *held)

    def move(self, px, py):  # until the pointer stays there
        to = (str(self.origin[0] + px), str(self.origin[1] + py))
        time.sleep(max(0.0, self.mouse_at - time.monotonic()))
        self.wait(lambda: x("xdotool", "mousemove", *to, "sleep", "0.05", "getmouselocation", "--shell").startswith(
            "X=%s\nY=%s\n" % to), "the pointer to stay at %d,%d" % (px, py))

    def drag(self, button, start, end=None, steps=6):  # a click without end
        self.move(*start)
        x("xdotool", "mousedown", str(button), "sleep", str(HOLD))
        for i in range(1, steps + 1 if end else 0):
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        x("xdotool", "mouseup", str(button), "sleep", str(HOLD))

    def wait_grab(self, predicate, what, steady=False):  # steady: as the grab before, as frames arrive in pieces
        def grab():  # none once the program has ended: import would wait for a window to be picked
            window = self.proc.poll() is None and ["-display", display(), "-window", self.window]
            before, self.last = self.last, window and image("import", *window)
            return self.last and (not steady or before and before.rgb == self.last.rgb) and predicate(self.last)
        self.last = None
        return self.wait(grab, what) and self.last

    def wait_like(self, name, box=(0, 0, 620, 480)):  # until box (default: all but the pointer's columns) is as golden
        return self.wait_grab(lambda g: g.box(*box) == golden(name).box(*box), "%s in %s" % (name, box))


if __name__ == "__main__":  # BINARY in the working directory: the golden first frame, drawn with the fonts it found
    with Vemora(".", binary=sys.argv[1], first="whole") as v:
        v.key("q")
        assert v.wait_exit() == 0, "q did not end vemora with status 0"
