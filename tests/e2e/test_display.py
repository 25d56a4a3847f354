"""What the editor shows at start at two screen sizes, and the font start-up failures."""
import harness
from common import GREY, RED, WHITE, YELLOW, same, steady

PLUS = [(0, 0)] + [(d, 0) for d in (-2, -1, 1, 2)] + [(0, d) for d in (-2, -1, 1, 2)]


def frame_faults(im, w, h):
    """Non-grey pixels on the panel frames at w x h: the cross-section panel's lines, the profile's one
    pixel outside its plot (its right line is inside, where traces may cross it: only its lower part)."""
    left, right, bottom, top = w // 2, w * 19 // 20, h * 3 // 10, h // 20
    pleft, pbottom, ptop = w // 20 - 1, h * 19 // 20 + 1, h * 7 // 20 - 1
    points = ([(x, y) for x in range(left, right + 1) for y in (bottom, top)]
              + [(x, y) for y in range(top, bottom + 1) for x in (left, right)]
              + [(x, y) for x in range(pleft, right + 1) for y in (pbottom, ptop)]
              + [(pleft, y) for y in range(ptop, pbottom)] + [(right, y) for y in range(ptop + h // 10, pbottom)])
    return [(p, im.pixel(*p)) for p in points if im.pixel(*p) != GREY]


def crosses(im, box=(32, 206, 609, 457)):
    """White crosses of arm 2, as the altitude reference points are drawn (below the label rows)."""
    x0, y0, x1, y1 = box
    return sum(all(im.pixel(x + dx, y + dy) == WHITE for dx, dy in PLUS)
               for y in range(y0 + 2, y1 - 2) for x in range(x0 + 2, x1 - 2))


class DisplayTest(harness.VemoraTestCase):

    def test_demo_view_at_640x480(self):
        s = self.start()
        s.move(625, 470)  # outside both panels
        im = steady(s)
        self.assertEqual(frame_faults(im, 640, 480), [])
        plot = (32, 168, 609, 457)
        self.assertGreater(im.count(RED, plot), 500)
        self.assertGreater(im.count(YELLOW, plot), 300)  # the selected centre line
        self.assertGreater(im.count(YELLOW, (320, 24, 609, 145)), 5)  # and its dot
        self.assertGreater(im.count(WHITE, (321, 30, 608, 48)), 50)  # cross slope labels
        self.assertGreater(crosses(im), 50)
        # Another trace selected: its line and dot turn white, and the crosses go.
        s.key("Up")
        up = steady(s, lambda i: i.count(YELLOW) == 0, "no yellow")
        self.assertGreater(up.count(WHITE, plot), 300)
        self.assertEqual(crosses(up), 0)
        s.key("Home")
        same(s, im, "after Up, Home")

    def test_800x600_layout_without_angles(self):
        work = harness.scratch_demo()
        cfg = work / "vemora.cfg"
        cfg.write_text(cfg.read_text().replace("GRAPHRES 640 480", "GRAPHRES 800 600") + "SHOWANGLES 0\n")
        s = self.start(work)  # waits for an 800x600 window
        s.move(785, 590)
        im = steady(s)
        self.assertEqual(frame_faults(im, 800, 600), [])
        self.assertGreater(im.count(RED, (40, 210, 761, 571)), 500)
        # No cross slope labels: nothing white in their rows (the selected dot is yellow).
        self.assertEqual(im.count(WHITE, (401, 36, 760, 60)), 0)

    def test_font_failures_end_start_up(self):
        missing, no_small = harness.scratch_demo(), harness.scratch_demo()
        with open(missing / "vemora.cfg", "a") as cfg:
            cfg.write("FONTFILE nosuch.fnt\n")
        fonts = no_small / "fonts.dat"
        self.assertEqual(fonts.read_bytes().count(b"fnt5x6"), 1)
        fonts.write_bytes(fonts.read_bytes().replace(b"fnt5x6", b"fnt5x7"))
        for work, out, box in ((missing, "Fatal error: Did not find defined font file >nosuch.fnt<\n", None),
                               (no_small, "", "-buttons OK:101 -default OK -center Error loading fonts")):
            env, log = harness.xmessage_stub(work)
            with harness.Session(work, self.xvfb.display, env=env) as s:
                self.assertEqual(s.wait_exit(10), 1)
                self.assertIn(out, s.stdout_text())
                self.assertIn(box or "none", log.read_text() if log.exists() else "none", "message box")
