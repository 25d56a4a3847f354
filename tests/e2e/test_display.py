"""What the editor shows at start: panel frames, traces, altitude reference
crosses and angle labels, at two screen sizes; and the font start-up failures."""

import harness

GREY, WHITE = (211, 211, 211), (255, 255, 255)
RED, YELLOW = (255, 0, 0), (255, 255, 0)
PLUS = [(0, 0), (1, 0), (2, 0), (-1, 0), (-2, 0), (0, 1), (0, 2), (0, -1), (0, -2)]


def steady(s, pred=None, message="a steady screen"):
    """A screenshot once pred holds (if given) and the screen has stopped
    changing: a frame reaches the X server in pieces."""
    last = [None]

    def same(im):
        done = last[0] is not None and im.data == last[0].data
        last[0] = im
        return done and (pred is None or pred(im))
    return s.wait_image(same, 10, message)


def off_grey(im, points):
    return [(p, im.pixel(*p)) for p in points if im.pixel(*p) != GREY]


def frame_faults(im, left, bottom, right, top):
    """Non-grey pixels on the rectangle's four lines (all inclusive)."""
    return off_grey(im, [(x, y) for x in range(left, right + 1) for y in (bottom, top)]
                    + [(x, y) for y in range(top, bottom + 1) for x in (left, right)])


def plus_count(im, box):
    """White crosses of arm 2, as the altitude reference points are drawn."""
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0 + 2, y1 - 2) for x in range(x0 + 2, x1 - 2)
               if all(im.pixel(x + dx, y + dy) == WHITE for dx, dy in PLUS))


class DisplayTest(harness.VemoraTestCase):

    def test_demo_view_at_640x480(self):
        s = self.start()
        s.move(625, 470)  # outside both panels
        im = steady(s)
        # Cross-section frame: left 320, width 288, bottom 144, height -120.
        self.assertEqual(frame_faults(im, 320, 144, 608, 24), [])
        # Profile frame: one pixel outside the plot on the left, bottom and top;
        # its right line is inside the clip, where traces and labels may cross it
        # near the top, so only its lower part is checked.
        self.assertEqual(off_grey(im, [(x, y) for x in range(31, 609) for y in (457, 167)]
                                  + [(31, y) for y in range(167, 458)]
                                  + [(608, y) for y in range(210, 457)]), [])
        for p in [(30, 300), (300, 458), (300, 166), (609, 300), (319, 80), (609, 80), (450, 23)]:
            self.assertNotEqual(im.pixel(*p), GREY, p)
        plot = (32, 168, 609, 457)
        self.assertGreater(im.count(RED, plot), 500)
        self.assertGreater(im.count(YELLOW, plot), 300)  # the selected centre line
        self.assertGreater(im.count(YELLOW, (320, 24, 609, 145)), 5)  # its dot
        # Cross slope labels stand near the top of the cross-section panel.
        self.assertGreater(im.count(WHITE, (321, 30, 608, 48)), 50)
        # Altitude reference crosses, below the label rows of the profile.
        below_labels = (32, 206, 609, 457)
        crosses = plus_count(im, below_labels)
        self.assertGreater(crosses, 50)
        # With another trace selected the reference points are not drawn
        # (the selected trace turns white, but a line makes no crosses).
        s.key("Up")
        im = steady(s, lambda i: i.count(YELLOW, plot) == 0, "centre line no longer yellow")
        self.assertGreater(im.count(WHITE, plot), 300)
        self.assertEqual(plus_count(im, below_labels), 0)
        s.key("Home")
        im = steady(s, lambda i: i.count(YELLOW, plot) > 300, "centre line yellow again")
        self.assertEqual(plus_count(im, below_labels), crosses)
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0)

    def test_800x600_layout_without_angles(self):
        work = harness.scratch_demo()
        cfg = work / "vemora.cfg"
        cfg.write_text(cfg.read_text().replace("GRAPHRES 640 480", "GRAPHRES 800 600")
                       + "SHOWANGLES 0\n")
        s = self.start(work)  # waits for an 800x600 window
        s.move(785, 590)
        im = steady(s)
        # Cross-section: left 400, width 360, bottom 180, height -150.
        self.assertEqual(frame_faults(im, 400, 180, 760, 30), [])
        # Profile: left 40, width 720, bottom 570, height -360.
        self.assertEqual(off_grey(im, [(x, y) for x in range(39, 761) for y in (571, 209)]
                                  + [(39, y) for y in range(209, 572)]
                                  + [(760, y) for y in range(260, 571)]), [])
        for p in [(38, 410), (400, 572), (400, 208), (761, 400), (399, 100), (761, 100)]:
            self.assertNotEqual(im.pixel(*p), GREY, p)
        self.assertGreater(im.count(RED, (40, 210, 761, 571)), 500)
        # No cross slope labels: nothing white in their rows (the selected dot is yellow).
        self.assertEqual(im.count(WHITE, (401, 36, 760, 60)), 0)
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0)

    def test_font_failures_end_start_up(self):
        # A configured message font that does not exist: reported on stdout.
        work = harness.scratch_demo()
        with open(work / "vemora.cfg", "a") as cfg:
            cfg.write("FONTFILE nosuch.fnt\n")
        env, log = harness.xmessage_stub(work)
        with harness.Session(work, self.xvfb.display, env=env) as s:
            self.assertEqual(s.wait_exit(10), 1)
            self.assertIn("Fatal error: Did not find defined font file >nosuch.fnt<\n",
                          s.stdout_text())
            self.assertFalse(log.exists(), "no message box expected")
        # A font datafile without the small font "fnt5x6": a message box.
        work = harness.scratch_demo()
        fonts = work / "fonts.dat"
        data = fonts.read_bytes()
        self.assertEqual(data.count(b"fnt5x6"), 1)
        fonts.write_bytes(data.replace(b"fnt5x6", b"fnt5x7"))
        env, log = harness.xmessage_stub(work)
        with harness.Session(work, self.xvfb.display, env=env) as s:
            self.assertEqual(s.wait_exit(10), 1)
            self.assertTrue(log.exists(), "allegro_message was not shown\n" + s.diagnostics())
            self.assertIn("-buttons OK:101 -default OK -center Error loading fonts",
                          log.read_text())
