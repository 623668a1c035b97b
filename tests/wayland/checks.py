"""What the Wayland tests share: one line a check, cases run in turn (each
stops at its first exception, reported as a failure), a child's output
read line by line on a thread of its own, so that every wait can give up,
and the line-driven helper programs (a virtual pointer, a backdrop, a
desk's remote control)."""
import atexit
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

failures = []
CASES = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def case(function):
    CASES.append(function)
    return function


def run_cases():
    """Runs every case (FLINDRA_CASES=name,name: only those), then exits 1 if a check failed."""
    wanted = os.environ.get("FLINDRA_CASES", "").split(",")
    for function in CASES:
        if wanted != [""] and function.__name__ not in wanted:
            continue
        print(f"-- {function.__name__}", flush=True)
        try:
            function()
        except Exception as error:  # noqa: BLE001 - each case reports its own failure
            check(False, f"{function.__name__}: {error}")
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)


def folder_for_others():
    """A folder under /tmp that the compositor's user (and whatever it starts)
    may use: the checkout may sit in a home folder nobody else can enter.
    Removed at exit."""
    folder = tempfile.mkdtemp(prefix="flindra-test.", dir="/tmp")
    os.chmod(folder, 0o1777)
    atexit.register(shutil.rmtree, folder, ignore_errors=True)
    return folder


class Lines:
    """A stream's lines as they come."""

    def __init__(self, stream):
        self.queue = queue.Queue()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.queue.put(line.rstrip("\n"))
        self.queue.put(None)

    def get(self, deadline):
        """The next line; None at the end of the stream or once time.monotonic() passes deadline."""
        try:
            return self.queue.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            return None


class Helper:
    """A line-driven helper program: each command answered "ok"."""

    def __init__(self, command, **popen):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, **popen)
        self.intro = []
        while (line := self.process.stdout.readline().strip()) != "ready":
            assert line, f"{os.path.basename(command[0])} did not start"
            self.intro.append(line)

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        assert self.process.stdout.readline().strip() == "ok", f"{command!r} was refused"

    def close(self):
        self.process.stdin.close()
        self.process.wait(10)
