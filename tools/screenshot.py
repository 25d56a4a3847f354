#!/usr/bin/env python3
"""Takes docs/screenshot.png: the editor on the demo as a desktop shows it, in openbox's frame with its
title bar, under Xvfb as the end-to-end tests run it (VEMORA_BUILD_DIR names the build).
Usage: tools/screenshot.py [OUTPUT]"""
import re, subprocess, sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402

out = Path(sys.argv[1] if len(sys.argv) > 1 else harness.REPO / "docs" / "screenshot.png").resolve()
with harness.Vemora() as v:
    v.move(408, 356)  # over the profile panel: the status line reads the height there
    v.wait_grab(lambda g: g.box(0, 0, 620, 480) != harness.golden("whole").box(0, 0, 620, 480), "the status line")
    frame = re.search(r"Parent window id: (0x[0-9a-f]+)", harness.x("xwininfo", "-children", "-id", v.window))[1]
    subprocess.run(["import", "-display", harness.display(), "-window", frame, "-depth", "8", str(out)], check=True)
    v.key("shift+q")
print(out)
