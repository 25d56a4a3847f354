"""A long seeded random session on the demo track that must lose nothing.

VEMORA_SOAK_SEED and VEMORA_SOAK_COMMANDS set the seed and the number of
commands (default 1 and 1000); raise the count for a longer soak by hand.
"""
import os
import random
import time

import harness
import trackcheck
from harness import LEFT, MIDDLE, RIGHT

KEYS = ["a", "c", "f", "z", "KP_End", "KP_Next", "KP_Home", "KP_Prior", "Insert", "Delete",
        "Prior", "Next", "Home", "Left", "Right", "Up", "Down", "b", "Escape", "End"]
# The check and fix pause the program for up to 1.5 s each, the help box for 4 s.
SLOW_KEYS = {"c": 0.03, "f": 0.03}
HELP_SHOWINGS = 2

PROFILE = (33, 170, 607, 455)  # inside the profile panel at 640x480
UPPER_Y = (30, 140)            # rows over the cross-section panel


def sanitized(pid):
    """The address sanitizer holds freed memory back, so resident size says little there."""
    with open("/proc/%d/maps" % pid) as f:
        return "libasan" in f.read()


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class LongSession(harness.VemoraTestCase):
    def fast_move(self, s, x, y):
        # Exact landing does not matter in a random session; skip the harness's check.
        s._xdo("mousemove", str(s.origin[0] + x), str(s.origin[1] + y))
        time.sleep(0.02)

    def press(self, s, button, hold=0.06):
        s._xdo("mousedown", str(button))
        time.sleep(hold)
        s._xdo("mouseup", str(button))
        time.sleep(0.03)

    def random_point(self, rng):
        return rng.randint(PROFILE[0], PROFILE[2]), rng.randint(PROFILE[1], PROFILE[3])

    def gesture(self, s, rng):
        kind = rng.choice(["select", "edit", "edit", "cancel", "zoom", "refused_zoom"])
        x, y = self.random_point(rng)
        self.fast_move(s, x, y)
        if kind == "select":
            self.press(s, LEFT)
        elif kind in ("edit", "cancel"):
            self.press(s, LEFT)          # selects the section nearest x
            s._xdo("mousedown", str(LEFT))  # the second press drags its height
            time.sleep(0.06)
            self.fast_move(s, x, rng.randint(PROFILE[1], PROFILE[3]))
            s._xdo("mouseup", str(LEFT))
            time.sleep(0.06)
            self.fast_move(s, *self.random_point(rng))
            self.press(s, RIGHT if kind == "cancel" else rng.choice([LEFT, MIDDLE]))
        elif kind == "zoom":
            s._xdo("mousedown", str(RIGHT))
            time.sleep(0.06)
            self.fast_move(s, *self.random_point(rng))
            s._xdo("mouseup", str(RIGHT))
            time.sleep(0.05)
        else:
            self.press(s, RIGHT)

    def key(self, s, rng):
        name = rng.choice(KEYS)
        if name in SLOW_KEYS and rng.random() > SLOW_KEYS[name] * len(KEYS):
            name = "Left"
        if name.startswith("KP_"):
            # The pointer's panel decides between the trace and the section range.
            y = rng.randint(*UPPER_Y) if rng.random() < 0.5 else rng.randint(PROFILE[1], PROFILE[3])
            self.fast_move(s, rng.randint(PROFILE[0], PROFILE[2]), y)
        s.type_keys(name)

    def test_random_session_loses_nothing(self):
        seed = int(os.environ.get("VEMORA_SOAK_SEED", "1"))
        commands = int(os.environ.get("VEMORA_SOAK_COMMANDS", "1000"))
        rng = random.Random(seed)
        work = harness.scratch_demo()
        s = self.start(work)
        s.move(320, 300)
        started = time.monotonic()
        help_at = {commands // 3, 2 * commands // 3} if HELP_SHOWINGS else set()
        rss_quarter = None
        for i in range(commands):
            if i in help_at:
                s.type_keys("h")
            elif rng.random() < 0.25:
                self.gesture(s, rng)
            else:
                self.key(s, rng)
            if i == commands // 4:
                rss_quarter = resident_kib(s.proc.pid)
            self.assertTrue(s.alive(), "program died after %d commands\n%s" % (i, s.diagnostics()))

        # Still responsive: the status line follows the pointer once the queue is drained.
        s.type_keys("z")
        band = (4, 60, 200, 69)

        def status_after_move(y):
            s.move(320, y)
            return s.wait_until(lambda: s.screenshot().colors(band), timeout=30,
                                message="status line drawn")

        first = status_after_move(200)
        s.move(320, 420)
        s.wait_until(lambda: s.screenshot().colors(band) != first, timeout=30,
                     message="status line changes with the pointer")
        rss_end = resident_kib(s.proc.pid)
        memory_checked = not sanitized(s.proc.pid)
        elapsed = time.monotonic() - started

        s.type_keys("f")
        out = work / "trace_new.txt"
        if out.exists():
            out.unlink()
        s.type_keys("w")
        s.wait_file(out, timeout=30)
        s.wait_until(lambda: "Warning" not in s.stdout_text() and out.exists(), timeout=5)
        s.key("q")
        self.assertEqual(s.wait_exit(timeout=30), 0)
        print("\nrandom session: %d commands (seed %d) in %.0f s; resident %d KiB at a quarter, %d KiB at the end"
              % (commands, seed, elapsed, rss_quarter, rss_end))
        if memory_checked:
            self.assertLess(rss_end, rss_quarter * 1.25 + 4096, "resident memory keeps growing")

        # The saved file loads again, passes the check clean after the fix, and round-trips.
        track = trackcheck.Track(out)
        gaps, kinks = trackcheck.faulty_joins(track, trackcheck.trace_lengths(track, work))
        self.assertEqual((gaps, kinks), ([], []))
        cfg = (work / "vemora.cfg").read_text()
        cfg = cfg.replace("INFILE trace.txt", "INFILE trace_new.txt").replace(
            "OUTFILE trace_new.txt", "OUTFILE trace_again.txt")
        (work / "vemora.cfg").write_text(cfg)
        again = self.start(work)
        again.key("w")
        again.wait_file(work / "trace_again.txt", timeout=15)
        again.key("q")
        self.assertEqual(again.wait_exit(timeout=15), 0)
        self.assertEqual((work / "trace_again.txt").read_bytes(), out.read_bytes())
