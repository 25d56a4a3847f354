"""Keys s and l on the real program: the keypad narrows the stretch to the straight sections 141 to 149 (up to
the wrap-around slot), s twice and l with the centre line selected, and the saved file holds what the formulas
give, worked out here from the file read."""
import unittest

from harness import Vemora, title
from test_desktop import says

REST, CENTRE, TRACES = (630, 240), 3, 7


def read(path):
    """Section lengths and each section's records per trace slot as [height, slope, quad, cubic]."""
    w = path.read_text().split()
    at = [82 + 82 * s for s in range(int(w[0]))]  # a section: number, length, 16 x (height cubic quad slope 0.0)
    return [int(w[a + 1]) for a in at], [[[int(w[a + 2 + 5 * t + f]) for f in (0, 3, 2, 1)] for t in range(16)]
                                         for a in at]


def press(lengths, rec, i, j, smooth):
    """One press over sections i to j, every trace changed as the centre line; on straight sections every trace
    is as long as its section. Boundary c is the start of section j + 1, the wrap-around slot (section 0)."""
    c, n, t = j - i + 1, len(lengths), CENTRE
    L = [lengths[k % n] for k in range(i, j + 2)]
    x = [float(sum(L[:a])) for a in range(c + 1)]
    H = [rec[k % n][t][0] for k in range(i, j + 2)]
    G = [rec[k % n][t][1] / L[a] for a, k in enumerate(range(i, j + 2))]
    X, h, g = x[c], H[:], G[:]
    for a in range(1, c):
        v = x[a] / X
        v2 = v * v
        v3 = v2 * v
        if smooth:
            h[a] = 0.25 * H[a - 1] + 0.5 * H[a] + 0.25 * H[a + 1]
            continue
        h[a] = (2 * v3 - 3 * v2 + 1) * H[0] + (v3 - 2 * v2 + v) * X * G[0] + (-2 * v3 + 3 * v2) * H[c] + (
            v3 - v2) * X * G[c]
        g[a] = (6 * (v2 - v) * H[0] + (3 * v2 - 4 * v + 1) * X * G[0] + 6 * (v - v2) * H[c] + (
            3 * v2 - 2 * v) * X * G[c]) / X
    for a in range(1, c if smooth else 0):  # the chord between the new neighbours
        g[a] = (h[a + 1] - h[a - 1]) / (x[a + 1] - x[a - 1])
    for a in range(c):
        old, length = rec[i + a][t], L[a]
        A, B = (old[0], old[1]) if a == 0 else (int(h[a]), int(g[a] * length))
        end, slope = (int(h[a + 1]), g[a + 1]) if a < c - 1 else (H[c], G[c])
        E = end - A
        new = [A, B, int(3 * E - slope * length - 2 * B), int(slope * length - 2 * E + B)]
        for u in range(TRACES):
            rec[i + a][u] = [r + d - o for r, d, o in zip(rec[i + a][u], new, old)]


class StretchTest(unittest.TestCase):

    def test_keypad_stretch_smoothed_twice_levelled_and_saved(self):
        with Vemora() as v:
            v.move(*REST)
            v.key(*["KP_Home"] * 141)  # the pointer below the cross-section: the section range
            for key, text in (("s", "Smoothed"), ("s", "Smoothed"), ("l", "Levelled")):
                says(v, key, text + " sections 141 to 149")
            v.key("w")
            v.wait(lambda: (v.work / "trace_new.txt").exists() and title() == "Vemora - trace_new.txt", "the save")
            lengths, want = read(v.work / "trace.txt")
            for smooth in (True, True, False):
                press(lengths, want, 141, 149, smooth)
            self.assertEqual(read(v.work / "trace_new.txt"), (lengths, want))
