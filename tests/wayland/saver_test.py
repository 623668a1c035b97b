#!/usr/bin/env python3
"""saver_test.py FLINDRA_WAYLAND VIRTUAL_POINTER FLINDRA_X11 SHOTS_DIR: flindra-wayland on the
headless sway of scripts/with-sway (desktop painted #12fe34), checked from
outside: grim screenshots of every output, input from wtype and a virtual
pointer, swaymsg for outputs, swayidle as a user would run it. One line a
check; exit 1 when one fails. FLINDRA_REPORT_FIRST_FRAME makes the program
say when it reaches each state, so every wait is for a condition."""
import json
import os
import re
import signal
import subprocess
import sys
import time

from checks import Lines, case, check, run_cases

program, pointer_helper, x11_program, shots = sys.argv[1:5]
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


class Saver:
    """flindra-wayland with its report lines read as they come."""

    def __init__(self, *args, env=None):
        env = dict(os.environ, FLINDRA_REPORT_FIRST_FRAME="1", **(env or {}))
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

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Pointer:
    """The virtual pointer helper, made before the saver so its seat has a pointer."""

    def __init__(self):
        self.process = subprocess.Popen([pointer_helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        assert self.process.stdout.readline().strip() == "ready", "the virtual pointer did not start"

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        assert self.process.stdout.readline().strip() == "ok", f"the virtual pointer refused {command}"

    def close(self):
        self.process.stdin.close()
        self.process.wait(10)


def find_window(node, where=None):
    """sway's node of the window whose app_id is flindra, with its output and workspace."""
    where = dict(where or {})
    if node.get("type") in ("output", "workspace"):
        where[node["type"]] = node["name"]
    if node.get("app_id") == "flindra":
        return dict(node, **where)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        if (found := find_window(child, where)) is not None:
            return found
    return None


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
        for name, rect in output_rects().items():
            width, height, rgb = shot(name, keep=f"{name}-faded")
            check((width, height) == (rect["width"], rect["height"]), f"{name}: {width} x {height}")
            check(desktop_showing(rgb) == 0, f"{name}: nothing of the desktop once faded in")
            check(lit(rgb) > 200, f"{name}: flakes ({lit(rgb)} pixels)")

        add_output("HEADLESS-3", "800x600", 2304)
        saver.wait_for("surface on HEADLESS-3")
        _, _, rgb = shot("HEADLESS-3", keep="HEADLESS-3-added")
        check(lit(rgb) > 100 and desktop_showing(rgb) == 0, "an output added while it runs gets flakes at once")

        key()
        check(saver.end() == 0, "a key ends it with 0")
        saver.wait_for("ended by a key", 1)
    finally:
        saver.kill()


@case
def pointer_moves_within_the_slack_then_beyond():
    pointer = Pointer()
    saver = Saver()
    try:
        saver.wait_for("first frame")
        for move in ("move 1 1", "move 2 2", "move 30 30"):
            pointer.send(move)
        check(saver.end() == 0, "a pointer move ends it with 0")
        line = saver.wait_for("ended by", 1)
        dx, dy = map(int, re.search(r"\(([-+]\d+), ([-+]\d+)\)", line).groups())
        check(max(abs(dx), abs(dy)) > 20, f"moves within 4 pixels leave it running ({line})")
    finally:
        saver.kill()
        pointer.close()


@case
def dimmer_and_a_click_then_signals():
    pointer = Pointer()
    saver = Saver("-bright", "5")
    try:
        check(saver.wait_for("faded in", 10).endswith("(opacity 130)"), "-bright 5 fades in to opacity 130")
        _, _, rgb = shot("HEADLESS-1", keep="bright-5")
        check(desktop_showing(rgb) > len(rgb) // 6, "the desktop shows through at -bright 5")
        pointer.send("click")
        check(saver.end() == 0 and saver.wait_for("ended by", 1).endswith("a button"), "a click ends it with 0")
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
def full_screen_window_without_a_layer_shell():
    saver = Saver(env={"FLINDRA_NO_LAYER_SHELL": "1"})
    try:
        saver.wait_for("surface on the full-screen window")
        saver.wait_for("faded in", 10)
        window = find_window(json.loads(swaymsg("-r", "-t", "get_tree")))
        check(window is not None and window["fullscreen_mode"] == 1, "a full-screen window")
        name = window["output"]
        check(window["rect"] == output_rects()[name], f"exactly {name}")
        _, _, rgb = shot(name, keep="fullscreen-window")
        check(lit(rgb) > 200 and desktop_showing(rgb) == 0, f"{name}: flakes, nothing of the desktop")
        # Another workspace hides the window: the compositor asks for no frame.
        swaymsg("workspace", "hidden")
        time.sleep(1.0)  # the stretch it stays hidden: about 32 beats, fewer on a busy machine
        swaymsg("workspace", window["workspace"])
        line = saver.wait_for(r"drawn again after \d+ beats")
        gap = int(re.search(r"after (\d+) beats", line)[1])
        check(gap >= 15, f"nothing drawn while hidden ({gap} beats without a frame)")
        key()
        check(saver.end() == 0, "a key ends it with 0")
    finally:
        saver.kill()


@case
def swayidle_starts_it_and_a_key_ends_it():
    log = os.path.join(shots, "swayidle.log")
    open(log, "w").close()
    command = f"FLINDRA_REPORT_FIRST_FRAME=1 {program} 2>>{log}; echo \"exit $?\" >>{log}"
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
