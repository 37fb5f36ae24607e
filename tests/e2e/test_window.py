"""The main window as the user sees it: layout, captions, focus order, icon, ending."""

import os
import re
import subprocess
import unittest

import pyatspi

from screen_pixels import Screen
from veltrano_e2e import (
    TWIPS_PER_PIXEL,
    Launcher,
    LauncherTest,
    BrowserWindow,
    activate,
    extents,
    states,
    wait_until,
    window_ids,
    x,
)

# name, caption, left, top, width, height (twips)
CONTROLS = [
    ("Command1", "查电电子走势图", 360, 240, 1695, 495),
    ("Command2", "查看帮助文档", 360, 1920, 1695, 495),
    ("Command3", "退出系统", 360, 3120, 1695, 495),
    ("Label1", "注：退出电子走势图时，同时按下ALT+F4", 360, 1440, 1695, 615),
    ("Command4", "查看遗漏走势图", 360, 840, 1695, 495),
    ("Label2", "全心全意为彩民服务\n服务电话：400-000-0000", 2400, 3240, 3015, 375),
    ("Label3", "当前版本：v1.0.2", 360, 3720, 1455, 255),
    ("Label5", "未发现新版本", 2400, 3720, 3015, 255),
    ("Command5", "电子走势图(副屏)", 360, 2520, 1695, 495),
    ("Label4", "分屏用户点击此按扭后，拖将弹出窗口拖至副屏即可", 2400, 2640, 3015, 375),
    ("Label6", "←", 2160, 2640, 255, 255),
    ("Image1", "", 2400, 240, 3000, 2250),
]


def px(twips):
    return twips // TWIPS_PER_PIXEL


class MainWindow(LauncherTest):
    def rect(self, name):
        ox, oy = self.launcher.panel_origin()
        x0, y0, w, h = extents(self.launcher.control(name))
        return (x0 - ox, y0 - oy, w, h)

    def test_every_control_in_its_designed_rectangle(self):
        frame = self.launcher.frame
        self.assertEqual(frame.name, "Veltrano")
        for name, caption, left, top, width, height in CONTROLS:
            with self.subTest(control=name):
                control = self.launcher.control(name)
                self.assertEqual(control.name, caption)
                self.assertEqual(self.rect(name), (px(left), px(top), px(width), px(height)))
                self.assertIn(pyatspi.STATE_SHOWING, states(control))

    def test_every_caption_fits_inside_its_rectangle(self):
        # The last line of each label starts inside the label's own rectangle with a whole
        # line's room below it (and above the next control down where the design lets the
        # two rectangles overlap). Labels set their lines 12 pixels apart.
        line_height = 12
        overlaps = {"Label1": 1920 - 1440}
        for name, caption, left, top, width, height in CONTROLS:
            if not caption or not name.startswith("Label"):
                continue
            with self.subTest(control=name):
                label = self.launcher.control(name)
                lx, ly, lw, lh = extents(label)
                text = label.queryText()
                last = text.getCharacterExtents(text.characterCount - 1, pyatspi.DESKTOP_COORDS)
                bottom = ly + px(overlaps.get(name, height))
                self.assertGreaterEqual(last[0], lx)
                self.assertLessEqual(last[0] + last[2], lx + lw)
                self.assertLessEqual(last[1] + line_height, bottom, f"{name} runs past its rectangle")

    def test_tab_visits_the_buttons_in_design_order(self):
        activate(self.launcher.xid())
        self.launcher.control("Command1").queryComponent().grabFocus()
        wait_until(lambda: pyatspi.STATE_FOCUSED in states(self.launcher.control("Command1")), 5)
        order = ["Command1"]
        for _ in range(5):  # each key moves the focus on, once the launcher has taken it
            subprocess.run(["xdotool", "key", "Tab"], check=True)
            order.append(
                wait_until(lambda: self.focused() not in (None, order[-1]) and self.focused(), 5, what="focus to move")
            )
        order.pop(0)
        self.assertEqual(order, ["Command2", "Command3", "Command4", "Command5", "Command1"])
        subprocess.run(["xdotool", "key", "shift+Tab"], check=True)
        self.assertEqual(wait_until(self.focused, 5), "Command5")

    def focused(self):
        for name, *_ in CONTROLS:
            if pyatspi.STATE_FOCUSED in states(self.launcher.control(name)):
                return name
        return None

    def test_the_same_faces_whatever_the_locale(self):
        """Under C.UTF-8 as under zh_CN.UTF-8, the captions come out in a Chinese sans face,
        Latin and Han alike: the window looks the same, pixel for pixel."""

        def look(launcher):
            left, top = BrowserWindow(launcher.xid()).client_origin()
            width, height = (int(BrowserWindow(launcher.xid()).info()[k]) for k in ("Width", "Height"))
            return Screen().pixbuf.new_subpixbuf(left, top, width, height).copy().get_pixels()

        english = look(self.launcher)
        self.launcher.stop()
        locales = os.path.join(os.environ["VELTRANO_SANDBOX_WORK"], "locales")
        os.makedirs(locales, exist_ok=True)
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8", os.path.join(locales, "zh_CN.UTF-8")], check=True)
        chinese = Launcher(env=dict(os.environ, LOCPATH=locales, LC_ALL="zh_CN.UTF-8", LANG="zh_CN.UTF-8"))
        self.addCleanup(chinese.stop)
        chinese.wait_shown()
        self.assertTrue(english == look(chinese), "the window differs between C.UTF-8 and zh_CN.UTF-8")

    def test_window_icon_is_32_by_32(self):
        xid = str(window_ids("--onlyvisible", "--pid", str(self.launcher.proc.pid))[0])
        sizes = re.findall(r"Icon \((\d+) x (\d+)\)", x("xprop", "-id", xid, "_NET_WM_ICON"))
        self.assertEqual(sizes, [("32", "32")])

    def test_resizing_moves_nothing(self):
        before = {name: self.rect(name) for name, *_ in CONTROLS}
        xid = str(window_ids("--onlyvisible", "--pid", str(self.launcher.proc.pid))[0])
        subprocess.run(["xdotool", "windowsize", "--sync", xid, "640", "480"], check=True)
        wait_until(lambda: extents(self.launcher.frame)[2] > 600, 5, what="the resize")
        self.assertEqual({name: self.rect(name) for name, *_ in CONTROLS}, before)

    def test_command3_ends_the_program(self):
        self.launcher.press("Command3")
        self.assertEqual(self.launcher.wait_exit(), 0)

    def test_alt_f4_ends_the_program(self):
        xid = self.launcher.xid()
        # The window manager closes the active window: the key must not come before it is.
        activate(xid)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=True)
        self.assertEqual(self.launcher.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
