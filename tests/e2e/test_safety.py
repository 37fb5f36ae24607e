"""The shell as safe as a browser: its sandbox, what only the user's own input allows, the
browser data kept private, downloads that destroy nothing, and addresses it refuses."""

import os
import stat
import subprocess
import tempfile
import time
import unittest

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
import pyatspi  # noqa: E402
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402

from servers import QuietHandler, Server  # noqa: E402
from shell_client import Client, ShellTest, dbus_error, no_shell, shell_pid, start_shell, web_processes  # noqa: E402
from shell_frames import frame_titled, frames, shell_app, status_bars  # noqa: E402
from veltrano_e2e import (  # noqa: E402
    BUILD,
    CONTENT_HOST,
    Service,
    browser_windows,
    close_browser_windows,
    find,
    read_text,
    shell_running,
    states,
    texts,
    wait_until,
)

ERR = "org.veltrano.Browser1.Error."
HOME = os.environ["HOME"]
DOWNLOADS = os.path.join(HOME, "Downloads")
FULL = "style='display:block;position:fixed;inset:0'"
PAGES = {
    "/page.html": "<title>测试页</title>",
    # Claims an activation it never had, then tries the clipboard, at once and every 50 ms.
    "/clipboard.html": "<title>剪贴板</title><script>"
    "try { Object.defineProperty(Navigator.prototype, 'userActivation',"
    " {get: () => ({isActive: true, hasBeenActive: true})}); } catch (e) {}"
    "function grab() { window.clipboardData.setData('Text', 'evil');"
    " var got = window.clipboardData.getData('Text'); if (got !== null) document.title = got; }"
    "grab(); setInterval(grab, 50);</script>",
    "/many.html": f"<title>多个窗口</title><a href='#' {FULL} onclick=\"for (var i = 0; i < 5; i++)"
    " window.open('/page.html', 'w' + i); return false\">open</a>",
    "/target.html": f"<a href='#' {FULL} onclick=\"window.open(wanted()); return false\">open</a><script>"
    "function wanted() { return decodeURIComponent(location.hash.slice(1)) }"
    "document.title = wanted(); onhashchange = () => document.title = wanted()</script>",
    "/frames.html": "<title>框架</title>"
    + "".join(f"<iframe src='/file{i}.bin'></iframe>" for i in range(3))
    + "<script>setTimeout(() => location = '/evil.desktop', 300)</script>",
}
FILES = ["/file0.bin", "/file1.bin", "/file2.bin", "/evil.desktop", "/report.txt"]


def serve(service):
    for path, html in PAGES.items():
        service.set(CONTENT_HOST, path, ("<!DOCTYPE html><meta charset='utf-8'>" + html).encode())
    for path in FILES:
        service.set(CONTENT_HOST, path, b"from the server", ctype="application/octet-stream")


def statuses():
    """What the status bars of the shell's windows say, together."""
    return " | ".join(status_bars())


def listing(folder):
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def start_shell_with(env=None, wrap=()):
    process = subprocess.Popen(
        [*wrap, os.path.join(BUILD, "veltrano-browser")],
        env=env,
        start_new_session=True,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    wait_until(shell_running, 15, what="the shell")
    return process


class Safety(ShellTest):
    serve = staticmethod(serve)

    def test_every_web_process_is_in_the_sandbox(self):
        secret = os.path.join(HOME, "secret.txt")
        with open(secret, "w") as f:
            f.write("the user's")
        for _ in range(3):  # the first window, and windows opened after it
            h = self.open("/page.html")
            self.title_becomes(h, ("测试页",))
        shell = shell_pid()
        web = web_processes()
        self.assertTrue(web)
        for pid in web:
            with self.subTest(pid=pid):
                for ns in ("pid", "mnt"):
                    self.assertNotEqual(os.readlink(f"/proc/{pid}/ns/{ns}"), os.readlink(f"/proc/{shell}/ns/{ns}"))
                self.assertFalse(os.path.exists(f"/proc/{pid}/root{secret}"))
                self.assertTrue(os.path.exists(f"/proc/{shell}/root{secret}"))

    def test_the_clipboard_is_the_pages_only_after_a_click_in_its_window(self):
        clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
        clipboard.set_text("mine", -1)
        clipboard.store()
        h = self.open("/clipboard.html", 300, 200)
        self.client.put(h, "Left", GLib.Variant("n", 900))
        other = self.open("/many.html")
        self.title_becomes(h, ("剪贴板",))
        self.title_becomes(other, ("多个窗口",))
        self.click_middle()  # in the other window
        wait_until(lambda: len(browser_windows()) == 3, 15, what="the window the click opened")
        self.assertEqual(self.client.get(h, "LocationName"), "剪贴板")
        self.assertEqual(clipboard.wait_for_text(), "mine")
        wait_until(lambda: "已阻止网页使用剪贴板" in statuses(), 10, what="the refusal")

    def test_one_click_opens_one_window(self):
        h = self.open("/many.html")
        self.title_becomes(h, ("多个窗口",))
        self.click_middle()
        wait_until(lambda: len(browser_windows()) == 2, 15, what="the new window")
        time.sleep(1.0)
        self.assertEqual(len(browser_windows()), 2)

    def test_a_window_to_an_address_the_shell_does_not_open_is_not_opened(self):
        h = self.open("/target.html#")
        for target in (
            "file:///etc/hostname",
            f"view-source:http://{CONTENT_HOST}/page.html",
            "data:text/html,<title>x</title>",
            "about:config",
            "javascript:'x'",
        ):
            with self.subTest(target=target):
                escaped = GLib.Uri.escape_string(target, None, False)
                self.client.invoke(h, "Navigate", GLib.Variant("s", f"http://{CONTENT_HOST}/target.html#{escaped}"))
                self.title_becomes(h, (target,))
                self.click_middle()
                wait_until(
                    lambda: "已阻止打开新窗口" in statuses() and target in statuses(), 10, what="the refusal in the status bar"
                )
                self.assertEqual(len(browser_windows()), 1)

    def test_downloads_are_the_users_only(self):
        before = listing(DOWNLOADS)
        h = self.open("/frames.html")
        self.title_becomes(h, ("框架",))
        wait_until(lambda: "已阻止下载" in statuses(), 10, what="the refusal in the status bar")
        time.sleep(1.0)
        self.assertEqual(listing(DOWNLOADS), before)
        # An address a client (the launcher) asked for is the user's: its file comes.
        self.open("/report.txt")
        wait_until(lambda: len(listing(DOWNLOADS)) == len(before) + 1, 15, what="the download")

    def test_a_download_destroys_no_file_on_its_way(self):
        os.makedirs(DOWNLOADS, exist_ok=True)
        mine = {
            "v.txt": "mine",
            "v.txt.wkdownload": "partial",
            "v.txt.wkdownload~": "backup",
            "v (2).txt~": "old",
            "v (3).txt.wkdownload": "other",
            "v (4).txt.wkdownload~": "another",
        }
        for name, text in mine.items():
            with open(os.path.join(DOWNLOADS, name), "w") as f:
                f.write(text)
        self.service.set(CONTENT_HOST, "/v.txt", b"from the server", ctype="application/octet-stream")
        others = set(listing(DOWNLOADS)) - set(mine)
        self.open("/v.txt")
        new = os.path.join(DOWNLOADS, "v (5).txt")
        mask = os.umask(0)
        os.umask(mask)
        # Finished once the shell has given the file the user's mode.
        wait_until(
            lambda: read_text(new) == "from the server" and stat.S_IMODE(os.stat(new).st_mode) == 0o666 & ~mask,
            15,
            what="the download",
        )
        for name, text in mine.items():
            self.assertEqual(read_text(os.path.join(DOWNLOADS, name)), text, name)
        self.assertEqual(set(listing(DOWNLOADS)) - others, set(mine) | {"v (5).txt"})
        self.assertEqual(stat.S_IMODE(os.stat(new).st_mode), 0o666 & ~mask)

    def test_an_address_with_user_info_typed_in_is_refused(self):
        h = self.open("/page.html")
        self.title_becomes(h, ("测试页",))
        frame = frame_titled("测试页")
        address = find(frame, lambda a: a.getRole() == pyatspi.ROLE_TEXT and pyatspi.STATE_EDITABLE in states(a))
        address.queryEditableText().setTextContents(f"{CONTENT_HOST}@127.0.0.3/page.html")
        address.queryAction().doAction(0)  # Enter
        wait_until(lambda: "网址中不能含有用户名或密码" in statuses(), 10, what="the refusal")
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/page.html")

    def test_a_redirect_loop_is_shown_not_tried_again(self):
        class Loop(QuietHandler):
            requests = 0

            def do_GET(self):
                Loop.requests += 1
                self.send_response(302)
                self.send_header("Location", "/loop")
                self.send_header("Content-Length", "0")
                self.end_headers()

        self.addCleanup(Server(("127.0.0.3", 80), Loop).close)
        h = self.open("http://127.0.0.3/loop")
        self.title_becomes(h, ("无法打开此页面",))
        seen = Loop.requests
        time.sleep(5.0)  # a retry would have come after 2 s, the next after 4 more
        self.assertEqual(Loop.requests, seen)


class FreshShell(unittest.TestCase):
    """Each test starts a shell of its own, as a user's session would."""

    def setUp(self):
        self.addCleanup(no_shell)  # the next test's shell is an ordinary one
        self.addCleanup(close_browser_windows)
        no_shell()
        self.service = Service()
        serve(self.service)
        self.addCleanup(self.service.close)
        self.client = Client()
        self.addCleanup(lambda: self.client.close())

    def test_bad_input_on_the_bus_trips_no_assertion(self):
        start_shell_with(dict(os.environ, G_DEBUG="fatal-criticals"))
        pid = shell_pid()
        h = self.client.create()
        for url, words in (
            ("ftp://" + "a" * 193 + "中文字", "只能打开 http 或 https 网址"),
            (f"http://{CONTENT_HOST}@127.0.0.3/", "网址中不能含有用户名或密码"),
            (f"http://user:password@{CONTENT_HOST}/", "网址中不能含有用户名或密码"),
        ):
            with self.subTest(url=url):
                try:
                    self.client.invoke(h, "Navigate", GLib.Variant("s", url))
                    self.fail("Navigate took " + url)
                except GLib.Error as error:
                    self.assertEqual(Gio.DBusError.get_remote_error(error), ERR + "InvalidArgument")
                    self.assertIn(words, error.message)
                    self.assertNotIn("Invalid UTF-8", error.message)
        self.assertEqual(shell_pid(), pid)

    def test_the_browser_data_is_private_and_downloads_the_users_whatever_the_umask(self):
        """Under umasks where the user's mode and a fixed one differ, and over folders an
        earlier version left open."""
        data = os.path.join(HOME, ".local/share/veltrano/browser")
        cache = os.path.join(HOME, ".cache/veltrano/browser")
        for mask, folder_mode, file_mode in ((0o002, 0o775, 0o664), (0o027, 0o750, 0o640)):
            with self.subTest(umask=oct(mask)):
                for folder in (data, cache):
                    os.makedirs(os.path.join(folder, "old"), exist_ok=True)
                    with open(os.path.join(folder, "old", "left.txt"), "w") as f:
                        f.write("left")
                    for path in (folder, os.path.join(folder, "old")):
                        os.chmod(path, folder_mode)
                    os.chmod(os.path.join(folder, "old", "left.txt"), file_mode)
                previous = os.umask(mask)
                try:
                    start_shell()
                finally:
                    os.umask(previous)
                h = self.client.open(f"http://{CONTENT_HOST}/page.html")
                wait_until(lambda: self.client.get(h, "LocationName") == "测试页", 15, what="the page")
                wait_until(lambda: os.path.exists(os.path.join(data, "cookies.sqlite")), 15, what="the cookie store")
                name = f"mode-{mask:03o}.txt"
                self.service.set(CONTENT_HOST, "/" + name, b"from the server", ctype="application/octet-stream")
                self.client.open(f"http://{CONTENT_HOST}/{name}")
                download = os.path.join(DOWNLOADS, name)
                wait_until(lambda: "下载完成：" + download in statuses(), 15, what="the download")
                self.assertEqual(oct(stat.S_IMODE(os.stat(download).st_mode)), oct(0o666 & ~mask))
                for folder in (data, cache):
                    for top, dirs, files in os.walk(folder):
                        for path, mode in [(top, 0o700)] + [(os.path.join(top, f), 0o600) for f in files]:
                            if not os.path.islink(path):
                                self.assertEqual(oct(stat.S_IMODE(os.lstat(path).st_mode)), oct(mode), path)
                self.client.close()  # a client leaving lets the shell go: the next starts under the next umask
                self.client = Client()
                no_shell()

    def test_without_its_sandbox_the_shell_refuses_unless_told(self):
        fake = tempfile.NamedTemporaryFile("w", suffix=".sh", delete=False)
        fake.write("#!/bin/sh\necho 'bwrap: No permissions to create a new namespace' >&2\nexit 1\n")
        fake.close()
        os.chmod(fake.name, 0o755)
        broken = ["unshare", "--mount", "sh", "-c", f'mount --bind {fake.name} /usr/bin/bwrap && exec "$@"', "-"]
        refusing = start_shell_with(wrap=broken)
        self.addCleanup(refusing.wait, 20)
        self.addCleanup(refusing.terminate)  # should the message stay
        dialog = wait_until(
            lambda: shell_app() and find(shell_app(), lambda a: a.getRole() == pyatspi.ROLE_ALERT),
            15,
            what="the shell's message",
        )
        self.assertIn("浏览器无法在安全沙箱中运行", " ".join(texts(dialog)))
        self.assertIn("No permissions to create a new namespace", " ".join(texts(dialog)))
        self.assertEqual(dbus_error(self.client.create), ERR + "CannotCreate")
        self.assertEqual(frames(), [])
        find(dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON).queryAction().doAction(0)
        no_shell()
        # Told to go without it, the shell shows pages, and says in every window that it does.
        start_shell_with(dict(os.environ, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1"), wrap=broken)
        for _ in range(2):
            h = self.client.open(f"http://{CONTENT_HOST}/page.html")
            wait_until(lambda: self.client.get(h, "LocationName") == "测试页", 15, what="the page")
        self.assertEqual(len(frames()), 2)
        for said in status_bars():
            self.assertIn("安全沙箱已关闭", said)


if __name__ == "__main__":
    unittest.main()
