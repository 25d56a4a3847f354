"""Keys c and f: the report of height gaps and gradient breaks, and their repair.

The demo has gaps at the ends of sections 12, 58, 87, 126, 149 and gradient
breaks at 31, 58, 104, 149: five lines in the gap column (x = 4) and four in
the kink column (x = 150), from y = 30 down, under the two count lines.
"""
import time

import harness
import trackcheck

WHITE = (255, 255, 255)
REST = (625, 300)
GAPS, KINKS = [12, 58, 87, 126, 149], [31, 58, 104, 149]


# Every digit occurs in these lines, so the section numbers are read exactly. Row 60 is
# shared with the status line (up to x=171): its gap line is left out, the start of its
# kink line skipped.
DEMO_REPORT = ([(4, 10, "5 sections had gaps."), (4, 20, "4 sections had gradient breaks.")]
               + [(4, 30 + 10 * i, ("Section gap: %d" % g).ljust(17)) for i, g in enumerate(GAPS) if i != 3]
               + [(150, 30 + 10 * i, ("???" if i == 3 else "Sec") + "tion kink: %d" % k)
                  for i, k in enumerate(KINKS)])


def join(track, lengths, s, t):
    """(faulty, end height, next start height) of the join after section s on trace t."""
    n = (s + 1) % track.sections
    h, b, q, c = track.points[s][t]
    end, start = h + b + q + c, track.points[n][t][0]
    kink = abs((b + 2 * q + 3 * c) / lengths[s][t] - track.points[n][t][1] / lengths[n][t])
    return abs(end - start) > 1 or kink > trackcheck.TOLERANCE, end, start


def wait_screen(s, predicate, message, timeout=10):
    """Session.wait_image that fails at once when the program has ended: a grab of a
    window that is gone does not return."""
    def check():
        im = s.screenshot() if s.alive() else None
        return im if im is not None and predicate(im) else None
    return s.wait_until(check, timeout, 0.03, message)


def text_right(im, y, x0=0, x1=318):
    """Rightmost white column of the text line at row y (8 rows), or -1."""
    cols = [x for x in range(x0, x1) if im.count(WHITE, (x, y, x + 1, y + 8))]
    return max(cols, default=-1)


def new_white(im, before, box):
    """White pixels in box that were not white before."""
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if im.pixel(x, y) == WHITE and before.pixel(x, y) != WHITE)


def assert_reads(test, im, lines):
    """The 8x8 glyph cells of the lines [(x, y, text)] must read as the texts: every
    character always has the same cell, different characters different cells, and
    blanks (also the cell after each text) are empty; "?" marks a cell not looked at."""
    glyphs = {}
    for x, y, text in lines:
        for i, ch in enumerate(text + " "):
            cell = tuple(im.pixel(x + 8 * i + dx, y + dy) == WHITE for dy in range(8) for dx in range(8))
            where = "%r at (%d,%d), character %d" % (text, x, y, i)
            if ch == "?":
                continue
            if ch == " ":
                test.assertFalse(any(cell), "blank expected: " + where)
                continue
            test.assertEqual(glyphs.setdefault(ch, cell), cell, "glyph of %r differs: %s" % (ch, where))
    cells = list(glyphs.values())
    test.assertEqual(len(set(cells)), len(cells), "two characters share a glyph")


class CheckTest(harness.VemoraTestCase):

    def report(self, s, key):
        """Presses key, returns the report screen and how long it stayed."""
        s.key(key)
        shown = wait_screen(s, lambda im: text_right(im, 20) > 0 and text_right(im, 10) > 0,
                            "report after %s" % key)
        seen = time.monotonic()
        wait_screen(s, lambda im: text_right(im, 10) < 0, "report gone")
        return shown, time.monotonic() - seen

    def test_report_lists_faulty_sections(self):
        s = self.start()
        track = trackcheck.Track(s.workdir / "trace.txt")
        self.assertEqual(trackcheck.faulty_joins(track, trackcheck.trace_lengths(track, s.workdir)),
                         (GAPS, KINKS), "demo track as described")
        s.move(*REST)
        before = s.screenshot()
        im, shown_for = self.report(s, "c")

        assert_reads(self, im, DEMO_REPORT)
        self.assertGreater(new_white(im, before, (4, 60, 145, 68)), 20, "gap line at y=60")
        self.assertEqual(text_right(im, 30 + 10 * len(GAPS), 0, 145), -1, "a sixth gap line")
        self.assertEqual(text_right(im, 30 + 10 * len(KINKS), 145, 318), -1, "a fifth kink line")
        self.assertTrue(1.0 <= shown_for < 5.0, "report shown %.2f s, wanted about 1.5" % shown_for)

        s.key("q")  # a check alone modifies nothing
        self.assertEqual(s.wait_exit(10), 0)

    def test_fix_repairs_every_join(self):
        s = self.start()
        work = s.workdir
        track = trackcheck.Track(work / "trace.txt")
        s.move(*REST)
        im, _ = self.report(s, "f")
        assert_reads(self, im, DEMO_REPORT)  # the faults as found, before the repair

        s.key("q")
        warning = wait_screen(s, lambda im: 140 < text_right(im, 10) < 160, "'Data are not saved!'")
        self.assertGreater(text_right(warning, 30), 100, "'Press w to save'")
        wait_screen(s, lambda im: text_right(im, 10) < 0, "warning gone")
        self.assertTrue(s.alive(), "q quit after f with unsaved data")
        s.key("w")
        wait_screen(s, lambda im: text_right(im, 10) > 280, "'Saving trace data to >trace_new.txt<'")
        wait_screen(s, lambda im: text_right(im, 10) < 0, "saving message gone")
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0, "q after w")

        fixed = trackcheck.Track(work / "trace_new.txt")
        lengths = trackcheck.trace_lengths(track, work)
        self.assertEqual(trackcheck.faulty_joins(fixed, lengths), ([], []))
        self.assertEqual(fixed.length, track.length)
        # A faulty join is refitted to meet halfway between the two heights; a trace record
        # with sound joins at both ends stays as it was.
        for sec in range(track.sections):
            for t in range(track.traces):
                bad, end, start = join(track, lengths, sec, t)
                if bad:
                    mid = abs(end + start) // 2 * (1 if end + start >= 0 else -1)
                    self.assertEqual(fixed.points[(sec + 1) % track.sections][t][0], mid, (sec, t))
                elif not join(track, lengths, sec - 1, t)[0]:
                    self.assertEqual(fixed.points[sec][t], track.points[sec][t], (sec, t))

        # The program itself finds nothing left to report in the written file.
        again = harness.scratch_demo()
        (again / "fixed.txt").write_bytes((work / "trace_new.txt").read_bytes())
        cfg = again / "vemora.cfg"
        cfg.write_text(cfg.read_text().replace("INFILE trace.txt", "INFILE fixed.txt"))
        s2 = self.start(again)
        s2.wait_stdout("Reading trace data from >fixed.txt<")
        s2.move(*REST)
        im, _ = self.report(s2, "c")
        assert_reads(self, im, [(4, 10, "No height gaps found."), (4, 20, "No gradient breaks found.")])
        self.assertEqual(text_right(im, 30), -1, "no section lines")
        s2.key("q")
        self.assertEqual(s2.wait_exit(10), 0)
