"""Graphics start-up: the window as the desktop sees it, the failures that end start-up, where fonts.dat is found."""
import os, re, shutil, unittest

from harness import BUILD, Vemora, Watch, demo, find, x, xlib


def stub_xmessage(work):  # logs the text allegro_message shows, answers OK (101) at once; the environment, the log
    stub = work.parent / "xmessage"  # run in the working directory, work
    stub.write_text('#!/bin/sh\nfor a; do last=$a; done; printf "%s" "$last" >> ../shown; exit 101\n')
    stub.chmod(0o755)
    return {"PATH": "%s:%s" % (work.parent, os.environ["PATH"])}, work.parent / "shown"


class StartUpTest(unittest.TestCase):

    def test_a_managed_window_named_before_it_is_shown_that_grabs_nothing(self):
        work, watch = demo("GRAPHRES 1500 1100"), Watch()  # larger than the screen
        (work / "vemora.cfg").write_text(re.sub(r"OUTFILE .*\n", "", (work / "vemora.cfg").read_text()))
        with Vemora(work) as v:
            self.assertIn("Width: 1500\n  Height: 1100\n", x("xwininfo", "-id", v.window))
            self.assertEqual((v.title(), watch.title_shown(v.window)), ("Vemora - trace.txt (no OUTFILE)",) * 2)
            self.assertIn('"vemora", "Vemora"', x("xprop", "-id", v.window, "WM_CLASS"))
            self.assertIn("0x%08x " % int(v.window), x("wmctrl", "-l"), "not managed by the window manager")
            xl, d, root = xlib()  # another client can grab the keyboard and the pointer
            grabbed = xl.XGrabKeyboard(d, root, 0, 1, 1, 0), xl.XGrabPointer(d, root, 0, 0, 1, 1, 0, 0, 0)
            xl.XCloseDisplay(d)
            self.assertEqual(grabbed, (0, 0), "keyboard or pointer grabbed")

    def test_failures_end_start_up(self):
        for line, printed, shown in [  # configuration line; all printed after loading; what allegro_message showed
                ("FONTFILE nosuch.fnt", "Fatal error: Did not find defined font file >nosuch.fnt<\n", ""),
                ("SFONTFILE radius.txt", "", "Unable to load small font radius.txt.\n"),
                ("", "", "Error loading fonts\n"),  # a fonts.dat without the small font
                ("GRAPHRES 40000 40000", "", "Unable to set graphics mode.\n"),  # the library would abort
                ("GRAPHRES -5 480", "", "Unable to set graphics mode.\n"),
                ("GRAPHRES 0 0", "", "Unable to set graphics mode.\n"),
                ("GRAPHRES 640 65536", "", "Unable to set graphics mode.\n")]:
            work = demo(line)
            if not line:
                (work / "fonts.dat").write_bytes((work / "fonts.dat").read_bytes().replace(b"fnt5x6", b"fnt5x7"))
            env, log = stub_xmessage(work)
            with Vemora(work, env=env, window=False) as v:
                self.assertEqual(v.wait_exit(), 1, line)
                self.assertEqual(v.out.read_text().split(">altref.txt<\n")[1], printed, line)
                self.assertEqual(log.read_text() if shown else "", shown, line)

    def test_the_real_dialog_for_a_file_that_is_no_font_comes_after_the_window(self):
        with Vemora(demo("SFONTFILE radius.txt"), window=False) as v:
            dialog = v.wait(lambda: next(iter(find("^Xmessage$")), None), "the dialog")
            self.assertEqual(find("^Vemora$"), [], "the editor's window is still up under the dialog")
            x("xdotool", "windowfocus", "--sync", dialog, "key", "Return")
            self.assertEqual(v.wait_exit(), 1)

    def test_fonts_dat_beside_the_program_else_the_places_looked_at(self):
        work = demo()  # a program without fonts.dat beside it, a demo without one
        (work / "fonts.dat").unlink()
        (bin := work.parent / "bin").mkdir()
        shutil.copy(BUILD / "vemora", bin)
        env, log = stub_xmessage(work)
        with Vemora(work, binary=bin / "vemora", env=env, window=False) as v:
            self.assertEqual(v.wait_exit(), 1)
            places = ("fonts.dat", "%s/fonts.dat" % bin, "%s/../share/vemora/fonts.dat" % bin)
            self.assertIn("".join("Did not find >%s<\n" % p for p in places), v.out.read_text())
            self.assertEqual(log.read_text(), "Error loading fonts\n")
        shutil.copy(BUILD / "fonts.dat", bin)
        with Vemora(work, binary=bin / "vemora", first="whole"):  # the window opens
            pass
