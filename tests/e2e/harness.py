"""End-to-end harness: the program in a scratch copy of the demo, shown by a private Xvfb,
driven by xdotool and seen through ImageMagick's `import`; coordinates are window pixels.
Allegro 4.4 under Xvfb:
- Xvfb needs -noreset: a program connecting during a reset fails allegro_init().
- The window is mapped at 0,0 in a full-screen parent, then centred: it is found there.
- For ~250 ms after position_mouse() Allegro takes moves as relative and warps the pointer
  back: the first move waits for that to end, and moves are repeated until they stay.
- The program polls its input, so keys and buttons are held a while; it draws its own
  pointer, which grabs leave out; its window goes a moment after it ends."""
import atexit, os, re, shutil, signal, subprocess, tempfile, time, zlib
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()
SCREEN, LEFT, RIGHT, HOLD = (1280, 1024), 1, 3, 0.08
_TREE = re.compile(r"^\s*(0x[0-9a-f]+) .*\s(\d+x\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$", re.M)  # xwininfo -tree
_display = []


def wait(predicate, what, timeout=10.0, alive=lambda: True):
    """Polls until predicate() is truthy and returns that; fails when timed out or not alive()."""
    end = time.monotonic() + timeout
    while not (result := predicate()):
        if time.monotonic() > end or not alive():
            raise AssertionError("%s waiting for %s" % ("timed out" if alive() else "program ended", what))
        time.sleep(0.03)
    return result


def display():
    """The private X server of this test process (a free one of :91..:120), started at first use."""
    for _ in range(5) if not _display else ():
        n = next((n for n in range(91, 121) if not Path("/tmp/.X%d-lock" % n).exists()
                  and not Path("/tmp/.X11-unix/X%d" % n).exists()), None)
        assert n, "no free X display in :91..:120"
        lock = Path("/tmp/.X%d-lock" % n)
        xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp", "-noreset"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        try:  # the lock names our server, not one another test process started meanwhile
            wait(lambda: lock.exists() and lock.read_text().strip() == str(xvfb.pid) and subprocess.run(
                ["xdpyinfo", "-display", ":%d" % n], capture_output=True).returncode == 0, "Xvfb", 10,
                lambda: xvfb.poll() is None)
        except AssertionError:
            xvfb.kill(), xvfb.wait()
            continue
        atexit.register(lambda: (xvfb.terminate(), xvfb.wait(5)))
        _display.append(":%d" % n)
        break
    return _display[0]


def x(*cmd):
    """Runs an X client on the private display; returns its output."""
    r = subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, DISPLAY=display()))
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
    """Pixels as RGB bytes: pixel(x, y) gives 3 bytes, box(x0, y0, x1, y1) the rows y0..y1-1 of x0..x1-1."""

    def __init__(self, w, rgb):
        self.w, self.rgb = w, rgb

    def pixel(self, px, py):
        return self.rgb[3 * (py * self.w + px):3 * (py * self.w + px) + 3]

    def box(self, x0, y0, x1, y1):
        return b"".join(self.rgb[3 * (self.w * y + x0):3 * (self.w * y + x1)] for y in range(y0, y1))


def golden(name):
    """A golden image of the unit tests (a palette PNG with unfiltered rows) as a Grab."""
    png, at, chunks = (REPO / "tests" / "unit" / "golden" / (name + ".png")).read_bytes(), 8, {}
    while at < len(png):
        n, kind = int.from_bytes(png[at:at + 4], "big"), png[at + 4:at + 8]
        chunks[kind], at = chunks.get(kind, b"") + png[at + 8:at + 8 + n], at + 12 + n
    w, rows, colours = int.from_bytes(chunks[b"IHDR"][:4], "big"), zlib.decompress(chunks[b"IDAT"]), chunks[b"PLTE"]
    return Grab(w, b"".join(colours[3 * i:3 * i + 3] for y in range(len(rows) // (w + 1))
                            for i in rows[y * (w + 1) + 1:(y + 1) * (w + 1)]))


def windows():
    """(id, "WxH+X+Y") of every window, with its place on the screen."""
    return [(w, "%s+%s+%s" % tuple(place)) for w, *place in _TREE.findall(x("xwininfo", "-root", "-tree"))]


class Vemora:
    """One run of the program in work (default a fresh demo), ended with its `with` block;
    `out` is the file of what it printed, `last` the last grab."""

    def __init__(self, work=None, size=(640, 480), env=None, window=True):
        self.work, self.window = Path(work or demo()), None
        fd, out = tempfile.mkstemp(prefix="printed-", dir=self.work.parent)  # removed with the scratch copy
        self.out, self.proc = Path(out), subprocess.Popen(
            [BUILD / "vemora"], cwd=self.work, stdin=subprocess.DEVNULL, stdout=fd, stderr=subprocess.STDOUT,
            start_new_session=True, env={**os.environ, "DISPLAY": display(), **(env or {})})
        os.close(fd)
        self.origin = (SCREEN[0] - size[0]) // 2, (SCREEN[1] - size[1]) // 2
        if window:
            place = "%dx%d+%d+%d" % (*size, *self.origin)
            self.window = self.wait(lambda: next((w for w, p in windows() if p == place), None), "the window")
            self.mouse_at = time.monotonic() + 0.4  # when the warping after the start's position_mouse() ends

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
        self.wait_exit()

    def wait(self, predicate, what, timeout=10.0):
        try:
            return wait(predicate, what, timeout, lambda: self.proc.poll() is None)
        except AssertionError as e:
            raise AssertionError("%s; the program printed:\n%s" % (e, self.out.read_text()[-2000:])) from None

    def wait_exit(self):
        """The exit status, once the program and its window are gone."""
        wait(lambda: self.proc.poll() is not None, "the program to end")
        wait(lambda: all(w != self.window for w, _ in windows()), "its window to go")
        return self.proc.returncode

    def key(self, *names):
        """Presses each xdotool key ("a", "shift+q", "KP_Home") with its modifiers, held."""
        for name in names:
            x("xdotool", "keydown", "--delay", "0", *name.split("+"))
            time.sleep(HOLD)
            x("xdotool", "keyup", "--delay", "0", *reversed(name.split("+")))

    def move(self, px, py):
        ax, ay = self.origin[0] + px, self.origin[1] + py
        time.sleep(max(0.0, self.mouse_at - time.monotonic()))

        def stays():
            x("xdotool", "mousemove", str(ax), str(ay))
            time.sleep(0.05)  # for Allegro to warp it back
            return x("xdotool", "getmouselocation", "--shell").startswith("X=%d\nY=%d\n" % (ax, ay))
        self.wait(stays, "the pointer to stay at %d,%d" % (px, py))

    def drag(self, button, start, end=None, steps=6):
        """Presses the button at start, moves in steps to end (if given) and releases it."""
        self.move(*start)
        x("xdotool", "mousedown", str(button))
        time.sleep(HOLD)
        for i in range(1, steps + 1 if end else 0):
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        x("xdotool", "mouseup", str(button))
        time.sleep(HOLD)

    def wait_grab(self, predicate, what, steady=False):
        """A grab of the window where predicate holds (steady: and that equals the grab before,
        since a frame reaches the X server in pieces)."""
        def grab():
            ppm = subprocess.run(["import", "-display", display(), "-window", self.window, "-depth", "8", "ppm:-"],
                                 capture_output=True, timeout=20).stdout
            m, before = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", ppm), self.last
            self.last = m and Grab(int(m[1]), ppm[m.end():])
            return self.last and (not steady or before and before.rgb == self.last.rgb) and predicate(self.last)
        self.last = None
        return self.wait(grab, what) and self.last

    def wait_like(self, image, box=(0, 0, 620, 480), what=None):
        """Waits until the box (default all but the pointer's columns) shows as image (a Grab or a golden name);
        on failure names the first differing pixel and saves the last grab."""
        want = golden(image) if isinstance(image, str) else image
        try:
            return self.wait_grab(lambda g: g.box(*box) == want.box(*box), what or "%s in %s" % (image, box))
        except AssertionError as e:
            g, path = self.last or Grab(1, b""), self.out.with_name("grab.ppm")
            at = next((p for p in ((i, j) for j in range(box[1], box[3]) for i in range(box[0], box[2]))
                       if g.pixel(*p) != want.pixel(*p)), None)
            path.write_bytes(b"P6 %d %d 255\n" % (g.w, len(g.rgb) // 3 // g.w) + g.rgb)
            raise AssertionError("%s\nfirst difference at %s; the last grab is %s" % (e, at, path)) from None
