"""The HTTP servers the end-to-end tests run on loopback: the stand-in for the service's
two hosts and pages of their own on other addresses."""

import http.server
import threading
import time


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """A request handler that answers in one call and logs nothing."""

    def respond(self, status, body, ctype):
        try:
            self.send_response(status)
            self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client has gone meanwhile

    def log_message(self, *args):
        pass


class Server:
    """An HTTP server on address, a thread for each request; tls, an ssl context, makes it https."""

    def __init__(self, address, handler, tls=None):
        self.server = http.server.ThreadingHTTPServer(address, handler)
        self.server.daemon_threads = True
        if tls:
            self.server.socket = tls.wrap_socket(self.server.socket, server_side=True)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Service(Server):
    """Both of the service's hosts on 127.0.0.2:80, told apart by the Host header."""

    def __init__(self):
        self.routes = {}
        self.requests = []
        service = self

        class Handler(QuietHandler):
            protocol_version = "HTTP/1.1"

            def do_GET(self):
                host = (self.headers.get("Host") or "").split(":")[0]
                service.requests.append((host, self.path, time.monotonic()))
                status, body, delay, ctype = service.routes.get(
                    (host, self.path), (404, b"404 page not found", 0, "text/plain")
                )
                if delay:
                    time.sleep(delay)
                self.respond(status, body, ctype)

        super().__init__(("127.0.0.2", 80), Handler)

    def set(self, host, path, body=b"", status=200, delay=0, ctype="text/html; charset=utf-8"):
        self.routes[(host, path)] = (status, body, delay, ctype)

    def page(self, host, path, title):
        html = (
            f"<!DOCTYPE html><html><head><meta charset='utf-8'><title>{title}</title></head>"
            f"<body><h1>{title}</h1></body></html>"
        )
        self.set(host, path, html.encode())

    def seen(self, host, path):
        return sum(1 for h, p, _ in self.requests if h == host and p == path)


class PageServer(Server):
    """Pages on an address of their own, away from the service's hosts: pages maps a path to
    its body, or is one body for every path."""

    def __init__(self, address, pages, tls=None, ctype="text/html; charset=utf-8"):
        class Handler(QuietHandler):
            def do_GET(self):
                self.respond(200, pages.get(self.path, b"") if isinstance(pages, dict) else pages, ctype)

        super().__init__(address, Handler, tls)
