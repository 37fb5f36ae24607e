"""The bundled stand-in service, as a newcomer meets it: the notice, every page, the log-in
cookie, and the download of the "new version"."""

import os
import socket
import subprocess
import sys
import unittest

from veltrano_e2e import CONTENT_HOST, HOME_HOST, Launcher, close_browser_windows, wait_until, window_titled

SERVICE = os.path.join(os.path.dirname(__file__), "..", "..", "demo", "service.py")


def listening(address):
    try:
        socket.create_connection(address, 0.2).close()
        return True
    except OSError:
        return False


class DemoService(unittest.TestCase):
    def setUp(self):
        self.service = subprocess.Popen(
            [
                sys.executable,
                SERVICE,
                "--bind",
                "127.0.0.2",
                "--port",
                "80",
                "--home-host",
                HOME_HOST,
                "--content-host",
                CONTENT_HOST,
            ],
            stdout=subprocess.DEVNULL,
        )
        # Whatever fails later, the stand-in goes: left running, it would hold the sandbox open.
        self.addCleanup(self.service.wait)
        self.addCleanup(self.service.terminate)
        wait_until(lambda: listening(("127.0.0.2", 80)), 10, what="the demo service")
        self.launcher = Launcher()
        self.addCleanup(self.launcher.stop)
        self.launcher.wait_shown()

    def tearDown(self):
        close_browser_windows()

    def test_a_newcomers_tour(self):
        self.assertEqual(self.launcher.control("Label5").name, "发现新版本，点击此处更新")
        for button, title in (("Command2", "帮助文档"), ("Command4", "遗漏走势图"), ("Command1", "电子走势图")):
            self.launcher.press(button)
            window_titled(title)
            close_browser_windows()

        # Log in on the second-screen page: the chart then knows who is there.
        self.launcher.press("Command5")
        login = window_titled("用户登录")[0]
        left, top, width, height = login.geometry()
        subprocess.run(["xdotool", "mousemove", str(left + 100), str(top + 136), "click", "1"], check=True)
        login.key("Return")  # the form, as filled in
        window_titled("电子走势图 · 彩民")  # the chart of a member, by the session cookie
        close_browser_windows()

        # The notice opens the home page; its download lands in the download folder.
        self.launcher.click("Label5")
        home = window_titled("电子走势图 · 官方网站")[0]
        left, top, _, _ = home.geometry()
        subprocess.run(["xdotool", "mousemove", str(left + 80), str(top + 220), "click", "1"], check=True)
        downloaded = os.path.join(os.environ["HOME"], "Downloads", "veltrano-1.0.3.tar.gz")
        wait_until(lambda: os.path.exists(downloaded) and os.path.getsize(downloaded) > 0, 20, what="the download")


if __name__ == "__main__":
    unittest.main()
