"""Every window of the shell alike: the first, the one made ahead, later launches with
others open, and the windows pages open, each with the old browser's ways, the desktop's
fonts and the fallback charset; and what pages ask of their own window."""

import os
import re
import zlib

import pyatspi
from gi.repository import GLib

from screen_pixels import Screen
from shell_client import ShellTest
from shell_frames import bars_of, shell_app
from test_legacy import corpus, serve_corpus
from veltrano_e2e import (
    CONTENT_HOST,
    Service,
    activate,
    browser_windows,
    find,
    wait_until,
    window_titled,
    windows_titled,
)


# One server for the module: a connection WebKit keeps open would reach a server that a
# class had closed, and its pages.
def setUpModule():
    global service
    service = Service()
    serve_corpus(service)
    page = service.routes[(CONTENT_HOST, "/every-window.html")]
    for name in ("1", "2", "3", "4", "popup", "blank", "dialog"):
        service.routes[(CONTENT_HOST, "/every-window.html?" + name)] = page


def tearDownModule():
    service.close()


class Windows(ShellTest):
    def open(self, path, width=800, height=600):
        return super().open(path, width, height, bars=False)

    def passes(self, h, name):
        """The window with this page's checks passes them; h is its handle, if the test has one."""

        def title():
            titles = [self.client.get(h, "LocationName")] if h else [w.title() for w in browser_windows()]
            return next((t for t in titles if t.endswith(" " + name) and t[:2] in ("通过", "失败")), None)

        self.assertEqual(wait_until(title, 15, what=f"the checks of window {name}"), "通过 " + name)

    def click(self, title, x, y):
        (window,) = window_titled(title)
        activate(window.xid)  # in front of the others
        window.click(x, y)

    def test_launches_in_any_order_and_the_windows_pages_open(self):
        self.client.prepare()
        first = self.open("/every-window.html?1")
        self.passes(first, "1")
        second = self.open("/every-window.html?2")
        self.passes(second, "2")
        self.client.invoke(first, "Quit")  # the window the others were made beside
        wait_until(lambda: not windows_titled("通过 1"), 10, what="the first window to close")
        third = self.open("/every-window.html?3", 600, 400)
        self.passes(third, "3")
        self.passes(self.open("/every-window.html?4"), "4")

        # What the fourth window's page opens, each alike, with the features asked for.
        for x, y, name, bars in ((40, 80, "popup", False), (40, 130, "blank", True), (40, 180, "dialog", False)):
            self.click("通过 4", x, y)
            self.passes(None, name)
            self.assertEqual(set(bars_of("通过 " + name).values()), {bars}, name)
            if name == "popup":  # in front, where it was asked to be, its line drawn
                (popup,) = windows_titled("通过 popup")
                self.assertEqual(popup.geometry(), (300, 200, 400, 300))
                left, top = popup.client_origin()
                wait_until(
                    lambda: all(Screen().near(left + x, top + 20, (255, 0, 0)) for x in (140, 260, 380)),
                    10,
                    what="the pop-up's VML line",
                )

        # The dialog goes first: its opener's script waits for it, and its page takes no
        # input meanwhile. "关闭窗口" closes a window a page opened, and one the launcher opened.
        windows_titled("通过 dialog")[0].key("ctrl+w")
        wait_until(lambda: not windows_titled("通过 dialog"), 10, what="the dialog to close")
        for name in ("popup", "4"):
            self.click("通过 " + name, 40, 280)
            wait_until(lambda: not windows_titled("通过 " + name), 10, what=f"window {name} to close")

    def test_the_desktop_fonts(self):
        """Ten digits and ten Hanzi at 12 px, in pixels, as the Chinese desktop set them."""
        wanted = {
            "宋体": (60, 120),
            "SimSun": (60, 120),
            "新宋体": (60, 120),
            "NSimSun": (60, 120),
            "黑体": (60, 120),
            "SimHei": (60, 120),
            "楷体": (60, 120),
            "楷体_GB2312": (60, 120),
            "仿宋": (60, 120),
            "仿宋_GB2312": (60, 120),
            "微软雅黑": (70, 120),
            "Microsoft YaHei": (70, 120),
            "Arial": (70, 120),
            "Tahoma": (70, 120),
            "Verdana": (80, 120),
            "Times New Roman": (60, 120),
            "Courier New": (70, 120),
        }
        h = self.open("/fonts.html")
        title = wait_until(
            lambda: self.client.get(h, "LocationName").startswith("字宽 ") and self.client.get(h, "LocationName"),
            15,
            what="the widths",
        )
        widths = {}
        for entry in title[3:].split(";"):
            name, _, numbers = entry.partition(":")
            digits, _, hanzi = numbers.split(",")
            widths[name] = (float(digits), float(hanzi))
        self.assertEqual(widths, wanted)


class WindowRequests(ShellTest):
    """moveTo, resizeTo and close from a page of the service, on its window."""

    def ask(self, h, request, count):
        self.client.invoke(h, "Navigate", GLib.Variant("s", f"http://{CONTENT_HOST}/window-requests.html#{request}"))
        if count:
            self.title_becomes(h, (f"窗口 {count}",))

    @staticmethod
    def outer(window):
        left, top, width, height = window.geometry()
        frame_left, frame_right, frame_top, frame_bottom = window.frame_extents()
        return (left, top, width + frame_left + frame_right, height + frame_top + frame_bottom)

    def test_place_size_and_close(self):
        for name in ("1", "2"):  # the third window's page asks; the others stay as they are
            self.title_becomes(self.open(f"/every-window.html?{name}", 300, 200), (f"通过 {name}",))
        # Both on the screen before the third opens (a title comes before the window is mapped).
        others = wait_until(
            lambda: (lambda seen: len(seen) == 2 and seen)({w.title(): w.geometry() for w in browser_windows()}),
            10,
            what="the other two windows",
        )
        # The page alone: a bar asks a width of its own (the status bar's progress, while a
        # request of the page loads), which would keep the window over the least a page may ask.
        h = self.open("/window-requests.html", 800, 600, bars=False)
        self.client.put(h, "StatusBar", GLib.Variant("b", False))
        self.title_becomes(h, ("窗口",))
        (window,) = wait_until(lambda: windows_titled("窗口"), 10, what="the window")
        cases = [
            ("moveTo(120,90)", (120, 90, None, None)),
            ("resizeTo(500,400)", (120, 90, 500, 400)),
            ("moveBy(-20,30)", (100, 120, 500, 400)),
            ("resizeBy(100,-50)", (100, 120, 600, 350)),
            # Kept on the screen, whole: no larger than it, its title bar on it.
            ("resizeTo(4000,3000)", (0, 0, 1280, 1024)),
            ("resizeTo(500,400);moveTo(-3000,-3000)", (0, 0, 500, 400)),
            ("moveBy(5000,5000)", (780, 624, 500, 400)),
            ("resizeTo(32767,32767)", (0, 0, 1280, 1024)),
            ("resizeTo(99,20)", (0, 0, 100, 100)),  # never smaller than 100 by 100, frame and all
            ("moveTo(0,0);resizeTo(screen.availWidth,screen.availHeight)", (0, 0, 1280, 1024)),
            ("resizeBy(-2000,-2000)", (0, 0, 100, 100)),
            ("frames.length;resizeTo('a',{})", None),  # nothing that reads as a size
        ]
        for count, (request, wanted) in enumerate(cases, 1):
            before = self.outer(windows_titled(f"窗口 {count - 1}" if count > 1 else "窗口")[0])
            self.ask(h, request.replace(";", "%3B"), count)
            wanted = tuple(b if w is None else w for w, b in zip(wanted or before, before))
            got = wait_until(
                lambda: self.outer(window) == wanted and wanted,
                10,
                what=f"{request}: {wanted}, " f"not {self.outer(window)}",
            )
            self.assertEqual(got, wanted)
        self.ask(h, "closeWindow", 0)
        wait_until(lambda: not windows_titled(f"窗口 {len(cases)}"), 10, what="the window to close")
        self.assertEqual({w.title(): w.geometry() for w in browser_windows()}, others)


class Printing(ShellTest):
    """Ctrl+P and window.print() print the page with its VML, here to a file as a user would."""

    def print_to_file(self, title, start):
        pdf = os.path.join(os.environ["HOME"], title + ".pdf")
        start()
        dialog = wait_until(
            lambda: next((w for w in shell_app() if w and w.getRole() == pyatspi.ROLE_DIALOG), None),
            10,
            what="the print dialog",
        )
        printers = find(dialog, lambda a: a.getRole() == pyatspi.ROLE_TABLE).queryTable()

        def to_file_chosen():  # the printers are found a while after the dialog shows
            rows = [row for row in range(printers.nRows) if printers.getAccessibleAt(row, 1).name == "Print to File"]
            for row in rows:
                printers.addRowSelection(row)
            return rows and find(
                dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and (a.name or "").endswith(title + ".pdf")
            )

        wait_until(to_file_chosen, 10, what=f"printing to {title}.pdf chosen")
        button = find(dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "Print")
        wait_until(lambda: pyatspi.STATE_SENSITIVE in button.getState().getStates(), 10, what="Print to be enabled")
        button.queryAction().doAction(0)

        def printed():
            if not os.path.exists(pdf):
                return False
            with open(pdf, "rb") as file:
                return file.read().rstrip().endswith(b"%%EOF")

        wait_until(printed, 30, what=f"{pdf} printed")
        with open(pdf, "rb") as printed:
            return red_strokes(printed.read())

    def test_the_page_and_its_vml(self):
        h = self.open("/chart.html", bars=False)
        self.title_becomes(h, ("遗漏走势图",))
        (chart,) = window_titled("遗漏走势图")
        winners = [int(n) for n in re.search(r"WINNERS = \[([\d,]+)\]", corpus("chart.html")).group(1).split(",")]
        centres = [(60 + n * 24 + 12, 40 + draw * 18 + 9) for draw, n in enumerate(winners)]
        self.assertEqual(
            self.print_to_file("遗漏走势图", lambda: chart.key("ctrl+p")), [a + b for a, b in zip(centres, centres[1:])]
        )

        h = self.open("/every-window.html?1", bars=False)
        self.title_becomes(h, ("通过 1",))
        (window,) = window_titled("通过 1")
        self.assertEqual(self.print_to_file("通过 1", lambda: window.click(40, 230)), [(130, 20, 390, 20)])


def red_strokes(pdf):
    """The lines the PDF strokes in red, (x1, y1, x2, y2) in the page's pixels."""
    lines = []
    for stream in re.finditer(rb"stream\r?\n(.*?)\r?\nendstream", pdf, re.S):
        try:
            content = zlib.decompress(stream.group(1))
        except zlib.error:
            continue  # a font or an image
        for red in re.findall(rb"1 0 0 RG(.*?)(?:\bRG\b|\nQ\n)", content, re.S):
            for line in re.findall(rb"([-\d.]+) ([-\d.]+) m\s+([-\d.]+) ([-\d.]+) l\s", red):
                lines.append(tuple(round(float(v)) for v in line))
    return lines
