"""End-to-end harness: drives the real `vemora` binary inside Xvfb.

Typical use::

    import harness
    from harness import LEFT, RIGHT, KEY

    class TestSomething(harness.VemoraTestCase):
        def test_it(self):
            s = self.start()                  # scratch demo copy, window found
            s.move(300, 200)                  # commands may read mouse_y
            s.key(KEY["KP7"])
            s.click(LEFT, 120, 80)
            s.wait_pixel(120, 80, (255, 255, 0))
            s.key("shift+q")
            self.assertEqual(s.wait_exit(), 0)

Pieces (all usable on their own):

``Xvfb()``
    Context manager (or start()/stop()). Runs ``Xvfb :N -screen 0
    1280x1024x24 -nolisten tcp -noreset`` on the first free N in 91..120 and
    waits until ``xdpyinfo`` connects. ``.display`` is ``":N"``.

``Session(workdir, display, binary=None, args=(), env=None)``
    Starts the program with cwd=workdir and DISPLAY set; stdout/stderr go to
    files outside workdir, so tests may list workdir freely. One program per
    display at a time. Context manager; ``kill()`` is idempotent and output
    stays readable after it.

    - ``wait_for_window(w=None, h=None, timeout)`` -> absolute ``(x, y)``;
      the size defaults to GRAPHRES in workdir/vemora.cfg, else 640x480
    - ``screenshot()`` -> ``Image`` with ``pixel(x, y)``, ``colors(box)``,
      ``count(rgb, box)``, ``save(path)`` (PPM); window coordinates,
      boxes are (x0, y0, x1, y1) with x1, y1 exclusive
    - ``pixel(x, y)``; ``wait_pixel(x, y, rgb, timeout, tolerance=0)``;
      ``wait_pixel_change(x, y, old, timeout)``; ``wait_image(pred, timeout)``
    - ``key(*names)``: xdotool keysyms, each held KEY_HOLD, e.g. ``key("a")``,
      ``key("shift+q")``, ``key("KP_Home", "Right")``; ``type_keys(*names)``
      for quick taps; ``key_down(name)``/``key_up(name)``
    - ``move(x, y)``, ``down(b)``, ``up(b)``, ``click(b, x=None, y=None)``,
      ``drag(b, (x0, y0), (x1, y1), steps)``, ``pointer()``,
      ``settle_mouse()``; window coordinates; b is an X button: LEFT=1,
      MIDDLE=2, RIGHT=3 (Allegro mouse_b bits 1, 4 and 2)
    - ``wait_until(pred, timeout, interval, message)``, ``wait_stdout(text or
      compiled regex)``, ``wait_file(name, predicate=None)``,
      ``wait_exit(timeout)`` -> exit status (negative: signal),
      ``stdout_text()``, ``stderr_text()``, ``diagnostics()``, ``kill()``

    Every wait polls with a timeout and fails with HarnessError (an
    AssertionError) carrying the last value seen and the program's output;
    if the program dies meanwhile it fails at once.

``scratch_demo(build_dir=None)``
    Fresh temp copy of repo/examples/demo plus build_dir/fonts.dat; removed at
    interpreter exit unless VEMORA_E2E_KEEP=1 (which also keeps output logs).

``VemoraTestCase``
    unittest base: one Xvfb per class, ``self.start(workdir=None, size=None,
    args=())`` gives a session whose kill is registered as cleanup.

``build_dir()`` is $VEMORA_BUILD_DIR or repo/build; the binary is
``build_dir()/vemora``.

Findings on Allegro 4.4 under Xvfb (measured with a probe program)
-----------------------------------------------------------------
Server: without ``-noreset`` Xvfb resets when its last client leaves, and a
program connecting at that moment fails allegro_init() (XOpenDisplay gets
"connection reset"); with the short-lived xwininfo/xdotool clients this hit
about one start in twenty.

Window: GFX_AUTODETECT picks Allegro's full-screen mode. It maps an
override-redirect window covering the screen, reparents the drawing window
into it at 0,0, then moves it to the centre (320,272 for 640x480 on
1280x1024) and warps the pointer to its middle. An unmapped 320x200
top-level named after the program is left over. So the window is the
*viewable* one of exactly the wanted size in ``xwininfo -root -tree`` (the
absolute origin is the second ``+X+Y`` pair on its line), taken only once it
has kept its place for STABLE_POLLS polls. Allegro grabs the keyboard on
the root window and confines the pointer to the drawing window, so keys
arrive wherever the pointer is and moves outside the window are clamped to
its edge. Screenshots use ``import -window <id> -depth 8 ppm:-`` (about
25 ms; without ``-depth 8`` ImageMagick writes 16-bit samples). On a 24-bit
Xvfb Allegro runs at depth 32 and ``makecol`` colours read back exactly.
The X cursor is not in grabs, but a software pointer drawn by show_mouse()
is: move the pointer off a spot before checking its pixels.

Keys (xdotool keysym -> Allegro scancode, ascii):
    a->1, c->3, f->6, h->8, q->17, w->23, z->26 (lowercase ascii);
    shift+q -> 17, ascii 'Q', KB_SHIFT_FLAG in key_shifts while held;
    keypad 1/3/7/9: KP_End/KP_Next/KP_Home/KP_Prior -> 38/40/44/46, ascii 0,
    no lock flags. KP_1/KP_3/KP_7/KP_9 give the same scancodes but xdotool
    switches NumLock on for them (ascii is the digit, KB_NUMLOCK_FLAG set):
    prefer the KP_Home style names (see ``KEY``).
    Insert->76, Delete->77 (ascii 127), Home->78, Prior/Page_Up->80,
    Next/Page_Down->81, Left/Right/Up/Down->82/83/84/85.
Keys work as soon as the window is there. A program that reads key_shifts
after readkey() sees the state *then*: with ``xdotool key shift+q`` the shift
is often released before a busy program gets to it, so ``key()`` holds each
key and its modifiers for KEY_HOLD.

Mouse: a move to origin+(x, y) gives mouse_x, mouse_y == x, y exactly,
corners included, once Allegro is in its normal absolute mode. For 25 ticks
(~250 ms) after any position_mouse() (set_gfx_mode and start-up code do one)
and while get_mouse_mickeys() is being called, the X driver tracks the mouse
relatively and every few events warps the pointer back to the window
centre; absolute moves then land wrong. The first pointer action therefore
waits until WARP_SETTLE after the window was found, ``move`` re-checks the
pointer and retries once, and ``settle_mouse()`` re-arms the wait after
input that makes the program call position_mouse(). Allegro samples X input
on a 10 ms background thread and programs poll mouse_b, so a press and
release sent back to back can be missed (``xdotool click`` does that);
``click`` holds the button HOLD seconds and each pointer action waits
SETTLE. ``xdotool mousemove --sync`` hangs ~15 s when the pointer is already
at the target, so it is not used.

What the program must do for this to work: fflush(stdout) after lines a
test waits for (stdout is a file here, so fully buffered); read keys through
keypressed()/readkey() (key[] polling can miss a tap, although key() holds
keys for KEY_HOLD); not call get_mouse_mickeys() or position_mouse() while
being driven by the mouse (or call enable_hardware_cursor(), which keeps
Allegro out of relative mode altogether); exit by returning a status from
main.
"""

import atexit
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from collections import Counter
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
DEMO_DIR = REPO / "examples" / "demo"

# Pause after each pointer action and how long a click holds the button:
# long enough for a program polling mouse_b once per 60 Hz frame.
SETTLE = 0.05
HOLD = 0.1
# Allegro's X driver tracks the mouse relatively for 25 ticks of its 10 ms
# input thread after any position_mouse() (set_gfx_mode does one), warping the
# pointer back to the window centre now and then. Absolute moves are only
# reliable once that lapses.
WARP_SETTLE = 0.4
# Polls (40 ms apart) a window must keep its id and place before it is used.
STABLE_POLLS = 3
# How long key() holds a key (and its modifiers) down.
KEY_HOLD = 0.08
# Pause between keys inside one type_keys() call (xdotool --delay, in ms).
KEY_DELAY_MS = 20

# X pointer buttons (Allegro reports them in mouse_b as 1, 4 and 2).
LEFT, MIDDLE, RIGHT = 1, 2, 3

# Keysyms that produce the wanted Allegro scancodes without lock side effects.
KEY = {
    "KP1": "KP_End", "KP3": "KP_Next", "KP7": "KP_Home", "KP9": "KP_Prior",
    "INSERT": "Insert", "DEL": "Delete", "HOME": "Home",
    "PGUP": "Prior", "PGDN": "Next",
    "LEFT": "Left", "RIGHT": "Right", "UP": "Up", "DOWN": "Down",
    "ESC": "Escape", "ENTER": "Return",
}


class HarnessError(AssertionError):
    """Raised on timeouts and harness failures; unittest reports it as a failure."""


def build_dir():
    return Path(os.environ.get("VEMORA_BUILD_DIR") or REPO / "build").resolve()


def binary_path(bdir=None):
    return Path(bdir or build_dir()) / "vemora"


def _cfg_words(workdir, name):
    cfg = Path(workdir) / "vemora.cfg"
    if cfg.exists():
        for line in cfg.read_text(errors="replace").splitlines():
            words = line.split()
            if words and words[0] == name:
                return words[1:]
    return None


def _cfg_value(workdir, name):
    words = _cfg_words(workdir, name)
    return words[0] if words else None


def graphres(workdir):
    """(width, height) from GRAPHRES in workdir/vemora.cfg, default 640x480."""
    words = _cfg_words(workdir, "GRAPHRES")
    if words and len(words) >= 2:
        return int(words[0]), int(words[1])
    return 640, 480


def _describe(value):
    try:
        return value() if callable(value) else str(value)
    except Exception as exc:  # diagnostics must never hide the real failure
        return "<could not describe: %r>" % (exc,)


def wait_until(predicate, timeout=5.0, interval=0.02, message="condition"):
    """Poll predicate until it returns a truthy value, which is returned.

    message may be a string or a callable giving extra detail on timeout.
    """
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise HarnessError("timed out after %.1fs waiting for %s"
                               % (timeout, _describe(message)))
        time.sleep(interval)


# --------------------------------------------------------------------- Xvfb

class Xvfb:
    """A private X server. Use as a context manager or call start()/stop()."""

    def __init__(self, width=1280, height=1024, depth=24, first=91, last=120,
                 timeout=10.0):
        self.size = (width, height, depth)
        self.range = (first, last)
        self.timeout = timeout
        self.proc = None
        self.display = None
        self._log = None

    def _connects(self):
        return subprocess.run(["xdpyinfo", "-display", self.display],
                              stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def start(self):
        w, h, d = self.size
        for n in range(self.range[0], self.range[1] + 1):
            if (os.path.exists("/tmp/.X%d-lock" % n)
                    or os.path.exists("/tmp/.X11-unix/X%d" % n)):
                continue
            self.display = ":%d" % n
            self._log = tempfile.TemporaryFile()
            self.proc = subprocess.Popen(
                ["Xvfb", self.display, "-screen", "0", "%dx%dx%d" % (w, h, d),
                 "-nolisten", "tcp",
                 # Without this the server resets whenever its last client
                 # leaves, and a program connecting during the reset fails
                 # allegro_init() (XOpenDisplay: connection reset).
                 "-noreset"],
                stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log,
                start_new_session=True)
            deadline = time.monotonic() + self.timeout
            while time.monotonic() < deadline:
                if self.proc.poll() is not None:
                    break  # lost a race for this number; try the next
                if self._connects() and self._owns_lock(n):
                    return self
                time.sleep(0.05)
            if self.proc.poll() is None:
                self.stop()
                raise HarnessError("Xvfb %s did not accept connections in %.0fs"
                                   % (self.display, self.timeout))
            self._close_log()
        raise HarnessError("no free X display in :%d..:%d" % self.range)

    def _owns_lock(self, n):
        # Another test process may have started a server on the same number a
        # moment earlier: xdpyinfo then reaches that server while ours is still
        # about to give up, and the two would share (and kill) one display.
        try:
            with open("/tmp/.X%d-lock" % n) as f:
                return int(f.read().strip()) == self.proc.pid
        except (OSError, ValueError):
            return False

    def _close_log(self):
        if self._log:
            self._log.close()
            self._log = None

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None
        self._close_log()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


# -------------------------------------------------------------------- image

class Image:
    """An RGB grab of the program's window; coordinates are window pixels."""

    _HEADER = re.compile(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s")

    def __init__(self, ppm):
        m = self._HEADER.match(ppm)
        if not m:
            raise HarnessError("not a binary PPM (got %r...)" % ppm[:20])
        self.width, self.height, maxval = map(int, m.groups())
        if maxval != 255:
            raise HarnessError("PPM has maxval %d, expected 8-bit" % maxval)
        self.data = ppm[m.end():]
        if len(self.data) < self.width * self.height * 3:
            raise HarnessError("truncated PPM")
        self._ppm = ppm

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError("pixel (%d,%d) outside %dx%d image"
                               % (x, y, self.width, self.height))
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def _rows(self, box):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.width, x1), min(self.height, y1)
        for y in range(y0, y1):
            start = 3 * (y * self.width + x0)
            yield self.data[start:start + 3 * (x1 - x0)]

    def colors(self, box=None):
        """Counter of (r, g, b) -> pixel count inside box=(x0, y0, x1, y1), x1/y1 exclusive."""
        counts = Counter()
        for row in self._rows(box):
            counts.update(zip(row[0::3], row[1::3], row[2::3]))
        return counts

    def count(self, rgb, box=None):
        needle = bytes(rgb)
        total = 0
        for row in self._rows(box):
            # a find loop on 3-byte strides; bytes.count would match across pixels
            i = row.find(needle)
            while i != -1:
                if i % 3 == 0:
                    total += 1
                    i = row.find(needle, i + 3)
                else:
                    i = row.find(needle, i + 1)
        return total

    def save(self, path):
        Path(path).write_bytes(self._ppm)
        return path


# ---------------------------------------------------------------- session

_TREE_LINE = re.compile(
    r"^\s*(0x[0-9a-fA-F]+)\s.*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$")


def _list_windows(display):
    """[(id, w, h, abs_x, abs_y)] for every window on the display."""
    out = subprocess.run(["xwininfo", "-display", display, "-root", "-tree"],
                         capture_output=True, text=True).stdout
    found = []
    for line in out.splitlines():
        m = _TREE_LINE.match(line)
        if m:
            wid, w, h, ax, ay = m.groups()
            found.append((wid, int(w), int(h), int(ax), int(ay)))
    return found


def _viewable(display, wid):
    out = subprocess.run(["xwininfo", "-display", display, "-id", wid],
                         capture_output=True, text=True).stdout
    return "IsViewable" in out


class Session:
    """One run of the program; see the module docstring."""

    def __init__(self, workdir, display, binary=None, args=(), env=None):
        self.workdir = Path(workdir)
        self.display = display
        self.binary = Path(binary or binary_path())
        if not self.binary.exists():
            raise HarnessError("program not built: %s" % self.binary)
        self._mouse_ready_at = 0.0
        self._window_cleared = False
        self.window = None      # X window id as "0x..."
        self.origin = None      # absolute (x, y) of window pixel (0, 0)
        self.size = None
        self._logdir = Path(tempfile.mkdtemp(prefix="vemora-e2e-log-"))
        if not os.environ.get("VEMORA_E2E_KEEP"):
            atexit.register(shutil.rmtree, self._logdir, True)  # if kill() is never called
        self._final = ("", "")
        self._stdout = open(self._logdir / "stdout", "wb")
        self._stderr = open(self._logdir / "stderr", "wb")
        run_env = dict(os.environ, DISPLAY=display)
        run_env.update(env or {})
        self.proc = subprocess.Popen(
            [str(self.binary), *args], cwd=self.workdir, env=run_env,
            stdin=subprocess.DEVNULL, stdout=self._stdout, stderr=self._stderr,
            start_new_session=True)

    # ---- lifecycle

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()

    def alive(self):
        return self.proc.poll() is None

    def _window_gone(self, timeout=5.0):
        # The server tears a dead client's windows down a moment after the
        # process is reaped. A program started before that can fail
        # allegro_init() or be handed the same window id, so wait it out.
        if self.window is None or self._window_cleared:
            return
        self._window_cleared = True
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if all(w[0] != self.window for w in _list_windows(self.display)):
                return
            time.sleep(0.02)

    def kill(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        self._window_gone()
        if self._logdir is None:
            return
        # Keep the output readable after the log files are gone.
        self._final = (self.stdout_text(), self.stderr_text())
        for f in (self._stdout, self._stderr):
            f.close()
        if not os.environ.get("VEMORA_E2E_KEEP"):
            shutil.rmtree(self._logdir, ignore_errors=True)
        self._logdir = None

    def wait_exit(self, timeout=5.0):
        """Exit status (negative: killed by that signal)."""
        try:
            status = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("program still running after %.1fs\n%s"
                               % (timeout, self.diagnostics())) from None
        self._window_gone()
        return status

    # ---- output

    def _read(self, f):
        if self._logdir is None:
            return self._final[0 if f is self._stdout else 1]
        f.flush()
        return (self._logdir / Path(f.name).name).read_text(errors="replace")

    def stdout_text(self):
        return self._read(self._stdout)

    def stderr_text(self):
        return self._read(self._stderr)

    def diagnostics(self):
        status = "running" if self.alive() else "exited %s" % self.proc.returncode

        def tail(text):
            return "\n".join(text.splitlines()[-20:]) or "<empty>"
        return ("program %s\n--- stdout (tail)\n%s\n--- stderr (tail)\n%s"
                % (status, tail(self.stdout_text()), tail(self.stderr_text())))

    # ---- waiting

    def wait_until(self, predicate, timeout=5.0, interval=0.02, message="condition"):
        """Like the module-level wait_until, but the timeout message carries the
        program's output, and a program that dies meanwhile fails at once."""
        def check():
            result = predicate()
            if not result and not self.alive():
                raise HarnessError("program exited while waiting for %s\n%s"
                                   % (_describe(message), self.diagnostics()))
            return result
        return wait_until(check, timeout, interval,
                          lambda: "%s\n%s" % (_describe(message), self.diagnostics()))

    def wait_stdout(self, text, timeout=5.0):
        """Wait for a substring (str) or regex (compiled) in stdout; returns the match."""
        def seen():
            out = self.stdout_text()
            if isinstance(text, re.Pattern):
                return text.search(out)
            return text in out and text
        return self.wait_until(seen, timeout, 0.02, "stdout to contain %r"
                               % (getattr(text, "pattern", text),))

    def wait_file(self, path, timeout=5.0, predicate=None):
        """Wait until workdir/path exists (and predicate(Path) holds); returns the Path."""
        p = self.workdir / path
        return self.wait_until(
            lambda: p.exists() and (predicate is None or predicate(p)) and p,
            timeout, 0.05, "file %s" % p)

    # ---- window

    def wait_for_window(self, width=None, height=None, timeout=10.0):
        """Find the program's window and return its absolute origin.

        Allegro maps the window at 0,0 inside its full-screen parent and only
        then centres it, so a candidate must keep its place for a few polls.
        """
        if width is None or height is None:
            width, height = graphres(self.workdir)
        history = []

        def find():
            found = None
            for wid, w, h, ax, ay in _list_windows(self.display):
                if (w, h) == (width, height) and _viewable(self.display, wid):
                    found = (wid, ax, ay)
                    break
            history.append(found)
            recent = history[-STABLE_POLLS:]
            if found and len(recent) == STABLE_POLLS and len(set(recent)) == 1:
                return found
            return None
        self.window, x, y = self.wait_until(
            find, timeout, 0.04, lambda: "a viewable %dx%d window that stays put "
            "(last seen: %s)" % (width, height, history[-1] if history else None))
        self.origin = (x, y)
        self.size = (width, height)
        # Plain (unwrapped) windows only get keys with focus; the wrapped one
        # does not accept focus on every child, so failure here is harmless.
        self._xdo("windowfocus", self.window, check=False)
        self._mouse_ready_at = time.monotonic() + WARP_SETTLE
        return self.origin

    def _need_window(self):
        if self.window is None:
            raise HarnessError("call wait_for_window() first")

    def settle_mouse(self):
        """Hold off the next pointer action until Allegro's relative-mouse spell
        has lapsed; call after input that makes the program position_mouse()."""
        self._mouse_ready_at = time.monotonic() + WARP_SETTLE

    def _need_mouse(self):
        self._need_window()
        delay = self._mouse_ready_at - time.monotonic()
        if delay > 0:
            time.sleep(delay)

    # ---- pixels

    def screenshot(self):
        self._need_window()
        if not self.alive():
            raise HarnessError("no window to grab: the program has ended\n%s" % self.diagnostics())
        try:
            # A grab of a window that vanishes meanwhile never returns.
            r = subprocess.run(["import", "-display", self.display, "-window", self.window,
                                "-depth", "8", "ppm:-"], capture_output=True, timeout=10)
        except subprocess.TimeoutExpired:
            raise HarnessError("screen grab hung\n%s" % self.diagnostics()) from None
        if r.returncode != 0 or not r.stdout:
            raise HarnessError("screen grab failed: %s\n%s"
                               % (r.stderr.decode(errors="replace").strip(),
                                  self.diagnostics()))
        return Image(r.stdout)

    def pixel(self, x, y):
        return self.screenshot().pixel(x, y)

    def wait_image(self, predicate, timeout=5.0, message="screen condition"):
        """Poll screenshots until predicate(Image) is truthy; returns that Image."""
        last = [None]

        def check():
            last[0] = self.screenshot()
            return last[0] if predicate(last[0]) else None
        return self.wait_until(check, timeout, 0.03, message)

    def wait_pixel(self, x, y, rgb, timeout=5.0, tolerance=0):
        rgb = tuple(rgb)
        seen = [None]

        def match(img):
            seen[0] = img.pixel(x, y)
            return all(abs(a - b) <= tolerance for a, b in zip(seen[0], rgb))
        return self.wait_image(match, timeout, lambda: "pixel (%d,%d) == %s, last %s"
                               % (x, y, rgb, seen[0]))

    def wait_pixel_change(self, x, y, old, timeout=5.0):
        """Wait until pixel (x, y) differs from old; returns the new colour."""
        old = tuple(old)
        img = self.wait_image(lambda im: im.pixel(x, y) != old, timeout,
                              "pixel (%d,%d) to change from %s" % (x, y, old))
        return img.pixel(x, y)

    # ---- input

    def _xdo(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], capture_output=True, text=True,
                           env=dict(os.environ, DISPLAY=self.display))
        if check and r.returncode != 0:
            raise HarnessError("xdotool %s failed: %s" % (" ".join(args), r.stderr.strip()))
        return r

    def key(self, *names):
        """Press and release each xdotool keysym in turn ("a", "shift+q", "KP_Home").

        Each key is held for KEY_HOLD, modifiers around it, so a program that
        polls key[] or reads key_shifts when it gets round to the key still
        sees them down.
        """
        self._need_window()
        for name in names:
            parts = name.split("+")
            self._xdo("keydown", "--delay", "0", *parts)
            time.sleep(KEY_HOLD)
            self._xdo("keyup", "--delay", "0", *reversed(parts))
            time.sleep(SETTLE)

    def type_keys(self, *names, delay_ms=KEY_DELAY_MS):
        """Quick taps in one xdotool call: fine for programs reading keys
        through readkey(), which buffers them; modifiers are up again almost at once."""
        self._need_window()
        self._xdo("key", "--delay", str(delay_ms), *names)
        time.sleep(SETTLE)

    def key_down(self, name):
        self._need_window()
        self._xdo("keydown", name)
        time.sleep(SETTLE)

    def key_up(self, name):
        self._need_window()
        self._xdo("keyup", name)
        time.sleep(SETTLE)

    def pointer(self):
        """Where X has the pointer, in window coordinates."""
        out = self._xdo("getmouselocation", "--shell").stdout
        pos = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(pos["X"]) - self.origin[0], int(pos["Y"]) - self.origin[1]

    def move(self, x, y):
        if not (0 <= x < self.size[0] and 0 <= y < self.size[1]):
            # Allegro only sees motion inside its window; outside, mouse_x
            # and mouse_y keep their last in-window values.
            raise HarnessError("(%d,%d) is outside the %dx%d window" % (x, y, *self.size))
        self._need_mouse()
        for attempt in range(2):
            # No --sync: it hangs ~15 s when the pointer is already there.
            # The move is done once xdotool's connection has closed.
            self._xdo("mousemove", str(self.origin[0] + x), str(self.origin[1] + y))
            time.sleep(SETTLE)
            if self.pointer() == (x, y):
                return
            # Allegro pulled the pointer back to the window centre: it is in
            # its relative-mouse mode (after position_mouse() or
            # get_mouse_mickeys()). Let that lapse, then move again, which
            # resynchronises mouse_x/mouse_y with the pointer.
            time.sleep(WARP_SETTLE)
        raise HarnessError("pointer will not stay at (%d,%d), now at %s; the program "
                           "keeps Allegro in relative-mouse mode (get_mouse_mickeys or "
                           "position_mouse called repeatedly?)\n%s"
                           % (x, y, self.pointer(), self.diagnostics()))

    def down(self, button=1):
        self._need_mouse()
        self._xdo("mousedown", str(button))
        time.sleep(SETTLE)

    def up(self, button=1):
        self._need_mouse()
        self._xdo("mouseup", str(button))
        time.sleep(SETTLE)

    def click(self, button=1, x=None, y=None):
        if x is not None:
            self.move(x, y)
        self.down(button)
        time.sleep(max(0.0, HOLD - SETTLE))
        self.up(button)

    def drag(self, button, start, end, steps=8):
        """Press at start, move in steps to end, release there."""
        self.move(*start)
        self.down(button)
        time.sleep(max(0.0, HOLD - SETTLE))
        (x0, y0), (x1, y1) = start, end
        for i in range(1, steps + 1):
            self.move(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps))
        time.sleep(max(0.0, HOLD - SETTLE))
        self.up(button)


# ------------------------------------------------------------- fixtures

def scratch_demo(bdir=None):
    """Fresh temp copy of examples/demo plus the built fonts.dat; returns its Path."""
    bdir = Path(bdir or build_dir())
    fonts = bdir / "fonts.dat"
    if not fonts.exists():
        raise HarnessError("fonts.dat not built: %s" % fonts)
    # Leave out what a local run may have left in the demo directory: the
    # font file (the build's is used) and the output trace of the editor.
    skip = {"fonts.dat", _cfg_value(DEMO_DIR, "OUTFILE") or "trace_new.txt"}
    root = Path(tempfile.mkdtemp(prefix="vemora-e2e-"))
    work = root / "demo"
    shutil.copytree(DEMO_DIR, work, ignore=lambda d, names: [n for n in names if n in skip])
    shutil.copy2(fonts, work / "fonts.dat")
    if not os.environ.get("VEMORA_E2E_KEEP"):
        atexit.register(shutil.rmtree, root, True)
    return work


def xmessage_stub(workdir):
    """A stand-in for `xmessage`, which allegro_message() runs under X11 and
    which would block until dismissed. Returns (env, log): pass env to
    Session; each call appends its arguments, space-separated, as one line
    to log (e.g. "-buttons OK:101 -default OK -center Error loading fonts").
    The stub lives beside workdir, not in it."""
    bindir = Path(tempfile.mkdtemp(prefix="xmessage-", dir=Path(workdir).parent))
    log = bindir / "calls.log"
    stub = bindir / "xmessage"
    stub.write_text('#!/bin/sh\necho "$*" >> "%s"\nexit 0\n' % log)
    stub.chmod(0o755)
    env = {"PATH": "%s%s%s" % (bindir, os.pathsep, os.environ.get("PATH", ""))}
    return env, log


class VemoraTestCase(unittest.TestCase):
    """One Xvfb per test class; start() gives a running session with its window found."""

    xvfb = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.xvfb = Xvfb().start()

    @classmethod
    def tearDownClass(cls):
        if cls.xvfb:
            cls.xvfb.stop()
            cls.xvfb = None
        super().tearDownClass()

    def start(self, workdir=None, size=None, args=(), timeout=10.0):
        workdir = workdir or scratch_demo()
        session = Session(workdir, self.xvfb.display, args=args)
        self.addCleanup(session.kill)
        session.wait_for_window(*(size or (None, None)), timeout=timeout)
        return session
