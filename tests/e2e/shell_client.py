"""A client of the browser shell on the session bus, as the launcher is one."""

import os
import subprocess
import unittest

from gi.repository import Gio, GLib

from veltrano_e2e import BUILD, CONTENT_HOST, SOURCE, Service, close_browser_windows, shell_running, wait_until

NAME = "org.veltrano.Browser"
PATH = "/org/veltrano/Browser"
INTERFACE = "org.veltrano.Browser1"


def interface_info():
    """The bus interface, as data/org.veltrano.Browser1.xml describes it."""
    with open(os.path.join(SOURCE, "data", "org.veltrano.Browser1.xml")) as description:
        return Gio.DBusNodeInfo.new_for_xml(description.read()).lookup_interface(INTERFACE)


_started = []  # shells this process started; they end by themselves


def start_shell():
    if not shell_running():
        _started.append(
            subprocess.Popen(
                [os.path.join(BUILD, "veltrano-browser")],
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
                start_new_session=True,
            )
        )
    wait_until(shell_running, 15, what="the browser shell on the bus")


def no_shell():
    """Once no shell is left over from other tests."""
    close_browser_windows()
    wait_until(lambda: not shell_running(), 20, what="the browser shell to end")


def shell_pid():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    reply = bus.call_sync(
        "org.freedesktop.DBus",
        "/org/freedesktop/DBus",
        "org.freedesktop.DBus",
        "GetConnectionUnixProcessID",
        GLib.Variant("(s)", (NAME,)),
        None,
        Gio.DBusCallFlags.NONE,
        5000,
        None,
    )
    return reply.unpack()[0]


def web_processes():
    """The WebKit web processes of the shell on our bus: other sessions may have theirs."""

    def parent(pid):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                return int(stat.read().rpartition(")")[2].split()[1])
        except OSError:
            return 0

    def name(pid):
        try:
            with open(f"/proc/{pid}/comm") as comm:
                return comm.read().strip()
        except OSError:
            return ""

    shell = shell_pid()
    found = []
    for pid in (int(p) for p in os.listdir("/proc") if p.isdigit()):
        if not name(pid).startswith("WebKitWebProces"):
            continue
        ancestor = parent(pid)
        while ancestor > 1 and ancestor != shell:
            ancestor = parent(ancestor)
        if ancestor == shell:
            found.append(pid)
    return found


class Client:
    """A connection of its own, so that closing it is a client leaving the bus."""

    def __init__(self):
        address = Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, None)
        self.bus = Gio.DBusConnection.new_for_address_sync(
            address,
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None,
            None,
        )

    def call(self, method, signature=None, args=None, reply=None):
        params = GLib.Variant(signature, args) if signature else None
        result = self.bus.call_sync(
            NAME,
            PATH,
            INTERFACE,
            method,
            params,
            GLib.VariantType(reply) if reply else None,
            Gio.DBusCallFlags.NO_AUTO_START,
            10000,
            None,
        )
        return result.unpack() if result is not None else None

    def prepare(self):
        self.call("Prepare")

    def create(self):
        return self.call("Create", "(s)", ("",), "(u)")[0]

    def put(self, handle, member, variant):
        self.call("Put", "(usv)", (handle, member, variant))

    def get(self, handle, member):
        return self.call("Get", "(us)", (handle, member), "(v)")[0]

    def invoke(self, handle, member, *args):
        return self.call("Invoke", "(usav)", (handle, member, list(args)), "(v)")[0]

    def release(self, handle):
        self.call("Release", "(u)", (handle,))

    def open(self, url, width=800, height=600):
        handle = self.create()
        self.put(handle, "Visible", GLib.Variant("b", True))
        self.invoke(handle, "Navigate", GLib.Variant("s", url))
        self.put(handle, "Width", GLib.Variant("n", width))
        self.put(handle, "Height", GLib.Variant("n", height))
        return handle

    def close(self):
        self.bus.close_sync(None)


def dbus_error(call):
    """The D-Bus error name a call fails with (None when it succeeds)."""
    try:
        call()
    except GLib.Error as error:
        return Gio.DBusError.get_remote_error(error)
    return None


class ShellTest(unittest.TestCase):
    """A running shell and a client of it for each test; every window closed after. A class
    with a serve(service) of its own has the service for the whole class, with its pages."""

    @classmethod
    def setUpClass(cls):
        if hasattr(cls, "serve"):
            cls.service = Service()
            cls.addClassCleanup(cls.service.close)
            cls.serve(cls.service)

    def setUp(self):
        start_shell()
        self.client = Client()

    def tearDown(self):
        self.client.close()
        close_browser_windows()

    def open(self, path_or_url, width=800, height=600, bars=True):
        """A window at the top left with a page of the content host, or any address;
        without bars, the page alone (the status bar aside)."""
        url = path_or_url if "://" in path_or_url else f"http://{CONTENT_HOST}{path_or_url}"
        h = self.client.open(url, width, height)
        for member in ("Left", "Top"):
            self.client.put(h, member, GLib.Variant("n", 0))
        for bar in () if bars else ("MenuBar", "ToolBar", "AddressBar"):
            self.client.put(h, bar, GLib.Variant("b", False))
        return h

    def click_middle(self):
        """A click in the middle of the page of a window that open() made."""
        subprocess.run(["xdotool", "mousemove", "400", "320", "click", "1"], check=True)

    def title_becomes(self, h, wanted, timeout=15):
        return wait_until(
            lambda: self.client.get(h, "LocationName") in wanted and self.client.get(h, "LocationName"),
            timeout,
            what=f"title {wanted}",
        )
