"""Keyboard commands of the running editor on the demo track, observed on the
screen and in the files: save and quit, view ranges, height limits,
selection, angle labels, help box and status line."""

import math
import struct
import subprocess
import threading
import time

import harness

GREY, WHITE, BLUE = (211, 211, 211), (255, 255, 255), (0, 0, 255)
YELLOW, CYAN = (255, 255, 0), (224, 255, 255)
LOW, BELOW_EDGE, EDGE, HIGH = (625, 300), (625, 145), (625, 144), (625, 100)
CROSS, PROFILE = (300, 0, 612, 160), (0, 160, 612, 480)  # the panels with their axes
MESSAGES = (0, 8, 320, 50)        # rows 10 to 40 of the screen messages
STATUS = (4, 60, 200, 69)
CROSS_ANGLES = (321, 30, 608, 48)
STEPS = [(10000, 5000), (5000, 2000), (1000, 500), (500, 200), (100, 50), (50, 20),
         (10, 5), (5, 2), (1, 0.5), (0.5, 0.2)]


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def major_rows(bottom, top):
    """Rows of the profile's labelled height ticks for these limits (640x480)."""
    span = f32(top - bottom)
    step = f32(next((m for r, m in STEPS if span > r), 0.05))
    v, rows = f32(step * math.trunc(f32(bottom / step)) - step), []
    while v < top:
        if v >= bottom:
            rows.append(math.trunc((v - bottom) / (top - bottom) * -288 + 456))
        v = f32(v + step)
    return sorted(rows)


def height_ticks(im):
    return [y for y in range(160, 470) if im.pixel(28, y) == GREY]  # majors only reach x=27..29


def distance_ticks(im):
    return [x for x in range(25, 615) if im.pixel(x, 460) == GREY]


def offset_ticks(im):
    return [x for x in range(315, 615) if im.pixel(x, 147) == GREY]


def cyan_columns(im):
    return [x for x in range(32, 609) if im.count(CYAN, (x, 168, x + 1, 457)) > 100]


def region(im, box):
    return b"".join(im._rows(box))


def steady(s, pred=None, message="a steady screen"):
    """A screenshot once pred holds (if given) and the screen has stopped
    changing: a frame reaches the X server in pieces."""
    last = [None]

    def same(im):
        done = last[0] is not None and im.data == last[0].data
        last[0] = im
        return done and (pred is None or pred(im))
    return s.wait_image(same, 10, message)


def press_and_catch(s, key, pred, timeout=4.0):
    """Press key while grabbing the screen; the first grab that satisfies pred,
    else None. Catches messages that stay only a moment."""
    found = []

    def poll():
        end = time.monotonic() + timeout
        while time.monotonic() < end and not found and s.alive():
            # A grab that races the window's end can block the X server;
            # the time limit ends it, and a program that quit fails the test.
            try:
                r = subprocess.run(["import", "-display", s.display, "-window", s.window,
                                    "-depth", "8", "ppm:-"], capture_output=True, timeout=10)
                im = harness.Image(r.stdout)
            except (subprocess.TimeoutExpired, AssertionError):
                return
            if pred(im):
                found.append(im)
    t = threading.Thread(target=poll)
    t.start()
    s.key(key)
    t.join()
    return found[0] if found else None


class KeysTest(harness.VemoraTestCase):

    def back_to(self, s, ref, what):
        s.wait_image(lambda im: im.data == ref.data, 10, "the start-up view after " + what)

    def test_save_warning_and_quit(self):
        s = self.start()
        s.move(*LOW)
        original = (s.workdir / "trace.txt").read_bytes()
        seen = press_and_catch(s, "w", lambda im: im.count(WHITE, (0, 8, 320, 20)) > 100)
        self.assertIsNotNone(seen, "no saving message in rows 10..18")
        self.assertEqual(seen.count(WHITE, (0, 20, 320, 50)), 0)
        s.wait_file("trace_new.txt", predicate=lambda p: p.read_bytes() == original)
        # f repairs the demo's joins, leaving unsaved data...
        s.key("f")
        s.wait_image(lambda im: im.count(WHITE, MESSAGES) > 500, 5, "the fix report")
        s.wait_image(lambda im: im.count(WHITE, MESSAGES) == 0, 10, "the report to go")
        # ...so q only warns, for about a second.
        seen = press_and_catch(s, "q", lambda im: im.count(WHITE, (0, 20, 320, 40)) > 100)
        self.assertIsNotNone(seen, "no unsaved-data warning")
        s.wait_image(lambda im: im.count(WHITE, MESSAGES) == 0, 10, "the warning to go")
        self.assertTrue(s.alive())
        s.key("w")
        s.wait_file("trace_new.txt", predicate=lambda p: p.read_bytes() != original)
        lines = (s.workdir / "trace_new.txt").read_bytes().split(b"\n")
        self.assertEqual(len(lines), len(original.split(b"\n")))
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0)

    def test_ranges_selection_angles_and_status(self):
        s = self.start()
        s.move(*LOW)
        start = steady(s)
        angle_row = (32, 194, 609, 204)  # the profile's gradient labels
        # At their limits KP 1 and Left do nothing; a hides and shows the angles.
        s.type_keys("KP_End", "Left", "a")
        im = steady(s, lambda im: im.count(WHITE, CROSS_ANGLES) == 0, "angles hidden")
        self.assertLess(im.count(WHITE, angle_row), start.count(WHITE, angle_row) / 2)
        s.key("a")
        self.back_to(s, start, "KP 1 and Left at their limits and a twice")
        # Pointer over the profile: KP 7 starts the profile one section later
        # and pulls the selection along; the cross-section panel keeps its axis.
        s.key("KP_Home")
        im = steady(s, lambda im: distance_ticks(im) != distance_ticks(start),
                          "the distance axis to move")
        self.assertEqual(offset_ticks(im), offset_ticks(start))
        self.assertEqual(height_ticks(im), height_ticks(start))
        # One row below the cross-section panel still counts as the profile.
        s.move(*BELOW_EDGE)
        s.key("KP_End")
        im = steady(s, lambda im: distance_ticks(im) == distance_ticks(start),
                          "the distance axis back")
        section1 = cyan_columns(im)  # section 1 stays selected
        self.assertEqual(len(section1), 1)
        self.assertGreater(section1[0], 32)
        s.move(*LOW)
        s.key("Left")
        self.back_to(s, start, "Left")
        s.key("Right")
        im = steady(s, lambda im: cyan_columns(im) == section1, "section 1 selected")
        self.assertEqual(im.pixel(32, 300), BLUE)
        s.key("Left")
        self.back_to(s, start, "Right, Left")
        # Pointer on the cross-section panel's bottom row: KP 7 narrows the
        # trace range, which changes the offsets axis and not the profile.
        s.move(*EDGE)
        before = steady(s)
        s.key("KP_Home")
        im = steady(s, lambda im: offset_ticks(im) != offset_ticks(start),
                          "the offsets axis to change")
        self.assertEqual(region(im, PROFILE), region(before, PROFILE))
        s.move(*HIGH)
        s.key("KP_End")
        s.wait_image(lambda im: region(im, CROSS) == region(start, CROSS), 5,
                     "the whole trace range back")
        # The status line follows the pointer's row only.
        s.move(*LOW)
        self.back_to(s, start, "the pointer's return")
        s.move(400, 300)
        time.sleep(0.3)
        self.assertEqual(region(s.screenshot(), STATUS), region(start, STATUS))
        s.move(400, 250)
        s.wait_image(lambda im: region(im, STATUS) != region(start, STATUS), 5,
                     "the status line to change")
        s.key("q")  # nothing unsaved: quits at once
        self.assertEqual(s.wait_exit(10), 0)

    def test_height_limits_traces_zoom_and_help(self):
        s = self.start()
        s.move(*LOW)
        start = steady(s)
        # The demo's section start heights lie between 2.34 m and 17.98 m.
        bottom, top = 1.0, 18.0
        self.assertEqual(height_ticks(start), major_rows(bottom, top))
        for key in ("Delete", "Insert", "Insert", "Prior", "Next", "Next"):
            span = top - bottom
            if key == "Insert":
                top = f32(bottom + 1.05 * span)
            elif key == "Delete":
                top = f32(bottom + 0.95 * span)
            elif key == "Prior":
                bottom = f32(top - 0.95 * span)
            else:
                bottom = f32(top - 1.05 * span)
            want = major_rows(bottom, top)
            s.key(key)
            s.wait_image(lambda im: height_ticks(im) == want, 5,
                         "height ticks at %s after %s" % (want, key))
        s.key("z")
        self.back_to(s, start, "z")
        # Up selects another trace: its dot and line are white, not yellow.
        s.key("Up")
        im = steady(s, lambda im: im.count(YELLOW) == 0, "no yellow")
        self.assertGreater(im.count(WHITE, (321, 48, 608, 144)), 5)
        s.key("Home")
        self.back_to(s, start, "Home")
        # Up and Down stop at the last and the first trace.
        s.type_keys("Up", "Up", "Up", "Up", "Down", "Down", "Down")
        self.back_to(s, start, "4 x Up, 3 x Down")
        s.type_keys("Down", "Down", "Down", "Down", "Up", "Up", "Up")
        self.back_to(s, start, "4 x Down, 3 x Up")
        # h: a blue box with the command list for four seconds.
        pressed = time.monotonic()
        s.key("h")
        im = steady(s, lambda im: im.pixel(2, 5) == BLUE, "the help box")
        self.assertEqual([im.pixel(x, y) for x, y in [(450, 160), (2, 160), (450, 5)]], [BLUE] * 3)
        self.assertNotEqual(im.pixel(451, 100), BLUE)
        self.assertNotEqual(im.pixel(100, 161), BLUE)
        self.assertGreater(im.count(WHITE, (2, 5, 451, 161)), 1000)
        self.back_to(s, start, "the help box")
        self.assertGreater(time.monotonic() - pressed, 3.8)
        s.key("q")
        self.assertEqual(s.wait_exit(10), 0)
