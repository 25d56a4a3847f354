"""Shared by the end-to-end tests: trace data files and their joins, and waits on the screen."""
import atexit
import shutil
import struct
import tempfile
from pathlib import Path

U = 19685.0  # track units per metre
WHITE, GREY, RED, YELLOW = (255, 255, 255), (211, 211, 211), (255, 0, 0), (255, 255, 0)
BLUE, CYAN = (0, 0, 255), (224, 255, 255)
REST = (625, 300)  # right of the panels: the pointer hides nothing looked at


def f32(x):
    """Rounds to single precision, as the editor stores floats."""
    return struct.unpack("f", struct.pack("f", x))[0]


class Track:
    """A trace data file: length[section], points[section][trace] = (height, slope, quad, cubic)."""

    def __init__(self, path):
        words = Path(path).read_text().replace(",", " ").split()
        self.sections, self.traces = int(words[0]), int(words[1])
        self.length = [int(words[pos + 1]) for pos in range(82, 82 * (self.sections + 1), 82)]
        self.points = [[tuple(int(words[pos + 2 + 5 * t + k]) for k in (0, 3, 2, 1)) for t in range(16)]
                       for pos in range(82, 82 * (self.sections + 1), 82)]


def trace_lengths(track, work):
    """Per section and trace lengths, from the geometry files beside the track."""
    offsets = [f32(float(w)) for w in (work / "tracepos.txt").read_text().split()[:track.traces]]
    radii = [f32(float(w)) for w in (work / "radius.txt").read_text().split()[1:2 * track.sections:2]]
    return [[L if R in (0.0, o) or not (R - o) / R * L >= 1.0 else int((R - o) / R * L) for o in offsets]
            for L, R in zip(track.length, radii)]


def join(track, lengths, s, t):
    """(height gap, gradient break) after section s on trace t."""
    n = (s + 1) % track.sections
    h, b, q, c = track.points[s][t]
    gradients = (b + 2 * q + 3 * c) / lengths[s][t], track.points[n][t][1] / lengths[n][t]
    return abs(h + b + q + c - track.points[n][t][0]) > 1, abs(gradients[0] - gradients[1]) > f32(0.0001)


def faulty_joins(track, lengths):
    """Sections whose end has a height gap on some trace, and those with a gradient break."""
    joins = [[join(track, lengths, s, t) for t in range(track.traces)] for s in range(track.sections)]
    return tuple([s for s, row in enumerate(joins) if any(j[k] for j in row)] for k in (0, 1))


GRAB = Path(tempfile.mkdtemp(prefix="vemora-grab-")) / "grab.ppm"
atexit.register(shutil.rmtree, GRAB.parent, True)


def raw(im, *boxes):
    """The pixels of the boxes (x0, y0, x1, y1; default the whole grab) as bytes."""
    im.save(GRAB)
    ppm = GRAB.read_bytes()
    w, h = map(int, ppm.split(maxsplit=3)[1:3])
    data = ppm[len(ppm) - 3 * w * h:]
    return b"".join(data[3 * (w * y + x0):3 * (w * y + min(x1, w))]
                    for x0, y0, x1, y1 in boxes or [(0, 0, w, h)] for y in range(y0, min(y1, h)))


def steady(s, pred=lambda im: True, message="a steady screen", timeout=10):
    """A grab once pred holds and two grabs in a row agree: a frame reaches the X server in pieces."""
    last = [None]

    def check(im):
        before, last[0] = last[0], raw(im)
        return before == last[0] and pred(im)
    return s.wait_image(check, timeout, message)


def same(s, ref, what, *boxes):
    want = raw(ref, *boxes)
    return s.wait_image(lambda im: raw(im, *boxes) == want, 10, "the view as before " + what)


def text_right(im, y, x0=0, x1=318):
    """Rightmost white column of the text line at row y (8 rows), or -1."""
    return max((x for x in range(x0, x1) if im.count(WHITE, (x, y, x + 1, y + 8))), default=-1)


def shown(s, pred, what, row=10):
    """The grab where a message shows (pred), once the message in that row has gone again."""
    im = s.wait_image(pred, 10, what)
    s.wait_image(lambda im: text_right(im, row) < 0, 10, what + " gone")
    return im


def save(s):
    s.key("w")
    shown(s, lambda im: text_right(im, 10) > 280, "'Saving trace data to >trace_new.txt<'")


def q_warns(test, s):
    s.key("q")
    im = shown(s, lambda im: 140 < text_right(im, 10) < 160, "'Data are not saved!'")
    test.assertTrue(s.alive(), "q quit with unsaved data")
    test.assertTrue(text_right(im, 20) > 80 and text_right(im, 30) > 100, "'Press shift Q to quit', 'Press w to save'")
