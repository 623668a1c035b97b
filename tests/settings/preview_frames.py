"""The settings window's preview as the tests see it on a screen: a box of
pure black holding one held frame of a seeded field, and that frame as the
core draws it offscreen (native_frame), to hold the two pixel for pixel."""
import os
import subprocess

PREVIEW = (384, 216)  # logical pixels
SEED, FRAMES = 7, 40
HELD = f"held-frame={SEED}:{FRAMES}"  # FLINDRA_TEST_SEAM: this frame of a seeded field


def preview_rect(width, height, rgb, before=None):
    """The box around the rows of many pure black pixels: the preview and
    the black picture beneath it (GTK's own black is a glyph's few pixels).
    With before (the screen without the window), pixels black there already
    (a desk's panel) do not count."""
    xs, ys = [], []
    for y in range(height):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        black = [x for x in range(width) if row[x * 3:x * 3 + 3] == b"\0\0\0"
                 and (before is None or before[(y * width + x) * 3:(y * width + x) * 3 + 3] != b"\0\0\0")]
        if len(black) > 64:
            xs += (black[0], black[-1])
            ys.append(y)
    return (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if ys else None


def cut(width, rgb, rect):
    x, y, w, h = rect
    return b"".join(rgb[(y + row) * width * 3 + x * 3:(y + row) * width * 3 + (x + w) * 3] for row in range(h))


def core_frame(native_frame, folder, query, scale=1):
    """The held frame with query's settings, drawn by the core offscreen at
    the preview's size in pixels at scale, as RGB rows top first."""
    return held_frame(native_frame, folder, round(PREVIEW[0] * scale), round(PREVIEW[1] * scale), query)


def held_frame(native_frame, folder, width, height, query=""):
    """The held frame with query's settings as the core draws it at width x height pixels, as RGB rows top first."""
    out = os.path.join(folder, "core.rgba")
    subprocess.run([native_frame, str(width), str(height), f"seed={SEED}&frames={FRAMES}{query}", out], check=True,
                   timeout=60, env=dict(os.environ, LSAN_OPTIONS="detect_leaks=0"))
    with open(out, "rb") as f:
        rgba = f.read()
    rows = [rgba[y * width * 4:(y + 1) * width * 4] for y in reversed(range(height))]
    return b"".join(bytes(b for i, b in enumerate(row) if i % 4 != 3) for row in rows)
