"""The version check before the window appears, and the update notice."""

import os
import shutil
import socket
import subprocess
import time
import unittest

import pyatspi

from veltrano_e2e import (
    HOME_HOST,
    LaunchTest,
    browser_windows,
    close_browser_windows,
    extents,
    find,
    launcher_without_browser,
    shell_running,
    states,
    texts,
    wait_until,
    window_titled,
)

NOTICE = "发现新版本，点击此处更新"
NO_UPDATE = "未发现新版本"


class VersionCheck(LaunchTest):
    def start(self):
        label = self.launch().control("Label5")
        return label.name, pyatspi.STATE_SENSITIVE in states(label)

    def test_documents(self):
        cases = [
            ("same version", 200, b"1.0.2", NO_UPDATE),
            ("newer version", 200, b"1.0.3", NOTICE),
            ("older version", 200, b"1.0.1", NOTICE),
            ("spaces around", 200, b" 1.0.2 ", NO_UPDATE),
            ("line break after", 200, b"1.0.2\r\n", NO_UPDATE),
            ("Chinese text in GB2312", 200, "新版本1.0.3".encode("gb2312"), NOTICE),
            ("19 characters", 200, b"1.0.3-abcdefghijklm", NOTICE),
            ("20 characters", 200, b"1.0.3-abcdefghijklmn", NO_UPDATE),
            ("error page", 404, b"404 page not found", NO_UPDATE),
            ("server error", 500, b"1.0.3", NO_UPDATE),
            ("empty document", 200, b"", NO_UPDATE),
        ]
        for name, status, body, caption in cases:
            with self.subTest(case=name):
                self.service.set(HOME_HOST, "/ver.html", body, status=status, ctype="text/plain")
                self.assertEqual(self.start(), (caption, caption == NOTICE))
                self.launcher.stop()
        self.assertEqual(self.service.seen(HOME_HOST, "/ver.html"), len(cases))  # one GET a start

    def test_no_server_at_all(self):
        self.service.close()
        self.assertEqual(self.start(), (NO_UPDATE, False))

    def test_window_waits_for_the_answer(self):
        self.service.set(HOME_HOST, "/ver.html", b"1.0.3", delay=1.5, ctype="text/plain")
        launcher = self.launch(shown=False)
        wait_until(lambda: self.service.seen(HOME_HOST, "/ver.html"), 10, what="the version request")
        asked = time.monotonic()
        while time.monotonic() - asked < 1.3:
            self.assertFalse(launcher.placed(), "the window appeared before the answer")
            time.sleep(0.05)
        launcher.wait_shown()
        self.assertEqual(launcher.control("Label5").name, NOTICE)
        self.assertEqual(self.service.seen(HOME_HOST, "/ver.html"), 1)

    def test_server_that_never_answers(self):
        self.service.close()
        silent = socket.socket()
        silent.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        silent.bind(("127.0.0.2", 80))
        silent.listen(16)  # connections complete, and nobody ever reads or answers
        try:
            launcher = self.launch(shown=False)
            launcher.wait_shown(timeout=15)
            self.assertLess(time.monotonic() - launcher.started, 10.0)
            self.assertEqual(launcher.control("Label5").name, NO_UPDATE)
        finally:
            silent.close()


class UpdateNotice(LaunchTest):
    def setUp(self):
        super().setUp()
        self.addCleanup(close_browser_windows)
        self.service.set(HOME_HOST, "/ver.html", b"1.0.3", ctype="text/plain")
        self.service.page(HOME_HOST, "/", "电子走势图首页")

    def test_a_click_on_the_notice_opens_the_home_page(self):
        """Pressed on the notice and released a pixel off each edge, no click; released on its
        last pixel, a click. The launcher handles its input in order: the one click's window
        comes last. Each press is apart from the one before: two at one place would be a
        double click, whose second press is no click of its own."""
        x0, y0, w, h = extents(self.launch().control("Label5"))
        releases = [
            (x0 + w // 2, y0 - 1),
            (x0 + w // 2, y0 + h),
            (x0 - 1, y0 + h // 2),
            (x0 + w, y0 + h // 2),
            (x0 + w - 1, y0 + h - 1),
        ]
        for n, (x, y) in enumerate(releases):
            subprocess.run(
                [
                    "xdotool",
                    "mousemove",
                    str(x0 + 10 + 40 * n),
                    str(y0 + h // 2),
                    "mousedown",
                    "1",
                    "mousemove",
                    str(x),
                    str(y),
                    "mouseup",
                    "1",
                ],
                check=True,
            )
        (window,) = window_titled("电子走势图首页")
        self.assertEqual(window.geometry(), (0, 0, 1024, 768))
        self.assertEqual(len(browser_windows()), 1)
        self.assertEqual(self.service.seen(HOME_HOST, "/"), 1)

    def test_no_update_label_ignores_clicks(self):
        self.service.set(HOME_HOST, "/ver.html", b"1.0.2", ctype="text/plain")
        self.launch().click("Label5")
        time.sleep(1.0)
        self.assertEqual(self.service.seen(HOME_HOST, "/"), 0)
        self.assertEqual(browser_windows(), [])

    def test_a_failing_link_is_reported_and_the_program_goes_on(self):
        program = launcher_without_browser()
        self.addCleanup(shutil.rmtree, os.path.dirname(program))
        # A shell still running from before would serve the click.
        wait_until(lambda: not shell_running(), 30, what="the shell to end")
        self.launch(program).click("Label5")
        dialog = wait_until(
            lambda: find(self.launcher.app, lambda a: a.getRole() == pyatspi.ROLE_ALERT), 15, what="the error message"
        )
        self.assertEqual(dialog.name, "Veltrano")
        self.assertIn("运行时错误 '429'", texts(dialog))
        ok = find(dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "确定")
        ok.queryAction().doAction(0)
        wait_until(lambda: find(self.launcher.app, lambda a: a.getRole() == pyatspi.ROLE_ALERT) is None, 10)
        self.launcher.control("Label5")  # the window answers again, past the message
        self.assertTrue(self.launcher.running())


if __name__ == "__main__":
    unittest.main()
