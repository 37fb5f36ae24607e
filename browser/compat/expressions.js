// The old browser's CSS expressions: width: expression(document.body.clientWidth - 20) in a
// style sheet (a style element or a linked sheet of the page's origin) or a style attribute
// is evaluated with `this` the element, and again when the window scrolls or is resized, the
// mouse moves or a script changes the document, at most once a frame.
//
// WebKit drops such a declaration as it parses it, so the text is read here, as filters.js
// reads its filters, and each value is written into the element's own style. A value the
// page wrote into the element's style itself wins, as an inline style beat a sheet's rule;
// an expression that throws leaves its property as it was and stops no other. Hacks that
// only the oldest version read (_top: expression(...), *width) are left alone: pages gave
// them to it beside the standard rule WebKit already follows.
run(function () {
  const { watch, pixels } = shared;

  // --- Reading the text ---------------------------------------------------------------------
  const afterString = (text, at) => {
    const quote = text[at];
    // Stryker disable next-line EqualityOperator: past the end either way, where every caller stops
    for (at++; at < text.length && text[at] !== quote; at++) if (text[at] === "\\") at++;
    return at + 1;
  };
  // The index of the parenthesis that closes the one before `from`; -1 when none does.
  function closing(text, from) {
    // Stryker disable next-line EqualityOperator: text[text.length] is undefined, which closes nothing
    for (let at = from, depth = 1; at < text.length; at++) {
      const c = text[at];
      if (c === '"' || c === "'") at = afterString(text, at) - 1;
      else if (c === "(") depth++;
      else if (c === ")" && --depth === 0) return at;
    }
    return -1;
  }
  // Each rule of a sheet's text as [selector, declarations], those of @media blocks too; an
  // expression's own braces and strings are skipped. Another at-rule's prelude is kept as
  // its selector, which no element matches (evaluate).
  function rulesOf(text) {
    // Stryker disable next-line ArrayDeclaration: a text among the rules has no block with an expression, and is filtered out
    const rules = [];
    let start = 0,
      open = 0,
      depth = 0,
      parens = 0;
    // Stryker disable next-line EqualityOperator: text[text.length] is undefined, which ends nothing
    for (let at = 0; at < text.length; at++) {
      const c = text[at];
      if (c === '"' || c === "'") at = afterString(text, at) - 1;
      else if (c === "(") parens++;
      else if (c === ")") parens = Math.max(0, parens - 1);
      else if (parens) continue;
      else if (c === "{" && depth++ === 0) open = at;
      else if (c === "}" && depth && --depth === 0) {
        const [prelude, body] = [text.slice(start, open).trim(), text.slice(open + 1, at)];
        if (/^@media\b/i.test(prelude)) rules.push(...rulesOf(body));
        else rules.push([prelude, body]);
        start = at + 1;
      } else if (c === ";" && !depth) start = at + 1;
    }
    return rules;
  }
  const EXPRESSION = /(?:^|[;{\s])([a-z-]+)\s*:\s*expression\s*\(/gi;
  // The expressions of a block of declarations, as [{ name, code }].
  function expressionsIn(body) {
    // Stryker disable next-line ArrayDeclaration: cost only, a text found has no name nor code, which writes nothing
    const found = [];
    EXPRESSION.lastIndex = 0;
    for (let match; (match = EXPRESSION.exec(body));) {
      const end = closing(body, EXPRESSION.lastIndex);
      // Stryker disable next-line EqualityOperator: end is never 0, the search starts after a parenthesis
      if (end < 0) break;
      found.push({ name: match[1].toLowerCase(), code: body.slice(EXPRESSION.lastIndex, end) });
      // Stryker disable next-line ArithmeticOperator: no match starts at the ")" nor just before it, which no name follows
      EXPRESSION.lastIndex = end + 1;
    }
    return found;
  }
  const sheetExpressions = (text) =>
    // Stryker disable next-line MethodExpression: cost only, a rule without expressions is looked up and gives none
    rulesOf(String(text).replace(/\/\*[\s\S]*?\*\//g, ""))
      .filter(([, body]) => /expression\s*\(/i.test(body))
      .map(([selector, body]) => ({ selector, found: expressionsIn(body) }));

  // --- Where expressions are written ----------------------------------------------------------
  // Only what holds an expression is kept: a page without any is looked through, not
  // evaluated again at each mouse move.
  const sheets = new Map(); // style or link element -> its rules that hold expressions
  const attributes = new Map(); // element -> { text, found }, its style attribute as last read
  const sheetTexts = new WeakMap(); // style or link element -> the text last read
  function readSheet(owner, text) {
    // Stryker disable next-line ConditionalExpression: cost only, the same text read again gives the same rules
    if (sheetTexts.get(owner) === text) return;
    sheetTexts.set(owner, text);
    const rules = sheetExpressions(text);
    // Stryker disable next-line ConditionalExpression: cost only, a sheet kept without rules gives no value
    if (rules.length) sheets.set(owner, rules);
    else sheets.delete(owner);
  }
  const linked = new WeakSet();
  function readLink(link) {
    const fetchText = () => {
      if (!link.sheet || new URL(link.href).origin !== location.origin) return;
      fetch(link.href)
        .then((response) => response.text())
        .then(
          (text) => {
            readSheet(link, text);
            later();
          },
          () => {}
        );
    };
    linked.add(link);
    link.addEventListener("load", fetchText);
    fetchText();
  }
  // A style attribute is read when it holds an expression; writing a value rewrites it
  // without, so what it held is kept until the page writes another with one.
  function readAttribute(el, text = el.getAttribute("style")) {
    const known = attributes.get(el);
    if (known && known.text === text) return;
    const found = expressionsIn(text);
    // Stryker disable next-line ConditionalExpression: cost only, an element kept without expressions gives no value
    if (found.length) attributes.set(el, { text, found });
    else attributes.delete(el);
  }
  // A script may rewrite a style attribute before it was read here, as a mousemove handler
  // does on a page still loading under the mouse: what the attribute held is in the record.
  // Only style attributes a script changes come here, not the parser's.
  const rewritten = new MutationObserver((records) => {
    for (const { target, oldValue } of records)
      if (!attributes.has(target) && /expression/i.test(oldValue)) {
        readAttribute(target, oldValue);
        later();
      }
  });
  rewritten.observe(document, { attributes: true, subtree: true, attributeFilter: ["style"], attributeOldValue: true });
  function readSources() {
    for (const el of document.querySelectorAll("style, link[rel~=stylesheet i], [style*='expression' i]")) {
      if (el.localName === "style") readSheet(el, el.textContent);
      else if (el.localName !== "link") readAttribute(el);
      // Stryker disable next-line ConditionalExpression: cost only, a link read again fetches the same text again
      else if (!linked.has(el)) readLink(el);
    }
    for (const owner of sheets.keys()) if (!owner.isConnected) sheets.delete(owner);
  }

  // --- Evaluating -------------------------------------------------------------------------------
  // The old browser resolved an expression's names as an inline handler's: the element's
  // members, then the document's, then the window's.
  const compiled = new Map(); // code -> function, or null where it does not compile
  function compile(code) {
    // Stryker disable next-line ConditionalExpression: cost only, the same code compiles to the same function
    if (!compiled.has(code)) {
      let fn = null;
      try {
        fn = new Function("with (this.ownerDocument || {}) with (this) return (" + code + "\n);");
      } catch (error) {
        // not a script: the declaration is dropped, as any other WebKit cannot read
      }
      compiled.set(code, fn);
    }
    return compiled.get(code);
  }
  const text = (name, value) => String(pixels(name, value)); // a bare number is pixels, as in style-object.js

  const written = new WeakMap(); // element -> property -> { given, kept }: what this wrote, as the style kept it
  function valueOf(el, { name, code, over }, values) {
    const own = el.style.getPropertyValue(name);
    const mine = written.get(el) && written.get(el).get(name);
    if (own && (!mine || mine.kept !== own) && own !== over) return; // the page's own
    const fn = compile(code);
    try {
      const value = fn && fn.call(el);
      if (value !== undefined && value !== null) values.push([el, name, text(name, value)]);
    } catch (error) {
      // left as it was
    }
  }
  function write(el, name, value) {
    if (!written.has(el)) written.set(el, new Map());
    const mine = written.get(el);
    const last = mine.get(name);
    if (last && last.given === value && last.kept === el.style.getPropertyValue(name)) return false;
    el.style.setProperty(name, value);
    mine.set(name, { given: value, kept: el.style.getPropertyValue(name) });
    return true;
  }

  // Every value is worked out before any is written: an expression reads the layout, and
  // a write between two reads would have the page laid out again for the second. Values
  // that depend on others written in this frame follow in the next ones, a few at most.
  const SETTLING = 4;
  let frame = 0,
    stale = true,
    settling = 0;
  function evaluate() {
    // First, what a script changed since the last checkpoint: recalc() right after adding an
    // element with an expression must see it, and nodes added unlisted make the sources stale.
    // Stryker disable next-line ConditionalExpression: cost only, the sources read when nothing came give what they gave
    stale = changes.take().some(mayAddExpressions) || stale;
    cancelAnimationFrame(frame);
    frame = 0;
    // Stryker disable next-line ConditionalExpression: cost only, the sources read when nothing came give what they gave
    if (stale) readSources();
    // Stryker disable next-line BooleanLiteral: cost only, the sources read when nothing came give what they gave
    stale = false;
    const values = [];
    for (const rules of sheets.values())
      for (const { selector, found } of rules) {
        let targets = [];
        try {
          targets = document.querySelectorAll(selector);
        } catch (error) {
          // a selector WebKit cannot read, as the sheet itself dropped it: no element
        }
        for (const el of targets) for (const expression of found) valueOf(el, expression, values);
      }
    for (const [el, { found }] of attributes)
      if (el.isConnected) for (const expression of found) valueOf(el, expression, values);
    for (const [style, found] of scripted) {
      const el = ownerOf(style);
      if (el && el.isConnected) for (const expression of found.values()) valueOf(el, expression, values);
    }
    let changed = false;
    for (const [el, name, value] of values) changed = write(el, name, value) || changed;
    changes.take(); // the writes just made are no script's changes
    settling = changed ? settling + 1 : 0;
    if (changed && settling < SETTLING) later();
  }
  const later = () => {
    if (!frame) frame = requestAnimationFrame(evaluate);
  };
  const any = () => sheets.size > 0 || attributes.size > 0 || scripted.size > 0;

  // --- Set by script ----------------------------------------------------------------------------
  // el.style.setExpression("top", "document.body.scrollTop + 10"), getExpression and
  // removeExpression. The expression takes the place of the value the style held; a value
  // the page writes after it wins, as for the others. A style declaration does not say whose
  // it is: its element is looked for until found, among those with a style attribute first
  // (a script sets a floating box's position before its expressions), then among all.
  const scripted = new Map(); // style declaration -> property -> { name, code, over }
  const owners = new WeakMap(); // style declaration -> its element
  const holding = (style) => (el) => el.style === style;
  function ownerOf(style) {
    // Stryker disable next-line ConditionalExpression: cost only, the element is looked for again and found again
    if (!owners.has(style)) {
      const el =
        // Stryker disable next-line ArrayDeclaration: cost only, the search among all elements finds it too
        [...document.querySelectorAll("[style]")].find(holding(style)) ||
        [...document.getElementsByTagName("*")].find(holding(style));
      if (el) owners.set(style, el);
    }
    return owners.get(style);
  }
  const propertyName = (name) => String(name).replace(/[A-Z]/g, "-$&").toLowerCase();
  const style = Object.getPrototypeOf(document.createElement("div").style);
  defineMethod(style, "setExpression", function (name, code) {
    if (!scripted.has(this)) scripted.set(this, new Map());
    name = propertyName(name);
    scripted.get(this).set(name, { name, code: String(code), over: this.getPropertyValue(name) });
    later();
  });
  defineMethod(style, "getExpression", function (name) {
    const found = scripted.get(this) && scripted.get(this).get(propertyName(name));
    return found ? found.code : "";
  });
  defineMethod(style, "removeExpression", function (name) {
    const found = scripted.get(this);
    return !!found && found.delete(propertyName(name));
  });
  // document.recalc(): every expression evaluated now, as pages asked after changing what
  // their expressions read.
  defineMethod(Document.prototype, "recalc", function () {
    if (this !== document) return;
    // Stryker disable next-line ConditionalExpression: cost only, the sources read when nothing came give what they gave
    stale = stale || changes.reading(); // the parser's nodes are told only now and then
    settling = 0; // the page's own call: what depends on it follows in the next frames
    evaluate();
  });
  // prettier-ignore
  const mayAddExpressions = (record) =>
    // Stryker disable next-line ConditionalExpression: cost only, where more records than these have the sources read again
    record.type === "childList" || record.attributeName === "style" ||
    (record.type === "characterData" && record.target.parentNode && record.target.parentNode.localName === "style");
  function changedBy(records) {
    // Stryker disable next-line ConditionalExpression: cost only, the sources read when nothing came give what they gave
    stale = stale || records.some(mayAddExpressions);
    // Stryker disable next-line ConditionalExpression: cost only, a page without expressions is evaluated to nothing
    if (stale || any()) later();
  }
  const lookAgain = () => {
    stale = true;
    later();
  };
  // Once the parser is done, at once: the old browser had every expression's value in place
  // before the page's DOMContentLoaded and load handlers read it.
  const parsed = () => {
    stale = true;
    evaluate();
  };
  const changes = watch(changedBy, { added: lookAgain, parsed });
  const onInput = () => {
    // Stryker disable next-line ConditionalExpression: cost only, a page without expressions is evaluated to nothing
    if (any()) later();
  };
  // Stryker disable next-line ObjectLiteral,BooleanLiteral: a listener that never cancels its event, passive or not
  for (const type of ["scroll", "resize"]) window.addEventListener(type, onInput, { passive: true });
  document.addEventListener("mousemove", onInput, {
    // Stryker disable next-line BooleanLiteral: a listener that never cancels its event, passive or not
    passive: true,
    capture: true,
  });
  window.addEventListener("load", later);
  later();
});
