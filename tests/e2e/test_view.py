"""The window and the keys: the real screen shows what the unit tests draw off screen."""
import unittest

from harness import Vemora, demo

REST = (630, 240)  # right of the panels, on the row where the pointer starts
STATUS = (4, 60, 200, 69)


class ViewTest(unittest.TestCase):

    def test_keys_and_the_status_line(self):
        work = demo()
        cfg = work / "vemora.cfg"
        cfg.write_text(cfg.read_text().replace("GRAPHRES 640 480\n", ""))  # the default size
        with Vemora(work) as v:
            v.move(*REST)
            v.wait_like("whole")
            # The status line follows the pointer to the first and the last row of the screen.
            for row in (0, 1, 479, 478):
                before = v.last.box(*STATUS)
                v.move(REST[0], row)
                v.wait_grab(lambda g: g.box(*STATUS) != before, "the status line for row %d" % row, steady=True)
            v.move(*REST)
            v.key("a")
            v.wait_like("angles_off")
            v.key("a", "Up")
            v.move(REST[0], 100)  # over the cross-section: the keypad narrows the trace range
            v.key("KP_Home", "KP_Home")
            v.move(*REST)
            v.key("Right", "Right", "Right")
            v.wait_like("keys")
            v.key("z", "Home", "Left", "Left", "Left")
            v.wait_like("whole")
            # f reports the faults it repairs; w saves them, so that q quits at once.
            v.key("f")
            v.wait_like("check", (0, 0, 320, 58))
            v.key("w", "q")
            self.assertEqual(v.wait_exit(), 0)
            self.assertNotEqual((work / "trace_new.txt").read_bytes(), (work / "trace.txt").read_bytes())
