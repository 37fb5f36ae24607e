"""What pages may and may not do in the browser shell."""

import os
import signal
import ssl
import subprocess
import tempfile
import time
import unittest

import pyatspi

from servers import PageServer
from shell_client import ShellTest, web_processes
from shell_frames import bars_of, frame_titled
from veltrano_e2e import CONTENT_HOST, browser_windows, find, read_text, states, wait_until, window_titled

PAGES = {
    "/popup.html": "<script>var w = window.open('/page.html');" "document.title = w ? 'opened' : 'blocked';</script>",
    # window.open without a click makes no window: what it asked for is no link's to keep.
    "/gesture.html": "<title>gesture</title><script>window.open('/page.html', '', 'width=200,height=200')</script>"
    "<a href='/page.html' target='_blank' style='display:block;position:fixed;inset:0'>open</a>",
    "/page.html": "<title>测试页</title><p>page</p>",
    "/files.html": "<title>files</title><script>fetch('file:///etc/hostname')"
    ".then(() => document.title = 'read', () => document.title = 'refused')</script>"
    "<a href='file:///etc/hostname' style='display:block;position:fixed;inset:0'>local</a>",
    "/ask.html": "<title>asking</title><script>navigator.geolocation.getCurrentPosition("
    "() => document.title = 'location granted', e => document.title = 'location error ' + e.code);"
    "</script>",
    "/notify.html": "<title>asking</title><script>Notification.requestPermission()"
    ".then(p => document.title = 'notifications ' + p);</script>",
    "/download.html": "<title>download</title><a href='/report.txt' "
    "style='display:block;position:fixed;inset:0'>report</a>",
}


class WebContent(ShellTest):
    @classmethod
    def serve(cls, service):
        for path, html in PAGES.items():
            service.set(CONTENT_HOST, path, ("<!DOCTYPE html><meta charset='utf-8'>" + html).encode())
        service.set(CONTENT_HOST, "/report.txt", b"from the server", ctype="application/octet-stream")

    def test_no_window_without_a_click(self):
        h = self.open("/popup.html")
        self.assertEqual(self.title_becomes(h, ("opened", "blocked")), "blocked")
        self.assertEqual(len(browser_windows()), 1)

    def test_a_click_may_open_a_window(self):
        h = self.open("/gesture.html")
        self.title_becomes(h, ("gesture",))
        self.click_middle()
        window_titled("测试页", 15)
        self.assertEqual(bars_of("测试页"), {"menu": True, "tool": True, "address": True, "status": True})

    def test_pages_cannot_reach_local_files(self):
        h = self.open("/files.html")
        self.assertEqual(self.title_becomes(h, ("read", "refused")), "refused")
        self.click_middle()
        time.sleep(1.0)
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/files.html")

    def test_permission_requests_are_denied(self):
        # From localhost, a secure context, so that WebKit leaves the decision to the shell.
        pages = {path: ("<!DOCTYPE html><meta charset='utf-8'>" + html).encode() for path, html in PAGES.items()}
        self.addCleanup(PageServer(("127.0.0.1", 80), pages).close)
        h = self.open("http://localhost/ask.html")
        # 1 is PERMISSION_DENIED; 2, no position to be had, would mean it was granted.
        self.assertEqual(
            self.title_becomes(h, ("location granted", "location error 1", "location error 2")), "location error 1"
        )
        h = self.open("http://localhost/notify.html")
        self.assertEqual(
            self.title_becomes(h, ("notifications granted", "notifications denied", "notifications default")),
            "notifications denied",
        )

    def test_a_local_file_typed_in_the_address_bar_is_refused(self):
        h = self.open("/page.html")
        self.title_becomes(h, ("测试页",))
        frame = frame_titled("测试页")
        address = find(frame, lambda a: a.getRole() == pyatspi.ROLE_TEXT and pyatspi.STATE_EDITABLE in states(a))
        address.queryEditableText().setTextContents("file:///etc/hostname")
        address.queryAction().doAction(0)  # Enter
        status = find(frame, lambda a: a.getRole() == pyatspi.ROLE_STATUS_BAR)
        wait_until(
            lambda: find(status, lambda a: a.name == "只能打开网页地址（http 或 https）"), 10, what="the refusal in the status bar"
        )  # said instead of going anywhere
        self.assertEqual(self.client.get(h, "LocationURL"), f"http://{CONTENT_HOST}/page.html")

    def test_a_download_never_overwrites_a_file(self):
        downloads = os.path.join(os.environ["HOME"], "Downloads")
        os.makedirs(downloads, exist_ok=True)
        with open(os.path.join(downloads, "report.txt"), "w") as f:
            f.write("mine")
        h = self.open("/download.html")
        self.title_becomes(h, ("download",))
        self.click_middle()
        copy = os.path.join(downloads, "report (2).txt")
        wait_until(lambda: read_text(copy) == "from the server", 15, what="the download")
        self.assertEqual(read_text(os.path.join(downloads, "report.txt")), "mine")

    def test_a_killed_page_comes_back_with_f5(self):
        h = self.open("/page.html")
        self.title_becomes(h, ("测试页",))
        for pid in web_processes():  # this session's only
            os.kill(pid, signal.SIGKILL)
        self.title_becomes(h, ("页面意外停止运行",))
        (window,) = window_titled("页面意外停止运行")
        window.key("F5")
        self.title_becomes(h, ("测试页",))

    def test_a_page_that_failed_for_want_of_network_comes_back_by_itself(self):
        h = self.open("http://127.0.0.3/page.html")
        self.title_becomes(h, ("无法打开此页面",))
        self.addCleanup(PageServer(("127.0.0.3", 80), PAGE).close)
        self.title_becomes(h, ("测试页",), timeout=40)

    def test_certificate_errors_stop_the_page(self):
        folder = tempfile.mkdtemp()
        cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
        subprocess.run(
            [
                "openssl",
                "req",
                "-x509",
                "-newkey",
                "rsa:2048",
                "-nodes",
                "-days",
                "1",
                "-subj",
                "/CN=127.0.0.3",
                "-keyout",
                key,
                "-out",
                cert,
            ],
            check=True,
            capture_output=True,
        )
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        self.addCleanup(PageServer(("127.0.0.3", 443), PAGE, tls=context).close)
        h = self.open("https://127.0.0.3/page.html")
        self.title_becomes(h, ("连接不安全，已停止载入",))
        wait_until(lambda: not self.client.get(h, "Busy"), 10, what="the error page to settle")
        self.assertEqual(self.client.get(h, "LocationName"), "连接不安全，已停止载入")


PAGE = "<!DOCTYPE html><meta charset='utf-8'><title>测试页</title>".encode()


if __name__ == "__main__":
    unittest.main()
