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
  // Every property named below is an accessor of this prototype itself.
  const proto = Object.getPrototypeOf(document.createElement("div").style);
  const descriptorOf = (name) => Object.getOwnPropertyDescriptor(proto, name);

  // --- Bare numbers --------------------------------------------------------------------
  const SIDES = ["Top", "Right", "Bottom", "Left"];
  const LENGTHS = [
    "top",
    "right",
    "bottom",
    "left",
    "width",
    "height",
    "minWidth",
    "minHeight",
    "maxWidth",
    "maxHeight",
    "margin",
    "padding",
    "borderWidth",
    "fontSize",
    "textIndent",
    "letterSpacing",
    "wordSpacing",
    "outlineWidth",
    "verticalAlign",
    "backgroundPositionX",
    "backgroundPositionY",
    ...SIDES.flatMap((side) => ["margin" + side, "padding" + side, "border" + side + "Width"]),
  ];
  const dashed = (name) => name.replace(/[A-Z]/g, (letter) => "-" + letter.toLowerCase());
  const pixels = (value) => (Number.isFinite(value) ? value + "px" : value); // a number, not "7"
  // The same for a value an expression gives a property, by its name in CSS.
  const lengths = new Set(LENGTHS.map(dashed));
  shared.pixels = (property, value) => (lengths.has(property) ? pixels(value) : value);

  const setters = new Map(); // property, as a script names it -> WebKit's own setter
  for (const name of new Set(LENGTHS.flatMap((name) => [name, dashed(name)]))) {
    const descriptor = descriptorOf(name);
    const set = descriptor.set;
    setters.set(name, set);
    Object.defineProperty(
      proto,
      name,
      Object.assign({}, descriptor, {
        set: {
          [name](value) {
            set.call(this, pixels(value));
          },
        }[name],
      })
    );
  }

  // el.style.filter = "alpha(opacity=50)": WebKit drops the value, and the opacity it
  // names is set instead; a filter without one takes back the opacity a filter gave.
  const filter = descriptorOf("filter");
  const opacity = descriptorOf("opacity");
  const filtered = new WeakSet(); // style declarations whose opacity a filter set
  Object.defineProperty(
    proto,
    "filter",
    Object.assign({}, filter, {
      set: {
        filter(value) {
          filter.set.call(this, value);
          const alpha = shared.alphaIn(String(value));
          if (alpha !== null) {
            opacity.set.call(this, String(alpha / 100));
            filtered.add(this);
          } else if (filtered.delete(this)) opacity.set.call(this, "");
        },
      }.filter,
    })
  );

  // styleFloat: the old browser's name for float, which libraries of the time set when it was there.
  const cssFloat = descriptorOf("cssFloat");
  defineGetter(proto, "styleFloat", cssFloat.get, cssFloat.set);

  // --- pixelLeft, posLeft... ---------------------------------------------------------------
  // The old browser gave lengths in other units as pixels here; the absolute units convert
  // so, and a relative one (em, %) gives its number, having no element to be relative to.
  // A value that is not a length (auto, calc()) reads as 0. WebKit gives a length back as
  // its number and unit and nothing else; the number comes first in no other value here.
  const PER_UNIT = { pt: 4 / 3, pc: 16, in: 96, cm: 96 / 2.54, mm: 96 / 25.4, q: 96 / 101.6 };
  const LENGTH = /^(-?[\d.]+)([a-z%]*)$/i;
  const read = (style, name) => LENGTH.exec(style.getPropertyValue(name));

  for (const name of ["top", "left", "width", "height", "right", "bottom"]) {
    const member = name[0].toUpperCase() + name.slice(1);
    const set = setters.get(name);
    defineGetter(
      proto,
      "pixel" + member,
      function () {
        const length = read(this, name);
        return length ? Math.trunc(parseFloat(length[1]) * (PER_UNIT[length[2].toLowerCase()] || 1)) || 0 : 0;
      },
      // What is not a number gives "NaNpx", which WebKit refuses as it refuses "x".
      function (value) {
        set.call(this, Math.trunc(Number(value)) + "px");
      }
    );
    defineGetter(
      proto,
      "pos" + member,
      function () {
        return parseFloat(read(this, name)?.[1]) || 0;
      },
      function (value) {
        set.call(this, Number(value) + (read(this, name)?.[2] || "px"));
      }
    );
  }
});
