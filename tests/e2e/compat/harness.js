// The table of one compatibility script's behaviours, run on the page that includes it.
//
//   cases([[what, () => answer, expected], ...])
//
// Each row's answer (a promise's too) is told to compat_pages.py, which runs the page
// on the service's host, where the row must give expected, and on another host, where
// the compatibility scripts are not. A row whose expected is SAME must give there what it
// gives on the service's host: the layer must not change what plain WebKit answers.
var SAME = { same: true };

// An answer as the runner compares it: what JSON makes of it, or how it threw.
function answerText(value) {
  if (value === undefined) return "undefined";
  if (typeof value === "function") return "function";
  if (typeof value === "number" && !isFinite(value)) return String(value);
  try {
    return JSON.stringify(value);
  } catch (error) {
    return String(value);
  }
}

// A promise of what fn gives once the next frame has been drawn: what a script changed is
// shown by then.
function afterFrame(fn) {
  return new Promise(function (resolve) {
    requestAnimationFrame(function () {
      setTimeout(function () {
        resolve(fn());
      }, 0);
    });
  });
}

// A promise of read()'s answer once ok(answer) holds, or of its last answer after ten
// seconds: for what the shell or a fetch carries out a moment later.
function eventually(read, ok) {
  return new Promise(function (resolve) {
    var tries = 0;
    (function look() {
      var now = read();
      if (ok(now) || ++tries > 200) return resolve(now);
      setTimeout(look, 50);
    })();
  });
}

// A promise of the text of row's answer, as the runner compares it.
function answerOf(row) {
  var answer;
  try {
    answer = Promise.resolve(row[1]());
  } catch (error) {
    answer = Promise.reject(error);
  }
  // A row that never answers is told as such, and the others still run.
  var silent = new Promise(function (resolve) {
    setTimeout(resolve, 15000, "no answer");
  });
  return Promise.race([answer, silent]).then(
    function (value) {
      return answerText(value);
    },
    function (error) {
      return "throws " + (error && error.name);
    }
  );
}

// The rows' results told to the runner, and what it says comes next done.
function reportRows(results) {
  fetch("/result", { method: "POST", body: JSON.stringify({ page: location.pathname, rows: results }) })
    .then(function (response) {
      return response.text();
    })
    .then(function (following) {
      // Closed with a page behind it in its history, as a page no script opened, which
      // WebKit's own close() would leave open.
      if (following === "close") {
        history.pushState(null, "", location.href);
        window.close();
      } else if (following) location.replace(following);
    });
}

function cases(rows) {
  if (location.search === "?plain")
    rows = rows.filter(function (row) {
      return row[2] === SAME;
    });
  // A mutant's run is told the page still runs, once a second: one that stops answering
  // (a loop that never ends) is then told apart at once.
  if (location.search === "?fast")
    setInterval(function () {
      fetch("alive");
    }, 1000);
  window.addEventListener("load", function () {
    var results = [];
    var at = 0;
    function next() {
      if (at === rows.length) return reportRows(results);
      var row = rows[at++];
      answerOf(row).then(function (text) {
        var expected = row[2] === SAME ? null : answerText(row[2]);
        results.push({ what: row[0], answer: text, expected: expected });
        // Asked to stop at the first row that fails (a mutant's run), it does.
        if (location.search === "?fast" && expected !== null && text !== expected) return reportRows(results);
        next();
      });
    }
    setTimeout(next, 0);
  });
}
