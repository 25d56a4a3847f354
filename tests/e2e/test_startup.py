"""Graphics start-up: the window as the desktop sees it, the failures that end start-up, where fonts.dat is found."""
import os, shutil, unittest

from harness import BUILD, Vemora, demo, find, watch, x, xlib


class StartUpTest(unittest.TestCase):

    def test_a_managed_window_named_before_it_is_shown_that_grabs_nothing(self):
        work, title_shown = demo("GRAPHRES 1500 1100", drop="OUTFILE"), watch()  # larger than the screen
        with Vemora(work) as v:
            self.assertIn("Width: 1500\n  Height: 1100\n", x("xwininfo", "-id", v.window))
            self.assertEqual((v.title(), title_shown(v.window)), ("Vemora - trace.txt (no OUTFILE)",) * 2)
            self.assertIn('"vemora", "Vemora"', x("xprop", "-id", v.window, "WM_CLASS"))
            self.assertIn("0x%08x " % int(v.window), x("wmctrl", "-l"), "not managed by the window manager")
            xl, d, root = xlib()  # another client can grab the keyboard and the pointer
            grabbed = xl.XGrabKeyboard(d, root, 0, 1, 1, 0), xl.XGrabPointer(d, root, 0, 0, 1, 1, 0, 0, 0)
            xl.XCloseDisplay(d)
            self.assertEqual(grabbed, (0, 0), "keyboard or pointer grabbed")

    def test_failures_end_start_up_with_the_real_dialog_once_the_window_is_gone(self):
        (xmessage := demo().parent / "xmessage").write_text(
            '#!/bin/sh\nfor a; do t=$a; done; printf %s "$t" >../shown\nexec /usr/bin/xmessage "$@" 2>/dev/null\n')
        xmessage.chmod(0o755)  # the real one, the text it shows logged beside the working directory
        for line, printed, shown in [  # configuration line; all printed after loading; the dialog's text
                ("FONTFILE nosuch.fnt", "Fatal error: Did not find defined font file >nosuch.fnt<\n", ""),
                ("SFONTFILE radius.txt", "", "Unable to load small font radius.txt.\n"),
                ("", "", "Error loading fonts\n"),  # fonts.dat without the small font, not the one beside the program
                ("GRAPHRES 40000 40000", "", "Unable to set graphics mode.\n"),  # the library would abort
                ("GRAPHRES -5 480", "", "Unable to set graphics mode.\n")]:
            work = demo(line)
            if not line:
                (work / "fonts.dat").write_bytes((BUILD / "fonts.dat").read_bytes().replace(b"fnt5x6", b"fnt5x7"))
            with Vemora(work, env={"PATH": "%s:%s" % (xmessage.parent, os.environ["PATH"])}, window=False) as v:
                if shown:  # Return answers it
                    dialog = v.wait(lambda: next(iter(find("^Xmessage$")), None), "the dialog")
                    self.assertEqual(find("^Vemora$"), [], "the editor's window is still up under the dialog")
                    x("xdotool", "windowfocus", "--sync", dialog, "key", "Return")
                self.assertEqual(v.wait_exit(), 1, line)
                self.assertEqual(v.out.read_text().split(">altref.txt<\n")[1], printed, line)
                self.assertEqual((work.parent / "shown").read_text() if shown else "", shown, line)

    def test_without_fonts_dat_the_places_looked_at(self):
        (bin := (work := demo()).parent / "bin").mkdir()  # the other tests use the fonts.dat beside the program
        shutil.copy(BUILD / "vemora", bin)
        with Vemora(work, binary=bin / "vemora", env={"PATH": "/none"}, window=False) as v:  # no xmessage: printed
            self.assertEqual(v.wait_exit(), 1)
            places = ("fonts.dat", "%s/fonts.dat" % bin, "%s/../share/vemora/fonts.dat" % bin)
            self.assertIn("".join("Did not find >%s<\n" % p for p in places) + "Error loading fonts", v.out.read_text())
