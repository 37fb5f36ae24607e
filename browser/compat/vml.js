// VML drawn wherever it comes from and whenever it changes. vml-shapes.js, right before this
// in scripts.list, knows the shapes and draws each one. This watches the document: a VML shape is
// drawn wherever it comes from (the markup, document.write, innerHTML, createElement) and
// drawn again when a script changes it (el.to = "10,40", el.strokecolor = "red", its
// style, its parts).
run(function () {
  const { watch } = shared;
  const { SVG, SHAPES, HIDDEN_PARTS, POINTED, DRAWING, learnPrefixes, learnSheets, learnt, vmlName, isShape } =
    shared.vml;
  const { shapeSelector, addStyles, length, lengths, flag, make, elementsOf, part, draw } = shared.vml;

  // --- Drawing what changed, once a frame -------------------------------------------------
  // Drawing a shape reads layout (its size, then its drawing's bounds) and writes the
  // document; shape by shape, every read would lay the whole page out again. The shapes
  // that changed are drawn together in the next frame, before it is painted: every size is
  // read, then every drawing made, then every bound read, then every drawing's box set. A
  // line's or polyline's drawing is set from its points before it is placed, so placing it
  // is the only change the document sees.
  const prefixOf = (shape) => shape.localName.slice(0, shape.localName.indexOf(":"));

  function size(shape) {
    const computed = window.getComputedStyle(shape);
    const width = shape.offsetWidth || length(computed.width) || 0;
    const height = shape.offsetHeight || length(computed.height) || 0;
    return { width, height };
  }

  function drawingOf(shape, { width, height }, pointed) {
    // Stryker disable next-line ConditionalExpression: only this script gives an element the drawing's class
    for (const old of elementsOf(shape)) if (old.localName === "svg" && old.classList.contains(DRAWING)) old.remove();
    // A chart draws hundreds of lines: each element and attribute less in a drawing counts.
    // Its size is set when it is fitted; defs come only with an arrow's marker.
    const drawing = make("svg", { class: DRAWING });
    let defs = null;
    const defsOf = () => defs || (defs = drawing.insertBefore(make("defs", {}), drawing.firstChild));
    drawing.appendChild(draw(shape, vmlName(shape), { x: 0, y: 0, w: width, h: height }, defsOf));
    if (pointed) fit(drawing, pointBounds(drawing), true);
    shape.insertBefore(drawing, shape.firstChild);
    return drawing;
  }

  // WebKit paints a box where its layout puts it, not where an SVG's overflow reaches: a
  // line from a 0 x 0 shape would go unpainted. The drawing's box covers what it draws,
  // and no more: a chart's lines are each drawn from the page's corner, and boxes as large
  // as the page would each be painted for every part of it.
  function fit(drawing, bounds, pointed) {
    const margin = 12; // the widest stroke and arrow head drawn
    const area = { x: Math.floor(bounds.x - margin), y: Math.floor(bounds.y - margin) };
    area.w = Math.ceil(bounds.x + bounds.width + margin) - area.x;
    area.h = Math.ceil(bounds.y + bounds.height + margin) - area.y;
    drawing.setAttribute("viewBox", [area.x, area.y, area.w, area.h].join(" "));
    drawing.setAttribute("width", area.w);
    drawing.setAttribute("height", area.h);
    // Stryker disable next-line StringLiteral: an SVG element's style takes a bare number as pixels
    if (pointed) drawing.style.margin = [area.y, -(area.x + area.w), -(area.y + area.h), area.x].join("px ") + "px";
    else {
      // Stryker disable next-line StringLiteral: as above
      drawing.style.left = area.x + "px";
      // Stryker disable next-line StringLiteral: as above
      drawing.style.top = area.y + "px";
    }
  }

  // A line or a polyline is drawn from its points alone, in the shape's corner: neither its
  // size nor its bounds need a layout, which a chart of lines then never forces.
  const pointedKinds = new Set(POINTED);
  function pointBounds(drawing) {
    const node = drawing.lastChild;
    const values =
      node.localName === "line"
        ? ["x1", "y1", "x2", "y2"].map((name) => parseFloat(node.getAttribute(name)))
        : lengths(node.getAttribute("points"));
    // Stryker disable next-line EqualityOperator: cost only: one point's box is the same from getBBox
    if (values.length < 2 || !values.every(Number.isFinite)) return drawing.getBBox();
    const xs = values.filter((_, i) => i % 2 === 0);
    const ys = values.filter((_, i) => i % 2 === 1);
    const x = Math.min(...xs);
    const y = Math.min(...ys);
    return { x, y, width: Math.max(...xs) - x, height: Math.max(...ys) - y };
  }

  function renderAll(shapes) {
    for (const shape of shapes) addStyles(prefixOf(shape));
    const pointed = shapes.map((shape) => pointedKinds.has(vmlName(shape)));
    // Stryker disable next-line ObjectLiteral: a line or polyline is drawn from its points, never its box's size
    const sizes = shapes.map((shape, i) => (pointed[i] ? { width: 0, height: 0 } : size(shape)));
    const drawings = shapes.map((shape, i) => drawingOf(shape, sizes[i], pointed[i]));
    const bounds = drawings.map((drawing, i) => (pointed[i] ? null : drawing.getBBox()));
    drawings.forEach((drawing, i) => pointed[i] || fit(drawing, bounds[i], false));
  }

  // --- Watching the document -------------------------------------------------------------
  // The outermost shape around each element asked about (a group draws its members), or
  // null; elements met before are not walked again, so a table's cells cost a step each.
  function outermostShapes() {
    const known = new Map();
    return (node) => {
      // Stryker disable next-line ArrayDeclaration: a text in the chain is no shape, and no node is under it
      const chain = [];
      let found = null;
      for (let n = node; n; n = n.parentElement) {
        // Stryker disable next-line ConditionalExpression,BlockStatement: cost only: the walk to the root finds the same shape
        if (known.has(n)) {
          found = known.get(n);
          break;
        }
        chain.push(n);
      }
      // Stryker disable next-line ArithmeticOperator: chain[chain.length] is undefined, no shape
      for (let i = chain.length - 1; i >= 0; i--) {
        if (!found && isShape(chain[i])) found = chain[i];
        known.set(chain[i], found);
      }
      return found;
    };
  }
  const inDrawing = (node) => node.closest("svg." + DRAWING) !== null;

  // <v:line ... /> closes itself in the old browser; an HTML parser leaves it open, so
  // what follows ends up inside it. Whatever a shape holds that is not one of its parts
  // is moved out to follow it, in order, as the old browser had it.
  const PARTS = new Set(HIDDEN_PARTS.concat("textbox"));
  // Stryker disable next-line ConditionalExpression,LogicalOperator: outside an <svg>, the HTML parser gives SVG's namespace to <svg> alone
  const ownChild = (child) => PARTS.has(vmlName(child)) || (child.namespaceURI === SVG && child.localName === "svg");
  const movedOut = new WeakMap(); // shape -> the last node moved out of it
  function moveOut(shape) {
    if (vmlName(shape) === "group") return;
    const children = [];
    for (let child = shape.firstChild; child; child = child.nextSibling) children.push(child);
    for (const child of children) {
      if (ownChild(child)) continue;
      const last = movedOut.get(shape);
      (last && last.parentNode === shape.parentNode ? last : shape).after(child);
      movedOut.set(shape, child);
    }
  }

  // What a batch of changes touched: the VML elements whose children changed (what other
  // elements hold is never drawn), the elements added, and those whose attributes or text
  // changed. The parser adds a page's elements one by one: this stays cheap per record.
  // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only: every element looked through finds the same shapes
  const mayBeVml = (node) => node.localName.indexOf(":") > 0;
  function touched(records) {
    // Stryker disable next-line ArrayDeclaration: a text in these lists is no shape and holds none
    const parents = [];
    // Stryker disable next-line ArrayDeclaration: as above
    const added = [];
    // Stryker disable next-line ArrayDeclaration: as above
    const changed = [];
    for (const record of records) {
      if (record.type !== "childList") {
        const target = record.type === "characterData" ? record.target.parentElement : record.target;
        if (target) changed.push(target);
        continue;
      }
      const target = record.target;
      // Stryker disable next-line ConditionalExpression,LogicalOperator,ArithmeticOperator: cost only: another element, or one twice, is moved out only if a shape and leads to the same outermost shape
      if (target.nodeType === 1 && mayBeVml(target) && target !== parents[parents.length - 1]) parents.push(target);
      const nodes = record.addedNodes;
      for (let i = 0; i < nodes.length; i++) {
        const node = nodes[i];
        // prettier-ignore
        // Stryker disable next-line ConditionalExpression: cost only: any other node looked through holds no shape
        if (node.nodeType === 1 && node.namespaceURI !== SVG && (mayBeVml(node) || node.firstElementChild)) added.push(node);
      }
    }
    return { parents, added, changed };
  }

  // The shapes in and under roots, each root looked through once.
  function shapesIn(roots) {
    const looked = new Set();
    // Stryker disable next-line BlockStatement: cost only: a root looked through again gives shapes queued once
    const within = (node) => {
      // Stryker disable next-line ConditionalExpression,BooleanLiteral: as above
      for (let n = node; n; n = n.parentNode) if (looked.has(n)) return true;
      return false;
    };
    const shapes = [];
    for (const root of roots) {
      if (isShape(root)) shapes.push(root);
      // Stryker disable next-line ConditionalExpression,LogicalOperator: as above
      if (root.firstElementChild && !within(root)) {
        looked.add(root);
        shapes.push(...root.querySelectorAll(shapeSelector()));
      }
    }
    return shapes;
  }

  const pending = new Set();
  // Every shape queued, with the elements it held then (its parts, a group's members): they
  // may change unrecorded (changes.js), added by the parser after a look found the shape, or
  // added and removed in a batch of many.
  const met = new WeakMap();
  function partsIn(shape) {
    // Stryker disable next-line ArrayDeclaration: the same text heads what a shape held and holds
    const parts = [];
    // prettier-ignore
    // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only: a drawing counted, every shape drawn is drawn again at the next look
    for (let child = shape.firstElementChild; child; child = child.nextElementSibling) if (child.namespaceURI !== SVG) parts.push(child);
    return parts;
  }
  const partsChanged = (shape) => {
    const [before, now] = [met.get(shape), partsIn(shape)];
    // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only: a shape whose parts are the same is drawn again
    return before.length !== now.length || before.some((part, i) => part !== now[i]);
  };
  let frame = 0;
  function take(records) {
    learnPrefixes();
    // Stryker disable next-line ConditionalExpression: cost only: sheets looked at once more
    if (records.length) lookAtSheetsSoon();
    const { parents, added, changed } = touched(records);
    for (const parent of parents) if (isShape(parent) && parent.parentNode) moveOut(parent);
    const addedShapes = shapesIn(added);
    for (const shape of addedShapes) moveOut(shape);
    for (const shape of addedShapes) addStyles(prefixOf(shape)); // before the page reads a layout
    queue([parents, addedShapes, shapesIn(changed), changed].flat());
    changes.take(); // what moving out changed
  }
  // The page's sheets, for rules that bind a prefix, once a frame while it changes the
  // document (a style element or a link added, a style's text or a link's address changed)
  // and when a linked sheet has come: the shapes of a prefix learnt so are drawn then
  // (learnt below).
  let sheetFrame = 0;
  function lookAtSheets() {
    sheetFrame = 0;
    // Stryker disable next-line BooleanLiteral: cost only: a linked sheet read at once, not when its fetch answers
    learnSheets(false);
  }
  function lookAtSheetsSoon() {
    // Stryker disable next-line ConditionalExpression: cost only: the sheets looked at twice in a frame
    if (!sheetFrame) sheetFrame = requestAnimationFrame(lookAtSheets);
  }
  document.addEventListener("load", lookAtSheetsSoon, true); // a linked sheet among what loaded
  // The outermost shape around each node is drawn in the next frame.
  function queue(nodes) {
    const outermost = outermostShapes();
    for (const node of nodes) {
      // Stryker disable next-line ConditionalExpression: what an element that is no shape held is never asked; cost only: none met, each look draws all
      if (isShape(node)) met.set(node, partsIn(node));
      const shape = outermost(node);
      if (shape && !inDrawing(node)) pending.add(shape);
    }
    // Stryker disable next-line ConditionalExpression,LogicalOperator: cost only: a frame asked for twice draws what is pending once
    if (pending.size && !frame) frame = requestAnimationFrame(flush);
  }
  // A prefix learnt once its shapes are in the document (its rule in a linked sheet, or
  // after them): they are drawn as if just added.
  learnt((prefix) => {
    const shapes = [...document.querySelectorAll(SHAPES.map((name) => prefix + "\\:" + name).join(","))];
    if (!shapes.length) return;
    for (const shape of shapes) moveOut(shape);
    addStyles(prefix);
    queue(shapes);
  });

  // Nodes added too many to list: the shapes in the document not met before, and those the
  // parser has gone on filling since, each found once by one query.
  function takeAdded() {
    learnPrefixes();
    lookAtSheetsSoon();
    const found = [];
    for (const shape of document.querySelectorAll(shapeSelector()))
      // Stryker disable next-line ConditionalExpression: cost only: every shape drawn again
      if (!met.has(shape) || holdsMore(shape) || partsChanged(shape)) {
        moveOut(shape);
        found.push(shape);
      }
    for (const shape of found) addStyles(prefixOf(shape));
    queue(found);
  }
  function holdsMore(shape) {
    // Stryker disable next-line ConditionalExpression,StringLiteral,BooleanLiteral: cost only: a group drawn again; moveOut leaves its members
    if (vmlName(shape) === "group") return false; // its members are its own
    // Stryker disable next-line ConditionalExpression: cost only: a shape drawn again, moveOut leaving its parts
    for (let child = shape.firstChild; child; child = child.nextSibling) if (!ownChild(child)) return true;
    // Stryker disable next-line BooleanLiteral: as above
    return false;
  }

  // Also before printing: what a script changed just before window.print() is printed too.
  function flush() {
    take(changes.take());
    cancelAnimationFrame(frame);
    frame = 0;
    const shapes = [...pending].filter((shape) => shape.isConnected);
    pending.clear();
    renderAll(shapes);
    changes.take(); // what drawing itself changed
  }

  // Once the parser is done, the page's rules are read and its shapes drawn at once: its
  // scripts, about to run, may read them before a frame comes, the load event's too.
  function takeParsed() {
    takeAdded();
    cancelAnimationFrame(sheetFrame);
    lookAtSheets();
    flush();
  }
  const changes = watch(take, { added: takeAdded, parsed: takeParsed });
  window.addEventListener("beforeprint", flush);

  // --- Scripts that set VML members -------------------------------------------------------
  // el.from = "10,20", el.strokecolor = "red", el.filled = false... set the attribute, so
  // the shape is drawn again. On elements that are not VML they stay plain properties.
  const MEMBERS = [
    "from",
    "to",
    "points",
    "strokecolor",
    "strokeweight",
    "stroked",
    "fillcolor",
    "filled",
    "coordsize",
    "coordorigin",
    "path",
    "arcsize",
    "color",
    "weight",
    "dashstyle",
    "startarrow",
    "endarrow",
    "opacity",
    "on",
    "v",
  ];
  const BOOLEAN = new Set(["stroked", "filled", "on"]);
  const plain = new WeakMap(); // element -> the members set on it while it is not VML
  // Whether el is VML by test, once the page's prefixes are learnt again if its prefix is
  // not known yet: a script may make <x:line> and set its members right after it wrote the
  // rule that binds x, or before the text of the linked sheet that binds it has come.
  const now = (test) => (el) =>
    // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only: the prefixes learnt again for an element that names none
    test(el) || (el.localName.indexOf(":") > 0 && (learnPrefixes(), learnSheets(true), test(el)));
  // A member of unknown elements: VML's own on VML elements, a plain property elsewhere.
  function member(name, vml, get, set) {
    vml = now(vml);
    defineGetter(
      HTMLUnknownElement.prototype,
      name,
      function () {
        if (vml(this)) return get.call(this);
        return plain.has(this) ? plain.get(this)[name] : undefined;
      },
      function (value) {
        if (vml(this) && set) return set.call(this, value);
        if (!plain.has(this)) plain.set(this, {});
        plain.get(this)[name] = value;
      }
    );
  }
  for (const name of MEMBERS)
    member(
      name,
      vmlName,
      function () {
        const value = this.getAttribute(name);
        return BOOLEAN.has(name) ? flag(value) : value == null ? "" : value;
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
  // Read and written in any letter case, as the old browser's VML did: strokeColor, From.
  shared.caseless(...MEMBERS, "stroke", "fill");
});
