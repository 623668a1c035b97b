"""What the Wayland tests share: one line a check, cases run in turn (each
stops at its first exception, reported as a failure), and a child's output
read line by line on a thread of its own, so that every wait can give up."""
import os
import queue
import sys
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
