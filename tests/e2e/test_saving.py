"""A failed save in the real window: started with standard output closed, saving to a FIFO that no process reads."""
import os, unittest

from harness import BUILD, Vemora, demo
from test_desktop import REST, no_message  # a key pressed before the message goes would find shift released


class SavingTest(unittest.TestCase):

    def test_a_failed_save_shows_why_and_the_editor_goes_on(self):
        work = demo("OUTFILE fifo")
        os.mkfifo(work / "fifo")
        closed = work.parent / "closed-stdout.sh"  # as a launcher that closes it
        closed.write_text('#!/bin/sh\nexec "%s" >&-\n' % (BUILD / "vemora"))
        closed.chmod(0o755)
        with Vemora(work, binary=closed) as v:
            v.move(*REST)
            v.wait_like("whole")
            v.key("f")  # a change to save
            v.wait_like("check", (0, 0, 320, 58))
            v.wait(lambda: v.title() == "Vemora - fifo *", "the unsaved mark")
            v.key("w")  # neither blocks nor writes the warning into the X connection
            v.wait_like("save_failed", (0, 0, 320, 30))
            no_message(v)
            v.close()  # still unsaved: the warning instead of quitting
            v.wait_like("unsaved", (0, 0, 320, 58))
            no_message(v)
            v.key("shift+q")
            self.assertEqual(v.wait_exit(), 0)
