"""Starts BINARY in the working directory under Xvfb, waits for its first frame (the profile panel's grey frame,
drawn with the fonts it found) and quits with q. Usage: python3 -B first_frame.py BINARY"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from harness import Vemora  # noqa: E402

with Vemora(".", binary=sys.argv[1]) as v:
    v.wait_grab(lambda g: all(g.pixel(*p) == b"\xd3\xd3\xd3" for p in ((31, 300), (300, 167), (300, 457))), "a frame")
    v.key("q")
    assert v.wait_exit() == 0, "q did not end vemora with status 0"
