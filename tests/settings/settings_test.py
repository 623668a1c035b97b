#!/usr/bin/env python3
"""settings_test.py FLINDRA_SETTINGS SYSTEMD_STAND_IN NATIVE_FRAME FLINDRA_WAYLAND UNIT_FOLDER SHOTS_DIR:
the settings window on the headless sway of scripts/with-sway (and once on
the Xvfb of scripts/with-xvfb, as an X11 client), on a session
bus of its own (dbus-run-session) where SYSTEMD_STAND_IN answers for
systemd's user manager. Driven by keys alone (wtype), checked by the
settings file it writes, grim screenshots of its preview held against the
core's own frame, and the manager calls the stand-in saw."""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wayland"))
from checks import Lines, case, check, run_cases  # noqa: E402
from preview_frames import HELD, PREVIEW, core_frame, cut, preview_rect  # noqa: E402

program, stand_in, native_frame, saver, unit_folder, shots = sys.argv[1:7]
saver = os.path.abspath(saver)  # as the window starts it, beside itself
os.makedirs(shots, exist_ok=True)
IN_ITS_PLACE = object()  # a Window's text: a folder where the file would be
APP_ID = "example.flindra.Settings"


def shot(keep=None):
    ppm = subprocess.run(["grim", "-t", "ppm", "-o", "HEADLESS-1", "-"], capture_output=True, check=True,
                         timeout=10).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    if keep:
        with open(os.path.join(shots, keep + ".ppm"), "wb") as f:
            f.write(ppm)
    return int(m[1]), int(m[2]), ppm[m.end():]


def window_node():
    """The window as sway holds it: its place ("rect") and whether it has the keyboard ("focused")."""
    def find(node):
        if node.get("app_id") == APP_ID:
            return node
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = find(child)
            if found:
                return found
        return None
    tree = subprocess.run(["swaymsg", "-r", "-t", "get_tree"], capture_output=True, text=True, check=True,
                          timeout=10).stdout
    return find(json.loads(tree)) or {}


def keep_window_picture(name):
    """The window alone as SHOTS_DIR/NAME.png, for the AppStream metainfo's screenshot (make pictures-settings)."""
    r = window_node()["rect"]
    ppm = subprocess.run(["grim", "-t", "ppm", "-g", f"{r['x']},{r['y']} {r['width']}x{r['height']}", "-"],
                         capture_output=True, check=True, timeout=10).stdout
    subprocess.run(["convert", "ppm:-", "-strip", os.path.join(shots, name + ".png")], input=ppm, check=True,
                   timeout=30)


def lit(rgb):
    return sum(1 for i in range(0, len(rgb), 3) if rgb[i] > 64)


def keys(*names):
    """Keys pressed in turn; "alt+s" holds Alt around s. wtype's keyboard is
    new each time: its first key waits until the window has its keymap
    (sooner, the key can be lost)."""
    args = ["wtype", "-s", "150"]
    for name in names:
        modifier, _, key = name.rpartition("+")
        args += (["-M", modifier, "-k", key, "-m", modifier] if modifier else ["-k", key]) + ["-s", "30"]
    subprocess.run(args, check=True, timeout=20)


def poll(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


class Window:
    """flindra-settings over a settings file of the test's own."""

    def __init__(self, text, keep, env=None, linked=False):
        """text None: no file; a folder in the file's place: unreadable.
        linked: the file kept in CONFIG/dotfiles behind a relative link, as a dotfile manager does."""
        self.config = tempfile.mkdtemp(prefix="flindra-settings-")
        self.path = os.path.join(self.config, "flindra", "settings")
        if text is IN_ITS_PLACE:
            os.makedirs(self.path)
        elif text is not None:
            os.makedirs(os.path.dirname(self.path))
            if linked:
                os.makedirs(os.path.join(self.config, "dotfiles"))
                os.symlink("../dotfiles/settings", self.path)
            with open(self.path, "w") as f:
                f.write(text)
        env = dict(os.environ, XDG_CONFIG_HOME=self.config, FLINDRA_TEST_SEAM=HELD, **(env or {}))
        # What the sanitizers say at exit, kept for a failed exit code's reader.
        with open(os.path.join(shots, "windows.log"), "a") as log:
            self.process = subprocess.Popen([program], env=env, stderr=log)
        self.keep = keep
        self.rect = None
        if not env.get("__EGL_VENDOR_LIBRARY_FILENAMES"):
            assert poll(self._shown, 60), "the window never showed its preview"
        assert poll(lambda: window_node().get("focused")), "the window never had the keyboard"

    def _shown(self):
        self.grab()
        return self.rect is not None and self.rect[2:] == self.size()

    def size(self):
        """The preview's size in the screen's pixels, at the output's scale."""
        outputs = json.loads(subprocess.run(["swaymsg", "-r", "-t", "get_outputs"], capture_output=True, text=True,
                                            check=True, timeout=10).stdout)
        self.scale = round(outputs[0]["scale"])
        return PREVIEW[0] * self.scale, PREVIEW[1] * self.scale

    def grab(self, suffix=""):
        width, height, rgb = shot(self.keep + suffix)
        self.rect = preview_rect(width, height, rgb)
        return width, height, rgb

    def preview_is(self, query, what):
        """Waits until the preview shows the core's frame for query pixel for pixel."""
        size = self.size()
        expected = core_frame(native_frame, shots, query, self.scale)
        seen = [None]

        def same():
            width, _, rgb = self.grab("-" + what.split()[0])
            seen[0] = cut(width, rgb, self.rect) if self.rect and self.rect[2:] == size else b""
            return seen[0] == expected

        ok = poll(same)
        differ = sum(1 for i in range(0, len(expected), 3) if seen[0][i:i + 3] != expected[i:i + 3]) \
            if len(seen[0]) == len(expected) else "all"
        return check(ok, f"{what}: the core's frame pixel for pixel ({differ} pixels differ)"), lit(seen[0])

    def file(self):
        try:
            with open(self.path) as f:
                return f.read()
        except FileNotFoundError:
            return None

    def file_becomes(self, expected, what):
        ok = poll(lambda: self.file() == expected)
        return check(ok, f"{what}: the file reads {expected!r}" + ("" if ok else f", not {self.file()!r}"))

    def accessible(self):
        """The window's application as a screen reader finds it on the accessibility bus."""
        Atspi.init()

        def app():
            desktop = Atspi.get_desktop(0)
            apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
            return next((a for a in apps if a and a.get_process_id() == self.process.pid), None)

        assert poll(app), "the window never came on the accessibility bus"
        found = app()
        found.set_cache_mask(Atspi.Cache.NONE)  # each read asks the window, never a copy of an earlier answer
        return found

    def close(self):
        """SIGTERM, as a session's end sends it: the window quits with 0, with
        nothing leaked or faulted (the sanitizer build says so at exit)."""
        self.process.terminate()
        code = self.process.wait(timeout=10)
        check(code == 0, f"SIGTERM: the window quits with 0 ({code})")


# Tabs from the window's start, where Speed has the focus: the five sliders
# in turn, then the minutes. Alt+S turns the switch, Alt+P is Preview.
SPEED, BRIGHTNESS, SIZE, FLAKES, SWAY, MINUTES = range(6)
clean_top = []


@case
def sliders_write_the_file():
    w = Window("# mine\nsize = 4  # big\nfats = 2\n", "sliders", linked=True)
    try:
        keys("Right")
        w.file_becomes("# mine\nsize = 4  # big\nfats = 2\nfast = 4\n", "Right: Speed 3 to 4, added")
        keys(*["Tab"] * (SIZE - SPEED), "Left")
        w.file_becomes("# mine\nsize = 3  # big\nfats = 2\nfast = 4\n", "Flake size 4 to 3 in its own line")
        keys(*["Tab"] * (SWAY - SIZE), "End")
        w.file_becomes("# mine\nsize = 3  # big\nfats = 2\nfast = 4\ncolor = 30\n", "Sway rate to its end, 30")
        check(os.path.islink(w.path), "the link to the file stays a link")
        beside = [os.listdir(os.path.join(w.config, folder)) for folder in ("flindra", "dotfiles")]
        check(beside == [["settings"]] * 2, f"no file left beside the link or its file ({beside})")
    finally:
        w.close()


@case
def preview_follows_number_of_flakes():
    w = Window("satiation = 1\n", "flakes")
    try:
        clean_top.append(w.rect[1])
        few = w.preview_is("&satiation=1", "Number of flakes 1")[1]
        keys(*["Tab"] * FLAKES, "End")
        w.file_becomes("satiation = 10\n", "Number of flakes to 10")
        many = w.preview_is("", "Number of flakes 10")[1]
        keep_window_picture("settings-window")
        check(0 < few * 3 < many, f"more flakes lit at 10 than at 1 ({few} against {many} pixels)")
    finally:
        w.close()


def set_output(mode, scale):
    subprocess.run(["swaymsg", "output", "HEADLESS-1", "resolution", mode, "scale", str(scale)], check=True,
                   capture_output=True, timeout=10)


@case
def preview_at_the_screens_scale():
    set_output("2560x1440", 2)
    w = Window("", "scale")
    try:
        w.preview_is("", "at scale 2 from the start, 768 x 432 pixels")
        set_output("1280x720", 1)
        w.preview_is("", "the output back to scale 1 while it runs, 384 x 216 pixels")
    finally:
        w.close()
        set_output("1280x720", 1)


@case
def preview_off_wayland():
    """On X11 (the Xvfb of scripts/with-xvfb) the preview is drawn offscreen
    and read back into the picture: the core's frame pixel for pixel there too."""
    env = dict(os.environ, GDK_BACKEND="x11", XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="flindra-settings-"),
               FLINDRA_TEST_SEAM=HELD)
    window = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
    expected, seen = core_frame(native_frame, shots, ""), [None]

    def same():
        shown = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(window.pid)], capture_output=True,
                               text=True, timeout=10).stdout.split()
        if not shown:
            return False
        ppm = subprocess.run(["import", "-window", shown[0], "-depth", "8", "ppm:-"], capture_output=True,
                             timeout=10).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        width, height, rgb = int(m[1]), int(m[2]), ppm[m.end():]
        seen[0] = preview_rect(width, height, rgb)
        return seen[0] is not None and seen[0][2:] == PREVIEW and cut(width, rgb, seen[0]) == expected

    try:
        check(poll(same, 30), f"GDK_BACKEND=x11: the preview is the core's frame pixel for pixel (black box {seen[0]})")
        window.terminate()
        check(window.wait(10) == 0, "and SIGTERM ends it with 0")
    finally:
        if window.poll() is None:
            window.kill()
            window.wait()


@case
def bad_line_noticed_others_loaded():
    w = Window("fast = 7\nbright = 11\nsize = 2\n# kept\n", "bad-line")
    try:
        check(bool(clean_top) and w.rect[1] > clean_top[0] + 10,
              f"the notice stands above the preview (preview at y {w.rect[1]}, {clean_top} without one)")
        w.preview_is("&fast=7&size=2", "the good lines, fast 7 and size 2, drawn")
        keys("Right")
        w.file_becomes("fast = 8\nbright = 11\nsize = 2\n# kept\n", "a change keeps the bad line as it was")
    finally:
        w.close()


class StandIn:
    def __init__(self, folder, *args):
        self.process = subprocess.Popen([stand_in, folder, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True)
        self.lines = Lines(self.process.stdout)
        assert self.next() == "ready", "the stand-in never owned org.freedesktop.systemd1"

    def next(self, seconds=10):
        return self.lines.get(time.monotonic() + seconds)

    def calls(self, count):
        return [(self.next() or "").split(" ")[0] for _ in range(count)]

    def answer(self):
        """A "holding" stand-in answers the next call held."""
        self.process.stdin.write("\n")
        self.process.stdin.flush()

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)


@case
def switch_turns_the_unit_on_and_off():
    manager = StandIn(unit_folder)
    w = Window(None, "switch")
    try:
        check(manager.calls(1) == ["GetUnitFileState"], "the window asks whether the unit is enabled")
        keys("alt+s")
        check(manager.calls(3) == ["EnableUnitFiles", "Reload", "StartUnit"], "on (Alt+S): enabled, reloaded, started")
        w.file_becomes("idle = 300\n", "on: the wait written, 5 minutes")
        keys(*["Tab"] * MINUTES, "Up")
        w.file_becomes("idle = 360\n", "the minutes up by one: 6 minutes")
        check(manager.next(1) is None, "the minutes alone call no manager")
        keys("alt+s")
        check(manager.calls(3) == ["StopUnit", "DisableUnitFiles", "Reload"], "off: stopped, disabled, reloaded")
    finally:
        w.close()
        manager.close()


@case
def refused_switch_goes_back_and_says_why():
    manager = StandIn(unit_folder, "enabled", "refusing")
    w = Window("", "refused")
    top = w.rect[1]
    try:
        manager.calls(1)
        keys("alt+s")
        check(manager.calls(1) == ["StopUnit"], "an enabled unit: the switch starts on, Alt+S stops it")
        check(poll(lambda: w.grab("-told")[0] and w.rect[1] > top + 10), "the manager's refusal told above the preview")
        keys("alt+s")
        check(manager.calls(1) == ["StopUnit"], "the switch went back on: Alt+S turns it off again")
    finally:
        w.close()
        manager.close()


@case
def busy_manager_leaves_the_window_working():
    """A manager that answers only when the test says (systemd busy): meanwhile
    the sliders still write the file and the switch cannot be turned; it
    ends where the answers put it."""
    manager = StandIn(unit_folder, "enabled", "holding")
    w = Window("", "busy")
    try:
        switch = next(a for a in accessible_tree(w.accessible()) if a.get_role() == Atspi.Role.CHECK_BOX)
        told = (Atspi.StateType.SENSITIVE, Atspi.StateType.CHECKED)
        states = lambda: tuple(switch.get_state_set().contains(state) for state in told)  # noqa: E731
        for step, calls, key, file, ends in [
                ("at the start", ["GetUnitFileState"], "Right", "fast = 4\n", (True, True)),
                ("turned off (Alt+S)", ["StopUnit", "DisableUnitFiles", "Reload"], "Left", "fast = 3\n",
                 (True, False))]:
            if step.startswith("turned"):
                keys("alt+s")
            check(manager.calls(1) == calls[:1], f"{step}: the window asks the manager, which holds its answer")
            keys(key)
            w.file_becomes(file, f"{step}, the answer held: {key} on Speed still writes")
            check(not states()[0], f"{step}, the answer held: the switch cannot be turned (sensitive, on: {states()})")
            for later in calls[1:]:
                manager.answer()
                check(manager.calls(1) == [later], f"{step}: {later} once the call before is answered")
            manager.answer()
            check(poll(lambda: states() == ends),
                  f"{step}, answered: the switch (sensitive, on) is {ends} ({states()})")
        keys("alt+s")
        check(manager.calls(1) == ["EnableUnitFiles"], "turned on again: the window closes with that answer held")
    finally:
        w.close()
        manager.close()


def accessible_tree(node):
    """node and everything below it on the accessibility bus, as a screen reader walks it."""
    return [node] + [a for i in range(node.get_child_count()) for a in accessible_tree(node.get_child_at_index(i))]


@case
def screen_reader_reads_each_control():
    """What Orca gets over AT-SPI: each control's name, the sliders' meanings
    and live values. The sliders' captions and meanings as the saver's -help
    tells them (Unused has no slider), each set in the file to a value of its own."""
    told = subprocess.run([saver, "-help"], capture_output=True, text=True, check=True, timeout=10).stdout
    told = " ".join(told.split())  # its lines joined again
    sliders = [(option, caption, meaning, int(low) + 1 + i) for i, (option, caption, meaning, low) in enumerate(
        s for s in re.findall(r" -(\w+) N (.+?): (.+?)\. (\d+) \(\w+\) to \d+", told) if s[1] != "Unused")]
    w = Window("".join(f"{option} = {value}\n" for option, _, _, value in sliders), "screen-reader")
    try:
        window = w.accessible()

        def having(role):
            return [a for a in accessible_tree(window) if a.get_role() == role]

        found = having(Atspi.Role.SLIDER)
        check(len(found) == len(sliders) == 5, f"five sliders ({len(found)} on the bus, {len(sliders)} told by -help)")
        for (option, caption, meaning, value), slider in zip(sliders, found):
            got = (slider.get_name(), slider.get_description(), slider.get_current_value())
            expected = (caption, meaning, value)
            check(got == expected, f"slider {caption!r}: {meaning!r}, at {option} = {value} from the file"
                  + ("" if got == expected else f", not {got}"))
        speed = sliders[SPEED][3]
        keys("Right")
        check(poll(lambda: found[SPEED].get_current_value() == speed + 1),
              f"Right on Speed: its value reads {speed + 1} ({found[SPEED].get_current_value():g})")
        # GTK 4.8 offers its switch as a check box.
        names = {Atspi.Role.SPIN_BUTTON: ["Minutes of inactivity"], Atspi.Role.IMAGE: ["Preview of the falling flakes"],
                 Atspi.Role.PUSH_BUTTON: ["Preview"], Atspi.Role.CHECK_BOX: ["Start after 5 minutes of inactivity"]}
        for role, expected in names.items():
            got = [a.get_name() for a in having(role)]
            check(got == expected, f"{role.value_nick}: named {expected}" + ("" if got == expected else f", not {got}"))
        keys(*["Tab"] * (MINUTES - SPEED), "Up")
        switch = ["Start after 6 minutes of inactivity"]
        read = lambda: [a.get_name() for a in having(Atspi.Role.CHECK_BOX)]  # noqa: E731
        check(poll(lambda: read() == switch), f"the minutes up by one: the switch is named {switch} ({read()})")
    finally:
        w.close()


@case
def notice_tells_each_fault_once_and_keeps_it():
    """The notice as a screen reader reads it: a file that cannot be read is
    told once, also after a change, which says nothing was saved; a missing
    preview (no EGL vendor) stays told after a change."""
    w = Window(IN_ITS_PLACE, "notice", {"__EGL_VENDOR_LIBRARY_FILENAMES": "/nonexistent.json"})
    try:
        window = w.accessible()
        text = lambda: "\n".join(a.get_name() for a in accessible_tree(window) if a.get_role() == Atspi.Role.LABEL)  # noqa: E731
        complaint, unsaved = f"cannot read {w.path}: Is a directory", "Nothing was saved: the file cannot be read."
        for when, expected in [("at the start", 0), ("after Right on Speed", 1)]:
            if expected:
                keys("Right")
            told = lambda: (text().count(complaint), text().count(unsaved), "No preview: " in text())  # noqa: E731
            check(poll(lambda: told() == (1, expected, True)),
                  f"{when}: the file's complaint once, 'Nothing was saved' {expected} times, 'No preview' "
                  f"(complaint, unsaved, no preview: {told()})")
    finally:
        w.close()


def desktop_shows():
    _, _, rgb = shot()
    return any(rgb[i:i + 3] == b"\x12\xfe\x34" for i in range(0, len(rgb), 3))


@case
def preview_button_runs_the_saver_until_a_key():
    w = Window("", "saver")
    try:
        keys("alt+p")
        running = lambda: subprocess.run(["pgrep", "-f", "-x", saver], capture_output=True).returncode == 0  # noqa: E731
        check(poll(running), "Preview (Alt+P, no manager: the switch is out of the way) starts flindra-wayland")
        check(poll(lambda: not desktop_shows()), "it covers the whole output, window and desktop")
        keys("q")
        check(poll(lambda: not running()), "a key ends it")
        check(poll(desktop_shows) and w.process.poll() is None, "the window and the desktop are back")
    finally:
        w.close()


run_cases()
