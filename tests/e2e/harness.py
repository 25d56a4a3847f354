"""End-to-end harness: the program in a scratch copy of the demo, shown by a private Xvfb,
driven by xdotool and seen through ImageMagick's `import`. Coordinates are window pixels.

Allegro 4.4 under Xvfb:
- Xvfb needs -noreset: a program connecting during a reset fails allegro_init().
- The window is mapped at 0,0 in a full-screen parent, then centred: it is found there.
- For ~250 ms after position_mouse() (set_gfx_mode does one) Allegro warps the pointer
  back to where it thinks it is: moves are repeated until the pointer stays.
- Input is sampled every 10 ms and the program polls, so keys and buttons are held a while.
- The program draws its own pointer: grabs must leave out where it is.
- A dead client's windows go a moment after it is reaped; the next start waits for that."""

import atexit, os, re, shutil, signal, subprocess, tempfile, time, zlib
from pathlib import Path
from subprocess import DEVNULL

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()
SCREEN = (1280, 1024)
LEFT, RIGHT = 1, 3
HOLD = 0.08  # a key or button held this long is seen by a program polling at 60 Hz


def wait(predicate, what, timeout=10.0, alive=lambda: True):
    """Polls until predicate() is truthy and returns it; fails when timed out or not alive()."""
    end = time.monotonic() + timeout
    while not (result := predicate()):
        if time.monotonic() > end or not alive():
            raise AssertionError("%s waiting for %s" % ("timed out" if alive() else "program ended", what))
        time.sleep(0.03)
    return result


def x(*cmd, check=True):
    r = subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, DISPLAY=_display()))
    if check and r.returncode:
        raise AssertionError("%s failed: %s" % (" ".join(cmd), r.stderr))
    return r.stdout


_xvfb = []


def _display():
    """The private X server of this test process, started at first use."""
    for n in range(91, 121) if not _xvfb else ():
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                                 "-noreset"], stdout=DEVNULL, stderr=DEVNULL, start_new_session=True)
        lock = Path("/tmp/.X%d-lock" % n)  # ours, not a server another test process just started
        up = lambda: lock.exists() and lock.read_text().strip() == str(proc.pid) and subprocess.run(
            ["xdpyinfo"], env=dict(os.environ, DISPLAY=":%d" % n), capture_output=True).returncode == 0
        try:
            wait(up, "Xvfb :%d" % n, 10, lambda: proc.poll() is None)
        except AssertionError:
            proc.kill()
            continue
        atexit.register(lambda: (proc.terminate(), proc.wait(5)))
        _xvfb.append(":%d" % n)
    return _xvfb[0]


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
    """The window's pixels as RGB bytes."""

    def __init__(self, w, h, rgb):
        self.w, self.h, self.rgb = w, h, rgb

    def pixel(self, px, py):
        i = 3 * (py * self.w + px)
        return tuple(self.rgb[i:i + 3])

    def box(self, x0, y0, x1, y1):
        """Rows y0..y1 - 1 of columns x0..x1 - 1."""
        return b"".join(self.rgb[3 * (self.w * y + x0):3 * (self.w * y + x1)] for y in range(y0, y1))


def golden(name):
    """A golden image of the unit tests (palette PNG, rows unfiltered) as a Grab."""
    png, at, chunks = (REPO / "tests" / "unit" / "golden" / (name + ".png")).read_bytes(), 8, {}
    while at < len(png):
        n = int.from_bytes(png[at:at + 4], "big")
        chunks[png[at + 4:at + 8]] = chunks.get(png[at + 4:at + 8], b"") + png[at + 8:at + 8 + n]
        at += 12 + n
    w, h = int.from_bytes(chunks[b"IHDR"][:4], "big"), int.from_bytes(chunks[b"IHDR"][4:8], "big")
    rows, palette = zlib.decompress(chunks[b"IDAT"]), chunks[b"PLTE"]
    return Grab(w, h, b"".join(palette[3 * i:3 * i + 3] for y in range(h) for i in rows[y * (w + 1) + 1:(y + 1) * (w + 1)]))


# A line of `xwininfo -root -tree`: the id, then the size and the absolute place at the end.
_TREE = re.compile(r"^\s*(0x[0-9a-f]+) .*\s(\d+x\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$", re.M)


class Vemora:
    """One run of the program in work (default a fresh demo); ends when the `with` block does."""

    def __init__(self, work=None, size=(640, 480), env=None, window=True):
        self.work, self.window = Path(work or demo()), None
        self.log = tempfile.NamedTemporaryFile(prefix="vemora-e2e-out-")
        self.proc = subprocess.Popen([str(BUILD / "vemora")], cwd=self.work, stdin=DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True,
                                     env={**os.environ, "DISPLAY": _display(), **(env or {})})
        if window:
            place = "%dx%d+%d+%d" % (*size, (SCREEN[0] - size[0]) // 2, (SCREEN[1] - size[1]) // 2)
            self.window = self.wait(lambda: next((w for w, p in self._windows() if p == place), None),
                                    "the %dx%d window" % size)
            self.origin = (SCREEN[0] - size[0]) // 2, (SCREEN[1] - size[1]) // 2

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.wait_exit()

    @staticmethod
    def _windows():
        """(id, "WxH+X+Y" with the absolute place) of every window."""
        return [(w, "%s+%s+%s" % tuple(place)) for w, *place in _TREE.findall(x("xwininfo", "-root", "-tree"))]

    @property
    def out(self):
        return Path(self.log.name).read_text(errors="replace")

    def wait(self, predicate, what, timeout=10.0):
        try:
            return wait(predicate, what, timeout, lambda: self.proc.poll() is None)
        except AssertionError as e:
            raise AssertionError("%s\n--- program output:\n%s" % (e, self.out[-2000:])) from None

    def wait_exit(self, timeout=10.0):
        """The exit status, once the program and its window are gone."""
        wait(lambda: self.proc.poll() is not None, "the program to end", timeout)
        wait(lambda: all(w != self.window for w, _ in self._windows()), "its window to go")
        return self.proc.returncode

    def key(self, *names):
        """Presses each xdotool key ("a", "shift+q", "KP_Home"), held with its modifiers."""
        for name in names:
            x("xdotool", "keydown", "--delay", "0", *name.split("+"))
            time.sleep(HOLD)
            x("xdotool", "keyup", "--delay", "0", *reversed(name.split("+")))

    def move(self, px, py):
        ax, ay = self.origin[0] + px, self.origin[1] + py

        def stays():
            x("xdotool", "mousemove", str(ax), str(ay))
            time.sleep(0.05)  # time for Allegro to warp it back
            return x("xdotool", "getmouselocation", "--shell").startswith("X=%d\nY=%d\n" % (ax, ay))
        self.wait(stays, "the pointer to stay at %d,%d" % (px, py))

    def drag(self, button, start, end=None, steps=6):
        """Presses at start, moves in steps to end (if given) and releases."""
        self.move(*start)
        x("xdotool", "mousedown", str(button))
        time.sleep(HOLD)
        for i in range(1, steps + 1 if end else 0):
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        x("xdotool", "mouseup", str(button))
        time.sleep(HOLD)

    def grab(self):
        ppm = subprocess.run(["import", "-display", _display(), "-window", self.window, "-depth", "8", "ppm:-"],
                             capture_output=True, timeout=20).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        return Grab(int(m[1]), int(m[2]), ppm[m.end():]) if m else None

    def wait_grab(self, predicate, what, timeout=10.0):
        return self.wait(lambda: (g := self.grab()) and predicate(g) and g, what, timeout)

    def steady(self, predicate, what):
        """A grab where predicate holds, once two grabs in a row agree: a frame reaches X in pieces."""
        seen = [b""]

        def agreed(g):
            same, seen[0] = g.rgb == seen[0], g.rgb
            return same and predicate(g)
        return self.wait_grab(agreed, what)

    def wait_like(self, image, box=(0, 0, 620, 480), what=None):
        """Waits until the box (default all but the pointer's column on the right) shows as in image."""
        want, last = golden(image) if isinstance(image, str) else image, []
        try:
            return self.wait_grab(lambda g: last.append(g) or g.box(*box) == want.box(*box),
                                  what or "the screen as %s in %s" % (image, box))
        except AssertionError as e:
            if not last:
                raise
            g, (x0, y0, x1, y1) = last[-1], box
            at = next((p for p in ((px, py) for py in range(y0, y1) for px in range(x0, x1))
                       if g.pixel(*p) != want.pixel(*p)), None)
            path = Path(tempfile.mkdtemp(prefix="vemora-e2e-grab-")) / "grab.ppm"
            path.write_bytes(b"P6 %d %d 255\n" % (g.w, g.h) + g.rgb)
            raise AssertionError("%s\nfirst difference at %s; the last grab is %s" % (e, at, path)) from None
