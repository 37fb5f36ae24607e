"""The browser shell's bus interface, driven by a client as the launcher drives it."""

import unittest

import pyatspi
from gi.repository import GLib

from shell_client import (
    NAME,
    PATH,
    Client,
    ShellTest,
    dbus_error,
    interface_info,
    no_shell,
    shell_pid,
    start_shell,
    web_processes,
)
from shell_frames import frame_titled
from veltrano_e2e import (
    CONTENT_HOST,
    Service,
    browser_windows,
    close_browser_windows,
    find,
    states,
    shell_running,
    wait_until,
    window_titled,
    windows_titled,
    x,
)

ERR = "org.veltrano.Browser1.Error."


class Interface(ShellTest):
    @classmethod
    def serve(cls, service):
        service.page(CONTENT_HOST, "/page.html", "测试页")
        service.page(CONTENT_HOST, "/next.html", "下一页")

    def test_introspection_shows_the_interface(self):
        out = x("gdbus", "introspect", "--session", "--dest", NAME, "--object-path", PATH)
        for method in interface_info().methods:  # Create, Get, Put, Invoke, Release, Prepare
            self.assertIn(method.name + "(", out)
        members = self.client.bus.call_sync(
            "org.veltrano.Browser",
            "/org/veltrano/Browser",
            "org.freedesktop.DBus.Properties",
            "Get",
            GLib.Variant("(ss)", ("org.veltrano.Browser1", "Members")),
            None,
            0,
            5000,
            None,
        ).unpack()[0]
        self.assertIn("Navigate", members)
        self.assertIn("ReadyState", members)

    def test_bad_calls_are_errors_that_name_the_problem(self):
        h = self.client.create()
        c = self.client
        cases = [
            ("unknown member", lambda: c.put(h, "Colour", GLib.Variant("b", True)), ERR + "UnknownMember"),
            ("string for a size", lambda: c.put(h, "Width", GLib.Variant("s", "wide")), ERR + "TypeMismatch"),
            ("negative size", lambda: c.put(h, "Height", GLib.Variant("n", -5)), ERR + "InvalidArgument"),
            ("zero size", lambda: c.put(h, "Width", GLib.Variant("i", 0)), ERR + "InvalidArgument"),
            ("double", lambda: c.put(h, "Left", GLib.Variant("d", 1.5)), ERR + "TypeMismatch"),
            ("read-only", lambda: c.put(h, "ReadyState", GLib.Variant("i", 4)), ERR + "UnknownMember"),
            (
                "local file",
                lambda: c.invoke(h, "Navigate", GLib.Variant("s", "file:///etc/passwd")),
                ERR + "InvalidArgument",
            ),
            (
                "other scheme",
                lambda: c.invoke(h, "Navigate", GLib.Variant("s", "javascript:alert(1)")),
                ERR + "InvalidArgument",
            ),
            ("no argument", lambda: c.invoke(h, "Navigate"), ERR + "WrongArgCount"),
            ("unknown handle", lambda: c.get(h + 1000, "Visible"), ERR + "Gone"),
            (
                "wrong signature",
                lambda: c.call("Get", "(ss)", ("1", "Visible"), "(v)"),
                "org.freedesktop.DBus.Error.InvalidArgs",
            ),
            (
                "startup id of no desktop",
                lambda: c.call("Create", "(s)", ("_TIME 1\n",), "(u)"),
                ERR + "InvalidArgument",
            ),
        ]
        for name, call, error in cases:
            with self.subTest(case=name):
                self.assertEqual(dbus_error(call), error)
        # Integers stand for booleans and booleans for integers, as in automation.
        c.put(h, "StatusBar", GLib.Variant("n", 0))
        self.assertFalse(c.get(h, "statusbar"))
        self.assertTrue(shell_running())
        c.release(h)

    def test_a_handle_belongs_to_its_client(self):
        h = self.client.create()
        other = Client()
        try:
            self.assertEqual(dbus_error(lambda: other.get(h, "Visible")), ERR + "Gone")
            self.assertEqual(dbus_error(lambda: other.release(h)), ERR + "Gone")
        finally:
            other.close()
        self.assertFalse(self.client.get(h, "Visible"))
        self.client.release(h)
        self.assertEqual(dbus_error(lambda: self.client.get(h, "Visible")), ERR + "Gone")

    def test_released_windows_stay_when_visible_and_close_when_hidden(self):
        visible = self.client.open(f"http://{CONTENT_HOST}/page.html")
        hidden = self.client.create()
        self.client.release(visible)
        self.client.release(hidden)
        window_titled("测试页", 15)
        self.assertEqual(len(browser_windows()), 1)

    def test_a_client_that_leaves_takes_its_hidden_windows_along(self):
        self.client.close()  # the test's own client holds nothing either
        leaving = Client()
        for _ in range(3):
            leaving.create()
        leaving.open(f"http://{CONTENT_HOST}/page.html")
        leaving.close()  # without releasing anything
        window_titled("测试页", 15)
        self.assertEqual(len(browser_windows()), 1)
        # With the page's window closed nothing is left, hidden or not, and the shell ends.
        close_browser_windows()
        wait_until(lambda: not shell_running(), 20, what="the shell to end")
        self.client = Client()

    def test_screen_readers_find_the_controls(self):
        self.client.prepare()  # the window comes ready-made, its blank page no place to go back to
        self.client.open(f"http://{CONTENT_HOST}/page.html")
        window_titled("测试页", 15)
        frame = frame_titled("测试页")
        names = {role: [] for role in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_STATUS_BAR)}
        find(frame, lambda a: names.get(a.getRole(), []).append(a.name) and False)
        back = find(frame, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "后退")
        self.assertNotIn(pyatspi.STATE_SENSITIVE, states(back))
        self.assertLessEqual({"后退", "前进", "刷新", "停止", "主页"}, set(names[pyatspi.ROLE_PUSH_BUTTON]))
        self.assertLessEqual({"打印…", "关闭窗口", "重新载入", "放大", "全屏", "后退"}, set(names[pyatspi.ROLE_MENU_ITEM]))
        self.assertEqual(len(names[pyatspi.ROLE_STATUS_BAR]), 1)

    def test_a_window_goes_where_it_is_put(self):
        h = self.client.open(f"http://{CONTENT_HOST}/page.html", 640, 480)
        self.client.put(h, "Left", GLib.Variant("n", 100))
        self.client.put(h, "Top", GLib.Variant("n", 50))
        (window,) = window_titled("测试页", 15)
        wait_until(lambda: window.geometry() == (100, 50, 640, 480), 10, what="the window at 100, 50")
        self.assertEqual([self.client.get(h, m) for m in ("Left", "Top", "Width", "Height")], [100, 50, 640, 480])

    def test_each_window_has_a_web_process_of_its_own(self):
        for _ in range(3):
            self.client.open(f"http://{CONTENT_HOST}/page.html")
        wait_until(lambda: len(windows_titled("测试页")) == 3, 20, what="three windows")
        # A process of a window closed by the test before may still be on its way out.
        wait_until(lambda: len(web_processes()) == 3, 10, what="a web process for each of the three windows")

    def test_alt_left_and_right_go_back_and_forward(self):
        h = self.open("/page.html")
        self.title_becomes(h, ("测试页",))
        self.client.invoke(h, "Navigate", GLib.Variant("s", f"http://{CONTENT_HOST}/next.html"))
        self.title_becomes(h, ("下一页",))
        (window,) = browser_windows()
        for key, title in (("alt+Left", "测试页"), ("alt+Right", "下一页")):
            window.key(key)
            self.title_becomes(h, (title,))

    def test_a_closed_window_is_gone_for_its_client(self):
        h = self.client.open(f"http://{CONTENT_HOST}/page.html")
        # Read back at once, while the window may still wait to be shown: the page asked for.
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/page.html")
        self.assertTrue(self.client.get(h, "Busy"))
        wait_until(lambda: self.client.get(h, "ReadyState") == 4, 15, what="the page to load")
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/page.html")
        self.client.invoke(h, "Quit")
        wait_until(lambda: dbus_error(lambda: self.client.get(h, "Visible")) == ERR + "Gone", 10)
        self.client.release(h)

    def test_two_hundred_instances_come_and_go(self):
        pid = shell_pid()
        for _ in range(201):
            self.client.release(self.client.create())
        self.assertEqual(pid, shell_pid())
        self.assertEqual(browser_windows(), [])


class Lifetime(unittest.TestCase):
    def test_a_page_asked_for_as_the_shell_starts_is_the_page_shown(self):
        # The first window loads its warm-up page while the web process is still starting.
        no_shell()
        service = Service()
        self.addCleanup(service.close)
        service.page(CONTENT_HOST, "/page.html", "测试页")
        start_shell()
        client = Client()
        self.addCleanup(client.close)
        client.prepare()
        client.release(client.open(f"http://{CONTENT_HOST}/page.html"))
        window_titled("测试页")
        close_browser_windows()

    def test_the_shell_ends_a_while_after_its_last_window(self):
        start_shell()
        client = Client()
        handle = client.open("about:blank")
        client.release(handle)
        close_browser_windows()
        wait_until(lambda: not shell_running(), 20, what="the shell to end")
        client.close()


if __name__ == "__main__":
    unittest.main()
