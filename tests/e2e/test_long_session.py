"""A long random session that must lose nothing (VEMORA_SOAK_SEED, VEMORA_SOAK_COMMANDS: 1, 1000)."""
import os
import random
import re
import time
from pathlib import Path

import harness
from common import Track, faulty_joins, raw, steady, trace_lengths
from harness import LEFT, MIDDLE, RIGHT

KEYS = ["a", "c", "f", "z", "KP_End", "KP_Next", "KP_Home", "KP_Prior", "Insert", "Delete",
        "Prior", "Next", "Home", "Left", "Right", "Up", "Down", "b", "Escape", "End"]
XS, YS, UPPER_YS = (33, 607), (170, 455), (30, 140)  # inside the profile; over the cross-section


def proc(s, name):
    """A /proc file of the program of session s."""
    return Path("/proc/%d/%s" % (s.proc.pid, name)).read_text()


class LongSession(harness.VemoraTestCase):

    def test_random_session_loses_nothing(self):
        seed = int(os.environ.get("VEMORA_SOAK_SEED", "1"))
        commands = int(os.environ.get("VEMORA_SOAK_COMMANDS", "1000"))
        rng, work = random.Random(seed), harness.scratch_demo().resolve()
        s = self.start(work)
        s.move(320, 300)
        ox, oy = s.origin  # quick moves without Session.move's check of the landing

        def xdo(*args, pause=0.06):
            s._xdo(*map(str, args))
            time.sleep(pause)

        def move(x=None, y=None):  # random within the profile where not given
            xdo("mousemove", ox + (x or rng.randint(*XS)), oy + (y or rng.randint(*YS)), pause=0.02)

        def press(button, to=None):  # a click, or a drag to `to`
            xdo("mousedown", button)
            if to is not None:
                move(*to)
            xdo("mouseup", button, pause=0.04)

        for i in range(commands):
            if i in (commands // 3, 2 * commands // 3):
                s.type_keys("h")  # the help box, for 4 s
            elif rng.random() < 0.25:
                kind = rng.choice(["select", "edit", "edit", "cancel", "zoom", "refused_zoom"])
                x = rng.randint(*XS)
                move(x)  # a selection of the section nearest x, a zoom or a refused zoom
                press(RIGHT if "zoom" in kind else LEFT, () if kind == "zoom" else None)
                if kind in ("edit", "cancel"):  # a height drag, then a gradient or a cancel
                    press(LEFT, (x,))
                    move()
                    press(RIGHT if kind == "cancel" else rng.choice([LEFT, MIDDLE]))
            else:
                name = rng.choice(KEYS)
                if name in ("c", "f") and rng.random() > 0.03 * len(KEYS):
                    name = "Left"  # rarely: the check and fix pause the program for 1.5 s
                if name.startswith("KP_"):  # the pointer's panel picks the trace or the section range
                    move(None, rng.randint(*UPPER_YS) if rng.random() < 0.5 else None)
                s.type_keys(name)
            if i == commands // 4:
                rss_quarter = int(re.search(r"VmRSS:\s*(\d+)", proc(s, "status"))[1])
            self.assertTrue(s.alive(), "program died after %d commands\n%s" % (i, s.diagnostics()))
        # Still responsive: once the queue is drained the status line follows the pointer.
        s.type_keys("z")
        s.move(320, 200)
        status = raw(steady(s, timeout=30), (4, 60, 200, 69))
        s.move(320, 420)
        s.wait_until(lambda: raw(s.screenshot(), (4, 60, 200, 69)) != status, 30, message="the status line to follow")
        rss_end = int(re.search(r"VmRSS:\s*(\d+)", proc(s, "status"))[1])
        print("\n%d commands (seed %d); resident %d KiB, then %d KiB" % (commands, seed, rss_quarter, rss_end))
        if "libasan" not in proc(s, "maps"):  # the address sanitizer holds freed memory back
            self.assertLess(rss_end, rss_quarter * 1.25 + 4096, "resident memory keeps growing")
        # The fixed and saved file passes the check clean, loads again and round-trips.
        s.type_keys("f", "w", "q")
        self.assertEqual(s.wait_exit(30), 0, "q after w")
        self.assertNotIn("Warning", s.stdout_text())
        saved = (work / "trace_new.txt").read_bytes()
        track = Track(work / "trace_new.txt")
        self.assertEqual(faulty_joins(track, trace_lengths(track, work)), ([], []))
        again = harness.scratch_demo()
        (again / "trace.txt").write_bytes(saved)
        s = self.start(again)
        s.key("w")
        s.wait_file("trace_new.txt", timeout=15, predicate=lambda p: p.read_bytes() == saved)
