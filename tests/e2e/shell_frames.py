"""The browser shell's windows as the accessibility tree shows them: found by title, their
bars, and what their status bars say. The same windows seen through X are in veltrano_e2e.py."""

import pyatspi
from gi.repository import GLib

from veltrano_e2e import find, live_apps, states, texts, wait_until


def status_of(frame):
    """What the status bar of a browser window says."""
    return " ".join(texts(find(frame, lambda a: a.getRole() == pyatspi.ROLE_STATUS_BAR)))


def shell_app():
    return next((app for app, _, name in live_apps() if name == "veltrano-browser"), None)


def frames(title=None):
    """The shell's windows, or those with this title, in the accessibility tree; a window
    that has just closed is passed over."""
    found = []
    for frame in shell_app() or []:
        try:
            if frame is not None and frame.getRole() == pyatspi.ROLE_FRAME and title in (None, frame.name):
                found.append(frame)
        except GLib.Error:
            continue
    return found


def frame_titled(title, timeout=15):
    """The shell's window with this title, once there is one."""
    return wait_until(lambda: next(iter(frames(title)), None), timeout, what=f"window {title}")


def status_bars(title=None):
    """What the status bar of each of the shell's windows, or of those with this title, says."""
    said = []
    for frame in frames(title):
        try:
            said.append(status_of(frame))
        except GLib.Error:
            continue
    return said


def bars_of(title):
    """Which bars the browser window with this title shows."""
    frame = next(iter(frames(title)), None)
    assert frame is not None, f"no browser window titled {title}"

    def showing(role):
        bar = find(frame, lambda a: a.getRole() == role)
        return bar is not None and pyatspi.STATE_SHOWING in states(bar)

    address = find(frame, lambda a: a.getRole() == pyatspi.ROLE_LABEL and a.name == "地址")
    status = find(frame, lambda a: a.getRole() == pyatspi.ROLE_STATUS_BAR)
    return {
        "menu": showing(pyatspi.ROLE_MENU_BAR),
        "tool": showing(pyatspi.ROLE_TOOL_BAR),
        "address": address is not None and pyatspi.STATE_SHOWING in states(address),
        "status": status is not None and pyatspi.STATE_SHOWING in states(status),
    }
