"""The script libraries pages of that time were built on, each in its published file, on a
page of the service's and on the same page of another site: with the old browser's ways
added they take their old-browser paths, and must come to the same results."""

import os
import unittest

from servers import PageServer
from shell_client import ShellTest
from test_legacy import corpus
from veltrano_e2e import CONTENT_HOST, SOURCE, wait_until

NODE = os.path.join(SOURCE, "tests", "node_modules")  # scripts/install-deps.sh test
FILES = {
    "prototype.js": "/usr/share/javascript/prototype/prototype.js",  # libjs-prototype, 1.7
    "mootools-core.js": "/usr/share/javascript/mootools/mootools-core-nc.js",  # libjs-mootools, 1.4
    # libjs-excanvas: stays out of the way wherever a canvas has getContext, as WebKit's has
    "excanvas.js": "/usr/share/javascript/excanvas/excanvas.js",
    # npm has jQuery 1.5 and 1.6 only inside a wrapper for Node.js (1.5 as the 1.5.2pre build)
    "jquery-1.5.js": (os.path.join(NODE, "jquery15", "dist", "node-jquery.js"), "jQuery"),
    "jquery-1.6.js": (os.path.join(NODE, "jquery16", "node-jquery.js"), "jQuery"),
    "jquery-1.7.js": os.path.join(NODE, "jquery17", "tmp", "jquery.js"),
    "jquery-1.8.js": os.path.join(NODE, "jquery18", "tmp", "jquery.js"),
    "yahoo-dom-event.js": os.path.join(NODE, "yui2", "build", "yahoo-dom-event", "yahoo-dom-event.js"),
    "connection-min.js": os.path.join(NODE, "yui2", "build", "connection", "connection-min.js"),
}
LIBRARIES = ("prototype", "mootools", "jquery15", "jquery16", "jquery17", "jquery18", "yui2", "excanvas")
ANSWER = b"2026130:01,05,12,19,27,33"


def published(file):
    """The library's file as its authors published it: a path, or a path to a wrapper of it
    and the name in its banner, whose file runs from that banner to the end of its closure."""
    if isinstance(file, str):
        return open(file, "rb").read()
    path, name = file
    text = open(path, "rb").read()
    end = text.rindex(b"})(window);") + len(b"})(window);\n")
    return text[text.index(b"/*!\n * " + name.encode()) : end]


def pages():
    served = {"/lib/" + name: published(file) for name, file in FILES.items()}
    served["/ajax.txt"] = ANSWER
    for library in LIBRARIES:
        served["/library.html?" + library] = corpus("library.html").encode("gbk")
    return served


class Libraries(ShellTest):
    @classmethod
    def serve(cls, service):
        served = pages()
        for path, body in served.items():
            service.set(
                CONTENT_HOST,
                path,
                body,
                ctype="text/plain"
                if path.endswith(".txt")
                else "application/javascript"
                if path.endswith(".js")
                else "text/html",
            )
        cls.addClassCleanup(PageServer(("127.0.0.1", 80), served, ctype="text/html").close)

    def results(self, url):
        h = self.open(url)
        title = wait_until(
            lambda: self.client.get(h, "LocationName").startswith("结果 ") and self.client.get(h, "LocationName"),
            20,
            what=f"the results of {url}",
        )
        return dict(entry.split("=", 1) for entry in title[3:].split("；"))

    def test_as_on_any_other_site(self):
        for library in LIBRARIES:
            with self.subTest(library):
                elsewhere = self.results(f"http://localhost/library.html?{library}")
                here = self.results(f"/library.html?{library}")
                self.assertEqual((here.pop("path")[:3], elsewhere.pop("path")[:8]), ("old", "standard"))
                self.assertNotIn("error", elsewhere)
                self.assertEqual(elsewhere["async"], ANSWER.decode())
                self.assertEqual(here, elsewhere)


if __name__ == "__main__":
    unittest.main()
