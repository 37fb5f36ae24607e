"""With a LeakSanitizer build: a start-up, the five launches and an exit leave no memory
of the program's own unreleased, in the launcher or in the browser shell. Leaks inside the
toolkits' own caches are theirs; a leak is ours when the first frame that is not an
allocator is in our sources."""

import glob
import os
import re
import tempfile
import unittest

from test_launch import PAGES
from veltrano_e2e import (
    CONTENT_HOST,
    HOME_HOST,
    SOURCE,
    Launcher,
    Service,
    close_browser_windows,
    shell_running,
    wait_until,
    window_titled,
)

ALLOCATORS = re.compile(r"libsanitizer|asan_|libstdc\+\+|libglib-2\.0|libgobject-2\.0|/usr/include/|operator new")


def leaks_of_our_own(report):
    found = []
    for block in re.split(r"\n(?=(?:Direct|Indirect) leak)", report):
        if not block.startswith(("Direct", "Indirect")):
            continue
        for frame in (line.strip() for line in block.splitlines()[1:] if line.strip().startswith("#")):
            if ALLOCATORS.search(frame):
                continue
            if SOURCE in frame:
                found.append(block.splitlines()[0] + "\n    " + frame)
            break
    return found


@unittest.skipUnless(os.environ.get("VELTRANO_LEAK_CHECK"), "needs a build with AddressSanitizer")
class Leaks(unittest.TestCase):
    def test_start_five_launches_and_exit(self):
        logs = tempfile.mkdtemp(prefix="veltrano-lsan.")
        env = dict(os.environ, ASAN_OPTIONS=f"detect_leaks=1:fast_unwind_on_malloc=0:log_path={logs}/lsan")
        service = Service()
        service.set(HOME_HOST, "/ver.html", b"1.0.3")
        for path, title in PAGES.values():
            service.page(CONTENT_HOST, path, title)
        service.page(HOME_HOST, "/", "home")
        try:
            launcher = Launcher(env=env)
            launcher.wait_shown()
            for name, (_, title) in PAGES.items():
                launcher.press(name)
                window_titled(title)
            launcher.click("Label5")
            window_titled("home")
            launcher.press("Command3")
            launcher.wait_exit(30)
            close_browser_windows()
            wait_until(lambda: not shell_running(), 30, what="the shell to end")
        finally:
            service.close()
        reports = glob.glob(os.path.join(logs, "lsan*"))
        ours = []
        for path in reports:
            with open(path) as report:
                ours += leaks_of_our_own(report.read())
        print(
            f"\n  {len(reports)} leak reports read ({', '.join(os.path.basename(p) for p in reports)}), "
            f"{len(ours)} leaks of our own"
        )
        self.assertEqual(ours, [])


if __name__ == "__main__":
    unittest.main()
