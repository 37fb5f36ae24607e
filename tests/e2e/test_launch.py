"""The four buttons open the service's pages in the browser shell."""

import os
import shutil
import threading
import time
import unittest

from gi.repository import GLib

from shell_client import NAME, PATH, Client, interface_info, no_shell
from shell_frames import bars_of
from veltrano_e2e import (
    CONTENT_HOST,
    HOME_HOST,
    BusMonitor,
    LaunchTest,
    LauncherTest,
    browser_windows,
    close_browser_windows,
    launcher_without_browser,
    shell_running,
    wait_until,
    window_titled,
)

PAGES = {
    "Command1": ("/freeVeltrano.asp", "电子走势图（全屏）"),
    "Command2": ("/readme.html", "帮助文档"),
    "Command4": ("/lncount/numlost.asp", "遗漏走势图"),
    "Command5": ("/userlogin2.asp", "用户登录"),
}
SCREEN = (1280, 1024)


class Launches(LauncherTest):
    @classmethod
    def serve(cls, service):
        for path, title in PAGES.values():
            service.page(CONTENT_HOST, path, title)

    def test_command2_twice_opens_two_help_windows(self):
        path, title = PAGES["Command2"]
        self.launcher.press("Command2")
        window_titled(title)
        self.launcher.press("Command2")
        windows = wait_until(lambda: len(window_titled(title)) == 2 and window_titled(title), 20)
        for window in windows:
            self.assertEqual(window.geometry(), (0, 0, 1024, 768))
            self.assertFalse(window.fullscreen())
        self.assertEqual(self.service.seen(CONTENT_HOST, path), 2)
        self.assertEqual(bars_of(title), {"menu": False, "tool": False, "address": False, "status": True})

    def test_command1_opens_the_chart_full_screen(self):
        path, title = PAGES["Command1"]
        self.launcher.press("Command1")
        (window,) = window_titled(title)
        wait_until(window.fullscreen, 10, what="full screen")
        self.assertEqual(window.geometry()[2:], SCREEN)
        self.assertEqual(bars_of(title), {"menu": False, "tool": False, "address": False, "status": False})
        # F11 brings back the 600 x 300 window it was before.
        window.key("F11")
        wait_until(lambda: not window.fullscreen(), 10, what="leaving full screen")
        wait_until(lambda: window.geometry() == (0, 0, 600, 300), 10, what="the 600 x 300 window")
        self.assertEqual(self.service.seen(CONTENT_HOST, path), 1)

    def test_normal_windows_at_the_top_left(self):
        # Command4 keeps the status bar; Command5, the log-in chart, does without.
        for button, status_bar in (("Command4", True), ("Command5", False)):
            with self.subTest(button=button):
                path, title = PAGES[button]
                self.launcher.press(button)
                (window,) = window_titled(title)
                self.assertEqual(window.geometry(), (0, 0, 1024, 768))
                self.assertEqual(bars_of(title), {"menu": False, "tool": False, "address": False, "status": status_bar})
                self.assertEqual(self.service.seen(CONTENT_HOST, path), 1)

    def test_windows_outlive_the_launcher_and_keep_loading(self):
        self.service.page(CONTENT_HOST, "/readme.html", "帮助文档")
        slow = self.service.routes[(CONTENT_HOST, "/readme.html")]
        self.service.routes[(CONTENT_HOST, "/readme.html")] = (slow[0], slow[1], 2.0, slow[3])
        try:
            self.launcher.press("Command2")
            wait_until(lambda: self.service.seen(CONTENT_HOST, "/readme.html"), 20, what="the request")
            self.launcher.press("Command3")
            self.assertEqual(self.launcher.wait_exit(), 0)
            (window,) = window_titled("帮助文档")
            self.assertEqual(window.geometry(), (0, 0, 1024, 768))
        finally:
            self.service.routes[(CONTENT_HOST, "/readme.html")] = slow


class Release(LauncherTest):
    @classmethod
    def serve(cls, service):
        service.page(CONTENT_HOST, "/readme.html", "帮助文档")

    def test_a_finished_launch_holds_no_instance(self):
        monitor = BusMonitor()
        try:
            self.launcher.press("Command2")
            window_titled("帮助文档")
            wait_until(lambda: "Release" in monitor.members, 10, what="the instance released")
            self.assertEqual(monitor.members.count("Create"), 1)
            self.assertEqual(monitor.members.count("Release"), 1)
        finally:
            monitor.close()
        self.assertTrue(self.launcher.running())


class StuckShell:
    """A shell on the bus, serving the interface as its description has it, that answers
    Prepare and Create, then never answers again."""

    def __init__(self):
        self.calls = []
        self.unanswered = []
        ready = threading.Event()
        threading.Thread(target=self._run, args=(ready,), daemon=True).start()
        assert ready.wait(10), "the stand-in shell did not start"

    def _run(self, ready):
        context = GLib.MainContext()
        context.push_thread_default()
        self.bus = Client().bus  # made here, its calls come to this thread
        self.bus.register_object(PATH, interface_info(), self._on_any_call, None, None)
        self.bus_daemon("RequestName", GLib.Variant("(su)", (NAME, 4)))
        self.loop = GLib.MainLoop(context)
        ready.set()
        self.loop.run()
        self.bus.close_sync(None)

    def bus_daemon(self, method, args):
        """The bus daemon's method called for the stand-in's name: taken, or given up."""
        self.bus.call_sync(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, args, None, 0, 5000, None
        )

    def _on_any_call(self, bus, sender, path, interface, method, parameters, invocation):
        if method == "Prepare":  # the launcher's warm-up, answered as before the shell got stuck
            invocation.return_value(None)
        else:
            self._on_call(bus, sender, path, interface, method, parameters, invocation)

    def _on_call(self, bus, sender, path, interface, method, parameters, invocation):
        self.calls.append((method, time.monotonic()))
        if method == "Create":
            invocation.return_value(GLib.Variant("(u)", (1,)))
        else:
            self.unanswered.append(invocation)

    def close(self):
        self.loop.quit()


class EndingShell(StuckShell):
    """A shell that is ending just as a Create reaches it: it gives its name up and leaves the
    bus without answering, as an idle shell does when its time is up."""

    def _on_call(self, bus, sender, path, interface, method, parameters, invocation):
        self.calls.append((method, time.monotonic()))
        self.unanswered.append(invocation)
        self.bus_daemon("ReleaseName", GLib.Variant("(s)", (NAME,)))
        self.loop.quit()  # and the connection closes


class VanishedShell(StuckShell):
    """A shell that ended between the launcher's look for it and its Create: the bus answers
    a call to a name nobody owns with ServiceUnknown. Given up here first, then answered so,
    for the launcher to meet it at that very moment."""

    def _on_call(self, bus, sender, path, interface, method, parameters, invocation):
        self.calls.append((method, time.monotonic()))
        self.bus_daemon("ReleaseName", GLib.Variant("(s)", (NAME,)))
        invocation.return_dbus_error(
            "org.freedesktop.DBus.Error.ServiceUnknown",
            "The name org.veltrano.Browser was not provided by any .service files",
        )
        self.loop.quit()


class WithoutShell(LaunchTest):
    """No shell on the bus to begin with, and the version document saying 1.0.2."""

    def setUp(self):
        no_shell()
        super().setUp()
        self.service.set(HOME_HOST, "/ver.html", b"1.0.2")


class ShellLifetime(WithoutShell):
    def test_the_launcher_warms_the_shell_and_holds_it_while_it_runs(self):
        launcher = self.launch()
        wait_until(shell_running, 10, what="the shell started without a click")
        time.sleep(7)  # longer than an idle shell lives
        self.assertTrue(shell_running())
        self.assertEqual(browser_windows(), [])
        launcher.stop()
        wait_until(lambda: not shell_running(), 10, what="the shell to end once the launcher left")

    def test_a_click_that_reaches_an_ending_shell_gets_a_new_one(self):
        path, title = PAGES["Command2"]
        self.service.page(CONTENT_HOST, path, title)
        for ending in (EndingShell, VanishedShell):
            with self.subTest(shell=ending.__name__):
                no_shell()
                shell = ending()
                launcher = self.launch()
                try:
                    launcher.press("Command2")
                    window_titled(title)
                    self.assertEqual([m for m, _ in shell.calls], ["Create"])
                finally:
                    launcher.stop()
                    close_browser_windows()
                    shell.close()


class Unresponsive(WithoutShell):
    def test_a_stuck_shell_holds_a_click_for_ten_seconds_at_most(self):
        shell = StuckShell()
        self.addCleanup(shell.close)
        launcher = self.launch()
        launcher.click("Command2")
        created = wait_until(lambda: [t for m, t in shell.calls if m == "Create"], 10, what="Create")[0]
        # The launch ends, and releases its instance, within its time budget.
        released = wait_until(
            lambda: [t for m, t in shell.calls if m == "Release"], 20, interval=0.2, what="the launch to give up"
        )[0]
        self.assertLess(released - created, 11.0)
        self.assertEqual([m for m, _ in shell.calls], ["Create", "Put", "Release"])
        launcher.press("Command3")
        self.assertEqual(launcher.wait_exit(), 0)


class WithoutBrowser(WithoutShell):
    def test_buttons_do_nothing_visible_and_the_launcher_goes_on(self):
        program = launcher_without_browser()
        self.addCleanup(shutil.rmtree, os.path.dirname(program))
        launcher = self.launch(program)
        for name in ("Command1", "Command2", "Command4", "Command5"):
            launcher.press(name)
        launcher.control("Label5")  # answered once the clicks are done: they have nothing left to do
        self.assertTrue(launcher.running())
        self.assertEqual(browser_windows(), [])
        self.assertEqual([r for r in self.service.requests if r[0] == CONTENT_HOST], [])


class ClickStorm(LaunchTest):
    CLICKS = 20  # on each of the four buttons

    def test_every_click_gets_its_window_and_the_launcher_stays_responsive(self):
        self.service.set(HOME_HOST, "/ver.html", b"1.0.2")
        for path, title in PAGES.values():
            self.service.page(CONTENT_HOST, path, title)
        self.addCleanup(close_browser_windows)
        launcher = self.launch()
        for _ in range(self.CLICKS):
            for name in ("Command1", "Command2", "Command4", "Command5"):
                launcher.press(name)
        expected = 4 * self.CLICKS
        # Lost or slow: the count at the end tells.
        wait_until(
            lambda: len(browser_windows()) == expected,
            120,
            interval=0.5,
            what=lambda: f"{expected} browser windows ({len(browser_windows())} there)",
        )
        self.assertEqual(launcher.control("Label5").name, "未发现新版本")
        for path, _ in PAGES.values():
            wait_until(
                lambda: self.service.seen(CONTENT_HOST, path) == self.CLICKS,
                60,
                what=f"{self.CLICKS} requests for {path}",
            )
        self.assertTrue(launcher.running())
        launcher.stop()
        close_browser_windows()
        wait_until(lambda: not shell_running(), 30, what="the shell to end")


if __name__ == "__main__":
    unittest.main()
