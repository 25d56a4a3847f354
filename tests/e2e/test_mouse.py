"""The mouse gestures on the real window: the rectangle zoom, and height and gradient edits
written to the real file."""
import struct
import unittest
from itertools import accumulate

from harness import LEFT, RIGHT, Vemora

U = 19685.0
CENTRE = 3  # the demo's centre line; it has offset 0, so its lengths are the section lengths
REST = (630, 240)
WHITE = (255, 255, 255)
PROMPTS = (4, 10, 200, 48)


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def points(path):
    """The trace data file as [section][trace] = (height, slope, quad, cubic), and the section lengths."""
    words = path.read_text().replace(",", " ").split()
    blocks = [words[at:at + 82] for at in range(82, 82 * (int(words[0]) + 1), 82)]
    return [[tuple(int(b[2 + 5 * t + k]) for k in (0, 3, 2, 1)) for t in range(16)] for b in blocks], \
        [int(b[1]) for b in blocks]


def no_message(v):
    """Waits until the rows of prompts and messages are empty: the program reads input again."""
    v.wait_grab(lambda g: bytes(WHITE) not in g.box(*PROMPTS), "the prompts and messages to go")


class Profile:
    """The profile's mapping at 640 x 480 with the whole demo shown, as the editor computes it."""

    def __init__(self, heights, lengths):
        starts = list(accumulate([0] + lengths))
        self.starts = [f32(d / U) for d in starts]
        self.dmax = f32(int(starts[-2] + 15 / 16 * lengths[-1]) / U)
        self.low = float(int(min(heights) / U) - 1)
        self.high = float(int(max(heights) / U) + 1)

    def distance(self, x):
        return self.dmax * ((x - 32) / 576.0)

    def height(self, y):
        return self.low + (self.high - self.low) * ((y - 456) / -288.0)

    def column(self, section):
        return int(self.starts[section] / self.dmax * 576 + 32)


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

    def edit(self, v, section, y, button, gradient_at):
        """Selects the section, drags its start height to row y and clicks button at gradient_at;
        returns the screen with the section selected."""
        x = self.view.column(section)
        v.drag(LEFT, (x, 330))
        v.move(*REST)
        selected = v.wait_grab(lambda g: g.pixel(x, 250) == (224, 255, 255), "section %d selected" % section)
        v.drag(LEFT, (x, 330), (x + 60, y))
        v.wait_grab(lambda g: g.box(*PROMPTS).count(bytes(WHITE)) > 300 and
                    g.box(x - 3, y - 4, x + 4, y + 4).count(bytes(WHITE)) >= 6, "the prompts and the new height")
        v.drag(button, gradient_at)
        v.move(*REST)
        no_message(v)
        return selected

    def test_edits_saved_cancelled_and_unsaved(self):
        with Vemora() as v:
            before, lengths = points(v.work / "trace.txt")
            self.view = Profile([p[0] for row in before for p in row[:7]], lengths)
            v.move(*REST)
            v.wait_like("whole")
            # A right click while the gradient is defined cancels the edit.
            selected = self.edit(v, 100, 230, RIGHT, (450, 200))
            v.wait_like(selected, (0, 70, 620, 480), "the view as before")
            # A height and a gradient move the centre line, and every trace with it, at the start of s.
            s, y, gx, gy = 75, 260, self.view.column(75) + 45, 215
            self.edit(v, s, y, LEFT, (gx, gy))
            v.key("w")
            saved = v.wait(lambda: (v.work / "trace_new.txt").exists() and points(v.work / "trace_new.txt")[0],
                           "the saved file")
            no_message(v)
            h = f32(self.view.height(y))
            g = f32(self.view.height(gy) - h) / f32(self.view.distance(gx) - self.view.starts[s])
            self.assertEqual([i for i in range(len(before)) if saved[i] != before[i]], [s - 1, s])
            self.assertEqual(saved[s][CENTRE][:2], (int(h * U), int(g * lengths[s])))
            for i in (s - 1, s):
                moved = {tuple(a - b for a, b in zip(saved[i][t], before[i][t])) for t in range(7)}
                self.assertEqual(len(moved), 1, "traces of section %d moved alike" % i)
            # After another edit q keeps the program and the file as they are; shift-Q quits.
            self.edit(v, 100, 250, LEFT, (450, 200))
            v.key("q")
            v.wait_like("unsaved", (0, 0, 320, 58))
            no_message(v)  # shift must be down when the key is read
            self.assertEqual(points(v.work / "trace_new.txt")[0], saved)
            v.key("shift+q")
            self.assertEqual(v.wait_exit(), 0)
