"""The real window shows what the unit tests draw off screen, for keys and the rectangle zoom; the close button."""
import subprocess, unittest

from harness import BUILD, RIGHT, Vemora, demo

REST, STATUS = (630, 240), (4, 60, 200, 69)  # right of the panels, on the row where the pointer starts


class ViewTest(unittest.TestCase):

    def test_keys_zoom_the_fix_of_vemora_check_and_the_close_button(self):
        work, tool = demo(), demo()
        (work / "vemora.cfg").write_text((work / "vemora.cfg").read_text().replace("GRAPHRES 640 480\n", ""))
        fix = subprocess.run([BUILD / "vemora-check", "--fix"], cwd=tool, capture_output=True, text=True, env={})
        self.assertEqual(fix.returncode, 0, fix.stdout + fix.stderr)  # no display
        with Vemora(work) as v:  # the default size
            v.move(*REST)
            v.wait_like("whole")
            for row in (0, 1, 479, 478):  # the status line follows the pointer to the edge rows
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
            for corners in (((300, 200), (450, 400)), ((450, 400), (300, 200))):  # either way round
                v.drag(RIGHT, *corners)
                v.move(*REST)
                v.wait_like("zoomed")
                v.key("z")
            v.key("f")  # the faults as the check tool fixes them
            v.wait_like("check", (0, 0, 320, 58))
            v.wait_grab(lambda g: b"\xff\xff\xff" not in g.box(4, 10, 300, 48), "the report to go")
            v.close()  # the window manager's close button: unsaved, so the warning instead of quitting
            v.wait_like("unsaved", (0, 0, 320, 58))
            v.key("w")  # saved, so the close button ends it
            v.wait(lambda: (work / "trace_new.txt").exists() and v.title() == "Vemora - trace_new.txt", "the save")
            self.assertEqual((work / "trace_new.txt").read_bytes(), (tool / "trace_new.txt").read_bytes())
            v.close()
            self.assertEqual(v.wait_exit(), 0)
