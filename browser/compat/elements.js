// The old browser's ways with elements and the document, as the service's pages use them.
// Where WebKit gives an answer of its own, it is kept, except in the few places named below
// where the pages relied on the old browser's answer (replace).
run(function () {
  // --- Creating and placing elements ------------------------------------------------------
  // createElement("<input name='q' value='1'>") and createElement("<v:line from='0,0' to='9,9'>"):
  // the tag as the parser reads it, attributes included, without its content. A VML shape
  // made so is the same kind of element as one in the markup, and is drawn when placed.
  replace(
    Document.prototype,
    "createElement",
    (createElement) =>
      function createElement_(name) {
        if (typeof name === "string" && name.charAt(0) === "<" && this instanceof HTMLDocument) {
          const template = createElement.call(this, "template");
          template.innerHTML = name;
          const made = template.content.firstElementChild;
          if (made) return this.importNode(made, false);
        }
        return createElement.apply(this, arguments);
      }
  );

  // insertBefore(node) without a place appends it: WebKit takes a place given as undefined
  // for none, and refuses only a call without one.
  replace(
    Node.prototype,
    "insertBefore",
    (insertBefore) =>
      function insertBefore_(node, child) {
        return insertBefore.call(this, node, child);
      }
  );

  // getElementById(x) finds the element named x when no element has that id. Such an
  // element answers getAttributeNode("id") with an empty attribute, as there: libraries
  // that know this of the old browser read the id through it.
  const foundByName = new WeakSet();
  replace(
    Document.prototype,
    "getElementById",
    (getElementById) =>
      function getElementById_(id) {
        const found = getElementById.apply(this, arguments);
        if (found || id === "" || id == null) return found;
        const named = this.querySelector(`[name="${CSS.escape(String(id))}"]`);
        if (named) foundByName.add(named);
        return named;
      }
  );
  replace(
    Element.prototype,
    "getAttributeNode",
    (getAttributeNode) =>
      function getAttributeNode_(name) {
        const node = getAttributeNode.apply(this, arguments);
        if (node || !foundByName.has(this) || String(name).toLowerCase() !== "id") return node;
        return this.ownerDocument.createAttribute("id");
      }
  );

  // el.removeNode(deep), el.replaceNode(other), el.swapNode(other).
  defineMethod(Element.prototype, "removeNode", function removeNode(deep) {
    if (!deep) while (this.firstChild) this.before(this.firstChild);
    this.remove();
    return this;
  });
  defineMethod(Element.prototype, "replaceNode", function replaceNode(other) {
    this.replaceWith(other);
    return this;
  });
  defineMethod(Element.prototype, "swapNode", function swapNode(other) {
    const mark = new Comment();
    other.replaceWith(mark);
    this.replaceWith(other);
    mark.replaceWith(this);
    return this;
  });

  // --- Attributes as properties, members in any letter case -------------------------------
  // <td lcolor="red"> gave td.lcolor == "red"; and members the old browser read in any
  // letter case (VML's strokeColor and StrokeColor for strokecolor, setHomePage) were there
  // in every case. An element's member that neither it nor its prototypes have is looked up
  // past Node.prototype: there it is found under the name this layer defined it by, when it
  // is another case of such a name, else its attribute of that name is read; and a member
  // so named is written under that name too. Members found earlier, which are nearly all,
  // never come here. shared.caseless(name, ...) adds such names.
  const caseless = new Map(); // lower case -> the name as defined
  shared.caseless = (...names) => {
    for (const name of names) caseless.set(name.toLowerCase(), name);
  };
  shared.caseless("setHomePage", "isHomePage");
  // Whether node is an element, and not a prototype.
  function isElement(node) {
    try {
      return node.nodeType === 1;
    } catch {
      // a prototype's nodeType throws
    }
    return false;
  }
  // The name key is another case of, when node is an element; else undefined.
  function definedName(node, key) {
    const name = caseless.get(key.toLowerCase());
    return name !== key && isElement(node) ? name : undefined;
  }
  function attributeOf(node, name) {
    return node instanceof HTMLElement && isElement(node) && node.hasAttribute(name)
      ? node.getAttribute(name)
      : undefined;
  }
  const above = Object.getPrototypeOf(Node.prototype);
  Object.setPrototypeOf(
    Node.prototype,
    new Proxy(above, {
      get(target, key, receiver) {
        if (typeof key === "string") {
          const name = definedName(receiver, key);
          if (name) return receiver[name];
          const value = attributeOf(receiver, key);
          if (value !== undefined) return value;
        }
        return Reflect.get(target, key, receiver);
      },
      set(target, key, value, receiver) {
        const name = typeof key === "string" && definedName(receiver, key);
        if (!name) return Reflect.set(target, key, value, receiver);
        receiver[name] = value;
        return true;
      },
    })
  );

  // --- The browser's own requests ---------------------------------------------------------
  // this.style.behavior = "url(#default#homepage)"; this.setHomePage(url): the shell sets no
  // home page; the status bar says the page asked, as for a favourite.
  defineMethod(Element.prototype, "setHomePage", function setHomePage(url) {
    ask("status", "此网页请求设为主页：" + (url || window.location.href));
  });
  defineMethod(Element.prototype, "isHomePage", function isHomePage() {
    return false;
  });

  // window.external.addFavorite, AddFavorite, addfavorite...: its members in any letter case.
  // legacy-dom.js gave the window its external object, where WebKit has none.
  const caselessIn = (target, key) =>
    typeof key !== "string" || key in target
      ? key
      : Object.getOwnPropertyNames(target).find((name) => name.toLowerCase() === key.toLowerCase()) || key;
  const external = new Proxy(window.external, {
    get: (target, key) => Reflect.get(target, caselessIn(target, key), target),
    has: (target, key) => caselessIn(target, key) in target,
  });
  Object.defineProperty(window, "external", { configurable: true, enumerable: false, writable: true, value: external });

  // --- Readiness --------------------------------------------------------------------------
  // document.documentElement.doScroll("left") failed while the document was being read:
  // pages called it over and over to learn when they could start.
  const SCROLLS = {
    left: [-40, 0],
    right: [40, 0],
    up: [0, -40],
    down: [0, 40],
    pageleft: [-0.9, 0, true],
    pageright: [0.9, 0, true],
    pageup: [0, -0.9, true],
    pagedown: [0, 0.9, true],
  };
  defineMethod(Element.prototype, "doScroll", function doScroll(action) {
    const doc = this.ownerDocument;
    if (doc.readyState === "loading") throw new Error("未指明的错误。");
    const step =
      SCROLLS[
        String(action === undefined ? "down" : action)
          .toLowerCase()
          .replace(/^scrollbar/, "")
      ];
    if (!step) return;
    const whole = this === doc.documentElement || this === doc.body;
    const box = whole
      ? { width: doc.defaultView.innerWidth, height: doc.defaultView.innerHeight }
      : { width: this.clientWidth, height: this.clientHeight };
    const [x, y] = step[2] ? [step[0] * box.width, step[1] * box.height] : step;
    (whole ? doc.defaultView : this).scrollBy(x, y);
  });

  // --- Built-in objects -------------------------------------------------------------------
  // getYear(): the year less 1900 in the twentieth century, the full year otherwise.
  replace(
    Date.prototype,
    "getYear",
    () =>
      function getYear() {
        const year = this.getFullYear();
        return year >= 1900 && year < 2000 ? year - 1900 : year;
      }
  );
});
