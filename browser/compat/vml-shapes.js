// VML, the old browser's vector markup, drawn as SVG: which elements are VML, how they lay
// out, and each shape drawn. Trend charts join each draw's winning numbers with <v:line> or
// <v:polyline>, ring them with <v:oval>, and box columns with <v:rect>. vml.js, right after
// this in scripts.list, watches the document and draws with what this hands it.
//
// Drawn: line, polyline, rect, roundrect, oval, shape (with a path) and group (with
// coordsize and coordorigin); strokecolor, strokeweight, stroked, fillcolor, filled;
// the <v:stroke> part (color, weight, dashstyle, startarrow, endarrow, opacity, on) and
// the <v:fill> part (color, opacity, on); <v:textbox>, shown as HTML inside its shape.
// Not drawn: gradients and pictures in fills, shadows, text on paths, arcs in paths.
run(function () {
  const SVG = "http://www.w3.org/2000/svg";
  const VML = "urn:schemas-microsoft-com:vml";
  const SHAPES = ["line", "polyline", "rect", "roundrect", "oval", "shape", "group"];
  const POINTED = ["line", "polyline"]; // drawn from their points alone
  const HIDDEN_PARTS = ["stroke", "fill", "path", "shadow", "textpath", "imagedata", "formulas", "f", "handles", "h"];
  const DRAWING = "veltrano-vml"; // the class of the SVG drawn into a shape

  // --- Which elements are VML -------------------------------------------------------------
  // "v" always; any other prefix the page binds to VML: with document.namespaces.add, an
  // xmlns attribute on <html>, or, as the old browser bound it whatever xmlns said, a style
  // rule that gives the prefix's elements behavior: url(#default#VML). WebKit drops such a
  // rule, so its text is read: a style element's; a linked or imported sheet's of the page's
  // origin, fetched, so learnt a moment later unless a script asks first; and what a script
  // writes into a sheet (addRule, cssText; see shared.sheets in legacy-dom.js). learnt(fn)
  // has fn(prefix) called for each prefix learnt.
  const prefixes = new Set(["v"]);
  const learners = [];
  function bind(prefix) {
    if (prefixes.has(prefix)) return;
    prefixes.add(prefix);
    for (const learner of learners) learner(prefix);
  }
  // The prefixes a rule's selectors bind: p\:*, p\: * and p\:line as style sheets wrote
  // them, and p:* as addRule gets it from a script's "p\:*", whose string drops the backslash.
  const BINDING = /([^{}]*)\{[^{}]*behavior\s*:\s*url\(\s*['"]?#default#vml['"]?\s*\)[^{}]*\}/gi;
  const PREFIX = /([a-z_][\w-]*)(?:\\:\s*|:)(?=\*|[a-z])/gi;
  function bindIn(text) {
    for (const [, selectors] of String(text)
      .replace(/\/\*[\s\S]*?\*\//g, "")
      .matchAll(BINDING))
      for (const [, prefix] of selectors.matchAll(PREFIX)) bind(prefix.toLowerCase());
  }
  const unread = new Set(); // the linked sheets whose text has not come yet
  function fetchSheet(href) {
    if (!href) return;
    unread.add(href);
    shared.sheets.linked(href).then((text) => {
      if (unread.delete(href)) bindIn(text); // unless it was read at once meanwhile
    });
  }
  const readSheets = new WeakSet();
  function readSheet(sheet) {
    readSheets.add(sheet);
    const owner = sheet.ownerNode;
    if (owner && owner.localName === "style") bindIn(owner.textContent);
    else fetchSheet(sheet.href);
    let rules = [];
    try {
      rules = sheet.cssRules;
    } catch (error) {
      // a sheet of another origin
    }
    for (const rule of rules)
      if (rule instanceof CSSImportRule) fetchSheet(new URL(rule.href, sheet.href || document.baseURI).href);
  }
  shared.sheets.listen((sheet, text) => bindIn(text));

  function learnPrefixes() {
    const list = document.namespaces;
    if (list) for (const entry of list) if (String(entry.urn).toLowerCase() === VML) bind(entry.name.toLowerCase());
    const root = document.documentElement;
    if (root)
      for (const attribute of root.attributes)
        if (attribute.name.startsWith("xmlns:") && attribute.value.toLowerCase() === VML) bind(attribute.name.slice(6));
  }
  // The rules of the sheets not read yet. Asking for the document's sheets has WebKit bring
  // them up to date, as it does before it paints: vml.js asks once a frame. now: the linked
  // sheets whose text has not come yet are read at once too, for a script asking about an
  // element whose prefix they may bind.
  function learnSheets(now) {
    for (const sheet of document.styleSheets) if (!readSheets.has(sheet)) readSheet(sheet);
    if (now)
      for (const href of unread) {
        unread.delete(href);
        bindIn(shared.sheets.linkedNow(href));
      }
  }
  const learnt = (learner) => learners.push(learner);

  // "line" for <v:line>; null for anything that is not VML.
  function vmlName(node) {
    // Stryker disable next-line StringLiteral: any text without a colon names no VML
    const name = node && node.nodeType === 1 ? node.localName : "";
    const colon = name.indexOf(":");
    return colon > 0 && prefixes.has(name.slice(0, colon)) ? name.slice(colon + 1) : null;
  }
  const isShape = (node) => SHAPES.includes(vmlName(node));
  // Stryker disable next-line ObjectLiteral,StringLiteral: a cache, built again to the same text
  let selector = { size: 0, text: "" }; // built again only when a prefix is learnt
  const shapeSelector = () => {
    // Stryker disable next-line ConditionalExpression: a cache, built again to the same text
    if (selector.size !== prefixes.size)
      selector = {
        size: prefixes.size,
        text: [...prefixes].flatMap((p) => SHAPES.map((s) => p + "\\:" + s)).join(","),
      };
    return selector.text;
  };

  // A shape lays out as a box of its CSS size; the drawing sits in it, under its text. A
  // line or polyline that its style attribute places absolutely gets its box only once it
  // is drawn, in the frame after it appears: a chart's script adds hundreds of them, each
  // after reading cells' offsets, and a read after each new box would lay the page out
  // again. Such a line takes no room in the flow, so the page sees the same layout. The
  // page's own rules still win, as they do over the box's.
  // A drawing placed absolutely is a layer of its own to paint, and a chart's hundreds of
  // lines each in a placed shape would double the page's layers: a line's or polyline's
  // drawing is placed by its margins in the flow instead (vml.js sets them), which cancel
  // out, so the shape keeps the size it had.
  const styled = new Set();
  function addStyles(prefix) {
    if (styled.has(prefix) || !document.documentElement) return;
    styled.add(prefix);
    const names = (list) => list.map((name) => prefix + "\\:" + name).join(",");
    const placed = "[style*=absolute i]:not(:has(>svg))";
    const style = document.createElement("style");
    style.textContent = [
      names(SHAPES) + "{display:inline-block;position:relative;overflow:visible}",
      names(POINTED).replace(/,|$/g, ":where(" + placed + ")$&") + "{display:contents}",
      names(HIDDEN_PARTS) + "," + names(["group"]) + ">:not(svg){display:none}",
      names(["textbox"]) + "{display:block;position:absolute;inset:0;padding:.05in .1in;overflow:hidden}",
      "svg." + DRAWING + "{position:absolute;left:0;top:0;overflow:visible;pointer-events:none}",
      names(POINTED).replace(/,|$/g, ">svg." + DRAWING + "$&") + "{position:static;display:block}",
    ].join("");
    (document.head || document.documentElement).appendChild(style);
  }

  // --- Values -------------------------------------------------------------------------------
  const UNITS = { px: 1, pt: 4 / 3, pc: 16, in: 96, cm: 96 / 2.54, mm: 96 / 25.4, em: 16, emu: 96 / 914400 };
  function length(text, unit) {
    const match = /^\s*(-?\d*\.?\d+(?:e-?\d+)?)\s*([a-z]*)\s*$/i.exec(String(text));
    // Stryker disable next-line StringLiteral: no unit written nor asked for has no entry in UNITS, and the || 1 makes it pixels too
    return match ? parseFloat(match[1]) * (UNITS[(match[2] || unit || "px").toLowerCase()] || 1) : NaN;
  }
  const lengths = (text) =>
    String(text || "")
      .split(/[\s,]/)
      .filter(Boolean)
      .map((t) => length(t));
  const pair = (text, fallback) => {
    const [x, y] = lengths(text);
    return Number.isFinite(x) && Number.isFinite(y) ? [x, y] : fallback;
  };
  // A VML boolean: true unless it says false, and so when it is missing or empty.
  const flag = (text) => !/^(f|false|off|no|0)$/i.test(String(text).trim());
  // "0.5", "50%" or "32768f" (sixteenths of sixty-four thousand, VML's fixed point).
  function fraction(text, fallback) {
    const value = String(text).trim(); // none reads "null", which is no number
    if (value.endsWith("%")) return parseFloat(value) / 100;
    if (value.endsWith("f")) return parseFloat(value) / 65536;
    const number = parseFloat(value);
    return Number.isFinite(number) ? number : fallback;
  }
  const color = (text, fallback) =>
    String(text || fallback)
      .trim()
      .split(/\s|\[/)[0] || fallback;

  // The style attribute as written: in a group, "left:100;width:300" are in the group's
  // units, which CSS would not take.
  function writtenStyle(el) {
    const style = {};
    for (const part of String(el.getAttribute("style")).split(";")) {
      const colon = part.indexOf(":");
      // Only the lengths are read (length() takes spaces around them); a part without a
      // colon or a name puts a key that no length has.
      // Stryker disable next-line ConditionalExpression,EqualityOperator: the keys such a part puts are never read
      if (colon > 0) style[part.slice(0, colon).trim().toLowerCase()] = part.slice(colon + 1);
    }
    return style;
  }

  // --- Drawing ------------------------------------------------------------------------------
  function make(name, attributes) {
    const node = document.createElementNS(SVG, name);
    for (const key in attributes) if (attributes[key] != null) node.setAttribute(key, attributes[key]);
    return node;
  }
  // An element's children, walked natively: el.children gives the callable stand-in of
  // collections.js, which costs a proxy's steps for each one.
  function elementsOf(el) {
    const list = [];
    for (let child = el.firstElementChild; child; child = child.nextElementSibling) list.push(child);
    return list;
  }
  const part = (el, name) => {
    for (let child = el.firstElementChild; child; child = child.nextElementSibling)
      if (vmlName(child) === name) return child;
    return null;
  };

  const DASHES = {
    solid: null,
    shortdash: [3, 1],
    shortdot: [1, 1],
    shortdashdot: [3, 1, 1, 1],
    shortdashdotdot: [3, 1, 1, 1, 1, 1],
    dot: [1, 3],
    dash: [4, 3],
    longdash: [8, 3],
    dashdot: [4, 3, 1, 3],
    longdashdot: [8, 3, 1, 3],
    longdashdotdot: [8, 3, 1, 3, 1, 3],
  };
  const ARROWS = {
    block: "M0,0 L10,5 L0,10 z",
    classic: "M0,0 L10,5 L0,10 L3,5 z",
    diamond: "M0,5 L5,0 L10,5 L5,10 z",
    oval: "M0,5 A5,5 0 1 1 10,5 A5,5 0 1 1 0,5 z",
    open: "M0,0 L10,5 L0,10",
  };

  function arrow(defs, style, stroke, start) {
    const path = ARROWS[String(style).toLowerCase()];
    if (!path) return null;
    // Stryker disable next-line MethodExpression: any text unlike the others is as good an id
    const id = "veltrano-vml-" + Math.random().toString(36).slice(2);
    const marker = make("marker", {
      id,
      viewBox: "0 0 10 10",
      refX: start ? 0 : 10,
      refY: 5,
      markerWidth: 3,
      markerHeight: 3,
      orient: start ? "auto-start-reverse" : "auto",
      markerUnits: "strokeWidth",
    });
    const open = style === "open";
    marker.appendChild(make("path", { d: path, fill: open ? "none" : stroke, stroke: open ? stroke : "none" }));
    defs().appendChild(marker);
    // Stryker disable next-line StringLiteral: CSS closes a url( left open at the end of the value
    return "url(#" + id + ")";
  }

  // The stroke and fill of node, from the shape el's attributes and its <v:stroke> and
  // <v:fill> parts. closed: whether the shape is filled unless told otherwise.
  function paint(node, el, closed, defs) {
    const stroke = part(el, "stroke");
    const fill = part(el, "fill");
    const read = (partEl, name, own) => (partEl && partEl.getAttribute(name)) || el.getAttribute(own);
    if (flag(stroke && stroke.getAttribute("on")) && flag(el.getAttribute("stroked"))) {
      const strokeColor = color(read(stroke, "color", "strokecolor"), "black");
      const width = length(read(stroke, "weight", "strokeweight") || "0.75pt", "pt");
      node.setAttribute("stroke", strokeColor);
      node.setAttribute("stroke-width", Number.isFinite(width) ? width : 1);
      node.setAttribute("vector-effect", "non-scaling-stroke");
      const opacity = fraction(stroke && stroke.getAttribute("opacity"), 1);
      if (opacity < 1) node.setAttribute("stroke-opacity", opacity);
      const dashStyle = String(stroke && stroke.getAttribute("dashstyle")).toLowerCase(); // none: "null", no dashes
      const dashes = dashStyle in DASHES ? DASHES[dashStyle] : lengths(dashStyle).filter(Number.isFinite);
      if (dashes && dashes.length) node.setAttribute("stroke-dasharray", dashes.map((d) => d * width).join(" "));
      const start = stroke && arrow(defs, stroke.getAttribute("startarrow"), strokeColor, true);
      const end = stroke && arrow(defs, stroke.getAttribute("endarrow"), strokeColor, false);
      if (start) node.setAttribute("marker-start", start);
      if (end) node.setAttribute("marker-end", end);
    } else {
      node.setAttribute("stroke", "none");
    }
    if (closed && flag(fill && fill.getAttribute("on")) && flag(el.getAttribute("filled"))) {
      node.setAttribute("fill", color(read(fill, "color", "fillcolor"), "white"));
      const opacity = fraction(fill && fill.getAttribute("opacity"), 1);
      if (opacity < 1) node.setAttribute("fill-opacity", opacity);
    } else {
      node.setAttribute("fill", "none");
    }
    return node;
  }

  // VML's path commands as SVG's: m l c x e and their relative t r v; nf and ns turn off
  // the fill and the stroke. Other commands (arcs, quadrants) are skipped with their numbers.
  const PATH = { m: "M", l: "L", c: "C", x: "Z", e: "", t: "m", r: "l", v: "c", qx: "L", qy: "L" };
  function svgPath(text) {
    const out = [];
    const tokens = String(text).match(/[a-z]+|-?\d*\.?\d+/gi) || []; // none reads "null", no command
    let noFill = false;
    let noStroke = false;
    let command = null;
    for (const token of tokens) {
      if (/[a-z]/i.test(token)) {
        const name = token.toLowerCase();
        if (name === "nf") noFill = true;
        if (name === "ns") noStroke = true;
        command = name in PATH ? PATH[name] : null;
        if (command) out.push(command);
      } else if (command) {
        out.push(token);
      }
    }
    return { d: out.join(" "), noFill, noStroke };
  }

  // A shape's or group's own coordinates: coordsize units across its box, from coordorigin.
  function viewport(el, box) {
    const [width, height] = pair(el.getAttribute("coordsize"), [1000, 1000]);
    const [x, y] = pair(el.getAttribute("coordorigin"), [0, 0]);
    return make("svg", {
      x: box.x,
      y: box.y,
      width: box.w,
      height: box.h,
      viewBox: [x, y, width || 1, height || 1].join(" "),
      preserveAspectRatio: "none",
      overflow: "visible",
    });
  }

  // el drawn in the box given, in the units of the space it is drawn in; defs() gives the
  // drawing's <defs>, for the markers of arrows, made when first asked for.
  function draw(el, kind, box, defs) {
    switch (kind) {
      case "line": {
        const [x1, y1] = pair(el.getAttribute("from"), [0, 0]);
        const [x2, y2] = pair(el.getAttribute("to"), [10, 10]);
        return paint(make("line", { x1: box.x + x1, y1: box.y + y1, x2: box.x + x2, y2: box.y + y2 }), el, false, defs);
      }
      case "polyline": {
        const values = lengths(el.getAttribute("points"));
        const points = [];
        for (let i = 0; i + 1 < values.length; i += 2) points.push(box.x + values[i] + "," + (box.y + values[i + 1]));
        return paint(make("polyline", { points: points.join(" ") }), el, true, defs);
      }
      case "rect":
        return paint(make("rect", { x: box.x, y: box.y, width: box.w, height: box.h }), el, true, defs);
      case "roundrect": {
        const radius = (fraction(el.getAttribute("arcsize"), 0.2) * Math.min(box.w, box.h)) / 2;
        const attributes = { x: box.x, y: box.y, width: box.w, height: box.h, rx: radius, ry: radius };
        return paint(make("rect", attributes), el, true, defs);
      }
      case "oval": {
        const attributes = { cx: box.x + box.w / 2, cy: box.y + box.h / 2, rx: box.w / 2, ry: box.h / 2 };
        return paint(make("ellipse", attributes), el, true, defs);
      }
      case "shape": {
        const space = viewport(el, box);
        const pathPart = part(el, "path");
        const path = svgPath(el.getAttribute("path") || (pathPart && pathPart.getAttribute("v")));
        const node = paint(make("path", { d: path.d }), el, true, defs);
        if (path.noFill) node.setAttribute("fill", "none");
        if (path.noStroke) node.setAttribute("stroke", "none");
        space.appendChild(node);
        return space;
      }
      case "group": {
        const space = viewport(el, box);
        for (const child of elementsOf(el)) {
          const childKind = vmlName(child);
          if (!SHAPES.includes(childKind)) continue;
          const style = writtenStyle(child);
          const at = (name) => length(style[name]) || 0;
          const childBox = { x: at("left"), y: at("top"), w: at("width"), h: at("height") };
          space.appendChild(draw(child, childKind, childBox, defs));
        }
        return space;
      }
    }
    // Stryker disable next-line StringLiteral: every caller passes one of SHAPES
    return make("g", {});
  }

  // Handed to vml.js, which comes next.
  shared.vml = {
    SVG,
    SHAPES,
    HIDDEN_PARTS,
    POINTED,
    DRAWING,
    learnPrefixes,
    learnSheets,
    learnt,
    vmlName,
    isShape,
    shapeSelector,
    addStyles,
    length,
    lengths,
    flag,
    make,
    elementsOf,
    part,
    draw,
  };
});
