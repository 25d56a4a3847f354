#!/usr/bin/env python3
"""What an idle editor costs and how fast it answers a key: the real program on the demo, under Xvfb
and openbox as the end-to-end tests run it (VEMORA_BUILD_DIR names the build).

Idle: the share of one core the process takes (utime + stime of /proc/PID/stat, and of each thread
under /proc/PID/task) over 5 s with nothing happening. Key to frame: from an XTest press of `a`
(angles on or off, which redraws the labels of the profile panel) to the first changed pixel of a
strip of the window there, read with XGetImage as fast as it goes.
Usage: bench/idle_and_keys.py [--presses N] [--binary PATH]
"""
import argparse, ctypes, os, statistics, sys, time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402

STRIP = (32, 190, 577, 11)  # x, y, width, height in the window: angle labels of the profile panel


class XImage(ctypes.Structure):  # the leading fields of Xlib's XImage
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


def cpu_seconds(pid):
    """CPU seconds of the process and of each of its threads."""
    def of(stat):
        fields = Path(stat).read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime, stime
    tasks = Path("/proc/%d/task" % pid)
    return of("/proc/%d/stat" % pid), {t.name: of(t / "stat") for t in tasks.iterdir()}


def idle_shares(pid, seconds=5.0):
    (whole, threads), at = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    (whole_after, threads_after), spent = cpu_seconds(pid), time.monotonic() - at
    return (whole_after - whole) / spent, [(threads_after[t] - threads.get(t, 0)) / spent for t in sorted(
        threads_after, key=int)]


def key_to_frame(v, presses):
    (xl, d, root), xt = harness.xlib(), ctypes.CDLL("libXtst.so.6")
    xl.XGetImage.restype, xl.XStringToKeysym.restype = ctypes.c_void_p, ctypes.c_ulong
    code = ctypes.c_uint(xl.XKeysymToKeycode(d, ctypes.c_ulong(xl.XStringToKeysym(b"a"))))
    place = [ctypes.c_int(v.origin[0] + STRIP[0]), ctypes.c_int(v.origin[1] + STRIP[1]), ctypes.c_uint(STRIP[2]),
             ctypes.c_uint(STRIP[3]), ctypes.c_ulong(0xFFFFFFFF), ctypes.c_int(2)]  # all planes, ZPixmap

    def strip():
        image = XImage.from_address(xl.XGetImage(d, root, *place))
        pixels = ctypes.string_at(image.data, image.bytes_per_line * image.height)
        xl.XFree(ctypes.c_void_p(image.data)), xl.XFree(ctypes.byref(image))
        return pixels

    times = []
    for _ in range(presses):
        harness.x("xdotool", "windowfocus", "--sync", v.window)
        before = strip()
        time.sleep(0.2)  # idle again before the key
        xt.XTestFakeKeyEvent(d, code, 1, ctypes.c_ulong(0)), xl.XFlush(d)
        pressed = time.monotonic()
        while strip() == before:
            if time.monotonic() - pressed > 5:
                raise SystemExit("no change of the frame 5 s after the key")
        times.append(1000 * (time.monotonic() - pressed))
        xt.XTestFakeKeyEvent(d, code, 0, ctypes.c_ulong(0)), xl.XSync(d, 0)
        time.sleep(0.3)  # the whole frame drawn before the next press reads the strip
    xl.XCloseDisplay(d)
    return times


def main():
    args = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    args.add_argument("--presses", type=int, default=30)
    args.add_argument("--binary", default=str(harness.BUILD / "vemora"))
    opts = args.parse_args()
    with harness.Vemora(binary=Path(opts.binary)) as v:
        v.move(630, 240)
        v.wait_like("whole")
        time.sleep(1)
        share, threads = idle_shares(v.proc.pid)
        times = sorted(key_to_frame(v, opts.presses))
        v.key("shift+q")
    print("idle CPU share of one core over 5 s: %.1f %% (threads, main first: %s)" % (
        100 * share, ", ".join("%.1f %%" % (100 * t) for t in threads)))
    print("key to changed frame over %d presses: median %.1f ms, 90th percentile %.1f ms, max %.1f ms" % (
        len(times), statistics.median(times), times[int(0.9 * len(times)) - 1], times[-1]))


if __name__ == "__main__":
    main()
