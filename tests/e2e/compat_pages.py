"""Each compatibility script's page of checks (compat/<script>.html), run in one browser
window of the real shell: first every page on a host of no service, where the shell
injects no scripts, then every page on the service's host, where it does; the last closes
the window, as window.js has the service's pages do.

    compat_pages.py [SCRIPT...]      (every script with a page when none is named)

Run inside sandbox.sh. A row passes when it gives its expected answer on the service's
host, or, expected SAME, the answer plain WebKit gives on the other host. Prints each row
that fails and closes with "N passed, N failed"; exits 1 when any failed. Pages that do not
answer within two minutes count as failed rows.

With VELTRANO_COMPAT_TIMES set, it prints when each page answered, from its start. The
mutation runs serve the same pages to one shell for all their mutants (tests/mutation/serve.py)."""

import json
import os
import re
import sys
import threading
import time

from gi.repository import GLib

from servers import QuietHandler, Server
from shell_client import Client, start_shell
from veltrano_e2e import CONTENT_HOST, SOURCE

PAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "compat")
PLAIN_HOST = "localhost:8731"
# A mutation run's pages are under /m<id>/, whose id the instrumented scripts read from
# their own address (tests/mutation/serve.py); they are the same pages.
MUTANT = re.compile(r"^/m[0-9]*/")
CTYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "application/javascript",
    ".css": "text/css",
    ".xml": "text/xml",
    "dialect-served.js": "application/javascript; charset=gbk",
}
# Files the server answers with no success: a body that would bind a VML prefix, or make a
# document, if read. name -> (status, body)
REFUSED = {
    "missing.css": (404, b"e\\:* { behavior: url(#default#VML) }"),
    "choices.css": (300, b"u\\:* { behavior: url(#default#VML) }"),
    "choices.xml": (300, b"<draws/>"),
}


class Walk:
    """The pages in the order one window shows them, and what each told: urls, each page's
    address with its query (?plain on the other host, ?fast to stop at the first row that
    fails). In fast, the walk ends at the first page with a row that fails: a mutant is told
    apart as soon as can be. closing: the last page closes its window (window.js) once all
    passed."""

    def __init__(self, urls, fast=False, closing=True):
        self.urls = urls
        self.fast = fast
        self.closes_last = closing
        self.closing = False
        self.results = {}
        self.done = threading.Event()
        self.lock = threading.Lock()
        self.start = self.contact = time.monotonic()

    def told(self, host, page, rows):
        with self.lock:
            if os.environ.get("VELTRANO_COMPAT_TIMES"):
                print(f"{time.monotonic() - self.start:.2f} s {host}{page}", file=sys.stderr)
            self.results[(host, script_of(page))] = rows
            pages = [url.split("?")[0] for url in self.urls]
            url = f"http://{host}{page}"
            at = pages.index(url) + 1 if url in pages else len(pages)
            if self.fast and any(row["expected"] is not None and row["answer"] != row["expected"] for row in rows):
                at = len(pages)
            if at < len(self.urls):
                return self.urls[at]
            self.closing = self.closes_last and len(self.results) == len(self.urls)
            self.done.set()
            return "close" if self.closing else ""


def script_of(path):
    """The script a page's path is of: /m<id>/collections.html, a mutant's, is collections."""
    return os.path.splitext(MUTANT.sub("/", path.split("?")[0]).lstrip("/"))[0]


def handler_for(walks):
    """The pages, and what they tell handed to their walk: walks, by a mutant's /m<id> (or
    "" for the pages themselves)."""

    def walk_of(path):
        mutant = MUTANT.match(path)
        return walks.get(mutant.group(0)[:-1] if mutant else "")

    class Handler(QuietHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            walk = walk_of(self.path)
            if walk:
                walk.contact = time.monotonic()  # the page still runs
            name = MUTANT.sub("/", self.path.split("?")[0]).lstrip("/")
            path = os.path.join(PAGES, name)
            if name in REFUSED:
                status, body = REFUSED[name]
                return self.respond(status, body, CTYPES[os.path.splitext(name)[1]])
            if "/" in name or not os.path.isfile(path):
                return self.respond(404, b"not found", "text/plain")
            with open(path, "rb") as page:
                self.respond(200, page.read(), CTYPES.get(name) or CTYPES.get(os.path.splitext(name)[1], "text/plain"))

        def end_headers(self):
            # Sheets may be read from any site (as from a CDN): the pages of the service's
            # host must still take no rule from the other host's.
            if self.path.endswith(".css"):
                self.send_header("Access-Control-Allow-Origin", "*")
            super().end_headers()

        def do_POST(self):
            told = json.loads(self.rfile.read(int(self.headers.get("Content-Length") or 0)))
            walk = walk_of(told["page"])
            following = walk.told(self.headers.get("Host"), told["page"], told["rows"]) if walk else ""
            self.respond(200, following.encode(), "text/plain")

    return Handler


def serve(walks):
    """The pages' servers on both hosts, for walks; each has close()."""
    return [Server((address, port), handler_for(walks)) for address, port in (("127.0.0.2", 80), ("127.0.0.1", 8731))]


def failures(results, scripts, plain_results=None):
    """Each row that did not give what it should, as a line; and how many rows passed.
    results: a walk's, by (host, script); plain_results, if given, the other host's."""
    failed, passed = [], 0
    plain_results = results if plain_results is None else plain_results
    for script in scripts:
        service = results.get((CONTENT_HOST, script))
        plain = {row["what"]: row["answer"] for row in plain_results.get((PLAIN_HOST, script), [])}
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


def all_scripts():
    """The scripts with a page, by name."""
    return sorted(
        name[:-5]
        for name in os.listdir(PAGES)
        if name.endswith(".html") and os.path.exists(os.path.join(SOURCE, "browser", "compat", name[:-5] + ".js"))
    )


def main(scripts):
    scripts = scripts or all_scripts()
    # On the other host only the rows that compare with plain WebKit are run.
    walk = Walk(
        [
            f"http://{host}/{script}.html{query}"
            for host, query in ((PLAIN_HOST, "?plain"), (CONTENT_HOST, ""))
            for script in scripts
        ]
    )
    servers = serve({"": walk})
    start_shell()
    client = Client()
    window = client.open(walk.urls[0])
    answered = walk.done.wait(120)
    failed, passed = failures(walk.results, scripts)
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
