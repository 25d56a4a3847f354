"""Mouse edits of heights and gradients (predicted through a model of the mapping), rectangle zoom."""
import itertools

import harness
from common import BLUE, CYAN, REST, U, YELLOW, Track, f32, q_warns, raw, save, shown, text_right
from harness import LEFT, RIGHT

CENTRE = 3  # the centre line's trace, along which distances run


class Profile:
    """The profile's mapping for sections first..last at 640x480: left 32, width 576, bottom 456, height -288."""

    def __init__(self, track, first, last, bottom, top):
        starts = list(itertools.accumulate([0] + track.length))
        self.starts = [f32(d / U) for d in starts]
        self.dmin, self.dmax = self.starts[first], f32(int(starts[last] + 15 / 16 * track.length[last]) / U)
        self.amin, self.amax = bottom, top

    def distance(self, x):
        return self.dmin + (self.dmax - self.dmin) * ((x - 32) / 576.0)

    def height(self, y):
        return self.amin + (self.amax - self.amin) * ((y - 456) / -288.0)

    def row(self, h):
        return int((h - self.amin) / (self.amax - self.amin) * -288 + 456)

    def column(self, s):
        return int((self.starts[s] - self.dmin) / (self.dmax - self.dmin) * 576 + 32)

    def nearest(self, x):
        return min(range(len(self.starts) - 1), key=lambda i: f32(abs(f32(self.distance(x)) - self.starts[i])))


def edited(track, s, h, g):
    """The track after an edit of the centre line at the start of section s (0 < s < last)."""
    p, c = s - 1, CENTRE
    a, b = track.points[p][c][:2]
    L, D = track.length[p], h * U - a
    p_new = (a, b, int(3 * D - g * L - 2 * b), int(g * L - 2 * D + b))
    L, A, gn = track.length[s], int(h * U), track.points[s + 1][c][1] / track.length[s + 1]
    B, E = int(g * L), track.points[s + 1][c][0] - A
    s_new = (A, B, int(3 * E - gn * L - 2 * B), int(gn * L - 2 * E + B))
    points = [list(row) for row in track.points]
    for section, new in ((p, p_new), (s, s_new)):
        old = track.points[section][c]
        points[section][:track.traces] = [tuple(v + n - o for v, n, o in zip(tp, new, old))
                                          for tp in points[section][:track.traces]]
    return points


def view_of(im):  # the screen but the status line, which a gesture leaves off when the row is unchanged
    return raw(im, (0, 0, 640, 58), (0, 70, 640, 480))


def hits(im, x, rgb=CYAN):
    return im.count(rgb, (x, 168, x + 1, 457))


class EditingTest(harness.VemoraTestCase):

    def setUp(self):
        self.work = harness.scratch_demo()
        self.s = self.start(self.work)
        self.track = Track(self.work / "trace.txt")
        heights = [tp[0] for row in self.track.points for tp in row[:self.track.traces]]
        self.view = Profile(self.track, 0, self.track.sections - 1,
                            float(int(min(heights) / U) - 1), float(int(max(heights) / U) + 1))

    def select(self, section):
        x = self.view.column(section)
        self.assertEqual(self.view.nearest(x), section, "model: column %d does not pick %d" % (x, section))
        self.s.click(LEFT, x, 330)
        self.s.move(*REST)
        self.s.wait_image(lambda im: hits(im, x) > 200 and hits(im, 32) == 0, 10, "section %d selected" % section)
        return x

    def edit(self, x, y, button, dx, gy):
        """Drags the height of the selected section at column x to row y, then clicks button at (x + dx, gy)."""
        self.s.drag(LEFT, (x, 330), (x + 60, y))  # only the row counts
        self.s.wait_image(lambda im: all(text_right(im, r) > 80 for r in (10, 20, 30, 40)) and text_right(im, 10) < 130,
                          10, "'New height set!' and the gradient prompts")
        self.s.click(button, x + dx, gy)
        self.s.move(*REST)
        if button == LEFT:
            self.s.wait_image(lambda im: text_right(im, 40) < 0, 10, "the gradient prompts gone")

    def test_edit_cancel_save_and_quit(self):
        s, track, view = self.s, self.track, self.view
        # A right click while the gradient is defined cancels the edit and starts no zoom.
        x = self.select(100)
        before, row30 = view_of(s.screenshot()), []
        self.edit(x, 230, RIGHT, 50, 200)
        s.wait_image(lambda im: row30.append(text_right(im, 30)) or view_of(im) == before, 10, "cancelled edit")
        self.assertLess(max(row30), 150, "the cancelling click started a zoom")
        # A height and a gradient move the centre line and every trace with it.
        sec, y, gy = 75, 260, 215
        self.edit(self.select(sec), y, LEFT, 45, gy)
        save(s)
        h = f32(view.height(y))
        dx, dy = f32(view.distance(view.column(sec) + 45) - view.starts[sec]), f32(view.height(gy) - h)
        written = Track(self.work / "trace_new.txt")
        self.assertEqual(written.length, track.length)
        self.assertEqual(written.points, edited(track, sec, h, dy / dx), "h=%r dx=%r dy=%r" % (h, dx, dy))
        # After another edit q warns and writes nothing, shift-Q quits.
        self.edit(self.select(100), 250, LEFT, 50, 200)
        q_warns(self, s)
        self.assertEqual(Track(self.work / "trace_new.txt").points, written.points, "q saved")
        s.key("shift+q")
        self.assertEqual(s.wait_exit(10), 0)

    def test_rectangle_zoom(self):
        s, track, view = self.s, self.track, self.view
        self.select(view.nearest(60))
        full = view_of(s.screenshot())
        s.click(RIGHT, 200, 300)  # a click without movement is refused
        refused = shown(s, lambda im: text_right(im, 30) > 200, "'Section zoom range too small!'", 30)
        self.assertGreater(text_right(refused, 10), 150, "'First zoom corner set!'")
        s.move(*REST)
        s.wait_image(lambda im: view_of(im) == full, 10, "view unchanged after a click")
        corners = (300, 200), (450, 400)
        first, last = view.nearest(300), view.nearest(450)
        zoomed = Profile(track, first, last, f32(view.height(400)), f32(view.height(200)))
        s.drag(RIGHT, *corners)
        s.move(*REST)
        forward = s.wait_image(lambda im: hits(im, 32) > 200, 10, "selection pulled to the first section %d" % first)
        for sec in (first + 1, last):
            self.assertGreater(hits(forward, zoomed.column(sec), BLUE), 150, "section line %d" % sec)
        # The yellow centre line passes through each section's start height (a white
        # altitude mark may hide one or two).
        starts = [(zoomed.column(sec), zoomed.row(f32(track.points[sec][CENTRE][0] / U)))
                  for sec in range(first + 1, last + 1)]
        starts = [(x, y) for x, y in starts if 170 <= y <= 454]
        self.assertGreater(len(starts), 10)
        self.assertLessEqual(sum(not forward.count(YELLOW, (x - 1, y - 1, x + 2, y + 2)) for x, y in starts), 2)
        # The reverse drag gives the same view; a selection after the range is pulled in.
        s.key("z")
        s.wait_image(lambda im: hits(im, view.column(first)) > 200, 10, "whole track")
        s.drag(RIGHT, *reversed(corners))
        s.move(*REST)
        s.wait_image(lambda im: view_of(im) == view_of(forward), 10, "same view from the reverse drag")
        s.key("z")
        self.select(view.nearest(590))
        s.drag(RIGHT, *corners)
        s.move(*REST)
        s.wait_image(lambda im: hits(im, zoomed.column(last)) > 150, 10, "selection pulled to section %d" % last)
