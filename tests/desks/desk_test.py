#!/usr/bin/env python3
"""desk_test.py FLINDRA_WAYLAND GNOME_REMOTE KWIN_REMOTE DESK_BACKDROP FLINDRA_SETTINGS NATIVE_FRAME
VIRTUAL_POINTER SHOTS_DIR: flindra-wayland, and flindra-settings' preview, on the desk of
scripts/with-desk (FLINDRA_DESK: mutter, gnome-shell, kwin or sway, two monitors
each; labwc and Weston, one), checked as a person at that desk would: screenshots of
every monitor and input from the desk's own remote-input interfaces, judged
by pixels and exit codes only. The same checks on every desk; the desk's
table row says how to look, type and hold the idle off. One line a check;
exit 1 when one fails."""
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wayland"))
from checks import Helper, case, check, folder_for_others, run_cases  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "settings"))
from preview_frames import HELD, PREVIEW, core_frame, cut, preview_rect  # noqa: E402

program, gnome_remote, kwin_remote, backdrop_helper, settings, native_frame, pointer_helper, shots = sys.argv[1:9]
# A desk seen through another compositor (Weston or KWin 6.3 in sway's windows) is read back from that one.
SCREEN = os.environ.get("FLINDRA_SCREEN_DISPLAY") or os.environ["WAYLAND_DISPLAY"]
DESK = os.environ["FLINDRA_DESK"]
shots = os.path.join(shots, DESK)
os.makedirs(shots, exist_ok=True)

# Each desk's monitors (connector: width, height), how its pixels and input
# are reached, and what paints its desktop: gnome-shell its #12fe34
# background, Mutter its blue one, sway and Weston #12fe34, KWin and labwc
# nothing (the tests' backdrop, #12fe34). Weston's one monitor is what shows
# of it inside its window frame on sway.
GNOME_MONITORS = {"Meta-0": (1280, 720), "Meta-1": (1024, 768)}
DESKS = {
    "mutter": dict(monitors=GNOME_MONITORS, remote="gnome"),
    "gnome-shell": dict(monitors=GNOME_MONITORS, remote="gnome"),
    "kwin": dict(monitors={"Virtual-0": (1024, 768), "Virtual-1": (1024, 768)}, remote="kwin"),
    "sway": dict(monitors={"HEADLESS-1": (1280, 720), "HEADLESS-2": (1024, 768)}, remote="wlroots"),
    "labwc": dict(monitors={"HEADLESS-1": (1280, 720)}, remote="wlroots"),
    "weston": dict(monitors={}, remote="wlroots"),
    "kwin-on-sway": dict(monitors={"WL-0": (1024, 768), "WL-1": (1024, 768)}, remote="kwin-on-sway"),
}
MONITORS = DESKS[DESK]["monitors"]
IDLE = 3  # seconds, the -idle the checks use
SESSION = ("org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager")


class GnomeDesk:
    """Mutter or gnome-shell: a screen cast of each monitor, read one frame at a
    time from PipeWire by GStreamer; keys, moves and clicks through
    RemoteDesktop; the idle held off by gnome-session-inhibit."""

    def __init__(self):
        self.remote = Helper([gnome_remote, *MONITORS])
        self.nodes = {words[1]: words[2] for words in (line.split() for line in self.remote.intro)}
        self.inhibitor = None

    def pixels(self, name):
        width, height = MONITORS[name]
        read = ["gst-launch-1.0", "-q", "pipewiresrc", f"path={self.nodes[name]}", "num-buffers=1", "!",
                "videoconvert", "!", "video/x-raw,format=RGB", "!", "fdsink", "fd=1"]
        # HACK: Mutter records a frame when a cast gains its reader or the
        # monitor changes. A reader that joins while the last one is still
        # leaving gets neither on a still monitor (seen twice in 80
        # reads in a row here); the next reader, joining a cast with none,
        # gets its frame.
        for seconds in (5, 15):
            try:
                rgb = subprocess.run(read, capture_output=True, check=True, timeout=seconds).stdout
                break
            except subprocess.TimeoutExpired:
                pass
        else:
            raise AssertionError(f"{name}: the screen cast gave no frame in 20 s")
        assert len(rgb) == width * height * 3, f"{name}: {len(rgb)} bytes, not {width} x {height}"
        return rgb

    def key(self):
        self.remote.send("key 78")  # x

    def send(self, command):
        self.remote.send(command)

    def bus(self, *call):
        """A method's answer through busctl, as busctl prints it ("b true")."""
        return subprocess.run(["busctl", f"--address={os.environ['DBUS_SESSION_BUS_ADDRESS']}", "call", *call],
                              capture_output=True, text=True, timeout=10).stdout.strip()

    def inhibit(self):
        self.inhibitor = subprocess.Popen(["gnome-session-inhibit", "--inhibit", "idle", "--reason", "a film",
                                           "--inhibit-only"], stdout=subprocess.DEVNULL)
        # Held once the session manager says so (8: idle), as a film's is before anyone waits.
        deadline = time.monotonic() + 10
        while self.bus(*SESSION, "IsInhibited", "u", "8") != "b true":
            assert time.monotonic() < deadline, "the session manager never held the inhibitor"
            time.sleep(0.05)

    def release(self):
        self.inhibitor.terminate()
        self.inhibitor.wait(10)

    def close(self):
        self.remote.close()


class KwinDesk:
    """KWin: a #12fe34 backdrop on every output (which also holds the idle
    inhibitor), screenshots through ScreenShot2 and fake input, both from
    kwin_remote run as the desk's user (KWin offers fake input to no one else)."""

    def __init__(self):
        self.backdrop = Helper([backdrop_helper])
        uid = int(os.environ["FLINDRA_DESK_UID"])
        # The helper runs as the desk's user: it and its screenshots live where that user may reach.
        self.files = folder_for_others()
        remote = shutil.copy(kwin_remote, self.files)
        self.remote = Helper([remote], user=uid, group=pwd.getpwuid(uid).pw_gid, extra_groups=[])

    def pixels(self, name):
        file = os.path.join(self.files, name + ".ppm")
        self.remote.send(f"shot {name} {file}")
        with open(file, "rb") as f:
            return rgb_of(name, f.read())

    def key(self):
        self.remote.send("key")

    def send(self, command):
        self.remote.send(command)

    def inhibit(self):
        self.backdrop.send("inhibit")

    def release(self):
        self.backdrop.send("release")

    def close(self):
        self.remote.close()
        self.backdrop.close()


def grim(*where):
    """A screenshot as PPM from the compositor that owns the screen (-o an output, -g a rectangle)."""
    return subprocess.run(["grim", "-t", "ppm", *where, "-"], env=dict(os.environ, WAYLAND_DISPLAY=SCREEN),
                          capture_output=True, check=True, timeout=10).stdout


class WlrootsDesk:
    """sway or labwc, or Weston inside sway's output: grim's screenshots and
    wtype's keys through the compositor that owns the screen; moves and
    clicks from a virtual pointer; a #12fe34 backdrop, which also holds the
    idle inhibitor, where the desk has a layer shell."""

    def __init__(self):
        self.where = {name: ["-o", name] for name in MONITORS}
        if DESK == "sway":
            subprocess.run(["swaymsg", "create_output"], check=True, capture_output=True, timeout=10)
            subprocess.run(["swaymsg", "output", "HEADLESS-2", "resolution", "1024x768", "position", "1280", "0"],
                           check=True, capture_output=True, timeout=10)
            deadline = time.monotonic() + 10
            while not grim("-o", "HEADLESS-2").startswith(b"P6\n1024 768\n"):
                assert time.monotonic() < deadline, "HEADLESS-2 never became 1024 x 768"
                time.sleep(0.05)
        if DESK == "weston":
            self.where = {"weston": ["-g", self.weston_desktop()]}
        self.backdrop = None if DESK == "weston" else Helper([backdrop_helper])
        self.pointer = None if DESK == "weston" else Helper([pointer_helper])

    @staticmethod
    def weston_desktop():
        """Where Weston's desktop shows on sway's output: its #12fe34, inside Weston's frame."""
        header, rgb = grim().split(b"\n255\n", 1)
        width = int(header.split()[1])
        green = [i // 3 for i in range(0, len(rgb), 3) if rgb[i:i + 3] == b"\x12\xfe\x34"]
        xs, ys = [i % width for i in green], [i // width for i in green]
        MONITORS["weston"] = (max(xs) + 1 - min(xs), max(ys) + 1 - min(ys))
        return f"{min(xs)},{min(ys)} {MONITORS['weston'][0]}x{MONITORS['weston'][1]}"

    def pixels(self, name):
        return rgb_of(name, grim(*self.where[name]))

    def key(self):
        subprocess.run(["wtype", "-s", "100", "x"], env=dict(os.environ, WAYLAND_DISPLAY=SCREEN), check=True,
                       timeout=10)

    def send(self, command):
        self.pointer.send(command)

    def inhibit(self):
        self.backdrop.send("inhibit")

    def release(self):
        self.backdrop.send("release")

    def close(self):
        for helper in (self.pointer, self.backdrop):
            if helper:
                helper.close()


class NestedKwinDesk(KwinDesk):
    """KWin nested on sway (KWin 6.3 draws without OpenGL here, and then
    takes no screenshots): each output a window on sway, read back by grim."""

    def __init__(self):
        super().__init__()
        tree = json.loads(subprocess.run(["swaymsg", "-r", "-t", "get_tree"], capture_output=True, check=True,
                                         timeout=10).stdout)
        windows, nodes = {}, [tree]
        while nodes:
            node = nodes.pop()
            nodes += node["nodes"] + node["floating_nodes"]
            r = node["rect"]
            windows.update({name: f"{r['x']},{r['y']} {r['width']}x{r['height']}"
                            for name in MONITORS if f" {name} " in (node.get("name") or "")})
        assert windows.keys() == MONITORS.keys(), f"KWin's windows on sway: {windows}"
        self.windows = windows
        # HACK: a cursor a client sets (GTK's, over its window) stops KWin 6.3
        # from passing on any more frames of that output, nested on a sway
        # without a pointer: the pointer waits in a corner, where the checks'
        # windows never are.
        self.send("move -4000 -4000")
        # KWin passes a frame on to sway a moment after drawing it: the desk is
        # bare once the backdrop shows there (but for the pointer).
        deadline = time.monotonic() + 10
        while not all(self.backdrop_shown(self.pixels(name)) for name in MONITORS):
            assert time.monotonic() < deadline, "the backdrop never reached sway"
            time.sleep(0.05)

    @staticmethod
    def backdrop_shown(rgb):
        samples = [rgb[i:i + 3] for i in range(0, len(rgb), 3 * 101)]
        return samples.count(b"\x12\xfe\x34") > 0.99 * len(samples)

    def agent_inhibit(self):
        self.remote.send("agent-inhibit")
        # Held once the agent says so: PowerDevil waits a few seconds before it honours one.
        asked = ["busctl", "--user", "call", "org.kde.Solid.PowerManagement.PolicyAgent",
                 "/org/kde/Solid/PowerManagement/PolicyAgent", "org.kde.Solid.PowerManagement.PolicyAgent",
                 "HasInhibition", "u", "4"]
        deadline = time.monotonic() + 15
        while subprocess.run(asked, capture_output=True, text=True, timeout=10).stdout.strip() != "b true":
            assert time.monotonic() < deadline, "the policy agent never held the inhibition"
            time.sleep(0.05)

    def agent_release(self):
        self.remote.send("agent-release")

    def pixels(self, name):
        return rgb_of(name, grim("-g", self.windows[name]))


def rgb_of(name, ppm):
    """The pixels of a binary PPM of the monitor."""
    width, height = MONITORS[name]
    header = f"P6\n{width} {height}\n255\n".encode()
    assert ppm.startswith(header), f"{name}: not a {width} x {height} screenshot"
    return ppm[len(header):]


desk = {"gnome": GnomeDesk, "kwin": KwinDesk, "kwin-on-sway": NestedKwinDesk, "wlroots": WlrootsDesk}[
    DESKS[DESK]["remote"]]()


def shot(name, keep=None):
    """The monitor's pixels (RGB rows); keep saves them as keep.ppm."""
    rgb = desk.pixels(name)
    if keep:
        width, height = MONITORS[name]
        with open(os.path.join(shots, keep + ".ppm"), "wb") as f:
            f.write(f"P6\n{width} {height}\n255\n".encode() + rgb)
    return rgb


BARE = {name: shot(name, keep=f"{name}-bare") for name in MONITORS}  # the desk before any saver


def pixels(rgb, step=1):
    """Every step-th pixel as (r, g, b)."""
    return zip(rgb[0::3 * step], rgb[1::3 * step], rgb[2::3 * step])


def tinted(rgb):
    """Pixels of the desktop's colour (flakes and the saver's black are grey)."""
    return sum(1 for p in pixels(rgb) if max(p) - min(p) > 8)


def lit(rgb):
    """Pixels of a flake: bright and grey."""
    return sum(1 for p in pixels(rgb) if p[0] > 64 and max(p) - min(p) <= 8)


def unlike_bare(name, rgb):
    """The share of the monitor's pixels (every fifth) that differ from the bare desk."""
    seen = list(pixels(rgb, 5))
    return sum(1 for a, b in zip(seen, pixels(BARE[name], 5)) if a != b) / len(seen)


def bare(name, rgb):
    """No saver on the monitor: the desk as it was (a clock may have moved on)."""
    return unlike_bare(name, rgb) < 0.01


def covered(name, rgb):
    """A saver over the whole monitor: almost every pixel darkened (a black
    panel stays black), flakes or not yet."""
    return unlike_bare(name, rgb) > 0.9


def faded_in(rgb):
    return tinted(rgb) == 0 and lit(rgb) > 200


def wait_for(condition, seconds, what):
    """Polls every monitor until condition(name, pixels) holds on all of them;
    returns the seconds it took, or None when it never did."""
    began = time.monotonic()
    while True:
        if all(condition(name, shot(name)) for name in MONITORS):
            return time.monotonic() - began
        if time.monotonic() - began > seconds:
            print(f"     {what}: not within {seconds} s")
            return None
        time.sleep(0.1)


# A home with no settings file: the defaults, whoever runs the tests.
HOME = os.path.join(shots, "home")
os.makedirs(HOME, exist_ok=True)


class Saver:
    def __init__(self, *args):
        env = dict(os.environ, HOME=HOME, XDG_CONFIG_HOME=os.path.join(HOME, ".config"))
        self.process = subprocess.Popen([program, *args], env=env)

    def running(self):
        return self.process.poll() is None

    def end(self, seconds=10):
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return "still running"

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


@case
def every_monitor_covered_then_a_key():
    saver = Saver()
    try:
        seconds = wait_for(lambda name, rgb: faded_in(rgb), 15, "faded in on every monitor")
        check(seconds is not None, f"every monitor covered with flakes, nothing of the desktop "
              f"({'never' if seconds is None else f'{seconds:.1f} s'})")
        for name in MONITORS:
            rgb = shot(name, keep=f"{name}-faded")
            check(faded_in(rgb), f"{name}: {lit(rgb)} flake pixels, {tinted(rgb)} of the desktop")
        desk.key()
        check(saver.end() == 0, "a key ends it with 0")
    finally:
        saver.stop()


@case
def a_move_beyond_the_slack_and_a_click():
    for name, inputs in (("a move", ["move 2 2", "move 30 30"]), ("a click", ["click"])):
        saver = Saver()
        try:
            check(wait_for(covered, 10, "covered") is not None, f"{name}: it covers every monitor")
            if len(inputs) > 1:
                desk.send(inputs[0])
                check(saver.end(1) == "still running", "a move of 2 pixels leaves it running")
            desk.send(inputs[-1])
            check(saver.end() == 0, f"{name} ends it with 0")
        finally:
            saver.stop()


@case
def settings_preview_in_its_place():
    """The settings window's preview in the desk's own window frame (GNOME's
    header bar and shadow): a black box of exactly the picture's size (the
    picture is black beneath the preview, so one out of place makes the box
    larger) holding the core's frame pixel for pixel."""
    env = dict(os.environ, HOME=HOME, XDG_CONFIG_HOME=os.path.join(HOME, ".config"), FLINDRA_TEST_SEAM=HELD)
    before = {name: shot(name) for name in MONITORS}  # GNOME's panel as it is now
    window = subprocess.Popen([settings], env=env, stderr=subprocess.DEVNULL)
    expected, seen = core_frame(native_frame, shots, ""), {}

    def shown(name, rgb):
        width, height = MONITORS[name]
        rect = preview_rect(width, height, rgb, before[name])
        seen[name] = rect
        return rect is not None and rect[2:] == PREVIEW and cut(width, rgb, rect) == expected

    try:
        began = time.monotonic()
        while not any(shown(name, shot(name)) for name in MONITORS) and time.monotonic() - began < 20:
            time.sleep(0.1)
        check(any(shown(name, shot(name, keep=f"{name}-settings")) for name in MONITORS),
              f"the preview: {PREVIEW[0]} x {PREVIEW[1]}, the core's frame pixel for pixel (black boxes: {seen})")
        window.terminate()
        code, gone = window.wait(10), wait_for(lambda name, rgb: bare(name, rgb), 5, "bare")
        check(code == 0 and gone is not None, f"SIGTERM closes the window with 0 ({code}), leaving the desk as it was")
    finally:
        if window.poll() is None:
            window.kill()
            window.wait()


def idle_saver(hold=None):
    """flindra-wayland -idle 3, started right after an input, so the idle time counts from there."""
    if hold:
        hold()
    desk.send("move 1 0")
    return Saver("-idle", str(IDLE))


@case
def idle_shows_after_3_seconds_and_hides_on_input():
    saver = idle_saver()
    began = time.monotonic()
    try:
        time.sleep(1.5)  # NOTE: nothing to poll: the check is that nothing shows yet
        check(all(bare(name, shot(name)) for name in MONITORS), "-idle 3: nothing shown at 1.5 s")
        assert saver.running(), f"-idle 3 ended with {saver.end()}"
        seconds = wait_for(covered, 4.5 - (time.monotonic() - began), "covered")
        at = time.monotonic() - began
        assert check(seconds is not None and at < 5, f"-idle 3: every monitor covered by about 4 s ({at:.1f} s)"), \
            "not shown in time"
        if isinstance(desk, GnomeDesk):  # GNOME's own blank and lock come with idle not held off, its time on
            held = desk.bus(*SESSION, "IsInhibited", "u", "8")
            idle = desk.bus("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                            "org.gnome.Mutter.IdleMonitor", "GetIdletime")
            check(held == "b false" and int(idle.split()[1]) > IDLE * 1000,
                  f"shown, it holds off neither GNOME's idle nor its blank: {held}, {idle}")
        desk.key()
        keyed = time.monotonic()
        check(wait_for(bare, 3, "hidden") is not None, "a key hides it on every monitor")
        check(saver.running(), "and it keeps watching")
        time.sleep(max(0.0, keyed + 1.5 - time.monotonic()))
        check(all(bare(name, shot(name)) for name in MONITORS), "nothing shown 1.5 s after the key")
        seconds = wait_for(covered, keyed + 4.5 - time.monotonic(), "covered again")
        after = time.monotonic() - keyed
        check(seconds is not None and after < 5, f"every monitor covered again about 3 s after the key ({after:.1f} s)")
    finally:
        saver.stop()


def inhibitors():
    """Each way the desk holds idle off: what, hold, let go. Plasma's policy
    agent holds what players ask of org.freedesktop.ScreenSaver."""
    ways = [("an idle inhibitor", desk.inhibit, desk.release)]
    if isinstance(desk, NestedKwinDesk):
        ways.append(("a PolicyAgent inhibition", desk.agent_inhibit, desk.agent_release))
    return ways


@case
def an_idle_inhibitor_keeps_it_hidden():
    for what, hold, let_go in inhibitors():
        saver = idle_saver(hold)
        released = False
        try:
            deadline = time.monotonic() + 2 * IDLE + 1
            shown = False
            while time.monotonic() < deadline and not shown:  # bounded: the check is that nothing shows
                shown = not all(bare(name, shot(name)) for name in MONITORS)
            check(not shown and saver.running(), f"-idle 3 with {what} held: nothing shown in {2 * IDLE + 1} s")
            let_go()
            released = True
            desk.send("move 1 0")
            check(wait_for(covered, IDLE + 2, "covered") is not None,
                  "once it is let go, every monitor covered after 3 idle seconds")
        finally:
            if not released:
                let_go()
            saver.stop()


try:
    run_cases()
finally:
    desk.close()
