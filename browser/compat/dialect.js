// The old engine's dialect where WebKit stops a script at its first line: a handler declared
// as `function window.onload() {…}` or `function document.onclick(e) {…}` set that member.
//
// WebKit lets nothing rewrite a script before it is parsed, but it reports the SyntaxError
// while the script is still the document's current script, before the parser goes on. So
// the one cost falls on a script that failed: its text (the element's own, or its file
// fetched again, from the cache, decoded as WebKit decoded it) is rewritten and run there
// and then, where it stood, so order, document.write and currentScript are as they were.
// A script that parses costs nothing.
run(function () {
  const WORD = /[\w$\u0080-\uffff]/;
  const KEYWORDS = new Set("return typeof instanceof in of new delete void throw case do else".split(" "));
  const LIKELY = /function\s+[\w$]+\s*\.\s*[\w$]/;

  // i is where the comment starts: what ends it is found past i, never at 0.
  const lineEnd = (text, i) => {
    const end = text.indexOf("\n", i);
    // Stryker disable next-line EqualityOperator: end is never 0
    return end < 0 ? text.length : end;
  };
  const commentEnd = (text, i) => {
    const end = text.indexOf("*/", i + 2);
    // Stryker disable next-line EqualityOperator: end is never 0
    return end < 0 ? text.length : end + 2;
  };
  // The end of a string from its opening quote; a plain one ends at the line's end anyway.
  function quoted(text, i, quote) {
    // Stryker disable next-line EqualityOperator: text[text.length] is undefined, which ends nothing
    for (let j = i + 1; j < text.length; j++) {
      const c = text[j];
      if (c === "\\") j++;
      else if (c === quote) return j + 1;
      else if (c === "\n" && quote !== "`") return j;
    }
    return text.length;
  }
  // The end of a regular expression literal from its slash, or -1 where none fits on the
  // line: then the slash was a division. Its flags, if any, follow as a word, which no
  // keyword is.
  function regexEnd(text, i) {
    let inClass = false;
    // Stryker disable next-line EqualityOperator: text[text.length] is undefined, which ends nothing
    for (let j = i + 1; j < text.length; j++) {
      const c = text[j];
      if (c === "\n" || c === "\r") return -1;
      if (c === "\\") j++;
      else if (c === "[") inClass = true;
      else if (c === "]") inClass = false;
      else if (c === "/" && !inClass) return j + 1;
    }
    return -1;
  }

  // The script's words and punctuation with where each starts and ends; strings, regular
  // expressions and comments are passed over whole, so the dialect inside them stays text.
  function tokens(text) {
    const out = [];
    let regexAllowed = true;
    for (let i = 0; i < text.length;) {
      const c = text[i];
      const start = i;
      const regex = c === "/" && regexAllowed ? regexEnd(text, i) : -1;
      if (c <= " ") i++;
      else if (c === "/" && text[i + 1] === "/") i = lineEnd(text, i);
      else if (c === "/" && text[i + 1] === "*") i = commentEnd(text, i);
      else if (c === '"' || c === "'" || c === "`" || regex > 0) {
        i = regex > 0 ? regex : quoted(text, i, c);
        out.push({ word: false, value: "", start, end: i });
        regexAllowed = false;
      } else if (WORD.test(c)) {
        while (i < text.length && WORD.test(text[i])) i++;
        const value = text.slice(start, i);
        out.push({ word: true, value, start, end: i });
        regexAllowed = KEYWORDS.has(value);
      } else {
        i++;
        out.push({ word: false, value: c, start, end: i });
        regexAllowed = c !== ")" && c !== "]";
      }
    }
    return out;
  }

  // The token closing the bracket that opens at `open`, or -1.
  function closing(list, open) {
    const [left, right] = [list[open].value, list[open].value === "(" ? ")" : "}"];
    for (let k = open, depth = 0; k < list.length; k++) {
      if (list[k].value === left) depth++;
      else if (list[k].value === right && --depth === 0) return k;
    }
    return -1;
  }

  // `function a.b.c(args) {body}` becomes `a.b.c = function(args) {body};` on the same lines;
  // null when the text has no such declaration.
  function rewrite(text) {
    const list = tokens(text);
    const edits = [];
    for (let k = 0; k < list.length; k++) {
      if (list[k].value !== "function" || !list[k + 1]?.word) continue;
      const names = [list[k + 1].value];
      let last = k + 1;
      while (list[last + 1]?.value === "." && list[last + 2]?.word) {
        names.push(list[last + 2].value);
        last += 2;
      }
      if (names.length < 2 || list[last + 1]?.value !== "(") continue;
      const parameters = closing(list, last + 1);
      const body = parameters < 0 || list[parameters + 1]?.value !== "{" ? -1 : closing(list, parameters + 1);
      if (body < 0) continue;
      edits.push({ start: list[k].start, end: list[last].end, text: names.join(".") + " = function" });
      edits.push({ start: list[body].end, end: list[body].end, text: ";" });
    }
    if (!edits.length) return null;
    edits.sort((a, b) => b.start - a.start);
    return edits.reduce((out, edit) => out.slice(0, edit.start) + edit.text + out.slice(edit.end), text);
  }

  // A script's file as WebKit read it: a byte-order mark, else the charset the server
  // named, else the element's charset, else the document's.
  function fetchText(script) {
    const request = new XMLHttpRequest();
    request.open("GET", script.src, false);
    request.overrideMimeType("text/plain; charset=x-user-defined");
    request.send();
    if (request.status < 200 || request.status >= 300) return null;
    const raw = request.responseText;
    // A byte-order mark wins over the charset asked for, here as in WebKit's reading of the
    // script: the text then comes decoded, its mark dropped, not as one character a byte.
    // eslint-disable-next-line no-control-regex -- the bytes as x-user-defined gives them, 0 and all
    if (/[^\x00-\x7f\uf780-\uf7ff]/.test(raw)) return raw;
    const bytes = Uint8Array.from(raw, (c) => c.charCodeAt(0) & 0xff);
    // No Content-Type reads "null", which names no charset. No space around "=", as WebKit
    // reads a type's parameters.
    const named = /charset="?([^";\s]+)/i.exec(String(request.getResponseHeader("Content-Type")));
    for (const label of [named && named[1], script.charset, document.characterSet])
      try {
        return new TextDecoder(label).decode(bytes);
      } catch (unknown) {
        // a label no decoder knows (none given is null or ""): the next one
      }
    return null;
  }

  // Our own report of an error the mended script throws is no page's event (isTrusted).
  // WebKit only logs what fails while an error is being reported: a script of the dialect
  // that a mended script writes in turn, or an error thrown inside one, reaches the console.
  window.addEventListener(
    "error",
    function (event) {
      const script = document.currentScript;
      if (!event.isTrusted || !(event.error instanceof SyntaxError) || !script || script.ownerDocument !== document)
        return;
      const text = script.src ? fetchText(script) : script.text;
      const fixed = text && LIKELY.test(text) ? rewrite(text) : null;
      if (fixed === null) return; // another fault: the page hears of it as ever
      event.preventDefault();
      event.stopImmediatePropagation();
      try {
        (0, eval)(fixed); // global code, as the script's own
      } catch (error) {
        // Thrown while the first report is being handled, WebKit would only log it: told
        // to the page's handlers here, as the script's own error would have been.
        const filename = script.src || document.URL;
        window.dispatchEvent(new ErrorEvent("error", { message: String(error), filename, lineno: error.line, error }));
      }
    },
    true
  );
});
