#!/usr/bin/env python3
"""frame_rate_test.py FLINDRA_WAYLAND: the options flindra-wayland shares with
flindra beside its settings, on the headless sway of scripts/with-sway:
-delay sets the beat (the fade's 100 beats, the first at once, come no
earlier than 98.5 delays after the start: a beat may come half a beat early) and
-fps draws the frame rate into the bottom-left corner of the output in the
figure's colour, nowhere else. Exit 1 when a check fails."""
import os
import re
import subprocess
import sys
import time

program = sys.argv[1]
TEXT = bytes((0xE1, 0xBE, 0x00))  # the figure's colour, core/frame_rate_text.h
CORNER = 40  # pixels: the figure lies within this far of the left and bottom edges


def text_pixels(width, height, rgb):
    """(pixels in the figure's colour within the bottom-left corner, elsewhere)."""
    inside = outside = 0
    for at in range(0, len(rgb), 3):
        if rgb[at:at + 3] == TEXT:
            y, x = divmod(at // 3, width)
            if x < 4 * CORNER and y >= height - CORNER:
                inside += 1
            else:
                outside += 1
    return inside, outside


def run(args):
    """Starts the program with args and returns the seconds from its start
    to the end of its fade, and the output's pixels once faded in."""
    start = time.monotonic()
    saver = subprocess.Popen([program, *args], stderr=subprocess.PIPE, text=True,
                             env={**os.environ, "FLINDRA_TEST_SEAM": "report"})
    try:
        for line in saver.stderr:
            if "faded in" in line:
                fade = time.monotonic() - start
                ppm = subprocess.run(["grim", "-t", "ppm", "-o", "HEADLESS-1", "-"], capture_output=True, check=True,
                                     timeout=10).stdout
                m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
                return fade, int(m[1]), int(m[2]), ppm[m.end():]
        raise AssertionError(f"it ended before fading in (exit {saver.wait()})")
    finally:
        saver.terminate()
        saver.wait(10)


failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


fade, width, height, rgb = run(["-fps", "-delay", "60000"])
check(fade >= 98.5 * 0.06, f"-delay 60000: faded in {fade:.2f} s after the start (the default's beat: about 3.1 s)")
inside, outside = text_pixels(width, height, rgb)
check(inside > 100 and outside == 0, f"-fps: {inside} pixels of the figure in the corner, {outside} elsewhere")
_, width, height, rgb = run([])
check(text_pixels(width, height, rgb) == (0, 0), "without -fps no figure")
print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
