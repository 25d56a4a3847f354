"""Keyboard commands seen on the screen: ranges, height limits, selection, angles, help, status, quit."""
import math
import time

import harness
from common import BLUE, CYAN, GREY, WHITE, f32, raw, same, steady

LOW, BELOW_EDGE, EDGE, HIGH = (625, 300), (625, 145), (625, 144), (625, 100)
CROSS, PROFILE, STATUS = (300, 0, 612, 160), (0, 160, 612, 480), (4, 60, 200, 69)
STEPS = [(10000, 5000), (5000, 2000), (1000, 500), (500, 200), (100, 50), (50, 20),
         (10, 5), (5, 2), (1, 0.5), (0.5, 0.2)]


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


def ticks(im):
    """Height ticks (majors only reach x=27..29), distance ticks and offset ticks."""
    return ([y for y in range(160, 470) if im.pixel(28, y) == GREY],
            [x for x in range(25, 615) if im.pixel(x, 460) == GREY],
            [x for x in range(315, 615) if im.pixel(x, 147) == GREY])


def cyan_columns(im):
    return [x for x in range(32, 609) if im.count(CYAN, (x, 168, x + 1, 457)) > 100]


class KeysTest(harness.VemoraTestCase):

    def test_view_commands(self):
        s = self.start()
        s.move(*LOW)
        start = steady(s)
        heights, distances, offsets = ticks(start)
        # a hides the angle labels and shows them again; at their limits KP 1, KP 9 and Left do nothing.
        s.key("a")
        im = steady(s, lambda im: im.count(WHITE, (321, 30, 608, 48)) == 0, "cross slope labels hidden")
        self.assertLess(im.count(WHITE, (32, 194, 609, 204)), start.count(WHITE, (32, 194, 609, 204)) / 2)
        s.type_keys("KP_End", "KP_Prior", "Left", "a")
        same(s, start, "after KP 1, KP 9 and Left at their limits, a again")
        # On the cross-section panel's bottom row KP 7, then KP 3, narrow the trace range.
        s.move(*EDGE)
        before = steady(s)
        for key in ("KP_Home", "KP_Next"):
            seen = ticks(s.screenshot())[2]
            s.key(key)
            im = steady(s, lambda im: ticks(im)[2] != seen, "the offsets axis to change after " + key)
            self.assertEqual(raw(im, PROFILE), raw(before, PROFILE), "profile changed by " + key)
        s.move(*HIGH)
        s.type_keys("KP_End", "KP_End", "KP_Prior", "KP_Prior")
        same(s, start, "after KP 1 and KP 9 over the cross-section panel", CROSS, PROFILE)
        # Over the profile (one row below the other panel too) KP 7 and KP 1 move its start;
        # KP 7 pulls the selection along.
        s.move(*LOW)
        s.key("KP_Home")
        im = steady(s, lambda im: ticks(im)[1] != distances, "the distance axis to move")
        self.assertEqual(ticks(im), (heights, ticks(im)[1], offsets))
        s.move(*BELOW_EDGE)
        s.key("KP_End")
        section1 = cyan_columns(steady(s, lambda im: ticks(im)[1] == distances, "the distance axis back"))
        self.assertTrue(len(section1) == 1 and section1[0] > 32, "section 1 selected: %s" % section1)
        s.move(*LOW)
        s.key("Left")
        same(s, start, "after Left")
        # The status line follows the pointer's row only.
        s.move(400, 300)
        time.sleep(0.3)
        self.assertEqual(raw(s.screenshot(), STATUS), raw(start, STATUS))
        s.move(400, 250)
        s.wait_image(lambda im: raw(im, STATUS) != raw(start, STATUS), 5, "the status line to change")
        s.move(*LOW)
        s.key("Right")
        steady(s, lambda im: cyan_columns(im) == section1, "section 1 selected")
        # Insert, Delete, PageUp and PageDown scale the height axis (the demo's heights lie
        # between 2.34 m and 17.98 m); z restores it and the ranges, not the selected section.
        bottom, top = 1.0, 18.0
        self.assertEqual(heights, major_rows(bottom, top))
        for key, factor in (("Delete", 0.95), ("Insert", 1.05), ("Insert", 1.05),
                            ("Prior", -0.95), ("Next", -1.05), ("Next", -1.05)):
            span = top - bottom
            top, bottom = (f32(bottom + factor * span), bottom) if factor > 0 else (top, f32(top + factor * span))
            want = major_rows(bottom, top)
            s.key(key)
            s.wait_image(lambda im: ticks(im)[0] == want, 5, "height ticks at %s after %s" % (want, key))
        s.move(*EDGE)
        s.key("KP_Home")
        s.move(*LOW)
        s.type_keys("KP_Home", "z", "Left")
        same(s, start, "after z and Left")
        # Up and Down stop at the last and the first trace.
        s.type_keys("Up", "Up", "Up", "Up", "Down", "Down", "Down")
        same(s, start, "after 4 x Up, 3 x Down")
        s.type_keys("Down", "Down", "Down", "Down", "Up", "Up", "Up")
        same(s, start, "after 4 x Down, 3 x Up")
        # h: a blue box with the command list for four seconds.
        pressed = time.monotonic()
        s.key("h")
        im = steady(s, lambda im: im.pixel(2, 5) == BLUE, "the help box")
        self.assertEqual([im.pixel(*p) == BLUE for p in [(450, 160), (2, 160), (450, 5), (451, 100), (100, 161)]],
                         [True, True, True, False, False])
        self.assertGreater(im.count(WHITE, (2, 5, 451, 161)), 1000)
        same(s, start, "the help box")
        self.assertGreater(time.monotonic() - pressed, 3.8)
        s.key("q")  # nothing unsaved: quits at once
        self.assertEqual(s.wait_exit(10), 0)
