"""Keys s, s and l on the straight sections 141 to 149 (up to the wrap-around slot), the centre line selected: the file
saved holds what the formulas give, worked out here from the file read."""
import unittest

from harness import RIGHT, Vemora

S = [*range(141, 150), 0]  # the stretch's sections and the one after it, which the wrap-around slot mirrors


def read(path):  # per section its length and its records per trace slot as [height, slope, quad, cubic]
    w, at = path.read_text().split(), range(82, 82 * 151, 82)  # 150 sections: number, length, 16 x 5 numbers
    return [[int(w[a + 1]), [[int(w[a + 2 + 5 * t + f]) for f in (0, 3, 2, 1)] for t in range(16)]] for a in at]


def press(track, smooth, t=3):  # all seven traces change as the centre line t, as long as their sections
    L, H = [track[k][0] for k in S], [track[k][1][t][0] for k in S]
    x, G = [float(sum(L[:a])) for a in range(10)], [track[k][1][t][1] / L[a] for a, k in enumerate(S)]
    X, h, g = x[9], H[:], G[:]
    for a in range(1, 9):
        v = x[a] / X
        v2, v3 = v * v, v * v * v
        if smooth:
            h[a] = 0.25 * H[a - 1] + 0.5 * H[a] + 0.25 * H[a + 1]
            continue
        h[a] = (2 * v3 - 3 * v2 + 1) * H[0] + (v3 - 2 * v2 + v) * X * G[0] + (-2 * v3 + 3 * v2) * H[9] + (
            v3 - v2) * X * G[9]
        g[a] = (6 * (v2 - v) * H[0] + (3 * v2 - 4 * v + 1) * X * G[0] + 6 * (v - v2) * H[9] + (
            3 * v2 - 2 * v) * X * G[9]) / X
    for a in range(1, 9 if smooth else 0):  # the chord between the new neighbours
        g[a] = (h[a + 1] - h[a - 1]) / (x[a + 1] - x[a - 1])
    for a, k in enumerate(S[:9]):  # the last ends at the next section's start, which h keeps
        rec, n = track[k][1], L[a]
        A, B = rec[t][:2] if a == 0 else (int(h[a]), int(g[a] * n))
        E, slope = int(h[a + 1]) - A, g[a + 1]
        new, old = [A, B, int(3 * E - slope * n - 2 * B), int(slope * n - 2 * E + B)], rec[t]
        for u in range(7):
            rec[u] = [r + d - o for r, d, o in zip(rec[u], new, old)]


class StretchTest(unittest.TestCase):

    def test_a_keypad_narrowed_stretch_smoothed_twice_levelled_and_saved(self):
        with Vemora(first="whole") as v:
            v.drag(RIGHT, (551, 300), (615, 420))  # zooms to sections 138 to 149, the pointer below the cross-section
            v.key("KP_Home", "KP_Home", "KP_Home", "s", "s", "w")  # the keypad narrows the range to 141 to 149
            saved, want = v.work / "trace_new.txt", read(v.work / "trace.txt")
            press(want, smooth=True), press(want, smooth=True)
            smoothed = v.wait(lambda: saved.exists() and read(saved), "the save")
            self.assertEqual([k for k in range(150) if smoothed[k] != want[k]], [])  # not a diff: minutes long
            v.key("l", "w")  # saved apart, as l reads only the ends, which s keeps
            press(want, smooth=False)
            levelled = v.wait(lambda: (now := read(saved)) != smoothed and now, "the next save")
            self.assertEqual([k for k in range(150) if levelled[k] != want[k]], [])
