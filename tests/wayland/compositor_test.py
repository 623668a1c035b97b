#!/usr/bin/env python3
"""compositor_test.py FLINDRA_WAYLAND TEST_COMPOSITOR GNOME_STAND_IN: flindra-wayland against
tests/wayland/test_compositor, on the paths sway cannot drive: a layer surface
closed while its output stays, outputs removed, a scale changed under a live
surface (whole and fractional), the compositor going away, the opaque region
once faded in, -idle on a GNOME idle monitor stand-in while the session
manager hangs, and where -idle cannot run. Judged by exit codes and by what
the compositor received (surface sizes, buffer sizes and scales, lit
pixels), never by what the program says of itself. One line a check; exit 1
when one fails."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from checks import Helper, Lines, case, check, run_cases

program, compositor, gnome_stand_in = sys.argv[1:4]
COMMIT = re.compile(r"commit (\d+) output (\S+) size (\d+)x(\d+) buffer (?:(\d+)x(\d+)|none) scale (\d+) "
                    r"viewport \S+ opaque (yes|no) lit (\d+)")
# Lit pixels that show flakes: a 320 x 240 frame has about a thousand from its first frame on.
FLAKES = 100


class Desk:
    """The test compositor with outputs ("NAME WxH [scale N]") and flindra-wayland
    (with args) connected to it. What the compositor reports is kept as it
    comes: which surface lives on which output, and every surface's commits."""

    def __init__(self, outputs, *args, env=None):
        self.runtime = tempfile.mkdtemp(prefix="flindra-compositor.")  # 0700, as a runtime directory must be
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, **(env or {}))
        env.pop("WAYLAND_DISPLAY", None)
        self.compositor = subprocess.Popen([compositor], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                           env=env)
        self.lines = Lines(self.compositor.stdout)
        self.recent = []       # the last lines, for a failure's message
        self.surfaces = {}     # surface -> its output's name (None before it has one)
        self.commits = {}      # surface -> its commits with a buffer, oldest first
        self.answers = []      # "ok ..." and "error ..." lines
        self.sizes = {}        # output -> its logical size
        self.socket = self.saver = None
        try:
            self.expect(lambda: self.socket is not None, "the test compositor made its socket", report=False)
            for output in outputs:
                name, size = output.split()[:2]
                self.sizes[name] = tuple(map(int, size.split("x")))
                self.command(f"output add {output}")
            self.saver = subprocess.Popen([program, *args], env=dict(env, WAYLAND_DISPLAY=self.socket))
        except BaseException:
            self.__exit__()
            raise

    def __enter__(self):
        return self

    def __exit__(self, failure=None, *_):
        """The compositor told to quit (its input ends): a saver still running must end with 0 too,
        its sanitizers content. After a failure the saver is killed first."""
        running = self.saver is not None and self.saver.poll() is None
        if running and failure is not None:
            self.saver.kill()
        if self.compositor.returncode is None:
            self.compositor.stdin.close()
            if self.compositor.wait(10) != 0:
                check(False, f"the test compositor ended with {self.compositor.returncode}")
        if running:
            self.ends_with(0, "the compositor gone") if failure is None else self.saver.wait()
        shutil.rmtree(self.runtime)

    def _take(self, line):
        self.recent = (self.recent + [line])[-6:]
        if m := re.fullmatch(r"socket (\S+)", line):
            self.socket = m[1]
        elif m := re.fullmatch(r"surface (\d+) created", line):
            self.surfaces[int(m[1])] = None
        elif m := re.fullmatch(r"layer (\d+) on (\S+)", line):
            self.surfaces[int(m[1])] = m[2]
        elif m := re.fullmatch(r"surface (\d+) destroyed", line):
            self.surfaces.pop(int(m[1]), None)
        elif (m := COMMIT.fullmatch(line)) and m[5]:
            self.commits.setdefault(int(m[1]), []).append(
                {"output": m[2], "size": (int(m[3]), int(m[4])), "pixels": (int(m[5]), int(m[6])),
                 "scale": int(m[7]), "opaque": m[8] == "yes", "lit": int(m[9])})
        elif line.startswith(("ok ", "error ")):
            self.answers.append(line)

    def expect(self, condition, what, seconds=15, report=True):
        """Takes the compositor's lines until condition() holds; a failure (raised) after seconds."""
        deadline = time.monotonic() + seconds
        while not condition():
            line = self.lines.get(deadline)
            if line is None:
                raise AssertionError(f"{what}: not within {seconds} s; the compositor's last lines: {self.recent}")
            self._take(line)
        if report:
            check(True, what)

    def send(self, line):
        self.compositor.stdin.write(line + "\n")
        self.compositor.stdin.flush()

    def command(self, line):
        """Sends a command and waits until the compositor has carried it out."""
        self.send(line)
        self.expect(lambda: self.answers, f"an answer to {line}", report=False)
        answer = self.answers.pop(0)
        assert answer == f"ok {line}", f"the test compositor refused {line}: {answer}"

    def on(self, output):
        """The surfaces living on that output."""
        return [s for s, where in self.surfaces.items() if where == output]

    def frames(self, output):
        """How many frames the surfaces on that output have shown so far."""
        return sum(len(self.commits.get(s, [])) for s in self.on(output))

    def showing(self, output, pixels=None, scale=1, besides=()):
        """True when a surface on the output (other than besides) last showed flakes over all of it,
        in buffers of pixels (default its logical size) at that buffer scale."""
        for s in self.on(output):
            last = self.commits.get(s, [{}])[-1]
            if s not in besides and last and last["size"] == self.sizes[output] and last["scale"] == scale and \
                    last["pixels"] == (pixels or self.sizes[output]) and last["lit"] > FLAKES:
                return True
        return False

    def ends_with(self, code, what, seconds=5):
        try:
            check(self.saver.wait(seconds) == code, f"{what}: flindra-wayland ends with {self.saver.returncode}")
        except subprocess.TimeoutExpired:
            check(False, f"{what}: flindra-wayland still runs after {seconds} s")


@case
def closed_layer_surface_made_again():
    with Desk(["A 320x240", "B 256x192"]) as desk:
        desk.expect(lambda: desk.showing("A") and desk.showing("B"), "flakes on A (320 x 240) and B (256 x 192)")
        closed, b_frames = desk.on("A"), desk.frames("B")
        desk.command("close-layer A")
        desk.expect(lambda: not set(closed) & set(desk.surfaces), "the closed surface destroyed")
        desk.expect(lambda: desk.showing("A", besides=closed), "A, still there, gets a new surface with flakes")
        desk.expect(lambda: desk.frames("B") > b_frames + 10, "B kept drawing")
        check(desk.saver.poll() is None, "flindra-wayland still runs")


@case
def outputs_removed():
    with Desk(["A 320x240", "B 256x192"]) as desk:
        desk.expect(lambda: desk.showing("A") and desk.showing("B"), "flakes on A and B")
        desk.command("output remove B")
        desk.expect(lambda: not desk.on("B"), "B removed: its surface destroyed")
        a_frames = desk.frames("A")
        desk.expect(lambda: desk.frames("A") > a_frames + 10 and desk.showing("A"), "A keeps drawing flakes")
        check(not desk.on("B") and desk.saver.poll() is None, "no surface on B again, and flindra-wayland runs")
        desk.command("output remove A")
        desk.ends_with(0, "A removed too, no output left")


# Commands, then how output A (333 x 250 logical pixels) is drawn: buffer
# pixels and buffer scale; the surface keeps A's logical size throughout.
SCALE_STEPS = (
    ((), (333, 250), 1),
    (("output scale A 2",), (666, 500), 2),
    (("output scale A 1",), (333, 250), 1),
    (("output scale A 2", "output fractional A 180"), (500, 375), 1),  # 1.5: 499.5 rounds to 500
)


@case
def surface_follows_its_outputs_scale():
    with Desk(["A 333x250", "B 200x150 scale 3"]) as desk:
        desk.expect(lambda: desk.showing("B", (600, 450), 3), "B, at scale 3 from the start: 600 x 450 at scale 3")
        for commands, pixels, scale in SCALE_STEPS:
            for command in commands:
                desk.command(command)
            desk.expect(lambda: desk.showing("A", pixels, scale),
                        f"{' then '.join(commands) or 'at first'}: A in {pixels[0]} x {pixels[1]} pixels "
                        f"at buffer scale {scale}, 333 x 250 on the desk")


@case
def nothing_drawn_while_hidden():
    with Desk(["A 320x240", "B 256x192"]) as desk:
        desk.expect(lambda: desk.showing("A") and desk.showing("B"), "flakes on A and B")
        desk.command("output hide A")
        a_frames, b_frames = desk.frames("A"), desk.frames("B")
        desk.expect(lambda: desk.frames("B") > b_frames + 30, "B drew 30 frames")
        # The frame already asked for, and one more for a compositor a beat late.
        check(desk.frames("A") - a_frames <= 2, f"A, asked for no frame, showed {desk.frames('A') - a_frames} "
              "frames meanwhile (at most 2)")
        desk.command("output show A")
        desk.expect(lambda: desk.frames("A") > a_frames + 10, "A draws again once shown")


@case
def compositor_going_away():
    for how in ("quit", "kill"):
        with Desk(["A 320x240"]) as desk:
            desk.expect(lambda: desk.showing("A"), "flakes on A")
            if how == "quit":
                desk.send("quit")
            else:
                desk.compositor.kill()
                desk.compositor.wait()
            desk.ends_with(0, f"the compositor told to {how}" if how == "quit" else "the compositor killed")


@case
def opaque_once_faded_in():
    # The fade takes 100 beats, at most one frame a beat.
    with Desk(["A 320x240"], "-bright", "5") as desk:
        desk.expect(lambda: desk.frames("A") >= 150, "-bright 5: 150 frames")
        check(not any(c["opaque"] for s in desk.on("A") for c in desk.commits[s]),
              "-bright 5: never an opaque region, the desktop shows through")
    with Desk(["A 320x240"]) as desk:
        desk.expect(lambda: desk.showing("A"), "flakes on A")
        first = desk.commits[desk.on("A")[0]][0]
        check(not first["opaque"], "no opaque region while it fades in")
        desk.expect(lambda: desk.showing("A") and desk.commits[desk.on("A")[0]][-1]["opaque"],
                    "once faded in, an opaque region covering the surface")


class Gnome(Helper):
    """tests/wayland/gnome_stand_in on a dbus-daemon of its own, which env names."""

    def __init__(self):
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                                    stdout=subprocess.PIPE, text=True)
        self.env = {"DBUS_SESSION_BUS_ADDRESS": self.bus.stdout.readline().strip()}
        super().__init__([gnome_stand_in], env=dict(os.environ, **self.env))
        self.lines = Lines(self.process.stdout)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
        self.bus.terminate()
        self.bus.wait(10)

    def called(self, pattern, seconds=10):
        """Takes the stand-in's lines until one matches pattern; a failure (raised) after seconds."""
        deadline = time.monotonic() + seconds
        while (line := self.lines.get(deadline)) is not None:
            if re.fullmatch(pattern, line):
                return
        raise AssertionError(f"the stand-in's calls: no {pattern!r} within {seconds} s")

    def send(self, *commands):
        self.process.stdin.write("".join(c + "\n" for c in commands))
        self.process.stdin.flush()


@case
def gnome_idle_while_the_session_manager_hangs():
    with Gnome() as gnome, Desk(["A 320x240"], "-idle", "1", env=gnome.env) as desk:
        gnome.called(r"AddIdleWatch 1000")
        # First with IsInhibited unanswered; then after what lets an idle time go unshown
        # (GNOME's shield: it hides, and its end waits for the next idle time).
        for commands, told, hider in (((), r"IsInhibited", "active"),
                                      (("refuse", "idle"), r"AddUserActiveWatch refused", "active"),
                                      (("back", "idle"), r"GetIdletime 0", "shield"),
                                      (("unshield",), None, "active")):
            gnome.send(*commands)
            if told:
                gnome.called(told)
            gnome.send("idle")
            gnome.called(r"AddUserActiveWatch \d+")
            frames = desk.frames("A")
            desk.expect(lambda: desk.showing("A") and desk.frames("A") > frames + 30,
                        f"after {' '.join(commands) or 'the start'}: shown at the next idle time, 30 frames in 5 s", 5)
            gnome.send(hider)
            desk.expect(lambda: not desk.on("A"), f"{hider}: hidden")
        gnome.bus.terminate()
        desk.ends_with(1, "the session bus gone, for the user unit to start it again")


@case
def resident_where_it_can_never_run():
    """Exit code 78, which the user unit does not restart: no compositor; no idle source (no session bus)."""
    alone = subprocess.run([program, "-idle"], env=dict(os.environ, WAYLAND_DISPLAY="no-such-compositor"),
                           timeout=10)
    check(alone.returncode == 78, f"-idle, no compositor: flindra-wayland ends with {alone.returncode}")
    with Desk(["A 320x240"], "-idle", env={"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent"}) as desk:
        desk.ends_with(78, "-idle, no idle source")


run_cases()
