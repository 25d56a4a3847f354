"""The editor as a desktop program: its title and close button, undo and redo down to the file on
disk, no emergency exit, and vemora-check's fix against the editor's."""
import ctypes, re, subprocess, unittest

from harness import BUILD, LEFT, Vemora, demo, display, x
from test_mouse import REST, WHITE, edit, no_message


def top_window():
    """The program's top-level window, which carries the title and takes the close request."""
    return int(x("xdotool", "search", "--classname", "allegro").split()[0])


def title():
    return (re.findall(r'= "(.*)"', x("xprop", "-id", str(top_window()), "WM_NAME")) or [None])[0]


def close():
    """Sends WM_DELETE_WINDOW, as a window manager does for the close button."""
    xl = ctypes.CDLL("libX11.so.6")
    xl.XOpenDisplay.restype, xl.XOpenDisplay.argtypes = ctypes.c_void_p, [ctypes.c_char_p]
    xl.XInternAtom.restype, xl.XInternAtom.argtypes = ctypes.c_ulong, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xl.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    xl.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):  # padded to the size of an XEvent
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
    d, wid = xl.XOpenDisplay(display().encode()), top_window()
    event = ClientMessage(type=33, window=wid, message_type=xl.XInternAtom(d, b"WM_PROTOCOLS", 0), format=32)
    event.data[0] = xl.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    xl.XSendEvent(d, wid, 0, 0, ctypes.byref(event))
    xl.XCloseDisplay(d)  # flushes


def says(v, key, text):
    """Presses key and waits for text at row 10, told by its width (8 pixels a character, "#" any number), to go."""
    lo, hi = (8 * len(text.replace("#", digits)) for digits in ("1", "9999"))
    v.key(key)
    right = lambda g: max((i for i in range(320) if WHITE in g.box(i, 10, i + 1, 18)), default=0)  # text at x = 4
    v.wait_grab(lambda g: lo - 8 <= right(g) - 4 < hi, repr(text))
    no_message(v)


class DesktopTest(unittest.TestCase):

    def test_title_close_undo_redo_and_no_emergency_exit(self):
        with Vemora() as v:
            v.move(*REST)
            v.wait_like("whole")
            named = lambda want: v.wait(lambda: title() == want, "the title %r" % want)
            named("Vemora - trace_new.txt")
            original, saved = (v.work / "trace.txt").read_bytes(), v.work / "trace_new.txt"
            edit(v, LEFT)
            named("Vemora - trace_new.txt *")
            close()  # unsaved: the warning instead of quitting
            v.wait_like("unsaved", (0, 0, 320, 58))
            no_message(v)
            v.key("f")
            no_message(v)
            v.key("ctrl+alt+End", "q")  # the library's emergency exit is off: still running, still unsaved
            v.wait_like("unsaved", (0, 0, 320, 58))
            no_message(v)
            v.key("w")
            named("Vemora - trace_new.txt")
            fixed = saved.read_bytes()
            says(v, "u", "Undone: fix of # joins")
            says(v, "u", "Undone: edit of section #")
            named("Vemora - trace_new.txt *")
            says(v, "u", "Nothing to undo")
            v.key("w")
            named("Vemora - trace_new.txt")
            self.assertEqual(saved.read_bytes(), original, "edit, f, u, u, w")
            says(v, "r", "Redone: edit of section #")
            says(v, "r", "Redone: fix of # joins")
            says(v, "r", "Nothing to redo")
            v.key("w")
            named("Vemora - trace_new.txt")
            self.assertEqual(saved.read_bytes(), fixed, "r, r, w")
            edit(v, LEFT, select=False)  # undone back to the state saved: q quits at once
            says(v, "u", "Undone: edit of section #")
            named("Vemora - trace_new.txt")
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)

    def test_check_tool_fixes_as_the_editor_and_close_quits(self):
        tool = demo()
        run = subprocess.run([str(BUILD / "vemora-check"), "--fix"], cwd=tool, capture_output=True, text=True,
                             env={"PATH": "/usr/bin:/bin"})  # no display
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        with Vemora() as v:
            v.move(*REST)
            v.wait_like("whole")
            v.key("f")
            no_message(v)
            v.key("w")
            v.wait(lambda: title() == "Vemora - trace_new.txt", "the file saved")
            self.assertEqual((v.work / "trace_new.txt").read_bytes(), (tool / "trace_new.txt").read_bytes())
            close()  # nothing unsaved: it ends
            self.assertEqual(v.wait_exit(), 0)
