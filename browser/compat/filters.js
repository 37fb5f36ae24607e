// The old browser's alpha filter: filter:alpha(opacity=50), or
// progid:DXImageTransform.Microsoft.Alpha(Opacity=50), in a style attribute or a style
// sheet gives that opacity, and el.filters.alpha.opacity reads and sets it. WebKit drops
// such a declaration as it reads it, so the written text is read here: the style attribute
// as it arrives, and the text of each style sheet of the page's origin.
run(function () {
  const { watch } = shared;

  const ALPHA = /(?:\balpha|dximagetransform\.microsoft\.alpha)\s*\(([^)]*)\)/i;
  // The opacity, 0 to 100, that a declaration's text asks for; null when it asks for none.
  function alphaIn(text) {
    const filter = ALPHA.exec(text); // a missing attribute's null reads as "null"
    const opacity = filter && /opacity\s*[=:]\s*([\d.]+)/i.exec(filter[1]);
    return opacity ? Math.max(0, Math.min(100, parseFloat(opacity[1]))) : null;
  }
  shared.alphaIn = alphaIn; // for el.style.filter, in style-object.js

  // --- Style attributes -----------------------------------------------------------------
  const alphas = new WeakMap(); // element -> the opacity its filter was last given
  function setAlpha(el, opacity) {
    alphas.set(el, opacity);
    el.style.opacity = String(opacity / 100);
  }
  function readAttribute(el) {
    const opacity = alphaIn(el.getAttribute("style"));
    if (opacity !== null && !el.style.opacity) setAlpha(el, opacity);
  }

  // --- Style sheets ---------------------------------------------------------------------
  // Each rule whose declarations hold an alpha filter gets a rule of the same selector with
  // that opacity, at the end of the same sheet.
  const read = new WeakSet();
  function readSheet(sheet, text) {
    if (!sheet || read.has(sheet)) return;
    read.add(sheet);
    const rules = String(text)
      .replace(/\/\*[\s\S]*?\*\//g, "")
      .matchAll(/([^{}@;]+)\{([^{}]*)\}/g);
    for (const [, selector, declarations] of rules) {
      const opacity = alphaIn(declarations);
      if (opacity === null) continue;
      try {
        sheet.insertRule(`${selector}{opacity:${opacity / 100}}`, sheet.cssRules.length);
      } catch (error) {
        // a selector WebKit cannot read, as the sheet itself dropped it
      }
    }
  }
  const linked = new WeakSet();
  function readLink(link) {
    const fetchText = () => {
      if (!link.sheet || read.has(link.sheet)) return;
      const sheet = link.sheet;
      shared.sheets.linked(link.href).then((text) => readSheet(sheet, text));
    };
    linked.add(link);
    link.addEventListener("load", fetchText);
    fetchText();
  }

  // What the page added is looked through once a frame, before it is painted, and when a
  // script asks for an element's filters: a page's table adds thousands of elements, and
  // going through each one as it comes costs more than asking the document for the few
  // that hold a filter or a sheet.
  const WRITTEN = "[style*=alpha i],style,link";
  let frame = 0;
  function readAll() {
    added.take(); // first: nodes added unlisted ask for a look, which this is
    cancelAnimationFrame(frame);
    frame = 0;
    for (const el of document.querySelectorAll(WRITTEN)) {
      if (el.localName === "style") readSheet(el.sheet, el.textContent);
      else if (el.localName === "link") {
        if (/stylesheet/i.test(el.rel) && !linked.has(el)) readLink(el);
      } else readAttribute(el);
    }
  }
  const adds = (records) => records.some((record) => record.type === "childList");
  const lookLater = () => {
    if (!frame) frame = requestAnimationFrame(readAll);
  };
  const added = watch((records) => adds(records) && lookLater(), { added: lookLater, parsed: readAll });
  // A style attribute a script changes is read at once, as the old browser read it.
  const changed = new MutationObserver((records) => {
    for (const record of records) readAttribute(record.target);
  });
  changed.observe(document, { attributes: true, subtree: true, attributeFilter: ["style"] });

  // --- el.filters -------------------------------------------------------------------------
  // el.filters.alpha, el.filters.item("DXImageTransform.Microsoft.Alpha") and
  // el.filters.item(0): the element's alpha filter, whose opacity is 0 to 100. The old
  // browser read filters' names and their members in any letter case (el.filters.Alpha.Opacity,
  // tooltip libraries wrote both), so each object holds its names in lower case and is read
  // through caselessly(): a proxy made once for each, whose only cost is the lower case of
  // the name asked for.
  // A name it does not hold in lower case is read as given: toString and the other members
  // every object has, which "" + el.filters.alpha asks for.
  const lower = (key) => (typeof key === "string" ? key.toLowerCase() : key);
  const caselessly = (object) =>
    new Proxy(object, {
      get: (target, key) => Reflect.get(target, lower(key) in target ? lower(key) : key),
      set: (target, key, value) => Reflect.set(target, lower(key), value),
      has: (target, key) => lower(key) in target || key in target,
    });
  function alphaFilter(el) {
    const opacity = {
      get: () => (alphas.has(el) ? alphas.get(el) : Math.round(parseFloat(getComputedStyle(el).opacity) * 100)),
      set: (value) => setAlpha(el, Math.max(0, Math.min(100, parseFloat(value) || 0))),
    };
    return caselessly(
      Object.defineProperties(transition(), {
        opacity,
        enabled: {
          get: () => el.style.opacity !== "1",
          set: (on) => {
            el.style.opacity = on ? String(opacity.get() / 100) : "1";
          },
        },
      })
    );
  }
  // The transitions banners played as they changed a picture (revealTrans, blendTrans),
  // reached through the filters that pages test for: the change shows at once, and
  // apply(), play() and stop() do nothing.
  const noop = () => {};
  const transition = () => ({ transition: 0, duration: 1, status: 0, apply: noop, play: noop, stop: noop });
  const filterLists = new WeakMap();
  defineGetter(Element.prototype, "filters", function () {
    if (adds(added.take()) || frame || added.reading()) readAll(); // the parser's nodes are told only now and then
    if (!filterLists.has(this)) {
      const alpha = alphaFilter(this);
      const item = (key) => (key === 0 || ALPHA.test(String(key) + "()") ? alpha : null);
      filterLists.set(
        this,
        caselessly(
          Object.defineProperties(
            {},
            {
              alpha: { value: alpha },
              "dximagetransform.microsoft.alpha": { value: alpha },
              item: { value: item },
              length: { value: 1 },
              revealtrans: { value: caselessly(transition()) },
              blendtrans: { value: caselessly(transition()) },
            }
          )
        )
      );
    }
    return filterLists.get(this);
  });
});
