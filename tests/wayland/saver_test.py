#!/usr/bin/env python3
"""saver_test.py FLINDRA_WAYLAND VIRTUAL_POINTER FLINDRA_X11 NATIVE_FRAME DESK_BACKDROP SHOTS_DIR: flindra-wayland on the
headless sway of scripts/with-sway (desktop painted #12fe34), checked from
outside: grim screenshots of every output, input from wtype and a virtual
pointer, swaymsg for outputs, swayidle as a user would run it. One line a
check; exit 1 when one fails. FLINDRA_TEST_SEAM=report makes the program
say when it reaches each state, so every wait is for a condition."""
import json
import os
import re
import signal
import subprocess
import sys
import time

from checks import Helper, Lines, case, check, folder_for_others, run_cases

program, pointer_helper, x11_program, native_frame, backdrop_helper, shots = sys.argv[1:7]
os.makedirs(shots, exist_ok=True)
DESKTOP = (0x12, 0xFE, 0x34)


def swaymsg(*args):
    return subprocess.run(["swaymsg", *args], capture_output=True, text=True, check=True, timeout=10).stdout


def output_rects():
    return {o["name"]: o["rect"] for o in json.loads(swaymsg("-r", "-t", "get_outputs"))}


def add_output(name, size, x):
    swaymsg("create_output")
    swaymsg("output", name, "resolution", size, "position", str(x), "0")
    width = int(size.split("x")[0])
    deadline = time.monotonic() + 10
    while output_rects().get(name, {}).get("width") != width:
        assert time.monotonic() < deadline, f"{name} never became {size}"
        time.sleep(0.05)


def shot(name, keep=None):
    """The output's pixels as (width, height, rgb bytes); keep saves a copy."""
    ppm = subprocess.run(["grim", "-t", "ppm", "-o", name, "-"], capture_output=True, check=True, timeout=10).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    if keep:
        with open(os.path.join(shots, keep + ".ppm"), "wb") as f:
            f.write(ppm)
    return int(m[1]), int(m[2]), ppm[m.end():]


def desktop_showing(rgb):
    """Pixels tinted by the desktop's green: the surface lets it through."""
    return sum(1 for i in range(0, len(rgb), 3) if rgb[i + 1] - max(rgb[i], rgb[i + 2]) > 8)


def lit(rgb):
    """Pixels of a flake: bright and grey (no desktop in them)."""
    return sum(1 for i in range(0, len(rgb), 3) if rgb[i] > 64 and abs(rgb[i + 1] - rgb[i]) < 24)


HELD = {"FLINDRA_TEST_SEAM": "report,held-frame=7:40"}  # every surface shows this one frame of a seeded field


def core_frame(width, height):
    """The frame HELD names, drawn by the core offscreen at width x height device pixels, as RGB rows top first."""
    out = os.path.join(shots, "core.rgba")
    subprocess.run([native_frame, str(width), str(height), "seed=7&frames=40", out], check=True, timeout=60,
                   env=dict(os.environ, LSAN_OPTIONS="detect_leaks=0"))
    with open(out, "rb") as f:
        rgba = f.read()
    rows = [rgba[y * width * 4:(y + 1) * width * 4] for y in reversed(range(height))]
    return b"".join(bytes(b for i, b in enumerate(row) if i % 4 != 3) for row in rows)


def as_drawn(name, keep, seconds=10):
    """Waits until the output shows the core's own frame pixel for pixel: one
    device pixel a buffer pixel, nothing the compositor scaled (enlarged
    points turn to blocks, shrunk or fractionally scaled ones go grey or
    missing). False if it never does."""
    deadline = time.monotonic() + seconds
    expected = None
    while True:
        width, height, rgb = shot(name, keep=keep)
        if expected is None or len(expected) != len(rgb):
            expected = core_frame(width, height)
        differ = sum(1 for i in range(0, len(rgb), 3) if rgb[i:i + 3] != expected[i:i + 3])
        if differ == 0 or time.monotonic() > deadline:
            print(f"     {keep}: {width} x {height}, {differ} pixels unlike the core's frame")
            return differ == 0
        time.sleep(0.1)


def median_colour(rgb):
    """The middle pixel of each channel: the background, where flakes are few."""
    return tuple(sorted(rgb[c::3])[len(rgb) // 6] for c in range(3))


class Saver:
    """flindra-wayland with its report lines read as they come."""

    def __init__(self, *args, env=None):
        env = {**os.environ, "FLINDRA_TEST_SEAM": "report", **(env or {})}
        self.process = subprocess.Popen([program, *args], stderr=subprocess.PIPE, text=True, env=env)
        self.lines = Lines(self.process.stderr)
        self.seen = []

    def wait_for(self, pattern, seconds=15):
        """The first report line matching pattern, waiting at most seconds."""
        deadline = time.monotonic() + seconds
        while True:
            for line in self.seen:
                if re.search(pattern, line):
                    self.seen.remove(line)
                    return line
            line = self.lines.get(deadline)
            if line is None:
                raise AssertionError(f"no line like {pattern!r}; got {self.seen}")
            self.seen.append(line)

    def end(self, seconds=15):
        code = self.process.wait(seconds)
        while (line := self.lines.get(time.monotonic() + seconds)) is not None:
            self.seen.append(line)
        return code

    def ends_on(self, act):
        """The exit code once act() has been done to a saver that was running until then."""
        assert self.process.poll() is None, f"it had ended already ({self.process.returncode})"
        act()
        return self.end()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def Pointer():
    """The virtual pointer helper, made before the saver so its seat has a pointer."""
    return Helper([pointer_helper])


def find_windows(node, where=None):
    """sway's nodes of the windows whose app_id is flindra, each with its output and workspace."""
    where = dict(where or {})
    if node.get("type") in ("output", "workspace"):
        where[node["type"]] = node["name"]
    if node.get("app_id") == "flindra":
        return [dict(node, **where)]
    return [w for child in node.get("nodes", []) + node.get("floating_nodes", []) for w in find_windows(child, where)]


def key():
    subprocess.run(["wtype", "-s", "100", "x"], check=True, timeout=10)


@case
def options_as_the_x11_program():
    """The settings' options take and refuse what flindra's do, with the same words."""
    for args in (["-fast", "11"], ["-bright", "0"], ["--size", "x"], ["-satiation", "-1"], ["-color", "31"],
                 ["-alpha", "99999999999999999999"], ["-size"], ["-frobnicate"], ["loose"]):
        mine = subprocess.run([program, *args], capture_output=True, text=True, timeout=10)
        theirs = subprocess.run([x11_program, *args], capture_output=True, text=True, timeout=10)
        check(mine.returncode == 1 and theirs.returncode == 1 and
              mine.stderr.replace("flindra-wayland:", "flindra:") == theirs.stderr,
              f"{' '.join(args)}: {mine.stderr.strip()!r}")
    alone = subprocess.run([program], capture_output=True, text=True, timeout=10,
                           env=dict(os.environ, WAYLAND_DISPLAY="no-such-compositor"))
    check(alone.returncode == 1 and alone.stderr == "flindra-wayland: cannot connect to a Wayland compositor "
          "(is WAYLAND_DISPLAY set?)\n", f"no compositor: {alone.stderr.strip()!r}")
    shown = subprocess.run([program, "-help"], capture_output=True, text=True, timeout=10)
    check(shown.returncode == 0 and all(f"-{o} N" in shown.stdout for o in
                                        ("fast", "bright", "size", "satiation", "color", "alpha")),
          "-help lists the six settings and ends with 0")


@case
def every_output_faded_in_and_a_key():
    add_output("HEADLESS-2", "1024x768", 1280)
    saver = Saver()
    try:
        saver.wait_for("first frame")
        for name in ("HEADLESS-1", "HEADLESS-2"):
            saver.wait_for(f"surface on {name}")
            width, height, rgb = shot(name, keep=f"{name}-fading")
            check(desktop_showing(rgb) > width * height // 2, f"{name}: the desktop shows through as it fades in")
        saver.wait_for("faded in", 10)
        for name in output_rects():
            width, height, rgb = shot(name, keep=f"{name}-faded")
            check(desktop_showing(rgb) == 0, f"{name}: nothing of the desktop once faded in")
            check(lit(rgb) > 200, f"{name}: flakes ({lit(rgb)} pixels)")

        add_output("HEADLESS-3", "800x600", 2304)
        saver.wait_for("surface on HEADLESS-3")
        _, _, rgb = shot("HEADLESS-3", keep="HEADLESS-3-added")
        check(lit(rgb) > 100 and desktop_showing(rgb) == 0, "an output added while it runs gets flakes at once")

        check(saver.ends_on(key) == 0, "a key ends it with 0")
    finally:
        saver.kill()


@case
def pointer_moves_within_the_slack_then_beyond():
    pointer = Pointer()
    saver = Saver()
    try:
        saver.wait_for("first frame")
        for move in ("move 1 1", "move 2 2"):
            pointer.send(move)
        try:
            saver.process.wait(1)
        except subprocess.TimeoutExpired:
            pass
        check(saver.process.poll() is None, "moves within 4 pixels leave it running")
        check(saver.ends_on(lambda: pointer.send("move 30 30")) == 0, "a pointer move beyond them ends it with 0")
    finally:
        saver.kill()
        pointer.close()


@case
def dimmer_and_a_click_then_signals():
    pointer = Pointer()
    saver = Saver("-bright", "5")
    try:
        saver.wait_for("faded in", 10)
        _, _, rgb = shot("HEADLESS-1", keep="bright-5")
        # Opacity round(5 x 25 + 5) = 130: 125/255 of the desktop shows where no flake is.
        seen, expected = median_colour(rgb), tuple(round(c * 125 / 255) for c in DESKTOP)
        check(all(abs(a - b) <= 3 for a, b in zip(seen, expected)),
              f"-bright 5: the desktop seen through at 49 % ({seen}, expected {expected})")
        check(saver.ends_on(lambda: pointer.send("click")) == 0, "a click ends it with 0")
    finally:
        saver.kill()
        pointer.close()
    for sig in (signal.SIGTERM, signal.SIGINT):
        saver = Saver()
        try:
            saver.wait_for("first frame")
            saver.process.send_signal(sig)
            check(saver.end() == -sig, f"{sig.name} ends it by {sig.name}")
        finally:
            saver.kill()


@case
def full_screen_windows_without_a_layer_shell():
    """Where there is no layer shell (GNOME, Weston): a full-screen window on every output."""
    saver = Saver(env={"FLINDRA_TEST_SEAM": "report,no-layer-shell"})
    try:
        rects = output_rects()
        for name in rects:
            saver.wait_for(f"surface on {name}")
        saver.wait_for("faded in", 10)
        windows = find_windows(json.loads(swaymsg("-r", "-t", "get_tree")))
        check(sorted(w["output"] for w in windows) == sorted(rects) and
              all(w["fullscreen_mode"] == 1 and w["rect"] == rects[w["output"]] for w in windows),
              f"one full-screen window exactly over each of {', '.join(sorted(rects))}")
        for name in rects:
            _, _, rgb = shot(name, keep=f"fullscreen-window-{name}")
            check(lit(rgb) > 200 and desktop_showing(rgb) == 0, f"{name}: flakes, nothing of the desktop")
        # Another workspace hides one window; back on it, it draws again.
        window = windows[0]
        swaymsg("focus", "output", window["output"])
        swaymsg("workspace", "hidden")
        time.sleep(0.5)
        swaymsg("workspace", window["workspace"])
        name = window["output"]
        deadline = time.monotonic() + 5
        while lit(shot(name)[2]) < 200 and time.monotonic() < deadline:
            time.sleep(0.1)
        check(lit(shot(name, keep="fullscreen-window-again")[2]) > 200, f"{name}: flakes again once the window shows")
        key()
        check(saver.end() == 0, "a key ends it with 0")
    finally:
        saver.kill()


def set_output(name, mode, scale):
    swaymsg("output", name, "resolution", mode, "scale", scale)


@case
def the_core_s_frame_at_every_scale():
    """Scale 2 from the start, 1 to 2 and back while it runs, and 150 %."""
    set_output("HEADLESS-1", "1920x1080", "2")
    saver = Saver(env=HELD)
    try:
        saver.wait_for("faded in", 10)
        check(as_drawn("HEADLESS-1", "scale-2"), "scale 2 from the start: the core's frame, pixel for pixel")
        for step, scale in enumerate(("1", "2", "1")):
            set_output("HEADLESS-1", "1920x1080", scale)
            check(as_drawn("HEADLESS-1", f"scale-{step}-now-{scale}"), f"the scale changed to {scale} while it runs: "
                  "the core's frame")
        check(saver.process.poll() is None, "still running after the changes")
    finally:
        saver.kill()
    set_output("HEADLESS-1", "1920x1080", "1.5")
    swaymsg("focus", "output", "HEADLESS-1")  # where sway opens the full-screen window
    # The full-screen window of desktops without a layer shell follows the output it is on.
    for shell, env in (("", HELD), (" (full-screen window)", {"FLINDRA_TEST_SEAM": HELD["FLINDRA_TEST_SEAM"] + ",no-layer-shell"})):
        saver = Saver(env=env)
        try:
            saver.wait_for("faded in", 10)
            check(as_drawn("HEADLESS-1", "scale-1.5" + shell.replace(" ", "-")),
                  f"scale 1.5{shell}: the core's frame, every point one device pixel")
        finally:
            saver.kill()
    set_output("HEADLESS-1", "1280x720", "1")


class Keyboard:
    """A keyboard on the seat before the saver starts, as a desk has (wtype's, idle for a while)."""

    def __enter__(self):
        self.process = subprocess.Popen(["wtype", "-s", "30000", "-k", "Shift_L"])
        time.sleep(0.3)  # NOTE: nothing to wait on: the seat announces the keyboard only to clients with focus
        return self

    def __exit__(self, *_):
        self.process.kill()
        self.process.wait()


@case
def desk_shortcuts_and_the_wheel_end_it():
    """A key sway binds reaches the saver and ends it, its binding not run; the wheel ends it too."""
    flag = os.path.join(folder_for_others(), "fired")  # sway runs its exec as its own user
    swaymsg("bindsym", "Mod1+x", "exec", "touch", flag)
    alt_x = ["wtype", "-M", "alt", "x", "-m", "alt"]

    def fired(seconds):
        deadline = time.monotonic() + seconds
        while not os.path.exists(flag) and time.monotonic() < deadline:
            time.sleep(0.05)
        return os.path.exists(flag)

    subprocess.run(alt_x, check=True, timeout=10)
    check(fired(5), "Alt+x runs sway's binding on the bare desk")
    os.remove(flag)
    with Keyboard():
        saver = Saver()
        try:
            saver.wait_for("faded in", 10)
            check(saver.ends_on(lambda: subprocess.run(alt_x, check=True, timeout=10)) == 0,
                  "Alt+x over the saver ends it with 0")
            check(not fired(1), "and sway's binding did not run")
        finally:
            saver.kill()
            swaymsg("unbindsym", "Mod1+x")
    pointer = Pointer()
    saver = Saver()
    try:
        saver.wait_for("first frame")
        check(saver.ends_on(lambda: pointer.send("wheel")) == 0, "a wheel notch ends it with 0")
    finally:
        saver.kill()
        pointer.close()


def dimmed(name):
    """How much of the desktop's green the output shows where no flake is: 1.0 bare, 0 hidden."""
    return median_colour(shot(name)[2])[1] / DESKTOP[1]


def until(condition, seconds):
    """Polls condition until it holds or seconds pass; whether it held."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


@case
def waits_for_idle_itself_with_the_settings_file():
    """-idle with a file's idle = 600 replaced by idle = 3 while it waits: nothing 1.5 s
    later, every output covered about 3 s later with the file's settings, hidden by a key,
    shown again 3 s later with the file as changed meanwhile; the command line wins."""
    config = os.path.join(shots, "config")
    os.makedirs(os.path.join(config, "flindra"), exist_ok=True)
    settings = os.path.join(config, "flindra", "settings")
    lines = "# as a user writes it\nbright = 5\nsize = 11\nidle = {}\n"
    with open(settings, "w") as f:
        f.write(lines.format(600))
    names = sorted(output_rects())
    saver = Saver("-idle", env={"XDG_CONFIG_HOME": config})
    try:
        saver.wait_for("waiting for 600 idle seconds")
        line = saver.wait_for("settings:3:")
        check(line.endswith(f"{settings}:3: size must be a whole number from 1 to 10, not \"11\""),
              f"the bad line told by file and number: {line!r}")
        with open(settings + ".new", "w") as f:
            f.write(lines.format(3))
        os.replace(settings + ".new", settings)
        began = time.monotonic()
        time.sleep(max(0.0, 1.5 - (time.monotonic() - began)))
        check(all(dimmed(name) == 1.0 for name in names), "at 1.5 s nothing shows")
        check(until(lambda: all(dimmed(name) < 0.9 for name in names), 5 - (time.monotonic() - began)),
              f"every output covered by {time.monotonic() - began:.1f} s")
        saver.wait_for("faded in", 10)
        seen = median_colour(shot(names[0], keep="idle-bright-5")[2])
        check(abs(seen[1] - round(DESKTOP[1] * 125 / 255)) <= 3, f"the file's bright = 5 applies ({seen})")
        with open(settings, "w") as f:
            f.write("bright = 10\nidle = 3\n")
        key()
        pressed = time.monotonic()
        check(until(lambda: all(dimmed(name) == 1.0 for name in names), 3), "a key hides it on every output")
        check(saver.process.poll() is None, "and it keeps running")
        check(until(lambda: all(dimmed(name) < 0.9 for name in names), 6), "shown again after 3 idle seconds")
        again = time.monotonic() - pressed
        check(2.5 <= again <= 5.5, f"{again:.1f} s after the key")
        saver.wait_for("faded in", 10)
        _, _, rgb = shot(names[0], keep="idle-bright-10")
        check(desktop_showing(rgb) == 0, "the changed file's bright = 10 applies at the next showing")
        saver.process.send_signal(signal.SIGTERM)
        check(saver.end() == -signal.SIGTERM, "SIGTERM ends it by SIGTERM")
    finally:
        saver.kill()
    with open(settings, "w") as f:
        f.write("bright = 5\n")
    saver = Saver("-bright", "10", env={"XDG_CONFIG_HOME": config})
    try:
        saver.wait_for("faded in", 10)
        _, _, rgb = shot(names[0])
        check(desktop_showing(rgb) == 0, "-bright 10 on the command line wins over the file's bright = 5")
        key()
        code = saver.end()
        check(code == 0, f"without -idle a key ends it with 0 ({code}; {saver.seen[-4:]})")
    finally:
        saver.kill()


@case
def an_idle_inhibitor_keeps_it_hidden():
    """A video player's idle inhibitor (desk_backdrop holds one) keeps -idle hidden; let go, it shows."""
    backdrop = Helper([backdrop_helper])
    saver = None
    try:
        backdrop.send("inhibit")
        names = sorted(output_rects())
        saver = Saver("-idle", "2")
        saver.wait_for("waiting for 2 idle seconds")
        check(not until(lambda: any(dimmed(name) < 0.9 for name in names), 5), "inhibited: nothing shown in 5 s")
        backdrop.send("release")
        check(until(lambda: all(dimmed(name) < 0.9 for name in names), 5), "let go: every output covered")
    finally:
        if saver is not None:
            saver.kill()
        backdrop.close()


@case
def swayidle_starts_it_and_a_key_ends_it():
    log = os.path.join(shots, "swayidle.log")
    open(log, "w").close()
    command = f"FLINDRA_TEST_SEAM=report {program} 2>>{log}; echo \"exit $?\" >>{log}"
    began = time.monotonic()
    idle = subprocess.Popen(["swayidle", "-w", "timeout", "5", command])
    try:
        deadline = began + 20
        while "first frame" not in open(log).read():
            assert time.monotonic() < deadline, "swayidle never started it"
            time.sleep(0.1)
        check(time.monotonic() - began >= 5, f"started after 5 idle seconds ({time.monotonic() - began:.1f} s)")
        key()
        while "exit" not in open(log).read():
            assert time.monotonic() < deadline, "it did not end on a key"
            time.sleep(0.1)
        check("exit 0" in open(log).read(), "a key ends it with 0")
    finally:
        idle.terminate()
        idle.wait(10)


# FLINDRA_CASES=name,name runs only those (the package test runs the idle daemon's).
run_cases()
