"""The mouse edit, the title, undo and redo down to the file on disk, no emergency exit."""
import unittest

from harness import LEFT, RIGHT, Vemora

REST, CYAN, WHITE, MESSAGES = (630, 240), b"\xe0\xff\xff", b"\xff\xff\xff", (4, 10, 300, 48)


def no_message(v):  # the program reads input again
    v.wait_grab(lambda g: WHITE not in g.box(*MESSAGES), "the prompts and messages to go")


def edit(v, button, select=True):
    """Selects the section at column 400, drags its start to row 260, presses button at (445, 215) for the gradient."""
    if select:
        v.drag(LEFT, (400, 330))
        v.move(*REST)
    selected = v.wait_grab(lambda g: CYAN in g.box(390, 250, 411, 251) and CYAN not in g.box(32, 250, 33, 251),
                           "the section at column 400 selected", steady=True)
    v.drag(LEFT, (400, 330), (460, 260))
    v.wait_grab(lambda g: g.box(*MESSAGES).count(WHITE) > 300 and sum(  # a white circle at the new height, and the
        g.pixel(i, j) == WHITE for i in range(394, 407) for j in (257, 258, 260, 261)) >= 8 and  # gradient line through
                g.box(340, 259, 390, 260).count(WHITE) >= 20, "the gradient prompts and the new height")  # it and back
    v.drag(button, (445, 215))
    v.move(*REST)
    no_message(v)
    return selected


def says(v, key, text):
    """Presses key and waits for text at (4, 10), told by its width (8 pixels a character, "#" any number), to go."""
    lo, hi = (8 * len(text.replace("#", digits)) for digits in ("1", "9999"))
    v.key(key)
    right = lambda g: max((i for i in range(320) if WHITE in g.box(i, 10, i + 1, 18)), default=0)
    v.wait_grab(lambda g: lo - 8 <= right(g) - 4 < hi, repr(text))
    no_message(v)


class DesktopTest(unittest.TestCase):

    def test_edit_title_undo_redo_and_no_emergency_exit(self):
        with Vemora() as v:
            v.move(*REST)
            v.wait_like("whole")
            named = lambda want: v.wait(lambda: v.title() == want, "the title %r" % want)
            named("Vemora - trace_new.txt")
            original, saved = (v.work / "trace.txt").read_bytes(), v.work / "trace_new.txt"
            # a right click while the gradient is defined cancels the edit
            v.wait_like(edit(v, RIGHT), (0, 70, 620, 480), "the view as before the cancelled edit")
            edit(v, LEFT, select=False)
            v.wait_like("edited")
            named("Vemora - trace_new.txt *")
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
