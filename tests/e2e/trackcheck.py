"""Reading trace data files and judging their joins, for checking what the editor wrote.

The join rules are the editor's own: a height gap where the end height of a
section and the start height of the next differ by more than one track unit, a
gradient break where the gradients differ by more than the single-precision
value nearest 0.0001.
"""
import struct
from pathlib import Path


def f32(x):
    """Rounds to single precision, as the editor stores floats."""
    return struct.unpack("f", struct.pack("f", x))[0]


TOLERANCE = f32(0.0001)


class Track:
    def __init__(self, path):
        words = Path(path).read_text().replace(",", " ").split()
        self.sections, self.traces = int(words[0]), int(words[1])
        pos = 82
        self.length = []
        self.points = []  # [section][trace] -> (height, slope, quad, cubic)
        for _ in range(self.sections):
            self.length.append(int(words[pos + 1]))
            pos += 2
            row = []
            for _t in range(16):
                h, c, q, s = (int(w) for w in words[pos:pos + 4])
                row.append((h, s, q, c))
                pos += 5
            self.points.append(row)


def read_words(path, count):
    words = Path(path).read_text().split()
    return words[:count]


def trace_lengths(track, workdir):
    """Per section and trace lengths from the text geometry files beside the track."""
    offsets = [f32(float(w)) for w in read_words(workdir / "tracepos.txt", 16)]
    radius_words = read_words(workdir / "radius.txt", 2 * track.sections)
    radii = [f32(float(radius_words[2 * s + 1])) for s in range(track.sections)]
    lengths = []
    for s in range(track.sections):
        L, R = track.length[s], radii[s]
        row = []
        for t in range(track.traces):
            if R == 0.0:
                row.append(L)
                continue
            v = (R - offsets[t]) / R * L
            row.append(L if R - offsets[t] == 0.0 or not v >= 1.0 else int(v))
        lengths.append(row)
    return lengths


def faulty_joins(track, lengths):
    """Sections whose end has a height gap, and those whose end has a gradient break."""
    gaps, kinks = [], []
    n = track.sections
    for s in range(n):
        nxt = (s + 1) % n
        gap = kink = False
        for t in range(track.traces):
            h, b, q, c = track.points[s][t]
            e = h + b + q + c
            start = track.points[nxt][t][0]
            gap = gap or abs(e - start) > 1
            ls, ln = lengths[s][t], lengths[nxt][t]
            if ls > 0 and ln > 0:
                ge = (b + 2 * q + 3 * c) / ls
                gs = track.points[nxt][t][1] / ln
                kink = kink or abs(ge - gs) > TOLERANCE
        if gap:
            gaps.append(s)
        if kink:
            kinks.append(s)
    return gaps, kinks
