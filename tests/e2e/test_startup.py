"""Graphics start-up: the font failures that end it, and where fonts.dat is found."""
import os, shutil, unittest

from harness import BUILD, Vemora, demo


def stub_xmessage(work):
    """Logs the text allegro_message shows instead of waiting for a click; returns the environment and the log."""
    stub = work.parent / "xmessage"
    stub.write_text('#!/bin/sh\nfor a; do last=$a; done; printf "%%s" "$last" >> "%s"\n' % (work.parent / "shown"))
    stub.chmod(0o755)
    return {"PATH": "%s:%s" % (work.parent, os.environ["PATH"])}, work.parent / "shown"


class StartUpTest(unittest.TestCase):

    def test_font_failures_end_start_up(self):
        for line, printed, shown in [  # configuration line, what was printed, what allegro_message showed
                ("FONTFILE nosuch.fnt", "Fatal error: Did not find defined font file >nosuch.fnt<\n", ""),
                ("SFONTFILE radius.txt", "", "Unable to load small font radius.txt.\n"),
                ("", "", "Error loading fonts\n")]:  # a fonts.dat without the small font
            work = demo(line)
            if not line:
                (work / "fonts.dat").write_bytes((work / "fonts.dat").read_bytes().replace(b"fnt5x6", b"fnt5x7"))
            env, log = stub_xmessage(work)
            with Vemora(work, env=env, window=False) as v:
                self.assertEqual(v.wait_exit(), 1, line)
                self.assertTrue(v.out.read_text().endswith(printed), v.out.read_text())
                self.assertEqual(log.read_text() if shown else "", shown)

    def test_fonts_dat_beside_the_program_else_the_places_looked_at(self):
        work = demo()  # a program without fonts.dat beside it, a demo without one
        bin = work.parent / "bin"
        (work / "fonts.dat").unlink()
        bin.mkdir()
        shutil.copy(BUILD / "vemora", bin)
        env, log = stub_xmessage(work)
        with Vemora(work, binary=bin / "vemora", env=env, window=False) as v:
            self.assertEqual(v.wait_exit(), 1)
            places = ("fonts.dat", "%s/fonts.dat" % bin, "%s/../share/vemora/fonts.dat" % bin)
            self.assertIn("".join("Did not find >%s<\n" % p for p in places), v.out.read_text())
            self.assertEqual(log.read_text(), "Error loading fonts\n")
        shutil.copy(BUILD / "fonts.dat", bin)
        with Vemora(work, binary=bin / "vemora") as v:  # the window opens
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)
