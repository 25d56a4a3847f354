"""Graphics start-up: the font failures that end it."""
import os, unittest

from harness import Vemora, demo


class StartUpTest(unittest.TestCase):

    def test_font_failures_end_start_up(self):
        for line, printed, shown in [  # configuration line, what was printed, what allegro_message showed
                ("FONTFILE nosuch.fnt", "Fatal error: Did not find defined font file >nosuch.fnt<\n", ""),
                ("SFONTFILE radius.txt", "", "Unable to load small font radius.txt.\n"),
                ("", "", "Error loading fonts\n")]:  # a fonts.dat without the small font
            work = demo(line)
            if not line:
                (work / "fonts.dat").write_bytes((work / "fonts.dat").read_bytes().replace(b"fnt5x6", b"fnt5x7"))
            stub = work.parent / "xmessage"  # logs the text allegro_message shows instead of waiting for a click
            stub.write_text('#!/bin/sh\nfor a; do last=$a; done; printf "%%s" "$last" >> "%s"\n' % (work.parent / "shown"))
            stub.chmod(0o755)
            with Vemora(work, env={"PATH": "%s:%s" % (work.parent, os.environ["PATH"])}, window=False) as v:
                self.assertEqual(v.wait_exit(), 1, line)
                self.assertTrue(v.out.read_text().endswith(printed), v.out.read_text())
                self.assertEqual((work.parent / "shown").read_text() if shown else "", shown)
