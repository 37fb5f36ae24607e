"""One page cannot hold the others: a web process per launched window, with the prompt for a
hung page in its own window; dialogs modal to their own window; and what a page may not do
however it asks: full screen elsewhere than on the service, a download per click, an address
with user info."""

import os
import time

import pyatspi
from gi.repository import GLib

from servers import PageServer
from shell_client import ShellTest, no_shell, shell_pid, web_processes
from test_safety import DOWNLOADS, FULL, listing, start_shell_with, statuses
from shell_frames import frame_titled, frames, shell_app
from veltrano_e2e import (
    CONTENT_HOST,
    Launcher,
    close_browser_windows,
    find,
    states,
    texts,
    wait_until,
    window_titled,
    windows_titled,
)

HELP = ("/readme.html", "帮助文档")
ELSEWHERE = "http://127.0.0.3"
CLICK_OPENS = (
    f"<a href='#' {FULL} onclick=\"window.open(wanted(), '', 'fullscreen=yes'); return false\">open</a>"
    "<script>function wanted() { return decodeURIComponent(location.hash.slice(1)) }</script>"
)
PAGES = {
    "/hang.html": "<title>卡住</title><script>setTimeout(function () { for (;;) {} }, 300)</script>",
    "/page.html": "<title>测试页</title>",
    # Asks to print at a click, and again every 50 ms whatever came of it.
    "/print.html": f"<title>打印</title><a href='#' {FULL} onclick='print(); return false'>print</a>"
    "<script>setInterval(function () { print() }, 50)</script>",
    "/opens.html": "<title>打开</title>" + CLICK_OPENS,
    # One click, then forty downloads, one every 40 ms.
    "/forty.html": "<title>四十</title>"
    + "".join(f"<a id='d{i}' href='/f{i}.bin' download></a>" for i in range(40))
    + f"<a href='#' {FULL} onclick=\"var i = 0; var t = setInterval(function () {{"
    " document.getElementById('d' + i).click(); if (++i == 40) clearInterval(t) }, 40);"
    ' return false">go</a>',
    "/user-info.html": "<title>用户名</title><script>setTimeout(function () {"
    f" location = 'http://{CONTENT_HOST}@127.0.0.3/' }}, 300)</script>",
}


def serve(service):
    for path, html in PAGES.items():
        service.set(CONTENT_HOST, path, ("<!DOCTYPE html><meta charset='utf-8'>" + html).encode())
    service.page(CONTENT_HOST, *HELP)
    for i in range(40):
        service.set(CONTENT_HOST, f"/f{i}.bin", b"file", ctype="application/octet-stream")


def prompt_of(frame):
    """The prompt for a hung page, when the window shows it. Only the window's own widgets are
    read: the accessibility of a hung page does not answer."""
    return next(
        (
            part
            for part in frame[0]
            if part.getRole() == pyatspi.ROLE_INFO_BAR and pyatspi.STATE_SHOWING in states(part)
        ),
        None,
    )


def press(within, name):
    find(within, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == name).queryAction().doAction(0)


class Isolation(ShellTest):
    serve = staticmethod(serve)

    def test_a_hung_page_holds_only_its_own_window(self):
        launcher = Launcher()
        self.addCleanup(launcher.stop)
        launcher.wait_shown()
        self.open("/hang.html")
        hung = frame_titled("卡住")
        # Clicks open their windows, each with a web process of its own, while the page
        # hangs and after its window says so.
        launcher.press("Command2")
        window_titled(HELP[1])
        prompt = wait_until(lambda: prompt_of(hung), 20, what="the prompt in the hung window")
        self.assertIn("页面无响应", " ".join(texts(prompt)))
        launcher.press("Command2")
        wait_until(lambda: len(windows_titled(HELP[1])) == 2, 20, what="the third window")
        # Closing it ends the hung page's web process; the others go on.
        before = set(web_processes())
        press(prompt, "关闭")
        wait_until(lambda: "卡住" not in [f.name for f in frames()], 10, what="the hung window to close")
        wait_until(lambda: before - set(web_processes()), 10, what="the hung web process to end")
        self.assertEqual(len(windows_titled(HELP[1])), 2)

    def test_print_is_modal_to_its_window_once_per_click(self):
        no_shell()
        start_shell_with(dict(os.environ, G_DEBUG="fatal-criticals"))
        shell = shell_pid()
        other = self.open("/page.html", 300, 200)
        self.client.put(other, "Left", GLib.Variant("n", 900))
        self.title_becomes(other, ("测试页",))
        self.title_becomes(self.open("/print.html"), ("打印",))
        self.click_middle()
        dialog = wait_until(
            lambda: next((w for w in shell_app() if w and w.getRole() == pyatspi.ROLE_DIALOG), None),
            10,
            what="the print dialog",
        )
        # The other window is the user's meanwhile: it closes at its key.
        (window,) = window_titled("测试页")
        window.key("ctrl+w")
        wait_until(lambda: not windows_titled("测试页"), 10, what="the other window to close")
        press(dialog, "Cancel")
        wait_until(lambda: "已阻止打印" in statuses(), 10, what="the refusal of the print asked again")
        time.sleep(1.0)
        self.assertEqual([w for w in shell_app() if w and w.getRole() == pyatspi.ROLE_DIALOG], [])
        self.assertEqual(shell_pid(), shell)

    def test_full_screen_only_for_the_services_pages(self):
        pages = PageServer(("127.0.0.3", 80), "<!DOCTYPE html><meta charset='utf-8'><title>外站</title>".encode())
        self.addCleanup(pages.close)
        for target, title, full in ((f"{ELSEWHERE}/x.html", "外站", False), ("/page.html", "测试页", True)):
            with self.subTest(target=target):
                self.title_becomes(self.open("/opens.html#" + GLib.Uri.escape_string(target, None, False)), ("打开",))
                self.click_middle()
                (opened,) = window_titled(title)
                if full:  # and it says how to leave, for a while
                    wait_until(opened.fullscreen, 10, what="full screen")
                    wait_until(
                        lambda: find(
                            frame_titled(title),
                            lambda a: "退出全屏" in (a.name or "") and pyatspi.STATE_SHOWING in states(a),
                        ),
                        10,
                        what="the hint",
                    )
                else:
                    time.sleep(1.0)
                    self.assertFalse(opened.fullscreen())
                close_browser_windows()

    def test_one_download_per_click(self):
        before = listing(DOWNLOADS)
        self.title_becomes(self.open("/forty.html"), ("四十",))
        self.click_middle()
        wait_until(lambda: "已阻止下载" in statuses(), 10, what="the refusal")
        wait_until(lambda: len(listing(DOWNLOADS)) == len(before) + 1, 15, what="the one download")
        time.sleep(2.0)  # the forty links are clicked within 1.6 s
        self.assertEqual(len(listing(DOWNLOADS)), len(before) + 1)

    def test_a_pages_address_with_user_info_is_refused(self):
        h = self.open("/user-info.html")
        self.title_becomes(h, ("用户名",))
        wait_until(lambda: "网址中不能含有用户名或密码" in statuses(), 10, what="the refusal")
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/user-info.html")
        # A window it opens with one is refused alike, and none opens.
        self.title_becomes(
            self.open("/opens.html#" + GLib.Uri.escape_string(f"http://{CONTENT_HOST}@127.0.0.3/", None, False)),
            ("打开",),
        )
        self.click_middle()
        time.sleep(1.0)
        self.assertEqual(sorted(f.name for f in frames()), ["打开", "用户名"])
