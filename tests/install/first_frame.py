"""Starts BINARY in WORKDIR under a private Xvfb, waits for its first frame (the
profile panel's grey frame at 640x480), quits with q and expects status 0.
Usage: first_frame.py BINARY WORKDIR"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
import harness  # noqa: E402
from common import GREY  # noqa: E402

# On the profile panel's frame, one pixel outside its plot: left, top and bottom lines.
FRAME = ((31, 300), (300, 167), (300, 457))

binary, workdir = sys.argv[1:3]
with harness.Xvfb() as xvfb, harness.Session(workdir, xvfb.display, binary=binary) as s:
    s.wait_for_window(640, 480)
    s.wait_image(lambda im: all(im.pixel(*p) == GREY for p in FRAME), 10, "the profile panel's frame")
    s.key("q")
    status = s.wait_exit()
    if status != 0:
        sys.exit("vemora ended with status %d after q\n%s" % (status, s.diagnostics()))
print("first frame shown; q ended vemora with status 0")
