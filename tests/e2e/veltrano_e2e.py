"""What the end-to-end tests share: the running launcher seen through the accessibility
tree, and the browser windows seen through X. The servers are in servers.py."""

import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

import pyatspi

from servers import Service

BUILD = os.environ["VELTRANO_BUILD_DIR"]
SOURCE = os.environ["VELTRANO_SOURCE_DIR"]
LAUNCHER = os.path.join(BUILD, "veltrano")
CONTENT_HOST = os.environ["VELTRANO_CONTENT_HOST"]
HOME_HOST = os.environ["VELTRANO_HOME_HOST"]
TWIPS_PER_PIXEL = 15


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """predicate's first true value; what says what was awaited, or is called to say what
    there is at the end."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what() if callable(what) else what}")
        time.sleep(interval)


def read_text(path):
    """A file's text, or None where there is none (yet)."""
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def accessible_id(acc):
    try:
        return acc.get_accessible_id()
    except Exception:
        return None


def find(acc, predicate):
    if predicate(acc):
        return acc
    for child in acc:
        if child is None:
            continue
        found = find(child, predicate)
        if found is not None:
            return found
    return None


def texts(acc):
    """The names of acc and of everything under it, in order."""
    found = []
    find(acc, lambda a: found.append(a.name or "") and False)
    return found


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def states(acc):
    return set(acc.getState().getStates())


def live_apps():
    """Applications on the accessibility bus; one that has just ended is passed over."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            yield app, app.get_process_id(), app.name
        except Exception:
            continue


def app_of(pid):
    return next((app for app, app_pid, _ in live_apps() if app_pid == pid), None)


class Launcher:
    """The real veltrano, started as a user would, read through the accessibility tree."""

    def __init__(self, program=LAUNCHER, env=None):
        self.started = time.monotonic()
        self.proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        self.app = None
        self.frame = None

    def wait_shown(self, timeout=20):
        def shown():
            self.app = self.app or app_of(self.proc.pid)
            if self.app is None:
                return None
            frame = find(self.app, lambda a: a.getRole() == pyatspi.ROLE_FRAME and a.name == "Veltrano")
            # Showing to GTK as soon as it asks for the map; on the screen, and where it
            # stays, once the window manager has placed it.
            if frame is not None and pyatspi.STATE_SHOWING in states(frame) and self.placed():
                return frame
            return None

        self.frame = wait_until(shown, timeout, what="the launcher window")
        return self.frame

    def placed(self):
        return window_ids("--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Veltrano$")

    def xid(self):
        return int(self.placed()[0])

    def control(self, name):
        # A launcher busy with a click answers the accessibility bus only when it is done.
        return wait_until(
            lambda: find(self.frame, lambda a: accessible_id(a) == name), 20, interval=0.1, what=f"control {name}"
        )

    def panel_origin(self):
        x, y, _, _ = extents(self.control("Command1"))
        return (x - 360 // TWIPS_PER_PIXEL, y - 240 // TWIPS_PER_PIXEL)

    def press(self, name):
        self.control(name).queryAction().doAction(0)

    def click(self, name):
        """A click of the mouse on a control, with the launcher brought in front first, as a
        user would: a browser window may cover it, full screen or at the screen's corner.
        Not when it is in front already: a window manager may carry out the request after the
        click, and take the click for older than the launcher's activation."""
        if x("xdotool", "getactivewindow").strip() != str(self.xid()):
            subprocess.run(["xdotool", "windowactivate", "--sync", str(self.xid())], check=True, timeout=10)
        left, top, width, height = extents(self.control(name))
        subprocess.run(
            ["xdotool", "mousemove", str(left + width // 2), str(top + height // 2), "click", "1"], check=True
        )

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=10):
        return self.proc.wait(timeout)

    def stop(self):
        if self.running():
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if self.proc.stderr:
            self.proc.stderr.close()


def launcher_without_browser():
    """A copy of the launcher with no veltrano-browser beside it."""
    folder = tempfile.mkdtemp(prefix="veltrano-alone.")
    program = os.path.join(folder, "veltrano")
    shutil.copy(LAUNCHER, program)
    return program


def x(*args):
    return subprocess.run(list(args), capture_output=True, text=True, timeout=30).stdout


def activate(xid, timeout=10):
    """Makes the window active and waits until the window manager says so and the keyboard
    focus is there: a key sent earlier goes to whichever window had it."""
    # --sync waits for ever on a window that goes away meanwhile.
    try:
        subprocess.run(["xdotool", "windowactivate", "--sync", str(xid)], capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"window {xid} did not become active")

    def active():
        return x("xdotool", "getactivewindow").strip() == str(xid) and x("xdotool", "getwindowfocus").strip() == str(
            xid
        )

    wait_until(active, timeout, what=f"window {xid} to be active")


def window_ids(*criteria):
    """The ids of the windows xdotool's search finds with criteria."""
    # xdotool walks the window tree; a window destroyed meanwhile ends it with an X error and
    # no list at all, which would read as "no windows". Such a walk says nothing: walk again.
    for _ in range(50):
        done = subprocess.run(["xdotool", "search", *criteria], capture_output=True, text=True, timeout=30)
        if "X Error" not in done.stderr:
            return [int(i) for i in done.stdout.split()]
    raise AssertionError(f"xdotool could not search the windows: {done.stderr.strip()}")


def browser_windows():
    """Visible top-level windows of the browser shell, as the window manager placed them."""
    return [BrowserWindow(i) for i in window_ids("--onlyvisible", "--classname", "veltrano-browser")]


def windows_titled(title):
    return [w for w in browser_windows() if w.title() == title]


def window_titled(title, timeout=20):
    """The browser windows with this title, once there is one."""
    return wait_until(lambda: windows_titled(title), timeout, what=f"a browser window titled {title}")


class BrowserWindow:
    def __init__(self, xid):
        self.xid = xid

    def title(self):
        return x("xdotool", "getwindowname", str(self.xid)).strip()

    def info(self):
        fields = {}
        for line in x("xwininfo", "-id", str(self.xid)).splitlines():
            if ":" in line:
                key, _, value = line.partition(":")
                fields[key.strip()] = value.strip()
        return fields

    def client_origin(self):
        """Where the window's inside begins on the screen."""
        fields = self.info()
        return int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"])

    def click(self, x, y):
        """A click at (x, y) of the window's inside."""
        left, top = self.client_origin()
        subprocess.run(["xdotool", "mousemove", str(left + x), str(top + y), "click", "1"], check=True)

    def geometry(self):
        """(left, top) of the frame's corner and (width, height) of the window itself."""
        fields = self.info()
        ax, ay = int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"])
        w, h = int(fields["Width"]), int(fields["Height"])
        left, right, top, bottom = self.frame_extents()
        return (ax - left, ay - top, w, h)

    def frame_extents(self):
        out = x("xprop", "-id", str(self.xid), "_NET_FRAME_EXTENTS")
        if "=" not in out:
            return (0, 0, 0, 0)
        return tuple(int(v) for v in out.split("=")[1].split(","))

    def fullscreen(self):
        return "_NET_WM_STATE_FULLSCREEN" in x("xprop", "-id", str(self.xid), "_NET_WM_STATE")

    def key(self, *keys, timeout=10):
        activate(self.xid, timeout)
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def close_browser_windows():
    """Closes every browser window as a user would, with Ctrl+W, until none has been seen
    for a while (a window may still be on its way to the screen). Eighty windows take a
    while: it gives up when 20 seconds pass without one closing, or after three minutes."""
    deadline = time.monotonic() + 20
    limit = time.monotonic() + 180
    fewest = None
    quiet = 0
    while quiet < 3:
        windows = browser_windows()
        if not windows:
            quiet += 1
            time.sleep(0.1)
            continue
        quiet = 0
        if fewest is None or len(windows) < fewest:
            fewest, deadline = len(windows), time.monotonic() + 20
        if time.monotonic() > min(deadline, limit):
            raise AssertionError(f"{len(windows)} browser windows did not close")
        for window in windows:
            try:
                window.key("ctrl+w", timeout=3)
            except AssertionError:
                pass  # gone meanwhile, or not taking focus yet: it is listed again if still there
        time.sleep(0.2)


class BusMonitor:
    """The method calls of the browser interface on the session bus, as dbus-monitor sees them."""

    def __init__(self):
        self.members = []
        self.proc = subprocess.Popen(
            ["dbus-monitor", "--session", "type='method_call',interface='org.veltrano.Browser1'"],
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            text=True,
        )
        started = threading.Event()

        def read():
            for line in self.proc.stdout:
                started.set()  # the monitor's own NameAcquired comes first
                if "member=" in line and "interface=org.veltrano.Browser1" in line:
                    self.members.append(line.split("member=")[1].split()[0])

        threading.Thread(target=read, daemon=True).start()
        assert started.wait(10), "dbus-monitor did not start"

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def shell_running():
    out = x(
        "gdbus",
        "call",
        "--session",
        "--dest",
        "org.freedesktop.DBus",
        "--object-path",
        "/org/freedesktop/DBus",
        "--method",
        "org.freedesktop.DBus.NameHasOwner",
        "org.veltrano.Browser",
    )
    return "true" in out


class LaunchTest(unittest.TestCase):
    """The service for each test, and the launchers it starts stopped after it."""

    def setUp(self):
        self.service = Service()
        self.addCleanup(self.service.close)

    def launch(self, program=LAUNCHER, shown=True):
        self.launcher = Launcher(program)
        self.addCleanup(self.launcher.stop)
        if shown:
            self.launcher.wait_shown()
        return self.launcher


class LauncherTest(unittest.TestCase):
    """A launcher started for each test, and the service for the whole class: the version
    document says 1.0.2, and serve() adds the class's own pages."""

    @classmethod
    def setUpClass(cls):
        cls.service = Service()
        cls.service.set(HOME_HOST, "/ver.html", b"1.0.2")
        cls.serve(cls.service)

    @classmethod
    def serve(cls, service):
        pass

    @classmethod
    def tearDownClass(cls):
        cls.service.close()

    def setUp(self):
        close_browser_windows()  # a window left over would pass for the one a test waits for
        self.launcher = Launcher()
        self.launcher.wait_shown()

    def tearDown(self):
        self.launcher.stop()
        close_browser_windows()
