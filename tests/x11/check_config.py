#!/usr/bin/env python3
"""check_config.py FLINDRA CONFIG_XML: the config file the build wrote is
well-formed XML, and flindra, run for real on $DISPLAY, accepts every
slider's option at its low, high and default values and every checkbox."""
import os
import signal
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

flindra, config = sys.argv[1], sys.argv[2]
root = ET.parse(config).getroot()  # raises on malformed XML
assert root.tag == "screensaver" and root.get("name") == "flindra", root.attrib
assert root.findtext("_description", "").strip(), "no description"

sliders = list(root.iter("number"))
assert sliders and all(s.get("type") == "slider" for s in sliders)
for s in sliders:
    assert s.get("arg", "").endswith(" %"), s.attrib
    low, high, default = int(s.get("low")), int(s.get("high")), int(s.get("default"))
    assert low <= default <= high, s.attrib
checkboxes = [b.get("arg-set") for b in root.iter("boolean")]
assert "-fps" in checkboxes


def runs(args):
    """Starts flindra -root with args, waits for its first frame, ends it
    with SIGTERM and returns how it ended (-15: by that signal)."""
    env = dict(os.environ, FLINDRA_TEST_SEAM="report")
    env.pop("XSCREENSAVER_WINDOW", None)
    p = subprocess.Popen([flindra, "-root"] + args, stderr=subprocess.PIPE, env=env, text=True)
    try:
        line = p.stderr.readline()  # blocks until the first frame or the end
        if "first frame" not in line:
            p.wait(10)
            return f"no first frame: {line.strip()!r}, exit {p.returncode}"
        p.send_signal(signal.SIGTERM)
        return p.wait(10)
    finally:
        if p.poll() is None:
            p.kill()
            p.wait()


for which in ("low", "high", "default"):
    args = []
    for s in sliders:
        args += [s.get("arg").split()[0], s.get(which)]
    args += [a for a in checkboxes if a]
    code = runs(args)
    assert code == -signal.SIGTERM, f"{which} values {args}: {code}"
    print(f"check_config: accepted at {which}: {' '.join(args)}")
