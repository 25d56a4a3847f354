"""Undo and redo (keys u and r), the window title and close button, and vemora-check's fix
compared with the editor's."""
import ctypes
import re
import subprocess

import harness
from common import CYAN, REST, Track, join, save, shown, text_right, trace_lengths
from harness import LEFT



def title(s):
    """WM_NAME of the program's top-level window."""
    env = {"DISPLAY": s.display}
    wid = subprocess.run(["xdotool", "search", "--classname", "allegro"], capture_output=True, text=True,
                         env=env).stdout.split()[0]
    out = subprocess.run(["xprop", "-id", wid, "WM_NAME"], capture_output=True, text=True, env=env).stdout
    return int(wid), (re.findall(r'= "(.*)"', out) or [None])[0]


def close(s):
    """Sends WM_DELETE_WINDOW, as a window manager does for the close button."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype, x.XOpenDisplay.argtypes = ctypes.c_void_p, [ctypes.c_char_p]
    x.XInternAtom.restype, x.XInternAtom.argtypes = ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):  # padded to the size of an XEvent
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
    d = x.XOpenDisplay(s.display.encode())
    wid = title(s)[0]
    ev = ClientMessage(type=33, window=wid, message_type=x.XInternAtom(d, b"WM_PROTOCOLS", 0), format=32)
    ev.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(d, wid, 0, 0, ctypes.byref(ev))
    x.XCloseDisplay(d)  # flushes


def says(s, key, text):
    """Presses key and waits for the message text at row 10 (by its width: 8 pixels a character)
    to come and go; "#" stands for any number."""
    lo, hi = (len(text.replace("#", d)) for d in ("1", "999"))
    s.key(key)
    shown(s, lambda im: 8 * lo - 4 <= text_right(im, 10) < 8 * hi + 4, repr(text))


class DesktopTest(harness.VemoraTestCase):

    def wait_title(self, s, want):
        s.wait_until(lambda: title(s)[1] == want, 5, message=lambda: "title %r, is %r" % (want, title(s)[1]))

    def edit(self, s, x):
        """Selects the section whose start is nearest column x (not the one selected) and moves
        its start height and gradient."""
        s.click(LEFT, x, 330)
        s.move(*REST)
        s.wait_image(lambda im: any(im.count(CYAN, (c, 168, c + 1, 457)) > 200 for c in range(x - 4, x + 5)),
                     10, "a section near column %d selected" % x)
        s.drag(LEFT, (x, 330), (x, 260))
        s.wait_image(lambda im: text_right(im, 40) > 80, 10, "the gradient prompts")
        s.click(LEFT, x + 45, 215)
        s.move(*REST)
        s.wait_image(lambda im: text_right(im, 40) < 0, 10, "the edit applied")

    def test_undo_redo_title_and_close(self):
        work = harness.scratch_demo()
        original = (work / "trace.txt").read_bytes()
        track = Track(work / "trace.txt")
        lengths = trace_lengths(track, work)
        joins = sum(any(join(track, lengths, sec, t)) for sec in range(track.sections) for t in range(track.traces))
        s = self.start(work)
        s.move(*REST)
        self.wait_title(s, "Vemora - trace_new.txt")
        self.edit(s, 300)
        self.wait_title(s, "Vemora - trace_new.txt *")
        close(s)  # unsaved: the warning instead of quitting
        shown(s, lambda im: 140 < text_right(im, 10) < 160 and text_right(im, 30) > 100, "'Data are not saved!'")
        self.assertTrue(s.alive())
        s.key("f")
        shown(s, lambda im: text_right(im, 20) > 0, "the report of the fix")
        save(s)
        self.wait_title(s, "Vemora - trace_new.txt")
        fixed = (work / "trace_new.txt").read_bytes()
        self.assertNotIn(fixed, (original, b""))

        says(s, "u", "Undone: fix of %d joins" % joins)
        says(s, "u", "Undone: edit of section #")
        self.wait_title(s, "Vemora - trace_new.txt *")
        says(s, "u", "Nothing to undo")
        save(s)
        self.assertEqual((work / "trace_new.txt").read_bytes(), original, "edit, fix, u, u, w")
        says(s, "r", "Redone: edit of section #")
        says(s, "r", "Redone: fix of %d joins" % joins)
        says(s, "r", "Nothing to redo")
        save(s)
        self.assertEqual((work / "trace_new.txt").read_bytes(), fixed, "r, r, w")
        # Undoing a new edit comes back to the state saved: q quits at once.
        self.edit(s, 400)
        self.wait_title(s, "Vemora - trace_new.txt *")
        says(s, "u", "Undone: edit of section #")
        self.wait_title(s, "Vemora - trace_new.txt")
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0)

    def test_check_tool_fixes_as_the_editor_and_close_quits(self):
        tool, editor = harness.scratch_demo(), harness.scratch_demo()
        run = subprocess.run([str(harness.build_dir() / "vemora-check"), "--fix"], cwd=tool, capture_output=True,
                             text=True, env={"PATH": "/usr/bin:/bin"})
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        s = self.start(editor)
        s.move(*REST)
        s.key("f")
        shown(s, lambda im: text_right(im, 20) > 0, "the report of the fix")
        save(s)
        self.assertEqual((editor / "trace_new.txt").read_bytes(), (tool / "trace_new.txt").read_bytes())
        close(s)  # nothing unsaved: it ends
        self.assertEqual(s.wait_exit(10), 0)
