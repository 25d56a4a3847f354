"""End-to-end harness: runs build_dir()/vemora in a private Xvfb, drives it with
xdotool and grabs its window with ImageMagick `import`. Allegro 4.4 under Xvfb:
- Xvfb needs -noreset: a program connecting during a reset fails allegro_init().
- Allegro maps its window at 0,0 in a full-screen parent, then centres it.
- For ~250 ms after position_mouse() (set_gfx_mode does one) Allegro tracks the
  mouse relatively and warps the pointer to the centre: absolute moves land wrong.
- Input is sampled every 10 ms and programs poll, so buttons and keys are held.
- xdotool turns NumLock on for KP_7 and the like: use KEY's KP_Home style names.
- A show_mouse() pointer shows in grabs: move it away before checking pixels.
- stdout is a file: the program must fflush() lines a test waits for.
VEMORA_E2E_KEEP=1 keeps scratch copies and output logs."""

import atexit, os, re, shutil, signal, subprocess, tempfile, time, unittest
from collections import Counter
from itertools import chain
from pathlib import Path
from subprocess import DEVNULL

REPO = Path(__file__).resolve().parents[2]
DEMO_DIR = REPO / "examples" / "demo"

SETTLE = 0.05       # pause after each input action
HOLD = 0.1          # button hold, long enough for a program polling at 60 Hz
WARP_SETTLE = 0.4   # Allegro's relative-mouse spell after position_mouse()
STABLE_POLLS = 3    # polls (40 ms apart) a window must keep its id and place
KEY_HOLD = 0.08     # so key[] pollers and key_shifts readers see the key down
KEY_DELAY_MS = 20   # between the taps of type_keys()

LEFT, MIDDLE, RIGHT = 1, 2, 3  # X buttons; Allegro's mouse_b bits 1, 4 and 2

# Keysyms giving the wanted Allegro scancodes without lock side effects.
KEY = {"KP1": "KP_End", "KP3": "KP_Next", "KP7": "KP_Home", "KP9": "KP_Prior", "INSERT": "Insert",
       "DEL": "Delete", "HOME": "Home", "PGUP": "Prior", "PGDN": "Next", "LEFT": "Left",
       "RIGHT": "Right", "UP": "Up", "DOWN": "Down", "ESC": "Escape", "ENTER": "Return"}


class HarnessError(AssertionError):
    """Timeouts and harness failures; unittest reports them as failures."""


def build_dir():
    return Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()


def _remove_at_exit(path):
    if not os.environ.get("VEMORA_E2E_KEEP"):
        atexit.register(shutil.rmtree, path, True)


def _cfg(workdir, name):
    """The words after name in workdir/vemora.cfg, or []."""
    cfg = Path(workdir) / "vemora.cfg"
    lines = cfg.read_text(errors="replace").splitlines() if cfg.exists() else []
    return next((w[1:] for w in map(str.split, lines) if w and w[0] == name), [])


def _x(display, *cmd):
    return subprocess.run(cmd, capture_output=True, text=True, env=dict(os.environ, DISPLAY=display))


class Xvfb:
    """A private 1280x1024x24 X server on the first free display in :91..:120."""

    proc = display = None

    def start(self):
        for n in range(91, 121):
            lock = "/tmp/.X%d-lock" % n
            if os.path.exists(lock) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            self.display = ":%d" % n
            self.proc = subprocess.Popen(
                ["Xvfb", self.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL, start_new_session=True)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.proc.poll() is None:
                # A parallel test process may have started a server on n just
                # before ours: xdpyinfo would reach that one, so the lock must be ours.
                try:
                    ours = int(Path(lock).read_text()) == self.proc.pid
                except (OSError, ValueError):
                    ours = False
                if ours and _x(self.display, "xdpyinfo").returncode == 0:
                    return self
                time.sleep(0.05)
            if self.proc.poll() is None:
                self.stop()
                raise HarnessError("Xvfb %s did not accept connections" % self.display)
        raise HarnessError("no free X display in :91..:120")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()  # not SIGKILL, which leaves the lock file behind
            self.proc.wait(5)
        self.proc = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class Image:
    """An 8-bit RGB grab in window pixels; boxes are (x0, y0, x1, y1), x1 and y1 exclusive."""

    def __init__(self, ppm):
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if not m or len(ppm) - m.end() < 3 * int(m[1]) * int(m[2]):
            raise HarnessError("not a complete 8-bit PPM: %r..." % ppm[:20])
        self.width, self.height = int(m[1]), int(m[2])
        self.data, self._ppm = ppm[m.end():], ppm

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError("pixel (%d,%d) outside %dx%d" % (x, y, self.width, self.height))
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def _rows(self, box):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0, x1, y1 = max(0, x0), max(0, y0), min(self.width, x1), min(self.height, y1)
        for y in range(y0, y1):
            start = 3 * (y * self.width + x0)
            yield self.data[start:start + 3 * (x1 - x0)]

    def colors(self, box=None):
        return Counter(chain.from_iterable(zip(r[0::3], r[1::3], r[2::3]) for r in self._rows(box)))

    def count(self, rgb, box=None):
        needle, total = bytes(rgb), 0
        for row in self._rows(box):
            i = row.find(needle)
            while i != -1:  # a match counts only on a pixel boundary
                total += i % 3 == 0
                i = row.find(needle, i + (3 if i % 3 == 0 else 1))
        return total

    def save(self, path):
        Path(path).write_bytes(self._ppm)
        return path


# An `xwininfo -root -tree` line: id, then size and absolute origin at the end.
_TREE_LINE = re.compile(r"^\s*(0x[0-9a-fA-F]+)\s.*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$")


def _windows(display):
    lines = _x(display, "xwininfo", "-root", "-tree").stdout.splitlines()
    return [(m[1], *map(int, m.groups()[1:])) for m in map(_TREE_LINE.match, lines) if m]


class Session:
    """One run of the program in workdir; a context manager whose exit kills it.
    Coordinates are window pixels; every wait fails with the program's output."""

    def __init__(self, workdir, display, binary=None, args=(), env=None):
        self.workdir, self.display = Path(workdir), display
        self.binary = Path(binary or build_dir() / "vemora")
        self.window = self.origin = self.size = None  # id "0x...", absolute (x, y), (w, h)
        self._mouse_ready_at, self._window_cleared = 0.0, False
        # Logs live outside workdir, so tests may list it freely, and outlast kill().
        self._logdir = Path(tempfile.mkdtemp(prefix="vemora-e2e-log-"))
        _remove_at_exit(self._logdir)
        with open(self._logdir / "stdout", "wb") as out, open(self._logdir / "stderr", "wb") as err:
            self.proc = subprocess.Popen(
                [str(self.binary), *args], cwd=self.workdir, stdin=DEVNULL, stdout=out, stderr=err,
                env={**os.environ, "DISPLAY": display, **(env or {})}, start_new_session=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()

    def alive(self):
        return self.proc.poll() is None

    def _window_gone(self):
        # The server drops a dead client's windows a moment after it is reaped;
        # a program started before then may fail allegro_init() or get the same id.
        if self.window and not self._window_cleared:
            self._window_cleared, end = True, time.monotonic() + 5
            while time.monotonic() < end and any(w[0] == self.window for w in _windows(self.display)):
                time.sleep(0.02)

    def kill(self):
        if self.alive():
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        self._window_gone()

    def wait_exit(self, timeout=5.0):
        """The exit status (negative: killed by that signal)."""
        self.wait_until(lambda: not self.alive(), timeout, 0.02, "the program to exit")
        self._window_gone()
        return self.proc.returncode

    def stdout_text(self):
        return (self._logdir / "stdout").read_text(errors="replace")

    def stderr_text(self):
        return (self._logdir / "stderr").read_text(errors="replace")

    def diagnostics(self):
        status = "running" if self.alive() else "exited %s" % self.proc.returncode
        tails = ["\n".join(t.splitlines()[-20:]) or "<empty>"
                 for t in (self.stdout_text(), self.stderr_text())]
        return "program %s\n--- stdout (tail)\n%s\n--- stderr (tail)\n%s" % (status, *tails)

    def wait_until(self, predicate, timeout=5.0, interval=0.02, message="condition"):
        """Poll until predicate() is truthy and return that; fail at once if the program exits."""
        deadline = time.monotonic() + timeout
        while True:
            result = predicate()
            if result:
                return result
            if not self.alive() or time.monotonic() >= deadline:
                why = "timed out after %.1fs" % timeout if self.alive() else "program exited while"
                raise HarnessError("%s waiting for %s\n%s" % (
                    why, message() if callable(message) else message, self.diagnostics()))
            time.sleep(interval)

    def wait_stdout(self, text, timeout=5.0):
        """Wait for a substring or compiled regex in stdout; returns the match."""
        def seen():
            out = self.stdout_text()
            return text.search(out) if isinstance(text, re.Pattern) else text in out and text
        return self.wait_until(seen, timeout, 0.02, "stdout to contain %r" % (getattr(text, "pattern", text),))

    def wait_file(self, path, timeout=5.0, predicate=None):
        """Wait until workdir/path exists and predicate(Path) holds; returns the Path."""
        p = self.workdir / path
        return self.wait_until(lambda: p.exists() and (predicate is None or predicate(p)) and p,
                               timeout, 0.05, "file %s" % p)

    def wait_for_window(self, width=None, height=None, timeout=10.0):
        """Find the window (size defaults to GRAPHRES) and return its absolute origin."""
        if width is None or height is None:
            words = _cfg(self.workdir, "GRAPHRES")
            width, height = map(int, words[:2]) if len(words) >= 2 else (640, 480)
        seen = []

        def find():
            # Allegro maps the window at 0,0 in its full-screen parent, then centres it.
            sized = [(w[0], w[3], w[4]) for w in _windows(self.display) if w[1:3] == (width, height)]
            seen.append(next((c for c in sized if "IsViewable" in
                              _x(self.display, "xwininfo", "-id", c[0]).stdout), None))
            return seen[-1] if seen[-1] and seen[-STABLE_POLLS:] == seen[-1:] * STABLE_POLLS else None
        self.window, x, y = self.wait_until(find, timeout, 0.04, lambda: "a viewable %dx%d window "
                                            "that stays put (last: %s)" % (width, height, seen[-1:]))
        self.origin, self.size = (x, y), (width, height)
        self._xdo("windowfocus", self.window, check=False)  # some windows refuse; harmless
        self.settle_mouse()  # set_gfx_mode did a position_mouse()
        return self.origin

    def settle_mouse(self):
        """Call after input that makes the program position_mouse(): see WARP_SETTLE."""
        self._mouse_ready_at = time.monotonic() + WARP_SETTLE

    def screenshot(self):
        if not self.alive():
            raise HarnessError("no window to grab: the program has ended\n%s" % self.diagnostics())
        try:  # a grab of a window that vanishes meanwhile never returns
            r = subprocess.run(["import", "-display", self.display, "-window", self.window,
                                "-depth", "8", "ppm:-"], capture_output=True, timeout=10)
        except subprocess.TimeoutExpired:
            raise HarnessError("screen grab hung\n%s" % self.diagnostics()) from None
        if r.returncode != 0 or not r.stdout:
            raise HarnessError("screen grab failed: %s\n%s" % (r.stderr.decode(errors="replace"),
                                                               self.diagnostics()))
        return Image(r.stdout)

    def pixel(self, x, y):
        return self.screenshot().pixel(x, y)

    def wait_image(self, predicate, timeout=5.0, message="screen condition"):
        """Poll screenshots until predicate(Image) holds; returns that Image."""
        return self.wait_until(lambda: predicate(img := self.screenshot()) and img, timeout, 0.03, message)

    def wait_pixel(self, x, y, rgb, timeout=5.0, tolerance=0):
        seen = [None]

        def match(img):
            seen[0] = img.pixel(x, y)
            return all(abs(a - b) <= tolerance for a, b in zip(seen[0], rgb))
        return self.wait_image(match, timeout, lambda: "pixel (%d,%d) == %s, last %s" % (x, y, rgb, seen[0]))

    def _xdo(self, *args, check=True):
        r = _x(self.display, "xdotool", *args)
        if check and r.returncode != 0:
            raise HarnessError("xdotool %s failed: %s" % (" ".join(args), r.stderr.strip()))
        return r

    def _act(self, *args, mouse=False):
        if mouse:
            time.sleep(max(0.0, self._mouse_ready_at - time.monotonic()))
        self._xdo(*args)
        time.sleep(SETTLE)

    def key(self, *names):
        """Press each xdotool keysym ("a", "shift+q", "KP_Home"), holding it and its modifiers."""
        for name in names:
            self._xdo("keydown", "--delay", "0", *name.split("+"))
            time.sleep(KEY_HOLD)
            self._act("keyup", "--delay", "0", *reversed(name.split("+")))

    def type_keys(self, *names, delay_ms=KEY_DELAY_MS):
        """Quick taps in one call: fine for readkey(), but modifiers come up at once."""
        self._act("key", "--delay", str(delay_ms), *names)

    def key_down(self, name):
        self._act("keydown", name)

    def key_up(self, name):
        self._act("keyup", name)

    def pointer(self):
        """Where X has the pointer, in window coordinates."""
        x, y = re.findall(r"^[XY]=(-?\d+)", self._xdo("getmouselocation", "--shell").stdout, re.M)
        return int(x) - self.origin[0], int(y) - self.origin[1]

    def move(self, x, y):
        if not (0 <= x < self.size[0] and 0 <= y < self.size[1]):
            # Allegro confines the pointer to its window and ignores motion outside it.
            raise HarnessError("(%d,%d) is outside the %dx%d window" % (x, y, *self.size))
        for _ in range(2):
            # No --sync: it hangs ~15 s when the pointer is already at the target.
            self._act("mousemove", str(self.origin[0] + x), str(self.origin[1] + y), mouse=True)
            if self.pointer() == (x, y):
                return
            # Allegro warped the pointer back in relative-mouse mode; once that
            # lapses another move resynchronises mouse_x/mouse_y.
            time.sleep(WARP_SETTLE)
        raise HarnessError("pointer will not stay at (%d,%d), now at %s: does the program keep "
                           "calling get_mouse_mickeys()?\n%s" % (x, y, self.pointer(), self.diagnostics()))

    def down(self, button=LEFT):
        self._act("mousedown", str(button), mouse=True)

    def up(self, button=LEFT):
        self._act("mouseup", str(button), mouse=True)

    def click(self, button=LEFT, x=None, y=None):
        self.drag(button, None if x is None else (x, y), None, 0)

    def drag(self, button, start, end, steps=8):
        """Press at start, move in steps to end, release; held, or a poll may miss it."""
        if start:
            self.move(*start)
        self.down(button)
        time.sleep(HOLD - SETTLE)
        for i in range(1, steps + 1):
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        time.sleep((HOLD - SETTLE) if steps else 0)
        self.up(button)


def scratch_demo(bdir=None):
    """A fresh temp copy of examples/demo with the built fonts.dat; returns its Path."""
    # Leave out what a local run may have left there: fonts and the output trace.
    skip = {"fonts.dat", (_cfg(DEMO_DIR, "OUTFILE") or ["trace_new.txt"])[0]}
    work = Path(tempfile.mkdtemp(prefix="vemora-e2e-")) / "demo"
    shutil.copytree(DEMO_DIR, work, ignore=lambda d, names: [n for n in names if n in skip])
    shutil.copy2(Path(bdir or build_dir()) / "fonts.dat", work / "fonts.dat")
    _remove_at_exit(work.parent)
    return work


def xmessage_stub(workdir):
    """(env, log): env for Session puts beside workdir a stand-in for the blocking
    xmessage of allegro_message() that appends each call's arguments to log."""
    bindir = Path(tempfile.mkdtemp(prefix="xmessage-", dir=Path(workdir).parent))
    log, stub = bindir / "calls.log", bindir / "xmessage"
    stub.write_text('#!/bin/sh\necho "$*" >> "%s"\nexit 0\n' % log)
    stub.chmod(0o755)
    return {"PATH": "%s%s%s" % (bindir, os.pathsep, os.environ.get("PATH", ""))}, log


class VemoraTestCase(unittest.TestCase):
    """One Xvfb per test class; start() gives a session with its window found."""

    xvfb = None

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb().start()
        cls.addClassCleanup(cls.xvfb.stop)

    def start(self, workdir=None, size=None, args=(), timeout=10.0):
        session = Session(workdir or scratch_demo(), self.xvfb.display, args=args)
        self.addCleanup(session.kill)
        session.wait_for_window(*(size or (None, None)), timeout=timeout)
        return session
