"""The full chart of bench/big-chart.html (200 draws by 49 numbers) in the four shapes the
service's pages come in, each with 600 VML segments from the three places they come from.

The table of draws: in the page's own markup, written row by row with document.write, made
by DOM calls after the load event, or set through innerHTML while the page loads. The VML:
200 <v:polyline>s in the markup (the sum of the reds), 200 self-closing <v:line />s written
by document.write beside the table (the blue ball), and 200 lines added with
insertAdjacentHTML after the load event (the tail of the first red). Every shape draws the
same chart; its title becomes "drawn N", N the milliseconds from navigation to the second
frame after the load event."""

import os

BIG_CHART = os.path.join(os.path.dirname(__file__), "big-chart.html")
DRAWS, RED, BLUE, LEFT, CELL, TOP = 200, 33, 16, 59, 19, 0
SHAPES = ("markup", "write", "dom", "innerHTML")


def draws():
    """The reds and blues the page's own script draws: the same generator, the same seed."""
    seed = 20261208

    def next_(n):
        nonlocal seed
        seed = (seed * 1103515245 + 12345) % 2147483648
        return seed % n

    reds, blues = [], []
    for _ in range(DRAWS):
        chosen = []
        while len(chosen) < 6:
            r = 1 + next_(RED)
            if r not in chosen:
                chosen.append(r)
        reds.append(sorted(chosen))
        blues.append(1 + next_(BLUE))
    return reds, blues


def cx(column):
    return LEFT + (column - 1) * CELL + CELL / 2


def cy(draw):
    return TOP + draw * 18 + 9


def number(value):
    return f"{value:g}"


def row_markup(d, reds, blues):
    cells = [f"<td class='period'>2026{1000 + d}</td>"]
    cells += [f"<td class='red'>{n}</td>" if n in reds[d] else f"<td>{n}</td>" for n in range(1, RED + 1)]
    cells += [f"<td class='blue'>{n}</td>" if n == blues[d] else f"<td>{n}</td>" for n in range(1, BLUE + 1)]
    return "<tr>" + "".join(cells) + "</tr>"


def polylines(reds):
    """200 segments of the reds' mean, each a <v:polyline> of the page's markup."""
    mean = [sum(r) / 6 for r in reds] + [sum(reds[-1]) / 6]
    return "\n".join(
        f'<v:polyline points="{number(cx(mean[d]))},{number(cy(d))} {number(cx(mean[d + 1]))},{number(cy(d + 1))}" '
        f'filled="f" strokecolor="#008000" strokeweight="1px" style="position:absolute;left:0;top:0"></v:polyline>'
        for d in range(DRAWS)
    )


# The rows as the page's script makes them: a row's markup, and a row made by DOM calls.
ROW_SCRIPT = """
function rowMarkup(d) {
  var row = "<tr><td class='period'>2026" + (1000 + d) + "</td>", isRed = {};
  for (var i = 0; i < 6; i++) isRed[reds[d][i]] = true;
  for (var n = 1; n <= RED; n++) row += isRed[n] ? "<td class='red'>" + n + "</td>" : "<td>" + n + "</td>";
  for (var n = 1; n <= BLUE; n++) row += n == blues[d] ? "<td class='blue'>" + n + "</td>" : "<td>" + n + "</td>";
  return row + "</tr>";
}
function rowByCalls(table, d) {
  var row = table.insertRow(-1), isRed = {}, cell = row.insertCell(-1);
  cell.className = "period";
  cell.appendChild(document.createTextNode("2026" + (1000 + d)));
  for (var i = 0; i < 6; i++) isRed[reds[d][i]] = true;
  for (var n = 1; n <= RED + BLUE; n++) {
    cell = row.insertCell(-1);
    var shown = n <= RED ? n : n - RED;
    if (n <= RED ? isRed[n] : shown == blues[d]) cell.className = n <= RED ? "red" : "blue";
    cell.appendChild(document.createTextNode(String(shown)));
  }
}
"""

TABLES = {
    "markup": lambda reds, blues: '<table id="grid">\n'
    + "\n".join(row_markup(d, reds, blues) for d in range(DRAWS))
    + "\n</table>",
    "write": lambda reds, blues: '<table id="grid">\n<script>\nfor (var d = 0; d < DRAWS; d++) '
    "document.write(rowMarkup(d));\n</script>\n</table>",
    "dom": lambda reds, blues: '<table id="grid"></table>',
    "innerHTML": lambda reds, blues: '<div id="holder"></div>\n<script>\nvar rows = [];\nfor (var d = 0; d < DRAWS; d++) '
    'rows.push(rowMarkup(d));\ndocument.getElementById("holder").innerHTML = '
    '"<table id=\\"grid\\">" + rows.join("") + "</table>";\n</script>',
}

# The blue ball's lines, written beside the table; after load, the rows made by DOM calls
# where the shape makes them so, then the first red's tail from the cells' offsets.
BODY_SCRIPT = """<script>
for (var d = 0; d < DRAWS; d++)
  document.write('<v:line from="' + cx(RED + blues[d]) + ',' + cy(d) + '" to="' +
                 cx(RED + blues[Math.min(d + 1, DRAWS - 1)]) + ',' + cy(d + 1) +
                 '" strokecolor="#1f5fbf" strokeweight="1.5pt" style="position:absolute;left:0;top:0" />');
function centre(cell) {
  var x = cell.offsetWidth / 2, y = cell.offsetHeight / 2;
  for (var el = cell; el; el = el.offsetParent) { x += el.offsetLeft; y += el.offsetTop; }
  return x + "," + y;
}
function drawn() {
  var grid = document.getElementById("grid");
  if (!grid.rows.length) for (var d = 0; d < DRAWS; d++) rowByCalls(grid, d);
  var rows = grid.rows, last = centre(rows[0].cells[1 + reds[0][0] % 10]);
  for (var d = 1; d <= DRAWS; d++) {
    var here = centre(rows[Math.min(d, DRAWS - 1)].cells[1 + reds[Math.min(d, DRAWS - 1)][0] % 10]);
    document.body.insertAdjacentHTML("beforeend", '<v:line from="' + last + '" to="' + here +
                                     '" strokecolor="#ff8000" style="position:absolute;left:0;top:0" />');
    last = here;
  }
  requestAnimationFrame(function () {
    requestAnimationFrame(function () { document.title = "drawn " + Math.round(performance.now()); });
  });
}
window.addEventListener("load", drawn);
</script>"""


def chart(shape):
    """The page of that shape, as bytes in GBK (the service's pages declare no charset)."""
    with open(BIG_CHART, encoding="utf-8") as page:
        head = page.read().split("<body>")[0].replace("</script>\n</head>", ROW_SCRIPT + "</script>\n</head>")
    reds, blues = draws()
    body = "\n".join(["<body>", TABLES[shape](reds, blues), polylines(reds), BODY_SCRIPT, "</body>", "</html>", ""])
    return (head + body).encode("gbk")
