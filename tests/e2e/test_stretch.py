"""Keys s, s and l on the straight sections 141 to 149 (up to the wrap-around slot), the centre line selected: the file
saved holds what the formulas give, worked out here from the file read."""
import unittest

from harness import RIGHT, Vemora


def read(path):  # section lengths, and each section's records per trace slot as [height, slope, quad, cubic]
    w, at = path.read_text().split(), range(82, 82 * 151, 82)  # 150 sections: number, length, 16 x 5 numbers
    return [int(w[a + 1]) for a in at], [[[int(w[a + 2 + 5 * t + f]) for f in (0, 3, 2, 1)] for t in range(16)]
                                         for a in at]


def press(lengths, rec, i, j, smooth, t=3):  # all seven traces change as the centre line t, as long as their sections
    c, L = j - i + 1, [lengths[k % 150] for k in range(i, j + 2)]
    x, H, G = [float(sum(L[:a])) for a in range(c + 1)], [rec[k % 150][t][0] for k in range(i, j + 2)], [
        rec[k % 150][t][1] / L[k - i] for k in range(i, j + 2)]
    X, h, g = x[c], H[:], G[:]
    for a in range(1, c):
        v = x[a] / X
        v2, v3 = v * v, v * v * v
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
        old, n = rec[i + a][t], L[a]
        A, B = (old[0], old[1]) if a == 0 else (int(h[a]), int(g[a] * n))
        E, slope = (int(h[a + 1]) if a < c - 1 else H[c]) - A, g[a + 1]
        new = [A, B, int(3 * E - slope * n - 2 * B), int(slope * n - 2 * E + B)]
        for u in range(7):
            rec[i + a][u] = [r + d - o for r, d, o in zip(rec[i + a][u], new, old)]


class StretchTest(unittest.TestCase):

    def test_a_keypad_narrowed_stretch_smoothed_twice_levelled_and_saved(self):
        with Vemora(first="whole") as v:
            v.drag(RIGHT, (551, 300), (615, 420))  # zooms to sections 138 to 149, the pointer below the cross-section
            v.key("KP_Home", "KP_Home", "KP_Home", "s", "s", "w")  # the keypad narrows the range to 141 to 149
            saved, (lengths, want) = v.work / "trace_new.txt", read(v.work / "trace.txt")
            press(lengths, want, 141, 149, smooth=True), press(lengths, want, 141, 149, smooth=True)
            smoothed = v.wait(lambda: saved.exists() and read(saved), "the save")
            self.assertEqual(smoothed, (lengths, want))
            v.key("l", "w")  # saved apart, as l reads only the ends, which s keeps
            press(lengths, want, 141, 149, smooth=False)
            self.assertEqual(v.wait(lambda: (now := read(saved)) != smoothed and now, "the next save"), (lengths, want))
