"""The service's pages as the old Windows browser showed them: undeclared GBK, its own DOM
members, pop-ups with features, VML. The corpus is in legacy/, written in the style of
pages of that time; the service's hosts serve it as GBK with no charset declared."""

import os
import re
import subprocess
import unittest

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

from screen_pixels import Screen, colour_misses, drawn, line_misses, line_widths  # noqa: E402
from servers import PageServer  # noqa: E402
from shell_client import ShellTest  # noqa: E402
from shell_frames import bars_of, status_bars  # noqa: E402
from veltrano_e2e import (  # noqa: E402
    CONTENT_HOST,
    HOME_HOST,
    Launcher,
    Service,
    activate,
    browser_windows,
    close_browser_windows,
    wait_until,
    window_titled,
    windows_titled,
)

CORPUS = os.path.join(os.path.dirname(__file__), "legacy")
CTYPES = {".html": "text/html", ".xml": "text/xml", ".css": "text/css", ".js": "application/x-javascript"}


def corpus(name):
    with open(os.path.join(CORPUS, name), encoding="utf-8") as page:
        return page.read()


def long_table(page):
    """big-table.html with its rows, as a server writes a long table: a script midway that
    reads them, and a self-closing line in a cell of row 29."""
    rows = []
    for r in range(40):
        cells = [f"<td>{(r * 7 + c) % 33 + 1:02d}</td>" for c in range(8)]
        if r == 29:
            cells[0] = cells[0].replace(
                "<td>",
                '<td><v:line id="inside" from="0,0" to="40,20" strokecolor="red" '
                'style="position:absolute;left:0;top:0" /><b id="swallowed">一</b>',
            )
        rows.append("<tr>\n  " + "\n  ".join(cells) + "\n</tr>")
        if r == 19:
            rows.append(
                "<script>midway = { cells: grid.rows(19).childNodes.length, "
                "first: grid.tBodies(0).firstChild == grid.rows[0] };</script>"
            )
    return re.sub(r"<!-- rows:.*-->", lambda _: "\n".join(rows), page)


def serve_corpus(service):
    for name in os.listdir(CORPUS):
        text = corpus(name) if name != "big-table.html" else long_table(corpus(name))
        service.set(CONTENT_HOST, "/" + name, text.encode("gbk"), ctype=CTYPES[os.path.splitext(name)[1]])
    service.set(CONTENT_HOST, "/latest.txt", b"2026130", ctype="text/plain")
    service.set(CONTENT_HOST, "/lncount/numlost.asp", corpus("chart.html").encode("gbk"), ctype="text/html")
    service.set(
        CONTENT_HOST,
        "/gbk.html",
        "<html><head><title>双色球走势</title></head><body>"
        "<form action='/search.asp'><input name='q' value='红球'></form>"
        "<script>document.forms[0].submit()</script></body></html>".encode("gbk"),
        ctype="text/html",
    )
    service.set(
        CONTENT_HOST,
        "/search.asp?q=%BA%EC%C7%F2",
        "<html><head><title>搜索结果：红球</title></head></html>".encode("gbk"),
        ctype="text/html",
    )


class CorpusTest(ShellTest):
    """A shell, and the corpus served for the whole class."""

    @classmethod
    def serve(cls, service):
        serve_corpus(service)

    def checked(self, h):
        """The title a page of checks ends with: "通过", or "失败：" and what failed."""
        return wait_until(
            lambda: re.match("通过|失败", self.client.get(h, "LocationName")) and self.client.get(h, "LocationName"),
            15,
            what="the page's checks",
        )


class LegacyPages(CorpusTest):
    def open(self, path_or_url):
        return super().open(path_or_url, bars=False)

    def click(self, title, x, y):
        """A click at (x, y) of the page in the window with this title."""
        (window,) = window_titled(title)
        window.click(x, y)

    def test_undeclared_gbk_and_its_form(self):
        h = self.open("/gbk.html")
        self.title_becomes(h, ("搜索结果：红球",))

    def test_the_old_dom(self):
        h = self.open("/old-dom.html")
        self.assertEqual(self.checked(h), "通过")
        wait_until(lambda: "此网页请求加入收藏夹" in status_bars("通过")[0], 10, what="the favourite in the status bar")

    def test_the_second_layer_in_several_windows(self):
        """Each page checks the old browser's ways it uses, in three windows open at once;
        the title names the checks that failed."""
        pages = [
            ("/omission.html", "此网页请求设为主页"),
            ("/xmldata.html", "此网页请求加入收藏夹"),
            ("/old-dialect.html", None),
            ("/notice.html", None),
        ]
        subprocess.run(["xdotool", "mousemove", "1279", "1023"], check=True)  # no link under it to show
        for path, status in pages:
            handles = [self.open(path) for _ in range(3)]
            for window, h in enumerate(handles, 1):
                with self.subTest(path=path, window=window):
                    self.assertEqual(self.checked(h), "通过")
            if status:
                wait_until(
                    lambda: [status in text for text in status_bars("通过")] == [True] * 3, 10, what=f"{path}: {status}"
                )
            if path == "/omission.html":  # its line, made by script from the cells' places, is on screen
                left, top = window_titled("通过")[0].client_origin()

                def red():
                    shot = Screen()
                    points = [
                        (x, y)
                        for x in range(left + 40, left + 200)
                        for y in range(top + 80, top + 200)
                        if shot.near(x, y, (255, 0, 0), tolerance=60)
                    ]
                    return len(points) > 100 and points

                points = wait_until(red, 10, what="the line drawn")
                xs, ys = [x for x, _ in points], [y for _, y in points]
                self.assertGreater(min(max(xs) - min(xs), max(ys) - min(ys)), 30, "a diagonal line")
            close_browser_windows()

    def test_the_clipboard_after_a_click(self):
        h = self.open("/clipboard.html")
        self.title_becomes(h, ("复制",))
        wanted = "双色球 2026130：01 05 12 19 27 33 + 08"
        clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
        clipboard.set_text("", -1)
        clipboard.clear()  # nobody's: an empty clipboard reads as an empty text
        for title, before in (("复制", '""'), (f'已复制：{wanted}，之前：""', f'"{wanted}"')):
            self.click(title, 200, 200)
            self.title_becomes(h, (f"已复制：{wanted}，之前：{before}",))
        self.assertEqual(clipboard.wait_for_text(), wanted)

    def test_pop_ups_with_features(self):
        h = self.open("/popups.html")
        self.title_becomes(h, ("弹出窗口",))
        for opened in (1, 2):  # the second opens in the same window
            self.click("弹出窗口", 40, 50)
            # The picker's title counts the opener's clicks: the old page's title, until the
            # new one has loaded, tells nothing.
            (picker,) = window_titled(f"选号器 {opened}", 15)
        self.assertEqual([w.title() for w in browser_windows() if w.title().startswith("选号器")], ["选号器 2"])
        self.assertEqual(bars_of("选号器 2"), {"menu": False, "tool": False, "address": False, "status": True})
        left, top, width, height = picker.geometry()
        self.assertEqual((left, top, width), (100, 80, 320))
        self.assertGreater(height, 240)  # the page's 240 and the status bar under it
        self.assertLess(height, 280)

        self.click("弹出窗口", 40, 150)
        window_titled("普通窗口", 15)
        self.assertEqual(bars_of("普通窗口"), {"menu": True, "tool": True, "address": True, "status": True})

        self.click("弹出窗口", 40, 250)
        (dialog,) = window_titled("期号 2026130", 15)
        self.assertEqual(dialog.geometry()[2:], (300, 200))

    def test_modal_dialogs_return_their_value(self):
        """showModalDialog in three windows open at once: the opener's script waits for its
        dialog, which fills in the opener's form through dialogArguments, and goes on with
        the number clicked; another window stays usable meanwhile, its own dialog too. The
        third window is closed while its dialog is open: both go, and the shell goes on."""

        def click(title, x, y):
            (window,) = window_titled(title, 15)
            activate(window.xid)
            window.click(x, y)

        handles = [self.open(f"/modal.html#{n}") for n in (1, 2, 3)]
        for n, h in enumerate(handles, 1):
            self.title_becomes(h, (f"选号 {n}",))
        for n in (1, 2):
            click(f"选号 {n}", 40, 80)
            window_titled(f"选择号码 {n}", 15)
        self.assertEqual(
            [self.client.get(h, "LocationName") for h in handles[:2]], ["选号 1", "选号 2"], "the openers wait"
        )
        for n, chosen, y in ((2, 23, 90), (1, 7, 30)):
            click(f"选择号码 {n}", 40, y)
            self.title_becomes(handles[n - 1], (f"选中 {chosen} 期 2026131 {n}",))
        click("选号 3", 40, 80)
        window_titled("选择号码 3", 15)
        window_titled("选号 3")[0].key("ctrl+w")
        wait_until(
            lambda: not windows_titled("选号 3") and not windows_titled("选择号码 3"),
            10,
            what="the third window and its dialog to close",
        )
        self.assertEqual(self.client.get(handles[0], "LocationName"), "选中 7 期 2026131 1")

    def test_pages_elsewhere_get_none_of_it(self):
        self.addCleanup(PageServer(("127.0.0.1", 80), corpus("modern.html").encode(), ctype="text/html").close)
        h = self.open("http://localhost/modern.html")
        self.assertEqual(self.title_becomes(h, ("clean",), timeout=15), "clean")


class TrendChart(unittest.TestCase):
    """The omission chart through the launcher: thirty draws joined by VML lines."""

    def setUp(self):
        self.service = Service()
        self.addCleanup(self.service.close)
        self.service.set(HOME_HOST, "/ver.html", b"1.0.2")
        serve_corpus(self.service)
        self.launcher = Launcher()
        self.addCleanup(close_browser_windows)
        self.addCleanup(self.launcher.stop)
        self.launcher.wait_shown()

    def test_lines_join_the_winning_numbers(self):
        self.launcher.press("Command4")
        (window,) = window_titled("遗漏走势图")
        winners = [int(n) for n in re.search(r"WINNERS = \[([\d,]+)\]", corpus("chart.html")).group(1).split(",")]
        left, top = window.client_origin()
        centres = [(left + 60 + w * 24 + 12, top + 40 + draw * 18 + 9) for draw, w in enumerate(winners)]
        shot = drawn(lambda shot: line_misses(shot, centres, (0.35, 0.5, 0.65), spared=10))  # not under a circle
        self.assertEqual(
            line_misses(shot, centres, (0.35, 0.5, 0.65), spared=10), [], "points of the lines that are not red"
        )
        for draw, (x, y) in enumerate(centres):
            self.assertTrue(shot.near(x - 6, y, (0, 0, 255)), f"circle of draw {draw}: {shot.pixel(x - 6, y)}")
        self.assertTrue(shot.near(left + 500, top + 300, (255, 255, 255)))


class VectorMarkup(CorpusTest):
    """VML as chart pages wrote it and changed it: the corpus's vml.html checks where its
    shapes are drawn, vml-bound.html shapes of prefixes bound by style rules; trend.html
    draws a trend line after load from the table cells' offsets, and old-path.html does
    it on the old browser's path that a test of window.ActiveXObject alone chose, checked
    by its pixels in any window of a shell."""

    def test_shapes_drawn_where_written(self):
        self.assertEqual(self.checked(self.open("/vml.html", bars=False)), "通过")
        for n in (1, 2, 3):  # each opened while those before it stay open
            with self.subTest(window=n):
                self.assertEqual(self.checked(self.open(f"/vml-bound.html#{n}", bars=False)), "通过")

    def test_long_table_heard_of_in_bulk(self):
        # Its rows, in the markup and added one by one after load, with a line among them:
        # the layer hears of so many nodes at once as a whole, not node by node.
        for n in (1, 2, 3):
            with self.subTest(window=n):
                self.assertEqual(self.checked(self.open(f"/big-table.html#{n}", bars=False)), "通过")

    def trend_line_drawn(self, n, page="trend.html", colour=(255, 0, 0), width=None):
        """Opens page as the n-th window and checks its line on the screen: its colour, and
        its width in pixels where given."""
        h = self.open(f"/{page}#{n}", bars=False)
        title = f"走势线 {n}"
        self.title_becomes(h, (title,))  # in a window without the old browser's ways, attachEvent throws
        (window,) = window_titled(title)  # the X title follows the page's a moment later
        activate(window.xid)
        winners = [int(d) for d in re.search(r"WINNERS = \[([\d, ]+)\]", corpus(page)).group(1).split(",")]
        left, top = window.client_origin()
        # Where the style sheet puts the winning cells.
        centres = [(left + 40 + 60 + w * 30 + 15, top + 30 + draw * 20 + 10) for draw, w in enumerate(winners)]
        shot = drawn(lambda shot: line_misses(shot, centres, (0.25, 0.5, 0.75), colour))
        self.assertEqual(
            line_misses(shot, centres, (0.25, 0.5, 0.75), colour),
            [],
            f"window {n}: points of the trend line not of its colour",
        )
        self.assertTrue(shot.near(left + 500, top + 100, (255, 255, 255)), f"window {n}: beside the chart")
        if width:
            widths = line_widths(shot, centres, colour)
            self.assertTrue(all(abs(w - width) <= 1.5 for w in widths), f"window {n}: widths {widths}")

    def test_trend_line_from_the_cells_offsets(self):
        self.trend_line_drawn(1)

    def test_trend_line_in_every_window(self):
        for n in (1, 2, 3):  # each opened while those before it stay open
            self.trend_line_drawn(n)

    def test_old_path_chosen_by_activex_in_every_window(self):
        for n in (1, 2, 3):
            self.trend_line_drawn(n, "old-path.html", colour=(0, 0, 255), width=5)


class OldStyles(CorpusTest):
    """crosshair.html, a standards-mode chart: its crosshair moved by bare numbers from a
    mousemove handler, its lines sized, a tip placed after the mouse and a side bar held at
    the window's right edge by CSS expressions, checked by their pixels in three windows
    open at once; the page checks the style object's members, its expressions and a banner's
    transition itself."""

    def test_crosshair_and_expressions_in_every_window(self):
        for n in (1, 2, 3):
            with self.subTest(window=n):
                self.crosshair_follows(n)

    def crosshair_follows(self, n):
        h = self.open(f"/crosshair.html#{n}", bars=False)
        title = wait_until(
            lambda: re.match("准星|失败", self.client.get(h, "LocationName")) and self.client.get(h, "LocationName"),
            15,
            what="the page's checks",
        )
        self.assertEqual(title, f"准星 {n}")
        (window,) = window_titled(title)
        activate(window.xid)
        left, top = window.client_origin()
        x, y = 300 + 40 * n, 200 + 30 * n
        subprocess.run(["xdotool", "mousemove", str(left + x), str(top + y)], check=True)
        wanted = [
            ((255, 0, 0), [(20, y - 1), (650, y - 1)]),  # the crosshair's lines, across and down
            ((0, 0, 255), [(x - 1, 20), (x - 1, 500)]),
            ((255, 255, 0), [(x + 20, y + 20)]),  # the tip, 10 px right of and below the mouse
            ((0, 192, 0), [(740, 100)]),
        ]  # the side bar, 110 px from the right edge
        self.assertEqual(
            colour_misses(drawn(lambda shot: colour_misses(shot, left, top, wanted)), left, top, wanted),
            [],
            f"window {n}",
        )
        self.client.put(h, "Width", GLib.Variant("n", 600))
        wanted = [((0, 192, 0), [(540, 100)])]
        self.assertEqual(
            colour_misses(drawn(lambda shot: colour_misses(shot, left, top, wanted)), left, top, wanted),
            [],
            f"window {n}, narrowed",
        )


if __name__ == "__main__":
    unittest.main()
