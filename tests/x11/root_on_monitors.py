#!/usr/bin/env python3
"""root_on_monitors.py FLINDRA: flindra -root on a bare root that spans
several monitors draws one flake field per monitor, each centred in its own
monitor with its own camera, and leaves the root outside every monitor black.
Then the monitors swap places, which keeps the root's size, and each field
follows its monitor.
Run on scripts/with-monitors, which sets DISPLAY and FLINDRA_MONITORS
("WxH+X+Y,...", the primary first)."""
import os
import re
import signal
import subprocess
import sys
import time

SHOTS = 30


def monitors():
    return [tuple(map(int, re.split(r"[x+]", m))) for m in os.environ["FLINDRA_MONITORS"].split(",")]


def root_size():
    info = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True, check=True).stdout
    return int(re.search(r"Width: (\d+)", info)[1]), int(re.search(r"Height: (\d+)", info)[1])


def lit(shot, width, x0, x1, y0, y1):
    """Non-zero colour bytes in the rectangle [x0, x1) x [y0, y1)."""
    if x1 <= x0:
        return 0
    total = 0
    for y in range(y0, y1):
        row = shot[(y * width + x0) * 3:(y * width + x1) * 3]
        total += len(row) - row.count(0)
    return total


def gaps(layout, width, y):
    """The spans of row y that no monitor covers."""
    spans = sorted((x, x + w) for (w, h, x, top) in layout if top <= y < top + h)
    found, at = [], 0
    for start, end in spans:
        if start > at:
            found.append((at, start))
        at = max(at, end)
    if at < width:
        found.append((at, width))
    return found


def xrandr(*args):
    subprocess.run(["xrandr", *args], check=True)


def shoot(width, height):
    shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout
    assert len(shot) == width * height * 3, (len(shot), width, height)
    return shot


def check_fields(layout, width, height):
    """Each monitor of the layout lit as a field of its own, nothing outside,
    once the first shot shows nothing outside (within 10 s)."""
    uncovered = [(y, gap) for y in range(height) for gap in gaps(layout, width, y)]
    deadline = time.monotonic() + 10
    while sum(lit(shoot(width, height), width, x0, x1, y, y + 1) for (y, (x0, x1)) in uncovered) > 0:
        assert time.monotonic() < deadline, "the fields never settled on the monitors"
    halves = [[0, 0] for _ in layout]  # lit bytes in each monitor's left and right half, all shots
    outside = 0
    for _ in range(SHOTS):
        shot = shoot(width, height)
        for m, (w, h, x, y) in enumerate(layout):
            halves[m][0] += lit(shot, width, x, x + w // 2, y, y + h)
            halves[m][1] += lit(shot, width, x + w // 2, x + w, y, y + h)
        outside += sum(lit(shot, width, x0, x1, y, y + 1) for (y, (x0, x1)) in uncovered)
    for m, (left, right) in enumerate(halves):
        print(f"root_on_monitors: monitor {layout[m]}: lit {left} left, {right} right")
        # A field centred on its own monitor lights both halves alike; one
        # field across the whole root leaves a monitor's outer half dark.
        assert left > 0 and right > 0 and 0.25 < left / right < 4, f"monitor {m} is not a field of its own"
    assert outside == 0, f"{outside} lit bytes outside every monitor"


def main():
    flindra = sys.argv[1]
    width, height = root_size()
    layout = monitors()
    env = dict(os.environ, FLINDRA_TEST_SEAM="report")
    env.pop("XSCREENSAVER_WINDOW", None)
    program = subprocess.Popen([flindra, "-root", "-fast", "10", "-size", "5"], stderr=subprocess.PIPE, env=env,
                               text=True)
    try:
        line = program.stderr.readline()
        assert "first frame" in line, f"no first frame: {line!r}"
        check_fields(layout, width, height)
        if len(layout) == 2 and layout[0][3] == layout[1][3] == 0:
            # Side by side, swapped: the root keeps its size, the monitors move.
            (w0, h0, _, _), (w1, h1, _, _) = layout
            xrandr("--output", "DUMMY0", "--pos", f"{w1}x0", "--output", "DUMMY1", "--pos", "0x0")
            check_fields([(w0, h0, w1, 0), (w1, h1, 0, 0)], width, height)
            assert root_size() == (width, height), "the swap changed the root's size"
    finally:
        program.send_signal(signal.SIGTERM)
        code = program.wait(10)
    assert code == -signal.SIGTERM, f"flindra ended with {code}"
    print("root_on_monitors: one field per monitor, nothing outside them, also after RandR changed them")


main()
