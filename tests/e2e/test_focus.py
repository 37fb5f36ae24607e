"""Every launch in front with the keyboard focus, under window managers that keep a window
from taking the focus unless it answers the latest input (openbox, and GNOME's mutter on
X11), each by rules of its own: also after the user typed in an earlier chart window, and
for a pop-up a page opens on a click."""

from test_launch import PAGES
from veltrano_e2e import CONTENT_HOST, LauncherTest, activate, wait_until, window_titled, x

OPENER = """<!DOCTYPE html><meta charset="utf-8"><title>帮助文档</title><body style="margin:0">
<button style="position:absolute;left:0;top:0;width:300px;height:200px"
 onclick="window.open('/popup.html', '', 'width=400,height=300')">打开</button>"""


def in_front():
    """The window on top, the active one and the one with the keyboard focus."""
    stacking = x("xprop", "-root", "_NET_CLIENT_LIST_STACKING").split("#")[-1].replace(",", " ").split()
    return (
        int(stacking[-1], 16) if stacking else None,
        int(x("xdotool", "getactivewindow") or 0),
        int(x("xdotool", "getwindowfocus") or 0),
    )


class InFront(LauncherTest):
    @classmethod
    def serve(cls, service):
        for path, title in PAGES.values():
            service.page(CONTENT_HOST, path, title)
        service.set(CONTENT_HOST, PAGES["Command2"][0], OPENER.encode())
        service.page(CONTENT_HOST, "/popup.html", "弹出窗口")

    def opens_in_front(self, title, click):
        click()
        (window,) = window_titled(title)
        try:
            wait_until(lambda: in_front() == (window.xid,) * 3, 10)
        except AssertionError:
            self.fail(f"{title} ({window.xid}) is not on top, active and focused: {in_front()}")
        return window

    def test_every_launch_and_pop_up_in_front_after_typing_in_the_first(self):
        first = self.opens_in_front(PAGES["Command2"][1], lambda: self.launcher.click("Command2"))
        for button in ("Command4", "Command5", "Command1"):
            with self.subTest(button=button):
                first.key("Down")  # the user's latest input in the shell, before the click
                self.opens_in_front(PAGES[button][1], lambda: self.launcher.click(button))
        (chart,) = window_titled(PAGES["Command4"][1])
        chart.key("Down")
        activate(first.xid)
        self.opens_in_front("弹出窗口", lambda: first.click(150, 100))
