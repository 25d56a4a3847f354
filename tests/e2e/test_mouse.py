"""The mouse gestures on the real window, against the golden images of the unit tests: the
rectangle zoom, and a height and gradient edit that is saved, read again, cancelled or left unsaved."""
import unittest

from harness import LEFT, RIGHT, Vemora

REST = (630, 240)  # right of the panels, on the row where the pointer starts
CYAN, WHITE = b"\xe0\xff\xff", b"\xff\xff\xff"
MESSAGES = (4, 10, 300, 48)


def no_message(v):
    """Waits until the rows of prompts and messages are empty: the program reads input again."""
    v.wait_grab(lambda g: WHITE not in g.box(*MESSAGES), "the prompts and messages to go")


def edit(v, button, select=True):
    """At column 400: selects the section there, drags its start to row 260 and presses button
    at (445, 215) to set the gradient; returns the screen with the section selected."""
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


class MouseTest(unittest.TestCase):

    def test_rectangle_zoom(self):
        with Vemora() as v:
            v.move(*REST)
            v.wait_like("whole")
            # z shows the whole track again, where the reverse drag gives the same view.
            for corners in (((300, 200), (450, 400)), ((450, 400), (300, 200))):
                v.drag(RIGHT, *corners)
                v.move(*REST)
                v.wait_like("zoomed")
                v.key("z")

    def test_edit_saved_read_again_cancelled_and_unsaved(self):
        with Vemora() as v:
            v.move(*REST)
            v.wait_like("whole")
            # A right click while the gradient is defined cancels the edit; the next one is made.
            v.wait_like(edit(v, RIGHT), (0, 70, 620, 480), "the view as before the cancelled edit")
            edit(v, LEFT, select=False)
            v.wait_like("edited")
            v.key("w")
            saved = v.work / "trace_new.txt"
            v.wait(saved.exists, "the saved file")
            no_message(v)
            # After another edit q keeps the program and the file as they are; shift-Q quits.
            written = saved.read_bytes()
            edit(v, LEFT, select=False)
            v.key("q")
            v.wait_like("unsaved", (0, 0, 320, 58))
            no_message(v)  # shift must be down when the key is read
            v.key("shift+q")
            self.assertEqual(v.wait_exit(), 0)
            self.assertEqual(saved.read_bytes(), written)
        saved.replace(v.work / "trace.txt")
        with Vemora(v.work) as v:  # the saved edit, read again
            v.wait_grab(lambda g: g.pixel(31, 300) == b"\xd3\xd3\xd3", "the first frame", steady=True)
            v.drag(LEFT, (400, 330))
            v.move(*REST)
            v.wait_like("edited")
