"""Version servers that misbehave: the window still comes, in time, with bounded memory."""

import gzip
import socket
import threading
import time
import unittest

import pyatspi

from veltrano_e2e import Launcher, states

DEADLINE_S = 10.0
NO_UPDATE = ("未发现新版本", False)
NOTICE = ("发现新版本，点击此处更新", True)


def head(status="200 OK", extra=""):
    return f"HTTP/1.1 {status}\r\nContent-Type: text/plain\r\n{extra}".encode()


def never_answers(conn):
    time.sleep(30)


def drips(conn):
    conn.sendall(head(extra="Content-Length: 100000\r\n\r\n"))
    for _ in range(30):
        conn.sendall(b"1")
        time.sleep(1)


def huge_body(conn):
    size = 100 * 1024 * 1024
    conn.sendall(head(extra=f"Content-Length: {size}\r\n\r\n"))
    chunk = b"x" * 65536
    for _ in range(size // len(chunk)):
        conn.sendall(chunk)


def endless_chunks(conn):
    conn.sendall(head(extra="Transfer-Encoding: chunked\r\n\r\n"))
    chunk = b"x" * 65536
    while True:
        conn.sendall(b"%x\r\n%s\r\n" % (len(chunk), chunk))


def gzip_bomb(conn):
    conn.sendall(with_body(gzip.compress(b"0" * (512 * 1024 * 1024), compresslevel=9), "Content-Encoding: gzip\r\n"))


def reset_mid_body(conn):
    conn.sendall(head(extra="Content-Length: 1000\r\n\r\n") + b"1.0")
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")


def with_body(body, extra=""):
    return head(extra=f"{extra}Content-Length: {len(body)}\r\n\r\n") + body


def sends(answer):
    """A server that answers every request with these bytes."""
    return lambda conn: conn.sendall(answer)


def redirect(status, target):
    return sends(head(status, f"Location: {target}\r\nContent-Length: 0\r\n\r\n"))


class RawServer:
    """Port 80 on 127.0.0.2, each connection handed to behave(conn) after its request."""

    def __init__(self, behave):
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.2", 80))
        self.sock.listen(16)
        self.behave = behave
        self.running = True
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while self.running:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(conn,), daemon=True).start()

    def serve(self, conn):
        try:
            conn.settimeout(40)
            conn.recv(65536)
            self.behave(conn)
        except OSError:
            pass
        finally:
            conn.close()

    def close(self):
        self.running = False
        try:
            self.sock.shutdown(socket.SHUT_RDWR)  # wakes the accepting thread, frees the port
        except OSError:
            pass
        self.sock.close()


def peak_rss_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) // 1024
    return 0


class HostileServers(unittest.TestCase):
    def test_each_fault(self):
        cases = [
            ("accepts and never answers", never_answers, NO_UPDATE),
            ("drips a byte a second", drips, NO_UPDATE),
            ("100 MB body", huge_body, NO_UPDATE),
            ("endless chunked body", endless_chunks, NO_UPDATE),
            ("gzip bomb", gzip_bomb, NO_UPDATE),
            ("redirect loop", redirect("302 Found", "/ver.html"), NO_UPDATE),
            ("redirect to file:", redirect("301 Moved", "file:///etc/passwd"), NO_UPDATE),
            ("redirect to ftp:", redirect("301 Moved", "ftp://127.0.0.2/ver.html"), NO_UPDATE),
            ("malformed status line", sends(b"HTTP/1.1 OK-ish maybe\r\n\r\n1.0.3"), NO_UPDATE),
            ("reset in the body", reset_mid_body, NO_UPDATE),
            ("binary body", sends(with_body(bytes(range(128, 256)) * 2)), NO_UPDATE),
            ("short binary body", sends(with_body(b"\xff\xfe\x00\x01")), NOTICE),
        ]
        for name, behave, expected in cases:
            with self.subTest(fault=name):
                server = RawServer(behave)
                launcher = Launcher()
                try:
                    launcher.wait_shown(timeout=DEADLINE_S + 10)
                    elapsed = time.monotonic() - launcher.started
                    label = launcher.control("Label5")
                    peak = peak_rss_mib(launcher.proc.pid)
                    self.assertLess(elapsed, DEADLINE_S)
                    self.assertLess(peak, 150)
                    self.assertEqual((label.name, pyatspi.STATE_SENSITIVE in states(label)), expected)
                    self.assertTrue(launcher.running())
                finally:
                    launcher.stop()
                    server.close()


if __name__ == "__main__":
    unittest.main()
