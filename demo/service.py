#!/usr/bin/env python3
"""A stand-in for the 电子走势图 service, for trying the launcher without the real one.

Serves, on loopback, both of the service's hosts, told apart by the Host header:
  home host:    /            home page offering the "new version" for download
                /ver.html    the version document (GB2312), announcing 1.0.3
                /download/   the download itself
  content host: /freeVeltrano.asp      the trend chart of past draws
                /lncount/numlost.asp   the omission chart
                /readme.html           the help document
                /userlogin2.asp        log-in; its session cookie is honoured by the charts

    demo/service.py [--port 8730] [--home-host localhost:8730] [--content-host 127.0.0.1:8730] [--bind ADDR]
"""

import argparse
import html
import http.server
import random
import secrets
import socket
import threading
import urllib.parse

LATEST_VERSION = "1.0.3"
DRAWS = 30  # periods shown on the charts
RED, BLUE = 33, 16  # numbers in the red and blue pools

STYLE = """
body { font-family: "Noto Sans CJK SC", "WenQuanYi Micro Hei", sans-serif; margin: 0; color: #222; background: #fffdf3; }
header { background: #b3202a; color: #fff; padding: 10px 18px; display: flex; justify-content: space-between; }
header h1 { margin: 0; font-size: 20px; } header span { font-size: 14px; opacity: .9; }
main { padding: 14px 18px; } table { border-collapse: collapse; font-size: 12px; }
td, th { border: 1px solid #e4d9a8; width: 22px; height: 18px; text-align: center; padding: 0; }
th { background: #f5c400; } td.period { width: 70px; background: #fbf3cf; }
td.red { background: #d7262f; color: #fff; border-radius: 9px; } td.blue { background: #1f5fbf; color: #fff; border-radius: 9px; }
td.miss { color: #999; } td.hot { background: #ffe08a; font-weight: bold; }
a.button { display: inline-block; background: #b3202a; color: #fff; padding: 10px 22px; border-radius: 4px; text-decoration: none; }
form { max-width: 320px; } label { display: block; margin: 10px 0 4px; } input { width: 100%; padding: 6px; }
button { margin-top: 14px; padding: 8px 22px; background: #b3202a; color: #fff; border: 0; border-radius: 4px; }
p.note { color: #666; font-size: 13px; }
"""


def draws():
    """The same plausible history every run: six red numbers and one blue per period."""
    rng = random.Random(20261207)
    history = []
    for n in range(DRAWS):
        history.append((f"2026{110 + n:03d}", sorted(rng.sample(range(1, RED + 1), 6)), rng.randint(1, BLUE)))
    return history


def page(title, body, user=None, members=True):
    """A page of the service; the chart host's pages say who is logged in."""
    if not members:
        who = ""
    elif user:
        who = f"会员：{html.escape(user)}"
    else:
        who = "游客 · <a style='color:#fff' href='/userlogin2.asp'>登录</a>"
    return (
        f"<!DOCTYPE html><html lang='zh-CN'><head><meta charset='utf-8'><title>{html.escape(title)}</title>"
        f"<style>{STYLE}</style></head><body><header><h1>{html.escape(title)}</h1><span>{who}</span></header>"
        f"<main>{body}</main></body></html>"
    )


def trend_chart(user):
    head = (
        "<tr><th>期号</th>"
        + "".join(f"<th>{n:02d}</th>" for n in range(1, RED + 1))
        + "".join(f"<th>{n:02d}</th>" for n in range(1, BLUE + 1))
        + "</tr>"
    )
    rows = []
    for period, reds, blue in draws():
        cells = "".join(f"<td class='red'>{n:02d}</td>" if n in reds else "<td></td>" for n in range(1, RED + 1))
        cells += "".join(f"<td class='blue'>{n:02d}</td>" if n == blue else "<td></td>" for n in range(1, BLUE + 1))
        rows.append(f"<tr><td class='period'>{period}</td>{cells}</tr>")
    note = "" if user else "<p class='note'>登录后可查看更多期数的走势。</p>"
    title = f"电子走势图 · {user}" if user else "电子走势图"
    return page(title, f"<table>{head}{''.join(rows)}</table>{note}", user)


# The omission chart's page, as str.format fills it in: blues, the blue ball of each draw;
# last_blue, the highest; user, rows and shapes, the blue grid's and its VML.
OMISSION_PAGE = """<html xmlns:v="urn:schemas-microsoft-com:vml">
<head>
<title>遗漏走势图</title>
<style type="text/css">
v\\:* {{ behavior: url(#default#VML); }}
{style}
#blue {{ position: relative; margin-top: 14px; }}
#blue table td {{ width: 21px; height: 18px; color: #bbb; }}
#blue table td.period {{ width: 89px; color: #222; }}
tr.over td {{ background: #fff4c2; }}
</style>
<script language="javascript">
document.namespaces.add("v", "urn:schemas-microsoft-com:vml");
var BLUES = [{blues}];
// The blue ball's five-period average, drawn once the table is laid out, from where its
// cells are: x between the centres of the cells of the numbers it falls between.
function drawAverage() {{
  var box = document.getElementById("blue"), rows = box.getElementsByTagName("tr"), points = [];
  function centre(cell) {{
    var x = cell.offsetWidth / 2, y = cell.offsetHeight / 2;
    for (var el = cell; el && el != box; el = el.offsetParent) {{ x += el.offsetLeft; y += el.offsetTop; }}
    return [x, y];
  }}
  for (var i = 4; i < BLUES.length; i++) {{
    var sum = 0;
    for (var k = i - 4; k <= i; k++) sum += BLUES[k];
    var average = sum / 5, low = Math.floor(average), at = centre(rows[i].cells[low]);
    var next = low < {last_blue} ? centre(rows[i].cells[low + 1]) : at;
    points.push((at[0] + (next[0] - at[0]) * (average - low)).toFixed(1) + "," + at[1]);
  }}
  var line = document.createElement("v:polyline");
  line.points = points.join(" ");
  line.filled = false;
  line.strokecolor = "#e07000";
  line.strokeweight = "1.5pt";
  line.style.cssText = "position:absolute;left:0;top:0";
  line.stroke.dashstyle = "dash";
  box.appendChild(line);
}}
window.attachEvent("onload", drawAverage);
window.attachEvent("onload", function () {{
  var rows = document.getElementById("blue").getElementsByTagName("tr");
  for (var i = 0; i < rows.length; i++) {{
    rows[i].attachEvent("onmouseover", function () {{ window.event.srcElement.parentNode.className = "over"; }});
    rows[i].attachEvent("onmouseout", function () {{ window.event.srcElement.parentNode.className = ""; }});
  }}
}});
</script>
</head>
<body>
<header><h1>遗漏走势图</h1><span>{user}</span></header>
<main>
<table>{head}<tr><td class='period'>当前遗漏</td>{cells}</tr></table>
<p class='note'>遗漏值：号码自上次开出以来经过的期数。10 期以上以黄色标出。</p>
<div id="blue"><table>{rows}</table>
{shapes}
</div>
</main>
</body>
</html>"""


def blue_trend(history):
    """The blue grid's rows and the VML drawn over them: a ball a draw, joined by lines."""
    left, top, width, height = 90, 0, 22, 18  # the blue grid's cells, in the chart's own box
    rows, shapes = [], []
    prev = None  # the ball drawn before, which the line comes from
    for index, (period, _, blue) in enumerate(history):
        rows.append(
            f"<tr><td class='period'>{period}</td>"
            + "".join(f"<td>{'' if n == blue else n}</td>" for n in range(1, BLUE + 1))
            + "</tr>"
        )
        x, y = left + (blue - 1) * width + width // 2, top + index * height + height // 2
        if index:
            shapes.insert(
                0,
                f'<v:line from="{prev[0]},{prev[1]}" to="{x},{y}" strokecolor="#1f5fbf" '
                f'strokeweight="1.5pt" style="position:absolute;left:0;top:0" />',
            )
        shapes.append(
            f'<v:oval fillcolor="#1f5fbf" strokecolor="#1f5fbf" style="position:absolute;left:{x - 9}px;'
            f'top:{y - 9}px;width:18px;height:18px"><v:textbox inset="0,0,0,0" style="color:#fff;'
            f'text-align:center;padding:1px 0 0;font-size:11px">{blue:02d}</v:textbox></v:oval>'
        )
        prev = (x, y)
    return "".join(rows), "".join(shapes)


def omission_chart(user):
    """Written as the service's pages of that time were: GBK with no charset declared, the
    old browser's attachEvent, and the blue ball's trend drawn in VML, self-closing tags
    and all, with its five-period average drawn by script once the page is laid out.
    Served as bytes."""
    history = draws()
    last_seen = {}
    for index, (_, reds, _) in enumerate(history):
        for n in reds:
            last_seen[n] = index
    head = "<tr><th>号码</th>" + "".join(f"<th>{n:02d}</th>" for n in range(1, RED + 1)) + "</tr>"
    gaps = [len(history) - 1 - last_seen.get(n, -1) for n in range(1, RED + 1)]
    cells = "".join(f"<td class='{'hot' if g >= 10 else 'miss'}'>{g}</td>" for g in gaps)
    rows, shapes = blue_trend(history)
    return OMISSION_PAGE.format(
        blues=",".join(str(blue) for _, _, blue in history),
        last_blue=BLUE,
        style=STYLE,
        user=html.escape(user) if user else "游客",
        head=head,
        cells=cells,
        rows=rows,
        shapes=shapes,
    ).encode("gbk")


HELP = page(
    "帮助文档",
    """
<h2>如何使用电子走势图</h2>
<ol><li>点击“查电电子走势图”，走势图以全屏方式打开；同时按下 Alt+F4 退出。</li>
<li>点击“查看遗漏走势图”，查看每个号码的当前遗漏。</li>
<li>使用两台显示器时，点击“电子走势图(副屏)”，登录后把窗口拖到副屏。</li></ol>
<p class='note'>这是演示服务，页面中的开奖数据都是虚构的。</p>""",
)


def login_form(message=""):
    return page(
        "用户登录",
        f"""<form method='post' action='/userlogin2.asp'>
<label>用户名</label><input name='user' value='彩民' autofocus>
<label>密码</label><input name='password' type='password' value='demo'>
<button type='submit'>登录</button><p class='note'>{message or '演示服务：任意用户名和密码都可以登录。'}</p></form>""",
    )


HOME = page(
    "电子走势图 · 官方网站",
    f"""
<h2>发现新版本 {LATEST_VERSION}</h2>
<p>新版本改进了走势图的显示速度。</p>
<p><a class='button' href='/download/veltrano-{LATEST_VERSION}.tar.gz'>下载新版本</a></p>
<p class='note'>演示服务：下载的是一个很小的示例文件。</p>""",
    members=False,
)


class DemoHandler(http.server.BaseHTTPRequestHandler):
    """The demo service's pages. make_handler gives each server the hosts it answers for and
    its own log-in sessions."""

    server_version = "VeltranoDemo/1.0"
    home_host = content_host = None
    sessions = lock = None  # token -> user name, and the lock that guards them

    def user(self):
        cookies = dict(c.strip().split("=", 1) for c in self.headers.get("Cookie", "").split(";") if "=" in c)
        with self.lock:
            return self.sessions.get(cookies.get("veltrano_session", ""))

    def reply(self, status, body, ctype="text/html; charset=utf-8", headers=()):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        host = self.headers.get("Host", "")
        path = urllib.parse.urlsplit(self.path).path
        if host == self.home_host:
            if path == "/ver.html":
                return self.reply(200, LATEST_VERSION.encode("gb2312"), "text/plain")
            if path == "/":
                return self.reply(200, HOME)
            if path == f"/download/veltrano-{LATEST_VERSION}.tar.gz":
                return self.reply(
                    200,
                    b"Veltrano demo download\n",
                    "application/gzip",
                    [("Content-Disposition", f"attachment; filename=veltrano-{LATEST_VERSION}.tar.gz")],
                )
        elif host == self.content_host:
            if path == "/freeVeltrano.asp":
                return self.reply(200, trend_chart(self.user()))
            if path == "/lncount/numlost.asp":  # an old page: GBK, and no charset said
                return self.reply(200, omission_chart(self.user()), "text/html")
            if path == "/readme.html":
                return self.reply(200, HELP)
            if path == "/userlogin2.asp":
                return self.reply(200, login_form())
        self.reply(404, page("找不到页面", "<p>没有这个页面。</p>", members=False))

    def do_POST(self):
        if self.headers.get("Host") != self.content_host or self.path != "/userlogin2.asp":
            return self.reply(404, page("找不到页面", "<p>没有这个页面。</p>", members=False))
        length = min(int(self.headers.get("Content-Length") or 0), 4096)
        form = urllib.parse.parse_qs(self.rfile.read(length).decode("utf-8", "replace"))
        user = (form.get("user") or [""])[0].strip()[:20]
        if not user:
            return self.reply(200, login_form("请输入用户名。"))
        token = secrets.token_hex(16)
        with self.lock:
            self.sessions[token] = user
        self.reply(
            303,
            "",
            headers=[
                ("Location", "/freeVeltrano.asp"),
                ("Set-Cookie", f"veltrano_session={token}; Path=/; HttpOnly; SameSite=Lax"),
            ],
        )

    def log_message(self, fmt, *args):
        pass


def make_handler(home_host, content_host):
    return type(
        "Handler",
        (DemoHandler,),
        {"home_host": home_host, "content_host": content_host, "sessions": {}, "lock": threading.Lock()},
    )


class DualStackServer(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=8730)
    parser.add_argument("--home-host", default="localhost:8730")
    parser.add_argument("--content-host", default="127.0.0.1:8730")
    parser.add_argument("--bind", default="127.0.0.1", help="IPv4 address to listen on (also ::1 for 127.0.0.1)")
    args = parser.parse_args()
    handler = make_handler(args.home_host, args.content_host)
    servers = [DualStackServer((args.bind, args.port), handler)]
    if socket.has_ipv6 and args.bind == "127.0.0.1":
        try:

            class V6(DualStackServer):
                address_family = socket.AF_INET6

            servers.append(V6(("::1", args.port), handler))
        except OSError:
            pass  # no IPv6 loopback here: localhost is 127.0.0.1 alone
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print(f"演示服务已启动：http://{args.home_host}/ 与 http://{args.content_host}/", flush=True)
    try:
        servers[0].serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
