"""The real window against the golden frames under real keys, mouse and window manager, and the files it saves."""
import os, subprocess, unittest

from harness import BUILD, LEFT, REST, RIGHT, WHITE, Vemora, demo

CYAN, STATUS, MESSAGES = b"\xe0\xff\xff", (4, 60, 200, 69), (0, 0, 320, 58)


class WindowTest(unittest.TestCase):

    def test_keys_zoom_and_the_fix_saved_as_vemora_check_saves_it(self):
        work, tool = demo(drop="GRAPHRES"), demo()
        subprocess.run([BUILD / "vemora-check", "--fix"], cwd=tool, capture_output=True, env={})  # no display
        with Vemora(work, first="whole") as v:  # the default size
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
            v.drag(RIGHT, (450, 400), (300, 200))
            v.move(*REST)
            v.wait_like("zoomed")
            v.key("f", "w")
            v.wait_like("check", MESSAGES)
            v.wait(lambda: (work / "trace_new.txt").exists(), "the save")  # renamed into place when written
            self.assertEqual((work / "trace_new.txt").read_bytes(), (tool / "trace_new.txt").read_bytes())

    def test_an_edit_by_mouse_the_title_the_emergency_exit_and_the_close_button(self):
        with Vemora(first="whole") as v:
            named = lambda mark: v.wait(lambda: v.title() == "Vemora - trace_new.txt" + mark, "the title's end " + mark)
            named("")
            v.drag(LEFT, (400, 330))  # selects the section starting at column 400
            v.wait_grab(lambda g: CYAN in g.box(390, 250, 411, 251) and CYAN not in g.box(32, 250, 33, 251),
                        "the section at column 400 selected", steady=True)
            v.drag(LEFT, (400, 330), (460, 260))  # its start to row 260, then the gradient towards (445, 215)
            v.wait_grab(lambda g: WHITE in g.box(4, 40, 300, 48), "the last gradient prompt")
            v.drag(LEFT, (445, 215))
            v.move(*REST)
            v.wait_like("edited")
            named(" *")
            v.key("ctrl+alt+End")  # the library's emergency exit is off
            v.close()  # unsaved: the window manager's close button warns instead of quitting
            v.wait_like("unsaved", MESSAGES)
            v.key("w")
            named("")
            v.close()
            self.assertEqual(v.wait_exit(), 0)

    def test_a_failed_save_shows_why_and_the_editor_goes_on(self):
        work = demo("OUTFILE fifo")  # a FIFO that no process reads
        os.mkfifo(work / "fifo")
        with Vemora(work, first="whole", preexec_fn=lambda: os.close(1)) as v:  # started with standard output closed
            v.key("f")  # a change to save
            v.wait(lambda: v.title() == "Vemora - fifo *", "the unsaved mark")
            v.key("w")  # neither blocks nor writes the warning into the X connection
            v.wait_like("save_failed", (0, 0, 320, 30))
            v.wait_grab(lambda g: WHITE not in g.box(*MESSAGES), "the message to go")  # the warning on a clean view
            v.close()
            v.wait_like("unsaved", MESSAGES)
