"""Takes the README's pictures: the launcher window, and the trend chart it opens, against
the bundled stand-in service. Run by scripts/screenshots.sh inside the test sandbox."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from veltrano_e2e import Launcher, extents, wait_until, window_titled  # noqa: E402

docs = sys.argv[1]


def shoot(name, x, y, w, h):
    subprocess.run(
        ["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", os.path.join(docs, name)], check=True
    )


launcher = Launcher()
launcher.wait_shown()
wait_until(lambda: launcher.control("Label5").name != "未发现新版本", 10, what="the update notice")
time.sleep(0.5)
shoot("window.png", *extents(launcher.frame))
launcher.press("Command4")
window = window_titled("遗漏走势图")[0]
time.sleep(1.0)
left, top, width, height = window.geometry()
l, r, t, b = window.frame_extents()
shoot("chart.png", left, top, width + l + r, min(height + t + b, 560))
launcher.stop()
