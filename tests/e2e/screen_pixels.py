"""What the screen shows, pixel by pixel: a shot of the whole screen, the lines and colours
a page should have drawn on it, and a shot taken once the page is painted."""

import math
import time

import gi

gi.require_version("Gdk", "3.0")
from gi.repository import Gdk  # noqa: E402


def colour_misses(shot, left, top, wanted):
    """The points of the page at (left, top) that are not the colour wanted there, with the
    colour they are."""
    return [
        (colour, (x, y), shot.pixel(left + x, top + y))
        for colour, points in wanted
        for x, y in points
        if not shot.near(left + x, top + y, colour, tolerance=60)
    ]


def line_misses(shot, centres, fractions, colour=(255, 0, 0), spared=0):
    """The points at fractions of the lines between successive centres that are not of
    colour, with their draw and colour; points within spared of a centre are passed over."""
    misses = []
    for draw, ((x1, y1), (x2, y2)) in enumerate(zip(centres, centres[1:])):
        for t in fractions:
            x, y = round(x1 + (x2 - x1) * t), round(y1 + (y2 - y1) * t)
            if min(math.dist((x, y), (x1, y1)), math.dist((x, y), (x2, y2))) >= spared and not shot.near(x, y, colour):
                misses.append((draw, t, shot.pixel(x, y)))
    return misses


def line_widths(shot, centres, colour):
    """The width in pixels of each line between successive centres, across its middle: the
    pixels of colour met in half-pixel steps along the line's normal, halved."""
    widths = []
    for (x1, y1), (x2, y2) in zip(centres, centres[1:]):
        length = math.dist((x1, y1), (x2, y2))
        nx, ny = (y1 - y2) / length, (x2 - x1) / length
        mx, my = (x1 + x2) / 2, (y1 + y2) / 2
        steps = [(round(mx + k / 2 * nx), round(my + k / 2 * ny)) for k in range(-20, 21)]
        widths.append(sum(shot.exact(x, y, colour) for x, y in steps) / 2)
    return widths


def drawn(faults, timeout=10):
    """The screen once faults(screen) finds none, or as it is when the time is up: a page is
    painted, and its scroll bars fade, a while after it has loaded."""
    deadline = time.monotonic() + timeout
    while True:
        shot = Screen()
        if not faults(shot) or time.monotonic() > deadline:
            return shot
        time.sleep(0.1)


class Screen:
    """The whole screen, once."""

    def __init__(self):
        root = Gdk.get_default_root_window()
        self.pixbuf = Gdk.pixbuf_get_from_window(root, 0, 0, root.get_width(), root.get_height())
        self.pixels = self.pixbuf.get_pixels()

    def pixel(self, x, y):
        at = y * self.pixbuf.get_rowstride() + x * self.pixbuf.get_n_channels()
        return tuple(self.pixels[at : at + 3])

    def exact(self, x, y, colour, tolerance=60):
        """Whether the pixel at (x, y) is within tolerance of colour, each channel."""
        return all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x, y), colour))

    def near(self, x, y, colour, tolerance=90):
        """Whether a pixel within one of (x, y) is within tolerance of colour, each channel."""
        return any(
            all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x + dx, y + dy), colour))
            for dx in (-1, 0, 1)
            for dy in (-1, 0, 1)
        )
