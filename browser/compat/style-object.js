// The old browser's style object: a bare number given to a length is pixels
// (el.style.top = event.y - 1 is "Npx"), and pixelLeft, pixelTop, pixelWidth, pixelHeight
// (whole pixels) and posLeft, posTop, posWidth, posHeight (the number in the value's own
// unit) read and write the lengths; a filter's alpha given by script is that opacity.
//
// Only the setters of the length properties and filter are wrapped, on the prototype every style
// declaration shares: reading a style costs nothing more, and setting one costs a typeof.
// Strings, and numbers a property already takes (line-height: 2, z-index, opacity), keep
// WebKit's meaning; setProperty and cssText are left as they are, as the old browser had
// no setProperty and read cssText as text.
run(function () {
  const proto = Object.getPrototypeOf(document.createElement("div").style);
  const descriptorOf = (name) => {
    for (let at = proto; at; at = Object.getPrototypeOf(at)) {
      const descriptor = Object.getOwnPropertyDescriptor(at, name);
      if (descriptor) return descriptor;
    }
    return undefined;
  };

  // --- Bare numbers --------------------------------------------------------------------
  const SIDES = ["Top", "Right", "Bottom", "Left"];
  const LENGTHS = ["top", "right", "bottom", "left", "width", "height", "minWidth", "minHeight", "maxWidth",
    "maxHeight", "margin", "padding", "borderWidth", "fontSize", "textIndent", "letterSpacing", "wordSpacing",
    "outlineWidth", "verticalAlign", "backgroundPositionX", "backgroundPositionY",
    ...SIDES.flatMap((side) => ["margin" + side, "padding" + side, "border" + side + "Width"])];
  const dashed = (name) => name.replace(/[A-Z]/g, (letter) => "-" + letter.toLowerCase());
  const pixels = (value) => (Number.isFinite(value) ? value + "px" : value); // a number, not "7"
  // The same for a value an expression gives a property, by its name in CSS.
  const lengths = new Set(LENGTHS.map(dashed));
  shared.pixels = (property, value) => (lengths.has(property) ? pixels(value) : value);

  const setters = new Map(); // property, as a script names it -> WebKit's own setter
  for (const name of new Set(LENGTHS.flatMap((name) => [name, dashed(name)]))) {
    const descriptor = descriptorOf(name);
    if (!descriptor || !descriptor.set) continue;
    const set = descriptor.set;
    setters.set(name, set);
    Object.defineProperty(proto, name, Object.assign({}, descriptor, {
      set: { [name](value) { set.call(this, pixels(value)); } }[name],
    }));
  }

  // el.style.filter = "alpha(opacity=50)": WebKit drops the value, and the opacity it
  // names is set instead; a filter without one takes back the opacity a filter gave.
  const filter = descriptorOf("filter");
  const opacity = descriptorOf("opacity");
  const filtered = new WeakSet(); // style declarations whose opacity a filter set
  if (filter && filter.set && opacity && opacity.set && shared.alphaIn)
    Object.defineProperty(proto, "filter", Object.assign({}, filter, {
      set: { filter(value) {
        filter.set.call(this, value);
        const alpha = shared.alphaIn(String(value));
        if (alpha !== null) {
          opacity.set.call(this, String(alpha / 100));
          filtered.add(this);
        } else if (filtered.delete(this)) opacity.set.call(this, "");
      } }.filter,
    }));

  // styleFloat: the old browser's name for float, which libraries of the time set when it was there.
  const cssFloat = descriptorOf("cssFloat");
  if (cssFloat) defineGetter(proto, "styleFloat", cssFloat.get, cssFloat.set);

  // --- pixelLeft, posLeft... ---------------------------------------------------------------
  // The old browser gave lengths in other units as pixels here; the absolute units convert
  // so, and a relative one (em, %) gives its number, having no element to be relative to.
  const PER_UNIT = { px: 1, pt: 4 / 3, pc: 16, in: 96, cm: 96 / 2.54, mm: 96 / 25.4, q: 96 / 101.6 };
  const LENGTH = /^\s*(-?[\d.]+)([a-z%]*)\s*$/i;
  const read = (style, name) => LENGTH.exec(style.getPropertyValue(name)) || [null, "0", ""];

  for (const name of ["top", "left", "width", "height", "right", "bottom"]) {
    const member = name[0].toUpperCase() + name.slice(1);
    const set = setters.get(name);
    defineGetter(
      proto,
      "pixel" + member,
      function () {
        const [, number, unit] = read(this, name);
        return Math.trunc(parseFloat(number) * (PER_UNIT[unit.toLowerCase() || "px"] || 1)) || 0;
      },
      function (value) {
        const number = Math.trunc(Number(value));
        if (Number.isFinite(number)) set.call(this, number + "px");
      }
    );
    defineGetter(
      proto,
      "pos" + member,
      function () {
        return parseFloat(read(this, name)[1]) || 0;
      },
      function (value) {
        const number = Number(value);
        if (Number.isFinite(number)) set.call(this, number + (read(this, name)[2] || "px"));
      }
    );
  }
});
