"""The speed and footprint benchmark. Run by bench/run.sh inside the test sandbox, with the
version document and the help page served on loopback. Every figure is measured here, in
this run, against a reference measured alternately with it."""

import os
import platform
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "demo"))
from service import omission_chart  # noqa: E402
from chart_shapes import SHAPES, chart as shaped_chart  # noqa: E402
from shell_client import Client, shell_pid, start_shell  # noqa: E402
from veltrano_e2e import (CONTENT_HOST, HOME_HOST, Launcher, Service, browser_windows,  # noqa: E402
                        close_browser_windows, shell_running, wait_until)

BUILD = os.environ["VELTRANO_BUILD_DIR"]
ROUNDS = int(os.environ.get("VELTRANO_BENCH_ROUNDS", "9"))
XWAIT = os.path.join(BUILD, "bench", "xwait")
LAUNCHER_BIN = os.path.join(BUILD, "veltrano")
REFERENCE_WINDOW = os.path.join(BUILD, "bench", "reference_window")
REFERENCE_WEBKIT = os.path.join(BUILD, "bench", "reference_webkit")
BIG_CHART = os.path.join(os.path.dirname(__file__), "big-chart.html")
HELP_URL = f"http://{CONTENT_HOST}/readme.html"
HELP_TITLE = "帮助文档"


def status_kib(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
              return int(line.split()[1])
    return 0


def pss_kib(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as rollup:
            for line in rollup:
              if line.startswith("Pss:"):
                  return int(line.split()[1])
    except OSError:
        pass
    return 0


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
              with open(f"/proc/{entry}/stat") as stat:
                  parent = int(stat.read().rsplit(")", 1)[1].split()[1])
              children.setdefault(parent, []).append(int(entry))
            except (OSError, ValueError, IndexError):
              pass
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo += children.get(p, [])
    return found


def stop(pid):
    try:
        os.kill(pid, 15)
    except ProcessLookupError:
        pass


def start_to_map(program):
    """Milliseconds from exec to the first window mapped, and the peak RSS (KiB) by then."""
    out = subprocess.run([XWAIT, "map", program], capture_output=True, text=True, check=True).stdout.split()
    ms, pid = float(out[0]), int(out[1])
    time.sleep(0.5)  # let it settle: anything done just after mapping counts towards the peak
    peak = status_kib(pid, "VmHWM")
    stop(pid)
    time.sleep(0.2)
    return ms, peak


def until_titled(title, action):
    """Milliseconds from action() to a new window titled title."""
    timer = subprocess.Popen([XWAIT, "title", title], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    assert timer.stdout.readline().strip() == "ready"
    timer.stdin.write("go\n")
    timer.stdin.flush()
    result = action()
    ms = float(timer.stdout.readline())
    timer.wait()
    return ms, result


def summary(name, values, unit):
    return f"{name:44} median {statistics.median(values):8.1f} {unit}  min {min(values):8.1f}  max {max(values):8.1f}"


def ratio_line(name, ratios, target):
    median = statistics.median(ratios)
    verdict = "meets" if median <= target else "MISSES"
    return f"{name:44} ratio  {median:6.3f}  (min {min(ratios):.3f}, max {max(ratios):.3f}; target <= {target}: {verdict})"


def machine():
    cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "?")
    total = next((int(l.split()[1]) // 1024 for l in open("/proc/meminfo") if l.startswith("MemTotal")), 0)
    webkit = subprocess.run(["pkg-config", "--modversion", "webkit2gtk-4.1"], capture_output=True, text=True).stdout.strip()
    gtk = subprocess.run(["pkg-config", "--modversion", "gtk+-3.0"], capture_output=True, text=True).stdout.strip()
    return (f"machine: {cpu}, {os.cpu_count()} cores, {total} MiB; {platform.system()} {platform.release()}; "
            f"GTK {gtk}, WebKitGTK {webkit}; Xvfb + openbox, software rendering; {ROUNDS} rounds")


def sandbox_cost(service):
    """What WebKit's web-process sandbox costs: a shell started for a page (exec to the page
    loaded), a further window, and the memory of one and of five windows, sandbox on and off
    (WebKit's own switch) alternately."""
    shell = os.path.join(BUILD, "veltrano-browser")
    off = dict(os.environ, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1")
    figures = {mode: {"start": [], "window": [], "one": [], "five": []} for mode in ("on", "off")}
    for i in range(ROUNDS):
        for mode in (("on", "off") if i % 2 == 0 else ("off", "on")):
            close_browser_windows()
            wait_until(lambda: not shell_running(), 30, what="the shell to end")
            f = figures[mode]
            started = time.monotonic()
            proc = subprocess.Popen([shell], env=None if mode == "on" else off, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, start_new_session=True)
            wait_until(shell_running, 15, interval=0.005, what="the shell")
            client = Client()
            ms, _ = until_titled(HELP_TITLE, lambda: client.open(HELP_URL))
            f["start"].append((time.monotonic() - started) * 1000)
            time.sleep(2.0)
            f["one"].append(sum(pss_kib(p) for p in descendants(proc.pid)) / 1024)
            for n in range(4):
                ms, _ = until_titled(HELP_TITLE, lambda: client.open(HELP_URL))
                f["window"].append(ms)
            time.sleep(2.0)
            f["five"].append(sum(pss_kib(p) for p in descendants(proc.pid)) / 1024)
            client.close()
    close_browser_windows()
    lines = []
    for mode in ("on", "off"):
        f = figures[mode]
        lines += [summary(f"sandbox {mode}: shell exec to page loaded", f["start"], "ms"),
                  summary(f"sandbox {mode}: a further window, ask to loaded", f["window"], "ms"),
                  summary(f"sandbox {mode}: PSS, 1 window", f["one"], "MiB"),
                  summary(f"sandbox {mode}: PSS, 5 windows", f["five"], "MiB")]
    on, off_ = figures["on"], figures["off"]
    lines += [ratio_line("sandbox: start-up, on / off", [a / b for a, b in zip(on["start"], off_["start"])], 1.25),
              ratio_line("sandbox: further window, on / off", [a / b for a, b in zip(on["window"], off_["window"])],
                         1.10)]
    return lines


def start_up(service):
    # 1, 2. Start-up and footprint, alternating; then with the version document 200 ms
    # late. A prepared shell is held throughout, as on a desktop where one runs: each
    # launcher's warm-up then costs a bus call, never a shell's start during the next round.
    start_shell()
    holder = Client()
    holder.prepare()
    ours, ref, late, ours_mem, ref_mem = [], [], [], [], []
    for i in range(ROUNDS):
        runs = [("prompt", LAUNCHER_BIN, ours, ours_mem), ("ref", REFERENCE_WINDOW, ref, ref_mem),
              ("late", LAUNCHER_BIN, late, None)]
        for kind, program, times, peaks in runs[i % 3:] + runs[:i % 3]:
            service.set(HOME_HOST, "/ver.html", b"1.0.2", ctype="text/plain", delay=0.2 if kind == "late" else 0)
            ms, peak = start_to_map(program)
            times.append(ms)
            if peaks is not None:
              peaks.append(peak / 1024)
    service.set(HOME_HOST, "/ver.html", b"1.0.2", ctype="text/plain")
    holder.close()
    return [summary("start-up: veltrano, exec to window mapped", ours, "ms"),
            summary("start-up: reference window", ref, "ms"),
            ratio_line("start-up", [a / b for a, b in zip(ours, ref)], 1.05),
            summary("start-up, version document 200 ms late", late, "ms"),
            ratio_line("version late: (map - 200 ms) / reference", [(a - 200) / b for a, b in zip(late, ref)], 0.5),
            summary("peak RSS: veltrano", ours_mem, "MiB"),
            summary("peak RSS: reference window", ref_mem, "MiB"),
            ratio_line("peak RSS", [a / b for a, b in zip(ours_mem, ref_mem)], 1.15), ""]


def clicks(service):
    # 3. Clicks on Command2 against a cold minimal WebKit window on the same page. The first
    # comes 1.5 s after the window appears, as a player's would, with no shell before; the
    # second and third open with the others still open, as a player goes from one page to
    # the next; the last comes 0.1 s after a click on Command4, whose full chart is still
    # loading and drawing in the web process that every window shares.
    with open(BIG_CHART, encoding="utf-8") as page:
        service.set(CONTENT_HOST, "/lncount/numlost.asp", page.read().encode("gbk"), ctype="text/html")
    first, second, third, busy, cold = [], [], [], [], []
    for i in range(ROUNDS):
        close_browser_windows()
        wait_until(lambda: not shell_running(), 30, what="the shell to end")
        launcher = Launcher()
        launcher.wait_shown()
        time.sleep(1.5)
        for times in (first, second, third):
            ms, _ = until_titled(HELP_TITLE, lambda: launcher.press("Command2"))
            times.append(ms)
            time.sleep(0.5)
        launcher.press("Command4")
        time.sleep(0.1)
        ms, _ = until_titled(HELP_TITLE, lambda: launcher.press("Command2"))
        busy.append(ms)
        launcher.stop()
        # The reference on a machine at rest, not beside a chart still drawing.
        close_browser_windows()
        wait_until(lambda: not shell_running(), 30, what="the shell to end")
        ms, proc = until_titled(HELP_TITLE, lambda: subprocess.Popen([REFERENCE_WEBKIT, HELP_URL]))
        cold.append(ms)
        proc.terminate()
        proc.wait()
    close_browser_windows()

    def ratios(times):
        return [a / b for a, b in zip(times, cold)]

    return [summary("click to loaded page: first, 1.5 s after the window", first, "ms"),
            summary("click to loaded page: second window, one open", second, "ms"),
            summary("click to loaded page: third window, two open", third, "ms"),
            summary("click to loaded page: while a chart loads", busy, "ms"),
            summary("reference: cold WebKit window, same page", cold, "ms"),
            ratio_line("first click", ratios(first), 0.25),
            ratio_line("later clicks (second and third windows)", ratios(second) + ratios(third), 0.2),
            ratio_line("second window", ratios(second), 0.2),
            ratio_line("third window", ratios(third), 0.2),
            ratio_line("click while a chart loads", ratios(busy), 0.3), ""]


def process_kind(pid, ui):
    try:
        with open(f"/proc/{pid}/comm") as comm:
            name = comm.read().strip()
    except OSError:
        return "gone"
    return {"WebKitWebProces": "web", "WebKitNetworkPr": "network"}.get(name, "UI" if pid == ui else "helpers")


def by_kind(ui):
    """RSS and PSS (MiB) of ui and what it started, and the PSS by kind of process."""
    pids = descendants(ui)
    kinds = {}
    for p in pids:
        kind = kinds.setdefault(process_kind(p, ui), [0, 0.0])
        kind[0] += 1
        kind[1] += pss_kib(p) / 1024
    parts = ", ".join(f"{kind} {pss:.1f} ({n})" for kind, (n, pss) in sorted(kinds.items()))
    return sum(status_kib(p, "VmRSS") for p in pids) / 1024, sum(pss_kib(p) for p in pids) / 1024, parts


def reference_memory():
    """The floor: a minimal WebKitGTK window with the help page, as the clicks' reference."""
    _, proc = until_titled(HELP_TITLE, lambda: subprocess.Popen([REFERENCE_WEBKIT, HELP_URL]))
    time.sleep(2.0)
    rss, pss, parts = by_kind(proc.pid)
    proc.terminate()
    proc.wait()
    return (f"{'reference: minimal WebKit window, one page':44} RSS {rss:7.1f} MiB  PSS {pss:7.1f} MiB",
            f"{'  of which, PSS MiB (processes)':44} {parts}")


def memory(service):
    # 4. The shell's memory as the launcher leaves it warmed and idle, and with 1 and with 5
    # windows open (web and network processes included); the idle shell by process, beside
    # a minimal WebKitGTK window with one page, the floor for a shell that keeps one warm.
    wait_until(lambda: not shell_running(), 30, what="the shell to end")
    launcher = Launcher()
    launcher.wait_shown()
    wait_until(shell_running, 10, what="the shell warmed up")
    time.sleep(3.0)
    footprint = {}
    for count in (0, 1, 5):
        while len(browser_windows()) < count:
            until_titled(HELP_TITLE, lambda: launcher.press("Command2"))
        time.sleep(2.0)
        footprint[count] = by_kind(shell_pid())
    launcher.stop()
    close_browser_windows()
    (rss0, pss0, parts), (rss1, pss1, _), (rss5, pss5, _) = footprint[0], footprint[1], footprint[5]
    per_window = (rss5 - rss1) / 4
    return [f"{'shell memory, warmed and idle':44} RSS {rss0:7.1f} MiB  PSS {pss0:7.1f} MiB"
            f"  (target <= 150 MiB PSS: {'meets' if pss0 <= 150 else 'MISSES'})",
            f"{'  of which, PSS MiB (processes)':44} {parts}",
            f"{'shell memory, 1 window':44} RSS {rss1:7.1f} MiB  PSS {pss1:7.1f} MiB",
            f"{'shell memory, 5 windows':44} RSS {rss5:7.1f} MiB  PSS {pss5:7.1f} MiB",
            f"{'each further window':44} RSS {per_window:7.1f} MiB  PSS {(pss5 - pss1) / 4:7.1f} MiB"
            f"  (target <= 60 MiB RSS: {'meets' if per_window <= 60 else 'MISSES'})", *reference_memory(), ""]


def alternate(measure, urls):
    """measure(url) for the two urls ROUNDS times each, in turns, after a round that warms the
    web process and the caches up."""
    results = ([], [])
    for i in range(-1, ROUNDS):
        for k in (0, 1) if i % 2 == 0 else (1, 0):
            value = measure(urls[k])
            if i >= 0:
              results[k].append(value)
    return results


def drawn_by_page_clock(client, url):
    """The milliseconds a full chart's page gives in its title, from navigation to the second
    frame after its load event."""
    handle = client.open(url, 1000, 700)
    title = wait_until(lambda: str(client.get(handle, "LocationName")).startswith("drawn ") and
                       client.get(handle, "LocationName"), 60, what="the full chart drawn")
    client.release(handle)
    close_browser_windows()
    return float(title.split()[1])


def old_pages(service):
    # 5, 6. What the old browser's ways cost a page: each page from a service host, which gets
    # the compatibility scripts, and the same page from another host, which does not. First
    # the demo's omission chart (GBK, attachEvent, 60 VML shapes), from asking to its load
    # event; then a full chart (200 draws by 49 numbers, 600 VML segments, some written by
    # document.write and some made after load), by the page's own clock from navigation to
    # the second frame after its load event.
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
    rules = (b"#head { position: absolute; left: 0; height: 18px; top: expression(document.documentElement.scrollTop);"
             b" width: expression(document.documentElement.clientWidth); }\n"
             b"#side { position: absolute; top: 0; width: 60px; height: expression(document.documentElement.clientHeight);"
             b" left: expression(document.documentElement.scrollLeft + document.documentElement.clientWidth - 60); }\n"
             b"#foot { position: absolute; left: 0; top: expression(document.getElementById('grid').offsetHeight + 4);"
             b" width: expression(document.getElementById('grid').offsetWidth); }\n"
             b"#xcross { position: absolute; height: 1px; width: expression(grid.offsetWidth); }\n"
             b"#ycross { position: absolute; width: 1px; height: expression(grid.offsetHeight); }\n")
    parts = b"".join(b'<div id="%s"></div>' % name for name in (b"head", b"side", b"foot", b"xcross", b"ycross"))
    parts += b'<div style="position: absolute; left: expression(document.body.scrollLeft + 10); top: expression(10)"></div>'
    expressions = big.replace(b"</style>", rules + b"</style>").replace(b"</body>", parts + b"</body>")
    assert expressions.count(b"expression(") == 10
    # The same chart with its helpers declared in the old engine's dialect (function
    # window.cx() {...}): its first script fails to parse, and is mended and run again.
    dialect = big.replace(b"function cx(", b"function window.cx(").replace(b"function cy(", b"function window.cy(")
    assert dialect != big
    service.set(CONTENT_HOST, "/dialect.asp", dialect, ctype="text/html")
    for host in (CONTENT_HOST, "127.0.0.2"):
        service.set(host, "/chart.asp", chart, ctype="text/html")
        service.set(host, "/full.asp", big, ctype="text/html")
        service.set(host, "/closed.asp", closed, ctype="text/html")
        service.set(host, "/expressions.asp", expressions, ctype="text/html")
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
    return [summary("old page, service host (compatibility on)", demo_on, "ms"),
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
            ""] + chart_shapes(service)


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
        on, off = alternate(lambda url: drawn_by_page_clock(client, url), [host + f"/shape-{shape}.asp" for host in hosts])
        lines += [summary(f"table {SHAPE_NAMES[shape]}, on", on, "ms"),
                  summary(f"table {SHAPE_NAMES[shape]}, off", off, "ms"),
                  ratio_line(f"compatibility layer, table {SHAPE_NAMES[shape]}", [a / b for a, b in zip(on, off)], 1.10)]
    client.release(keep)
    client.close()
    return lines + [""]


SHAPE_NAMES = {"markup": "in markup", "write": "by document.write", "dom": "by DOM calls after load",
               "innerHTML": "through innerHTML"}
SECTIONS = {"start-up": start_up, "clicks": clicks, "memory": memory, "pages": old_pages,
            "chart-shapes": chart_shapes, "sandbox": sandbox_cost}


def main():
    chosen = sys.argv[1:] or list(SECTIONS)
    unknown = [name for name in chosen if name not in SECTIONS]
    if unknown:
        sys.exit(f"unknown section {', '.join(unknown)}; the sections are {', '.join(SECTIONS)}")
    service = Service()
    service.set(HOME_HOST, "/ver.html", b"1.0.2", ctype="text/plain")
    service.page(CONTENT_HOST, "/readme.html", HELP_TITLE)
    lines = [machine(), ""]
    # Warm up: the session's first GTK program starts the accessibility bus.
    start_to_map(REFERENCE_WINDOW)
    start_to_map(LAUNCHER_BIN)
    for name in chosen:
        lines += SECTIONS[name](service)
    service.close()
    print("\n".join(lines))


if __name__ == "__main__":
    main()
