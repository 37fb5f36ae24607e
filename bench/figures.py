"""What every section of the benchmark measures with and prints by: a new window timed from
an action, the rounds taken in turns, and a figure's line."""

import os
import statistics
import subprocess

BUILD = os.environ["VELTRANO_BUILD_DIR"]
ROUNDS = int(os.environ.get("VELTRANO_BENCH_ROUNDS", "9"))
XWAIT = os.path.join(BUILD, "bench", "xwait")


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
    return (
        f"{name:44} ratio  {median:6.3f}  (min {min(ratios):.3f}, max {max(ratios):.3f}; target <= {target}: {verdict})"
    )


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
