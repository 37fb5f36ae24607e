"""The benchmark's pages and chart-shapes sections: what the old browser's ways cost a page."""

import os

from chart_shapes import SHAPES
from chart_shapes import chart as shaped_chart
from figures import alternate, ratio_line, summary, until_titled
from service import omission_chart
from shell_client import Client, start_shell
from veltrano_e2e import CONTENT_HOST, close_browser_windows, wait_until

BIG_CHART = os.path.join(os.path.dirname(__file__), "big-chart.html")


def drawn_by_page_clock(client, url):
    """The milliseconds a full chart's page gives in its title, from navigation to the second
    frame after its load event."""
    handle = client.open(url, 1000, 700)
    title = wait_until(
        lambda: str(client.get(handle, "LocationName")).startswith("drawn ") and client.get(handle, "LocationName"),
        60,
        what="the full chart drawn",
    )
    client.release(handle)
    close_browser_windows()
    return float(title.split()[1])


def documents():
    """The pages measured, by path: the demo's omission chart, and the full chart as it is,
    with its lines closed, with ten CSS expressions, and in the old engine's dialect."""
    loaded = b"<script>window.addEventListener('load', function () { document.title = 'chart loaded'; });</script>"
    chart = omission_chart(None).replace(b"</body>", loaded + b"</body>")
    with open(BIG_CHART, encoding="utf-8") as page:
        big = page.read().encode("gbk")
    # The same chart with its lines closed: the document the old browser built from the
    # self-closing tags, which plain WebKit nests each in the one before.
    closed = big.replace(b'left:0;top:0" />', b'left:0;top:0"></v:line>')
    assert closed != big
    # The same chart with ten CSS expressions on it: a header and a side bar held in view, a
    # footer and a crosshair sized by the table, a tip in two style attributes.
    rules = (
        b"#head { position: absolute; left: 0; height: 18px; top: expression(document.documentElement.scrollTop);"
        b" width: expression(document.documentElement.clientWidth); }\n"
        b"#side { position: absolute; top: 0; width: 60px; height: expression(document.documentElement.clientHeight);"
        b" left: expression(document.documentElement.scrollLeft + document.documentElement.clientWidth - 60); }\n"
        b"#foot { position: absolute; left: 0; top: expression(document.getElementById('grid').offsetHeight + 4);"
        b" width: expression(document.getElementById('grid').offsetWidth); }\n"
        b"#xcross { position: absolute; height: 1px; width: expression(grid.offsetWidth); }\n"
        b"#ycross { position: absolute; width: 1px; height: expression(grid.offsetHeight); }\n"
    )
    parts = b"".join(b'<div id="%s"></div>' % name for name in (b"head", b"side", b"foot", b"xcross", b"ycross"))
    parts += (
        b'<div style="position: absolute; left: expression(document.body.scrollLeft + 10); top: expression(10)"></div>'
    )
    expressions = big.replace(b"</style>", rules + b"</style>").replace(b"</body>", parts + b"</body>")
    assert expressions.count(b"expression(") == 10
    # The same chart with its helpers declared in the old engine's dialect (function
    # window.cx() {...}): its first script fails to parse, and is mended and run again.
    dialect = big.replace(b"function cx(", b"function window.cx(").replace(b"function cy(", b"function window.cy(")
    assert dialect != big
    return {
        "/chart.asp": chart,
        "/full.asp": big,
        "/closed.asp": closed,
        "/expressions.asp": expressions,
        "/dialect.asp": dialect,
    }


def old_pages(service):
    # 5, 6. What the old browser's ways cost a page: each page from a service host, which gets
    # the compatibility scripts, and the same page from another host, which does not. First
    # the demo's omission chart (GBK, attachEvent, 60 VML shapes), from asking to its load
    # event; then a full chart (200 draws by 49 numbers, 600 VML segments, some written by
    # document.write and some made after load), by the page's own clock from navigation to
    # the second frame after its load event.
    pages = documents()
    service.set(CONTENT_HOST, "/dialect.asp", pages.pop("/dialect.asp"), ctype="text/html")
    for host in (CONTENT_HOST, "127.0.0.2"):
        for path, page in pages.items():
            service.set(host, path, page, ctype="text/html")
    start_shell()
    client = Client()
    keep = client.create()  # a hidden window keeps the shell, and new windows share its web process

    def to_load(url):
        ms, handle = until_titled("chart loaded", lambda: client.open(url, 1000, 700))
        client.release(handle)
        close_browser_windows()
        return ms

    def by_page_clock(url):
        return drawn_by_page_clock(client, url)

    hosts = (f"http://{CONTENT_HOST}", "http://127.0.0.2")
    demo_on, demo_off = alternate(to_load, [host + "/chart.asp" for host in hosts])
    full_on, _ = alternate(by_page_clock, [host + "/full.asp" for host in hosts])
    closed_on, closed_off = alternate(by_page_clock, [host + "/closed.asp" for host in hosts])
    css_on, css_off = alternate(by_page_clock, [host + "/expressions.asp" for host in hosts])
    dialect_on, plain_on = alternate(by_page_clock, [f"{hosts[0]}/dialect.asp", f"{hosts[0]}/full.asp"])
    client.release(keep)
    client.close()
    lines = cost_lines(demo_on, demo_off, full_on, closed_on, closed_off, css_on, css_off, dialect_on, plain_on)
    return lines + chart_shapes(service)


def cost_lines(demo_on, demo_off, full_on, closed_on, closed_off, css_on, css_off, dialect_on, plain_on):
    return [
        summary("old page, service host (compatibility on)", demo_on, "ms"),
        summary("same page, other host (compatibility off)", demo_off, "ms"),
        ratio_line("compatibility layer, page load", [a / b for a, b in zip(demo_on, demo_off)], 1.05),
        summary("full chart drawn, compatibility on", full_on, "ms"),
        summary("lines closed, compatibility off", closed_off, "ms"),
        ratio_line("full chart on / lines closed, off", [a / b for a, b in zip(full_on, closed_off)], 1.15),
        ratio_line("lines closed, on / off", [a / b for a, b in zip(closed_on, closed_off)], 1.15),
        summary("full chart, 10 expressions, on", css_on, "ms"),
        summary("full chart, 10 expressions, off", css_off, "ms"),
        ratio_line("10 expressions, on / off", [a / b for a, b in zip(css_on, css_off)], 1.10),
        ratio_line("10 expressions on / full chart on", [a / b for a, b in zip(css_on, full_on)], 1.10),
        summary("full chart in the old dialect, mended", dialect_on, "ms"),
        ratio_line("old dialect mended / as WebKit reads it", [a / b for a, b in zip(dialect_on, plain_on)], 1.05),
        "",
    ]


def chart_shapes(service):
    # 7. The full chart in each shape its table comes in (bench/chart_shapes.py), each with
    # VML from the markup, from document.write and from a script after load, on a service
    # host and on another, alternately.
    hosts = (f"http://{CONTENT_HOST}", "http://127.0.0.2")
    for shape in SHAPES:
        for host in hosts:
            service.set(host.split("/")[-1], f"/shape-{shape}.asp", shaped_chart(shape), ctype="text/html")
    start_shell()
    client = Client()
    keep = client.create()
    lines = []
    for shape in SHAPES:
        on, off = alternate(
            lambda url: drawn_by_page_clock(client, url), [host + f"/shape-{shape}.asp" for host in hosts]
        )
        lines += [
            summary(f"table {SHAPE_NAMES[shape]}, on", on, "ms"),
            summary(f"table {SHAPE_NAMES[shape]}, off", off, "ms"),
            ratio_line(f"compatibility layer, table {SHAPE_NAMES[shape]}", [a / b for a, b in zip(on, off)], 1.10),
        ]
    client.release(keep)
    client.close()
    return lines + [""]


SHAPE_NAMES = {
    "markup": "in markup",
    "write": "by document.write",
    "dom": "by DOM calls after load",
    "innerHTML": "through innerHTML",
}
