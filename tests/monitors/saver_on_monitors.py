#!/usr/bin/env python3
"""The full-screen saver on several monitors, checked from outside.

    tests/monitors/saver_on_monitors.py [LAYOUT...]

For each layout (default: single side-by-side left above) this starts
build/win/flindra.scr /s (or $FLINDRA_SAVER) under Wine on a private Xorg with that layout
(scripts/with-monitors) and checks, through X alone:
  windows   one saver window per monitor, exactly the monitor's rectangle
  fade      every saver window fades in and ends fully opaque
  covered   no pixel of the desktop (the root painted a vivid colour) shows
            on any monitor
  frames    every monitor shows flakes, and they move
  input     the pointer moved onto a secondary monitor (the primary on a
            single monitor) and a click end the saver with exit code 0
  cleanup   no saver process and no saver window are left
The layout "changing" starts flindra.scr /c on side-by-side instead and checks
that a click on the saver keeps the dialog in front, and that the saver
follows the second monitor as its output is turned off and on again while it
runs (Wine sends no WM_DISPLAYCHANGE for that).
One line per check, then "N passed, M failed"; exit status 1 on a failure.
"""
import array
import os
import re
import signal
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAVER = os.environ.get("FLINDRA_SAVER") or os.path.join(ROOT, "build", "win", "flindra.scr")
DEFAULT_LAYOUTS = ["single", "side-by-side", "left", "above", "changing"]
# The monitors a run starts with (scripts/with-monitors' layout names).
STARTING_LAYOUT = {"changing": "side-by-side"}
# The dialog's background.
DIALOG_GREY = (128, 128, 128)
# The desktop's colour: no flake is drawn in it.
DESKTOP = (0x12, 0xFE, 0x34)
# Seconds for the whole of one layout, and for each wait inside it. The fade
# takes 100 ticks of 31 ms.
LAYOUT_TIMEOUT = 180
START_TIMEOUT = 30
FADE_TIMEOUT = 15
FRAME_TIMEOUT = 10
EXIT_TIMEOUT = 10


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout


def poll(condition, timeout, interval=0.05):
    """condition() until it returns something true, or None after timeout."""
    end = time.monotonic() + timeout
    while True:
        result = condition()
        if result or time.monotonic() >= end:
            return result or None
        time.sleep(interval)


class Rect:
    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = x, y, w, h

    def key(self):
        return (self.x, self.y, self.w, self.h)

    def __eq__(self, other):
        return self.key() == other.key()

    def __repr__(self):
        return f"{self.w}x{self.h}+{self.x}+{self.y}"


def monitors():
    """X's monitors in root coordinates, the primary first."""
    found = []
    for line in run("xrandr", "--listmonitors").splitlines()[1:]:
        m = re.match(r"\s*\d+: \+(\*?)\S+ (\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", line)
        if m:
            found.append((m.group(1) != "*", Rect(int(m[4]), int(m[5]), int(m[2]), int(m[3]))))
    return [r for _, r in sorted(found, key=lambda f: f[0])]


CHILD = re.compile(r'^\s+(0x[0-9a-f]+) .*?: \("([^"]*)" "([^"]*)"\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)')


def saver_windows(viewable_only=True):
    """Top-level X windows of flindra.scr (Wine names the class after the
    program), with their rectangles."""
    found = {}
    for line in run("xwininfo", "-root", "-children").splitlines():
        m = CHILD.match(line)
        if not m or m[3].lower() != "flindra.scr":
            continue
        info = run("xwininfo", "-id", m[1])
        if viewable_only and "Map State: IsViewable" not in info:
            continue
        found[m[1]] = Rect(int(m[6]), int(m[7]), int(m[4]), int(m[5]))
    return found


def opacity(window):
    """_NET_WM_WINDOW_OPACITY as a fraction; 1.0 without the property, which
    Wine removes at full opacity."""
    m = re.search(r"= (\d+)", run("xprop", "-id", window, "_NET_WM_WINDOW_OPACITY"))
    return int(m[1]) / 0xFFFFFFFF if m else 1.0


def saver_processes():
    """Linux processes running flindra.scr in this Wine prefix."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"flindra.scr" not in f.read():
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={os.environ['WINEPREFIX']}".encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


class Screen:
    """One read of the root window, 32 bits a pixel."""

    def __init__(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "rgba:-"], capture_output=True,
                              timeout=30, check=True).stdout
        size = re.search(r"Width: (\d+)\s+Height: (\d+)", run("xwininfo", "-root"))
        self.width = int(size[1])
        self.pixels = array.array("I", data)
        if len(self.pixels) != self.width * int(size[2]):
            raise RuntimeError(f"screen read of {len(self.pixels)} pixels for {size[1]}x{size[2]}")
        if sys.byteorder != "little":
            self.pixels.byteswap()

    @staticmethod
    def pixel(rgb):
        return rgb[0] | rgb[1] << 8 | rgb[2] << 16 | 0xFF << 24

    def rows(self, r):
        for y in range(r.y, r.y + r.h):
            yield self.pixels[y * self.width + r.x:y * self.width + r.x + r.w]

    def count(self, r, rgb):
        value = self.pixel(rgb)
        return sum(row.count(value) for row in self.rows(r))

    def drawn(self, r):
        """Pixels neither black nor desktop."""
        return r.w * r.h - self.count(r, (0, 0, 0)) - self.count(r, DESKTOP)

    def same(self, other, r):
        return all(a == b for a, b in zip(self.rows(r), other.rows(r)))


class Checks:
    def __init__(self, layout):
        self.layout = layout

    def report(self, name, ok, detail):
        print(f"{'ok  ' if ok else 'FAIL'} {self.layout} {name}: {detail}", flush=True)
        return ok


def check_layout(layout):
    """Runs inside scripts/with-monitors."""
    c = Checks(layout)
    screens = monitors()
    if not screens:
        c.report("setup", False, "X shows no monitor")
        return
    primary = screens[0]
    subprocess.run(["wine", "reg", "delete", r"HKCU\Software\Flindra", "/f"], capture_output=True, timeout=60)
    subprocess.run(["xsetroot", "-solid", "#%02x%02x%02x" % DESKTOP], check=True, timeout=30)
    # The pointer rests on the primary as the saver starts.
    subprocess.run(["xdotool", "mousemove", str(primary.x + primary.w // 2), str(primary.y + primary.h // 2)],
                   check=True, timeout=30)

    changing = layout == "changing"
    saver = subprocess.Popen(["wine", SAVER, "/c" if changing else "/s"], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        (check_changing_monitors if changing else check_running_saver)(c, screens, saver)
    finally:
        if saver.poll() is None:
            subprocess.run(["xdotool", "key", "Escape"], capture_output=True, timeout=30)
            try:
                saver.wait(EXIT_TIMEOUT)
            except subprocess.TimeoutExpired:
                saver.kill()
                saver.wait(EXIT_TIMEOUT)

    left = poll(lambda: not saver_processes() and not saver_windows(viewable_only=False), EXIT_TIMEOUT)
    c.report("cleanup", bool(left),
             "no saver process or window left" if left else
             f"left: processes {saver_processes()}, windows {list(saver_windows(viewable_only=False).values())}")


def check_running_saver(c, screens, saver):
    if not poll(saver_windows, START_TIMEOUT):
        c.report("windows", False, f"no saver window within {START_TIMEOUT} s (exit code {saver.poll()})")
        return

    # Every window seen below full opacity, then all of them fully opaque.
    faded = set()

    def fade_done():
        windows = saver_windows()
        levels = {w: opacity(w) for w in windows}
        faded.update(w for w, level in levels.items() if level < 1.0)
        return windows if levels and all(level == 1.0 for level in levels.values()) and faded >= set(levels) else None

    windows = poll(fade_done, FADE_TIMEOUT) or saver_windows()
    c.report("windows", sorted(r.key() for r in windows.values()) == sorted(r.key() for r in screens),
             f"saver windows {sorted(windows.values(), key=Rect.key)}, monitors {sorted(screens, key=Rect.key)}")
    not_faded = [r for w, r in windows.items() if w not in faded]
    not_opaque = [f"{r} at {opacity(w):.3f}" for w, r in windows.items() if opacity(w) < 1.0]
    c.report("fade", not not_faded and not not_opaque,
             f"{len(windows)} window(s) faded in to full opacity" if not not_faded and not not_opaque else
             f"never seen fading: {not_faded}; not opaque: {not_opaque}")

    first = Screen()
    uncovered = [first.count(r, DESKTOP) for r in screens]
    c.report("covered", sum(uncovered) == 0,
             f"desktop pixels showing per monitor {uncovered}, total {sum(uncovered)}")

    def moved():
        later = Screen()
        return later if all(not later.same(first, r) for r in screens) else None

    later = poll(moved, FRAME_TIMEOUT, interval=0.1) or Screen()
    drawn = [(later.drawn(r), not later.same(first, r)) for r in screens]
    c.report("frames", all(n > 0 and changed for n, changed in drawn),
             "flake pixels, changed: " + ", ".join(f"{r} {n} {'yes' if ch else 'no'}"
                                                   for r, (n, ch) in zip(screens, drawn)))

    # Onto the middle of a secondary monitor; on a single one, away from
    # where the pointer rested.
    target = screens[1] if len(screens) > 1 else screens[0]
    if len(screens) == 1:
        target = Rect(target.x, target.y, target.w // 2, target.h // 2)
    x, y = target.x + target.w // 2, target.y + target.h // 2
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True, timeout=30)
    try:
        code = saver.wait(EXIT_TIMEOUT)
        c.report("input", code == 0, f"pointer moved to {x},{y} on {target} and clicked: exit code {code}")
    except subprocess.TimeoutExpired:
        c.report("input", False, f"pointer moved to {x},{y} on {target} and clicked: still running "
                                 f"after {EXIT_TIMEOUT} s")


def check_changing_monitors(c, screens, saver):
    """Settings mode on two monitors: the dialog in front after a click on
    the saver, then the second monitor's output off and on again."""
    def covering():
        """The saver windows (those the size of a monitor), and the dialog."""
        windows = saver_windows().values()
        sizes = {(r.w, r.h) for r in screens}
        return sorted((r for r in windows if (r.w, r.h) in sizes), key=Rect.key), \
            [r for r in windows if (r.w, r.h) not in sizes]

    def covers(wanted):
        def check():
            windows, dialogs = covering()
            if [r.key() for r in windows] != sorted(r.key() for r in wanted) or len(dialogs) != 1:
                return None
            screen = Screen()
            shown = all(screen.drawn(r) > 0 and screen.count(r, DESKTOP) == 0 for r in wanted)
            dialog = dialogs[0]
            inner = Rect(dialog.x + 10, dialog.y + 30, dialog.w - 20, dialog.h - 40)
            grey = screen.count(inner, DIALOG_GREY) > inner.w * inner.h // 3
            return (windows, dialog) if shown and grey else None
        return check

    primary, second = screens[0], screens[1]
    found = poll(covers(screens), START_TIMEOUT, interval=0.2)
    c.report("windows", bool(found), f"saver windows {covering()[0]} and the dialog {covering()[1]}, "
                                     f"monitors {sorted(screens, key=Rect.key)}")
    if not found:
        return
    # A click on the saver beside the dialog.
    subprocess.run(["xdotool", "mousemove", str(primary.x + 40), str(primary.y + 40), "click", "1"], check=True,
                   timeout=30)
    dialog = poll(covers(screens), FRAME_TIMEOUT, interval=0.2)
    c.report("dialog", bool(dialog), "the dialog still shows after a click on the saver" if dialog else
             f"the dialog {covering()[1]} does not show after a click on the saver")

    subprocess.run(["xrandr", "--output", "DUMMY1", "--off"], check=True, timeout=30)
    gone = poll(covers([primary]), START_TIMEOUT, interval=0.2)
    c.report("monitor off", bool(gone), f"saver windows {covering()[0]} with {second} turned off")
    subprocess.run(["xrandr", "--output", "DUMMY1", "--mode", f"flindra-{second.w}x{second.h}", "--pos",
                    f"{second.x}x{second.y}"], check=True, timeout=30)
    back = poll(covers(screens), START_TIMEOUT, interval=0.2)
    c.report("monitor on", bool(back) and saver.poll() is None,
             f"saver windows {covering()[0]} with flakes on both, dialog in front, after {second} came back"
             if back else f"saver windows {covering()[0]} after {second} came back (exit code {saver.poll()})")


def main(argv):
    if argv[1:2] == ["--inside"]:
        check_layout(argv[2])
        return 0
    passed = failed = 0
    for layout in argv[1:] or DEFAULT_LAYOUTS:
        command = [os.path.join(ROOT, "scripts", "with-monitors"), STARTING_LAYOUT.get(layout, layout),
                   sys.executable, os.path.abspath(__file__),
                   "--inside", layout]
        lines = []
        # Its own process group, so a run past the time limit ends with
        # everything it started (the Xorg included).
        inside = subprocess.Popen(command, stdout=subprocess.PIPE, text=True, start_new_session=True)
        watchdog = threading.Timer(LAYOUT_TIMEOUT, os.killpg, (inside.pid, signal.SIGTERM))
        watchdog.start()
        for line in inside.stdout:
            print(line, end="", flush=True)
            lines.append(line)
        status = inside.wait()
        watchdog.cancel()
        ok = sum(line.startswith("ok ") for line in lines)
        bad = sum(line.startswith("FAIL ") for line in lines)
        if status != 0 or ok + bad == 0:
            print(f"FAIL {layout} run: scripts/with-monitors ended with {status} after {ok + bad} checks", flush=True)
            bad += 1
        passed += ok
        failed += bad
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
