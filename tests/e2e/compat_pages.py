"""Each compatibility script's page of checks (compat/<script>.html), run in one browser
window of the real shell: first every page on a host of no service, where the shell
injects no scripts, then every page on the service's host, where it does; the last closes
the window, as window.js has the service's pages do.

    compat_pages.py [SCRIPT...]      (every script with a page when none is named)

Run inside sandbox.sh. A row passes when it gives its expected answer on the service's
host, or, expected SAME, the answer plain WebKit gives on the other host. Prints each row
that fails and closes with "N passed, N failed"; exits 1 when any failed. Pages that do not
answer within two minutes count as failed rows.

With VELTRANO_COMPAT_JS set to a file, the shell injects that file in place of the
compat.js built into it (GLib's resource overlay): the mutation runner's mutants. With
VELTRANO_COMPAT_TIMES set, it prints when each page answered, from its start."""

import json
import os
import sys
import threading
import time

from gi.repository import GLib

from servers import QuietHandler, Server
from shell_client import Client, start_shell
from veltrano_e2e import CONTENT_HOST, SOURCE

PAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "compat")
PLAIN_HOST = "localhost:8731"
CTYPES = {".html": "text/html; charset=utf-8", ".js": "application/javascript", ".css": "text/css",
          ".xml": "text/xml"}


class Walk:
    """The pages in the order the window shows them, and what each told."""

    def __init__(self, scripts):
        # On the other host only the rows that compare with plain WebKit are run.
        # With VELTRANO_COMPAT_FAST set, the walk ends at the first row that fails, and a page
        # stops at it: a mutant is told apart as soon as can be.
        self.fast = bool(os.environ.get("VELTRANO_COMPAT_FAST"))
        self.urls = [f"http://{host}/{script}.html{query}" for host, query in
                     ((PLAIN_HOST, "?plain"), (CONTENT_HOST, "?fast" if self.fast else "")) for script in scripts]
        self.closing = False
        self.results = {}
        self.done = threading.Event()
        self.lock = threading.Lock()
        self.start = time.monotonic()

    def told(self, host, page, rows):
        with self.lock:
            if os.environ.get("VELTRANO_COMPAT_TIMES"):
                print(f"{time.monotonic() - self.start:.2f} s {host}{page}", file=sys.stderr)
            self.results[(host, page)] = rows
            pages = [url.split("?")[0] for url in self.urls]
            url = f"http://{host}{page}"
            at = pages.index(url) + 1 if url in pages else len(pages)
            if self.fast and any(row["expected"] is not None and row["answer"] != row["expected"] for row in rows):
                at = len(pages)
            if at < len(self.urls):
                return self.urls[at]
            # The last page, of the service's host, closes its window (window.js) once all passed.
            self.closing = len(self.results) == len(self.urls)
            self.done.set()
            return "close" if self.closing else ""


def handler_for(walk):
    class Handler(QuietHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            name = self.path.split("?")[0].lstrip("/")
            path = os.path.join(PAGES, name)
            if "/" in name or not os.path.isfile(path):
                return self.respond(404, b"not found", "text/plain")
            with open(path, "rb") as page:
                self.respond(200, page.read(), CTYPES.get(os.path.splitext(name)[1], "text/plain"))

        def do_POST(self):
            told = json.loads(self.rfile.read(int(self.headers.get("Content-Length") or 0)))
            following = walk.told(self.headers.get("Host"), told["page"], told["rows"])
            self.respond(200, following.encode(), "text/plain")

    return Handler


def failures(walk, scripts):
    """Each row that did not give what it should, as a line; and how many rows passed."""
    failed, passed = [], 0
    for script in scripts:
        page = f"/{script}.html"
        service = walk.results.get((CONTENT_HOST, page))
        plain = {row["what"]: row["answer"] for row in walk.results.get((PLAIN_HOST, page), [])}
        if service is None:
            failed.append(f"{script}: the page did not answer")
            continue
        for row in service:
            wanted = row["expected"] if row["expected"] is not None else plain.get(row["what"], "(no answer)")
            if row["answer"] == wanted:
                passed += 1
            else:
                where = "" if row["expected"] is not None else " (plain WebKit's answer)"
                failed.append(f"{script}: {row['what']}: {row['answer']}, not {wanted}{where}")
    return failed, passed


def closes(client, window):
    """Whether the window goes within ten seconds: the shell then has it no more."""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            client.get(window, "Visible")
        except GLib.Error:
            return True
        time.sleep(0.05)
    return False


def main(scripts):
    scripts = scripts or sorted(name[:-5] for name in os.listdir(PAGES) if name.endswith(".html")
                                and os.path.exists(os.path.join(SOURCE, "browser", "compat", name[:-5] + ".js")))
    walk = Walk(scripts)
    servers = [Server((address, port), handler_for(walk)) for address, port in (("127.0.0.2", 80), ("127.0.0.1", 8731))]
    compat = os.environ.get("VELTRANO_COMPAT_JS")
    if compat:
        os.environ["G_RESOURCE_OVERLAYS"] = "/org/veltrano/browser/compat.js=" + os.path.abspath(compat)
    start_shell()
    client = Client()
    window = client.open(walk.urls[0])
    answered = walk.done.wait(120)
    failed, passed = failures(walk, scripts)
    if walk.closing and not closes(client, window):
        failed.append("window.close() on the service's host left the window open")
    client.close()
    for server in servers:
        server.close()
    if not answered:
        failed.append(f"no answer after {len(walk.results)} of {len(walk.urls)} pages")
    for line in failed:
        print(line)
    print(f"{passed} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
