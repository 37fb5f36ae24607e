// VML, the old browser's vector markup, drawn as SVG. Trend charts join each draw's
// winning numbers with <v:line> or <v:polyline>, ring them with <v:oval>, and box
// columns with <v:rect>. The shell injects this at document start into every frame of the
// service's own hosts, where it watches the document: a VML shape is drawn wherever it
// comes from (the markup, document.write, innerHTML, createElement) and drawn again when
// a script changes it (el.to = "10,40", el.strokecolor = "red", its style, its parts).
//
// Drawn: line, polyline, rect, roundrect, oval, shape (with a path) and group (with
// coordsize and coordorigin); strokecolor, strokeweight, stroked, fillcolor, filled;
// the <v:stroke> part (color, weight, dashstyle, startarrow, endarrow, opacity, on) and
// the <v:fill> part (color, opacity, on); <v:textbox>, shown as HTML inside its shape.
// Not drawn: gradients and pictures in fills, shadows, text on paths, arcs in paths.
(function () {
  "use strict";

  const SVG = "http://www.w3.org/2000/svg";
  const VML = "urn:schemas-microsoft-com:vml";
  const SHAPES = ["line", "polyline", "rect", "roundrect", "oval", "shape", "group"];
  const HIDDEN_PARTS = ["stroke", "fill", "path", "shadow", "textpath", "imagedata", "formulas", "f", "handles", "h"];
  const DRAWING = "veltrano-vml"; // the class of the SVG drawn into a shape

  // --- Which elements are VML -------------------------------------------------------------
  // "v" always; any other prefix the page binds to VML, with document.namespaces.add or an
  // xmlns attribute on <html>.
  const prefixes = new Set(["v"]);
  function learnPrefixes() {
    const list = document.namespaces;
    if (list) for (const entry of list) if (String(entry.urn).toLowerCase() === VML) prefixes.add(entry.name.toLowerCase());
    const root = document.documentElement;
    if (root)
      for (const attribute of root.attributes)
        if (attribute.name.startsWith("xmlns:") && attribute.value.toLowerCase() === VML) prefixes.add(attribute.name.slice(6));
  }

  // "line" for <v:line>; null for anything that is not VML.
  function vmlName(node) {
    const name = node && node.nodeType === 1 ? node.localName : "";
    const colon = name.indexOf(":");
    return colon > 0 && prefixes.has(name.slice(0, colon)) ? name.slice(colon + 1) : null;
  }
  const isShape = (node) => SHAPES.includes(vmlName(node));
  const shapeSelector = () => [...prefixes].flatMap((p) => SHAPES.map((s) => p + "\\:" + s)).join(",");

  // A shape lays out as a box of its CSS size; the drawing sits in it, under its text.
  const styled = new Set();
  function addStyles(prefix) {
    if (styled.has(prefix) || !document.documentElement) return;
    styled.add(prefix);
    const names = (list) => list.map((name) => prefix + "\\:" + name).join(",");
    const style = document.createElement("style");
    style.textContent =
      names(SHAPES) + "{display:inline-block;position:relative;overflow:visible}" +
      names(HIDDEN_PARTS) + "," + names(["group"]) + ">:not(svg){display:none}" +
      names(["textbox"]) + "{display:block;position:absolute;inset:0;padding:.05in .1in;overflow:hidden}" +
      "svg." + DRAWING + "{position:absolute;left:0;top:0;overflow:visible;pointer-events:none}";
    (document.head || document.documentElement).appendChild(style);
  }

  // --- Values -------------------------------------------------------------------------------
  const UNITS = { px: 1, pt: 4 / 3, pc: 16, in: 96, cm: 96 / 2.54, mm: 96 / 25.4, em: 16, emu: 96 / 914400 };
  function length(text, unit) {
    const match = /^\s*(-?\d*\.?\d+(?:e-?\d+)?)\s*([a-z]*)\s*$/i.exec(String(text));
    return match ? parseFloat(match[1]) * (UNITS[(match[2] || unit || "px").toLowerCase()] || 1) : NaN;
  }
  const lengths = (text) => String(text || "").split(/[\s,]+/).filter(Boolean).map((t) => length(t));
  const pair = (text, fallback) => {
    const [x, y] = lengths(text);
    return Number.isFinite(x) && Number.isFinite(y) ? [x, y] : fallback;
  };
  const flag = (text, fallback) => {
    if (text == null || text === "") return fallback;
    return !/^(f|false|off|no|0)$/i.test(String(text).trim());
  };
  // "0.5", "50%" or "32768f" (sixteenths of sixty-four thousand, VML's fixed point).
  function fraction(text, fallback) {
    const value = String(text == null ? "" : text).trim();
    if (!value) return fallback;
    if (value.endsWith("%")) return parseFloat(value) / 100;
    if (value.endsWith("f")) return parseFloat(value) / 65536;
    const number = parseFloat(value);
    return Number.isFinite(number) ? number : fallback;
  }
  const color = (text, fallback) => String(text || fallback).trim().split(/\s|\[/)[0] || fallback;

  // The style attribute as written: in a group, "left:100;width:300" are in the group's
  // units, which CSS would not take.
  function writtenStyle(el) {
    const style = {};
    for (const part of (el.getAttribute("style") || "").split(";")) {
      const colon = part.indexOf(":");
      if (colon > 0) style[part.slice(0, colon).trim().toLowerCase()] = part.slice(colon + 1).trim();
    }
    return style;
  }

  // --- Drawing ------------------------------------------------------------------------------
  function make(name, attributes) {
    const node = document.createElementNS(SVG, name);
    for (const key in attributes) if (attributes[key] != null) node.setAttribute(key, attributes[key]);
    return node;
  }
  const part = (el, name) => [...el.children].find((child) => vmlName(child) === name) || null;

  const DASHES = {
    solid: null, shortdash: [3, 1], shortdot: [1, 1], shortdashdot: [3, 1, 1, 1], shortdashdotdot: [3, 1, 1, 1, 1, 1],
    dot: [1, 3], dash: [4, 3], longdash: [8, 3], dashdot: [4, 3, 1, 3], longdashdot: [8, 3, 1, 3],
    longdashdotdot: [8, 3, 1, 3, 1, 3],
  };
  const ARROWS = {
    block: "M0,0 L10,5 L0,10 z", classic: "M0,0 L10,5 L0,10 L3,5 z", diamond: "M0,5 L5,0 L10,5 L5,10 z",
    oval: "M0,5 A5,5 0 1 1 10,5 A5,5 0 1 1 0,5 z", open: "M0,0 L10,5 L0,10",
  };

  function arrow(defs, style, stroke, start) {
    const path = ARROWS[String(style || "").toLowerCase()];
    if (!path) return null;
    const id = "veltrano-vml-" + Math.random().toString(36).slice(2);
    const marker = make("marker", {
      id, viewBox: "0 0 10 10", refX: start ? 0 : 10, refY: 5, markerWidth: 3, markerHeight: 3,
      orient: start ? "auto-start-reverse" : "auto", markerUnits: "strokeWidth",
    });
    const open = style === "open";
    marker.appendChild(make("path", { d: path, fill: open ? "none" : stroke, stroke: open ? stroke : "none" }));
    defs.appendChild(marker);
    return "url(#" + id + ")";
  }

  // The stroke and fill of node, from the shape el's attributes and its <v:stroke> and
  // <v:fill> parts. closed: whether the shape is filled unless told otherwise.
  function paint(node, el, closed, defs) {
    const stroke = part(el, "stroke");
    const fill = part(el, "fill");
    const read = (partEl, name, own) => (partEl && partEl.getAttribute(name)) || el.getAttribute(own);
    if (flag(stroke && stroke.getAttribute("on"), true) && flag(el.getAttribute("stroked"), true)) {
      const strokeColor = color(read(stroke, "color", "strokecolor"), "black");
      const width = length(read(stroke, "weight", "strokeweight") || "0.75pt", "pt");
      node.setAttribute("stroke", strokeColor);
      node.setAttribute("stroke-width", Number.isFinite(width) ? width : 1);
      node.setAttribute("vector-effect", "non-scaling-stroke");
      const opacity = fraction(stroke && stroke.getAttribute("opacity"), 1);
      if (opacity < 1) node.setAttribute("stroke-opacity", opacity);
      const dashStyle = String((stroke && stroke.getAttribute("dashstyle")) || "solid").toLowerCase();
      const dashes = dashStyle in DASHES ? DASHES[dashStyle] : lengths(dashStyle).filter(Number.isFinite);
      if (dashes && dashes.length) node.setAttribute("stroke-dasharray", dashes.map((d) => d * width).join(" "));
      const start = stroke && arrow(defs, stroke.getAttribute("startarrow"), strokeColor, true);
      const end = stroke && arrow(defs, stroke.getAttribute("endarrow"), strokeColor, false);
      if (start) node.setAttribute("marker-start", start);
      if (end) node.setAttribute("marker-end", end);
    } else {
      node.setAttribute("stroke", "none");
    }
    if (closed && flag(fill && fill.getAttribute("on"), true) && flag(el.getAttribute("filled"), true)) {
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
    const tokens = String(text || "").match(/[a-z]+|-?\d*\.?\d+/gi) || [];
    let noFill = false;
    let noStroke = false;
    let command = null;
    for (const token of tokens) {
      if (/^[a-z]+$/i.test(token)) {
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
      x: box.x, y: box.y, width: box.w, height: box.h, viewBox: [x, y, width || 1, height || 1].join(" "),
      preserveAspectRatio: "none", overflow: "visible",
    });
  }

  // el drawn in the box given, in the units of the space it is drawn in.
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
        for (const child of el.children) {
          const childKind = vmlName(child);
          if (!SHAPES.includes(childKind)) continue;
          const style = writtenStyle(child);
          const at = (name) => length(style[name] || "0") || 0;
          space.appendChild(draw(child, childKind, { x: at("left"), y: at("top"), w: at("width"), h: at("height") }, defs));
        }
        return space;
      }
    }
    return make("g", {});
  }

  // --- Drawing what changed, once a frame -------------------------------------------------
  // Drawing a shape reads layout (its size, then its drawing's bounds) and writes the
  // document; shape by shape, every read would lay the whole page out again. The shapes
  // that changed are drawn together in the next frame, before it is painted: every size is
  // read, then every drawing made, then every bound read, then every drawing's box set.
  const prefixOf = (shape) => shape.localName.slice(0, shape.localName.indexOf(":"));

  function size(shape) {
    const computed = window.getComputedStyle(shape);
    const width = shape.offsetWidth || length(computed.width) || 0;
    const height = shape.offsetHeight || length(computed.height) || 0;
    return { width, height };
  }

  function drawingOf(shape, { width, height }) {
    for (const old of [...shape.children]) if (old.localName === "svg" && old.classList.contains(DRAWING)) old.remove();
    const drawing = make("svg", { class: DRAWING, width: Math.max(width, 1), height: Math.max(height, 1) });
    const defs = make("defs", {});
    drawing.appendChild(defs);
    drawing.appendChild(draw(shape, vmlName(shape), { x: 0, y: 0, w: width, h: height }, defs));
    shape.insertBefore(drawing, shape.firstChild);
    return drawing;
  }

  // WebKit paints a box where its layout puts it, not where an SVG's overflow reaches: a
  // line from a 0 x 0 shape would go unpainted. The drawing's box covers what it draws,
  // and no more: a chart's lines are each drawn from the page's corner, and boxes as large
  // as the page would each be painted for every part of it.
  function fit(drawing, bounds) {
    const margin = 12; // the widest stroke and arrow head drawn
    const area = { x: Math.floor(bounds.x - margin), y: Math.floor(bounds.y - margin) };
    area.w = Math.ceil(bounds.x + bounds.width + margin) - area.x;
    area.h = Math.ceil(bounds.y + bounds.height + margin) - area.y;
    drawing.setAttribute("viewBox", [area.x, area.y, area.w, area.h].join(" "));
    drawing.setAttribute("width", area.w);
    drawing.setAttribute("height", area.h);
    drawing.style.left = area.x + "px";
    drawing.style.top = area.y + "px";
  }

  // A line or a polyline is drawn from its points alone, in the shape's corner: neither its
  // size nor its bounds need a layout, which a chart of lines then never forces.
  const POINTED = new Set(["line", "polyline"]);
  function pointBounds(drawing) {
    const node = drawing.lastChild;
    const values =
      node.localName === "line"
        ? ["x1", "y1", "x2", "y2"].map((name) => parseFloat(node.getAttribute(name)))
        : lengths(node.getAttribute("points"));
    if (values.length < 2 || !values.every(Number.isFinite)) return drawing.getBBox();
    const xs = values.filter((_, i) => i % 2 === 0);
    const ys = values.filter((_, i) => i % 2 === 1);
    const x = Math.min(...xs);
    const y = Math.min(...ys);
    return { x, y, width: Math.max(...xs) - x, height: Math.max(...ys) - y };
  }

  function renderAll(shapes) {
    for (const shape of shapes) addStyles(prefixOf(shape));
    const pointed = shapes.map((shape) => POINTED.has(vmlName(shape)));
    const sizes = shapes.map((shape, i) => (pointed[i] ? { width: 0, height: 0 } : size(shape)));
    const drawings = shapes.map((shape, i) => drawingOf(shape, sizes[i]));
    const bounds = drawings.map((drawing, i) => (pointed[i] ? pointBounds(drawing) : drawing.getBBox()));
    drawings.forEach((drawing, i) => fit(drawing, bounds[i]));
  }

  // --- Watching the document -------------------------------------------------------------
  // The outermost shape around each element asked about (a group draws its members), or
  // null; elements met before are not walked again, so a table's cells cost a step each.
  function outermostShapes() {
    const known = new Map();
    return (node) => {
      const chain = [];
      let found = null;
      for (let n = node; n && n.nodeType === 1; n = n.parentElement) {
        if (known.has(n)) {
          found = known.get(n);
          break;
        }
        chain.push(n);
      }
      for (let i = chain.length - 1; i >= 0; i--) {
        if (!found && isShape(chain[i])) found = chain[i];
        known.set(chain[i], found);
      }
      return found;
    };
  }
  const inDrawing = (node) => {
    for (let n = node; n; n = n.parentElement) if (n.namespaceURI === SVG && n.classList.contains(DRAWING)) return true;
    return false;
  };

  // <v:line ... /> closes itself in the old browser; an HTML parser leaves it open, so
  // what follows ends up inside it. Whatever a shape holds that is not one of its parts
  // is moved out to follow it, in order, as the old browser had it.
  const PARTS = new Set(HIDDEN_PARTS.concat("textbox"));
  const movedOut = new WeakMap(); // shape -> the last node moved out of it
  function moveOut(shape) {
    if (vmlName(shape) === "group") return;
    for (const child of [...shape.childNodes]) {
      if (PARTS.has(vmlName(child)) || (child.namespaceURI === SVG && child.localName === "svg")) continue;
      const last = movedOut.get(shape);
      (last && last.parentNode === shape.parentNode ? last : shape).after(child);
      movedOut.set(shape, child);
      if (isShape(child)) moveOut(child);
    }
  }

  // What a batch of changes touched: the VML elements whose children changed (what other
  // elements hold is never drawn), the elements added, and those whose attributes or text
  // changed. The parser adds a page's elements one by one: this stays cheap per record.
  const mayBeVml = (node) => node.localName.indexOf(":") > 0;
  function touched(records) {
    const parents = [];
    const added = [];
    const changed = [];
    for (const record of records) {
      if (record.type !== "childList") {
        const target = record.type === "characterData" ? record.target.parentElement : record.target;
        if (target) changed.push(target);
        continue;
      }
      const target = record.target;
      if (target.nodeType === 1 && mayBeVml(target) && target !== parents[parents.length - 1]) parents.push(target);
      const nodes = record.addedNodes;
      for (let i = 0; i < nodes.length; i++) {
        const node = nodes[i];
        if (node.nodeType === 1 && node.namespaceURI !== SVG && (mayBeVml(node) || node.firstElementChild)) added.push(node);
      }
    }
    return { parents, added, changed };
  }

  // The shapes in and under roots, each root looked through once.
  function shapesIn(roots) {
    const looked = new Set();
    const within = (node) => {
      for (let n = node; n; n = n.parentNode) if (looked.has(n)) return true;
      return false;
    };
    const shapes = [];
    for (const root of roots) {
      if (isShape(root)) shapes.push(root);
      if (root.firstElementChild && !within(root)) {
        looked.add(root);
        shapes.push(...root.querySelectorAll(shapeSelector()));
      }
    }
    return shapes;
  }

  const pending = new Set();
  let frame = 0;
  function take(records) {
    learnPrefixes();
    const { parents, added, changed } = touched(records);
    for (const parent of parents) if (isShape(parent) && parent.parentNode) moveOut(parent);
    const addedShapes = shapesIn(added);
    for (const shape of addedShapes) moveOut(shape);
    const outermost = outermostShapes();
    for (const node of [parents, addedShapes, shapesIn(changed), changed].flat()) {
      const shape = outermost(node);
      if (shape && !inDrawing(node)) pending.add(shape);
    }
    observer.takeRecords(); // what moving out changed
    if (pending.size && !frame) frame = requestAnimationFrame(flush);
  }

  // Also before printing: what a script changed just before window.print() is printed too.
  function flush() {
    take(observer.takeRecords());
    cancelAnimationFrame(frame);
    frame = 0;
    const shapes = [...pending].filter((shape) => shape.isConnected);
    pending.clear();
    if (shapes.length) renderAll(shapes);
    observer.takeRecords(); // what drawing itself changed
  }

  const observer = new MutationObserver(take);
  observer.observe(document, { childList: true, subtree: true, attributes: true, characterData: true });
  window.addEventListener("beforeprint", flush);

  // --- Scripts that set VML members -------------------------------------------------------
  // el.from = "10,20", el.strokecolor = "red", el.filled = false... set the attribute, so
  // the shape is drawn again. On elements that are not VML they stay plain properties.
  const MEMBERS = [
    "from", "to", "points", "strokecolor", "strokeweight", "stroked", "fillcolor", "filled", "coordsize",
    "coordorigin", "path", "arcsize", "color", "weight", "dashstyle", "startarrow", "endarrow", "opacity", "on", "v",
  ];
  const BOOLEAN = new Set(["stroked", "filled", "on"]);
  const plain = new WeakMap(); // element -> the members set on it while it is not VML
  // A member of unknown elements: VML's own on VML elements, a plain property elsewhere.
  function member(name, vml, get, set) {
    if (name in HTMLUnknownElement.prototype) return;
    Object.defineProperty(HTMLUnknownElement.prototype, name, {
      configurable: true,
      enumerable: false,
      get() {
        if (vml(this)) return get.call(this);
        return plain.has(this) ? plain.get(this)[name] : undefined;
      },
      set(value) {
        if (vml(this) && set) return set.call(this, value);
        if (!plain.has(this)) plain.set(this, {});
        plain.get(this)[name] = value;
      },
    });
  }
  for (const name of MEMBERS)
    member(
      name,
      vmlName,
      function () {
        const value = this.getAttribute(name);
        return BOOLEAN.has(name) ? flag(value, true) : value == null ? "" : value;
      },
      function (value) {
        this.setAttribute(name, typeof value === "boolean" ? (value ? "t" : "f") : String(value));
      }
    );
  // el.stroke and el.fill: the shape's parts, made when first asked for.
  for (const name of ["stroke", "fill"])
    member(name, isShape, function () {
      let found = part(this, name);
      if (!found) {
        found = document.createElement(this.localName.slice(0, this.localName.indexOf(":") + 1) + name);
        this.appendChild(found);
      }
      return found;
    });
})();
