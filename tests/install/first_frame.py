"""Starts BINARY in the working directory (a copy of the demo) under Xvfb, waits for its first frame, drawn with the
fonts it found, to be the golden one, and quits with q. Usage: python3 -B first_frame.py BINARY"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from harness import Vemora  # noqa: E402

with Vemora(".", binary=sys.argv[1], first="whole") as v:
    v.key("q")
    assert v.wait_exit() == 0, "q did not end vemora with status 0"
