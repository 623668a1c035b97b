#!/usr/bin/env python3
"""scale_test.py FLINDRA_WAYLAND FLINDRA_SETTINGS OUTPUT_COPY NATIVE_FRAME SHOTS_DIR: at every scale
of SCALES on the sway of scripts/with-sway --debian13 (sway 1.10: fractional scales told to each
surface), the settings window's preview and then the saver show the core's held frame pixel for
pixel in the output's own buffer (OUTPUT_COPY; grim scales the picture, greying sharp points): every
flake point one device pixel at full brightness, nothing of the desktop. Copies kept as PNG."""
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "settings"))
from checks import case, check, run_cases  # noqa: E402
from preview_frames import HELD, PREVIEW, cut, held_frame, preview_rect  # noqa: E402

saver, settings, output_copy, native_frame, shots = sys.argv[1:6]
os.makedirs(shots, exist_ok=True)
MODE = (2560, 1440)  # room for the settings window at 2
SCALES = ("1.25", "1.5", "1.75", "2")
frames = {}


def core(width, height):
    if (width, height) not in frames:
        frames[width, height] = held_frame(native_frame, shots, width, height)
    return frames[width, height]


def copy():
    ppm = subprocess.run([output_copy, "HEADLESS-1"], capture_output=True, check=True, timeout=30).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    return int(m[1]), int(m[2]), ppm[m.end():], ppm


def shown(what, keep, judge, seconds=20):
    """Waits until judge(width, height, rgb) finds the core's frame in the output's copy: (found, the
    pixels it judged, the frame's width and height)."""
    deadline = time.monotonic() + seconds
    while True:
        width, height, rgb, ppm = copy()
        found, seen, w, h = judge(width, height, rgb)
        if found or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    subprocess.run(["convert", "ppm:-", os.path.join(shots, keep + ".png")], input=ppm, check=True, timeout=60)
    if found:
        return check(True, f"{what}: the core's frame at {w} x {h} pixel for pixel, {seen.count(255) // 3} points, "
                     "each one device pixel at full brightness")
    frame = core(w, h)
    differ = sum(1 for i in range(0, len(frame), 3) if seen is None or seen[i:i + 3] != frame[i:i + 3])
    return check(False, f"{what}: {differ} pixels unlike the core's frame at {w} x {h} ({keep}.png)")


def whole_output(width, height, rgb):
    """The core's frame at the output's size, or one pixel beyond (a last logical pixel reaching off the edge)."""
    for w, h in ((width, height), (width + 1, height), (width, height + 1), (width + 1, height + 1)):
        if b"".join(core(w, h)[y * w * 3:(y * w + width) * 3] for y in range(height)) == rgb:
            return True, rgb, w, h
    return False, rgb, width, height


def preview(scale, before):
    """The preview's black box (black pixels of the bare desktop aside: sway leaves a rounded-down edge black)."""
    w, h = round(PREVIEW[0] * float(scale)), round(PREVIEW[1] * float(scale))

    def judge(width, height, rgb):
        rect = preview_rect(width, height, rgb, before)
        seen = cut(width, rgb, rect) if rect and rect[2:] == (w, h) else None
        return seen == core(w, h), seen, w, h
    return judge


@case
def flakes_at_the_outputs_pixels():
    for scale in SCALES:
        subprocess.run(["swaymsg", "output", "HEADLESS-1", "resolution", "x".join(map(str, MODE)), "scale", scale],
                       check=True, capture_output=True, timeout=10)
        before = copy()[2]
        env = dict(os.environ, FLINDRA_TEST_SEAM=HELD, XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="flindra-settings-"))
        for program, what, judge in ((settings, "the settings window's preview", preview(scale, before)),
                                     (saver, "the saver", whole_output)):
            process = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
            try:
                shown(f"scale {scale}, {what}", f"{os.path.basename(program)}-{scale}", judge)
            finally:
                process.terminate()
                process.wait(10)


run_cases()
