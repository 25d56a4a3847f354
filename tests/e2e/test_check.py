"""Keys c and f: the report of height gaps (x = 4) and gradient breaks (x = 150), and their repair."""
import harness
from common import REST, WHITE, Track, faulty_joins, q_warns, save, shown, text_right, trace_lengths

GAPS, KINKS = [12, 58, 87, 126, 149], [31, 58, 104, 149]
# Every digit occurs, so the numbers are read exactly; nothing follows. Row 60 is shared with
# the status line (up to x=171): its gap line is left out, the start of its kink line skipped.
DEMO_REPORT = ([(4, 10, "5 sections had gaps."), (4, 20, "4 sections had gradient breaks.")]
               + [(4, 30 + 10 * i, ("Section gap: %d" % g).ljust(17)) for i, g in enumerate(GAPS) if i != 3]
               + [(150, 30 + 10 * i, ("???" if i == 3 else "Sec") + "tion kink: %d" % k) for i, k in enumerate(KINKS)]
               + [(4, 30 + 10 * len(GAPS), ""), (150, 30 + 10 * len(KINKS), "")])


def assert_reads(test, im, lines):
    """The 8x8 glyph cells of the lines [(x, y, text)] must read as the texts: a character
    always has the same cell, different characters different cells, and blanks (also the
    cell after each text) are empty; "?" marks a cell not looked at."""
    glyphs = {}
    for x, y, text in lines:
        for i, ch in enumerate(text + " "):
            cell = tuple(im.pixel(x + 8 * i + dx, y + dy) == WHITE for dy in range(8) for dx in range(8))
            where = "%r at (%d,%d), character %d" % (text, x, y, i)
            if ch == " ":
                test.assertFalse(any(cell), "blank expected: " + where)
            elif ch != "?":
                test.assertEqual(glyphs.setdefault(ch, cell), cell, "glyph of %r differs: %s" % (ch, where))
    test.assertEqual(len(set(glyphs.values())), len(glyphs), "two characters share a glyph")


class CheckTest(harness.VemoraTestCase):

    def report(self, s, key):
        s.key(key)
        return shown(s, lambda im: text_right(im, 20) > 0 and text_right(im, 10) > 0, "report after " + key)

    def test_check_fix_and_save(self):
        work = harness.scratch_demo()
        s = self.start(work)
        track = Track(work / "trace.txt")
        lengths = trace_lengths(track, work)
        self.assertEqual(faulty_joins(track, lengths), (GAPS, KINKS), "demo track as described")
        s.move(*REST)
        before = s.screenshot()
        im = self.report(s, "c")
        assert_reads(self, im, DEMO_REPORT)
        row60 = (4, 60, 145, 68)
        self.assertGreater(im.count(WHITE, row60) - before.count(WHITE, row60), 20, "gap line at y=60")
        # c changes nothing: w writes the input as it was.
        save(s)
        self.assertEqual((work / "trace_new.txt").read_bytes(), (work / "trace.txt").read_bytes())
        # f reports the faults as found and repairs them; q warns until they are saved.
        assert_reads(self, self.report(s, "f"), DEMO_REPORT)
        q_warns(self, s)
        save(s)
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0, "q after w")

        fixed = Track(work / "trace_new.txt")
        self.assertEqual(faulty_joins(fixed, lengths), ([], []))
        self.assertEqual(fixed.length, track.length)
        # Only the sections at the faulty joins were refitted.
        sound = set(range(track.sections)) - {(sec + d) % track.sections for sec in GAPS + KINKS for d in (0, 1)}
        self.assertEqual([fixed.points[sec] for sec in sound], [track.points[sec] for sec in sound])
        # The program itself finds nothing left to report in the written file.
        again = harness.scratch_demo()
        (again / "trace.txt").write_bytes((work / "trace_new.txt").read_bytes())
        s = self.start(again)
        s.move(*REST)
        assert_reads(self, self.report(s, "c"), [(4, 10, "No height gaps found."),
                                                 (4, 20, "No gradient breaks found."), (4, 30, ""), (150, 30, "")])
