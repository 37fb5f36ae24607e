// The old browser's collections, as the service's pages use them.
//
// There a collection could be called like a function: document.forms(0), table.rows(i),
// row.cells(j), childNodes(i), select.options("name"), frames("x"). WebKit's collections
// cannot be called, so the members that give them out give a stand-in: a proxy that reads,
// writes, iterates and compares as the collection does (length, indices, names, item,
// instanceof, Object.prototype.toString, Array.prototype.slice.call) and can be called.
// One thing cannot be kept: typeof calls it "function", as a callable object must be.
// Libraries that ask what a value is ask Object.prototype.toString, which still says
// "[object HTMLCollection]".
//
// Table parts held no text between their rows and cells there, so tr.childNodes[j] was the
// j-th cell and tbody.firstChild a row: the whitespace the parser puts there is taken out.
run(function () {
  const { watch } = shared;

  const COLLECTION = Symbol("collection");

  // A number, or a string of digits, is a place in the list, never a name.
  const isIndex = (key) => typeof key === "number" || /^\d+$/.test(key);

  // coll(i) and coll("i") are the i-th member; coll("name") the one of that id or name;
  // coll("name", i) the i-th of those.
  function call(collection, key, index) {
    if (key === undefined) return null;
    if (isIndex(key)) return collection[+key] || null;
    const name = String(key);
    if (index === undefined && typeof collection.namedItem === "function") return collection.namedItem(name);
    const named = Array.prototype.filter.call(
      collection,
      (node) => node && node.nodeType === 1 && (node.id === name || node.getAttribute("name") === name)
    );
    return named[index === undefined ? 0 : index] || null;
  }

  // One handler for every stand-in: the collection is the target's COLLECTION. Methods read
  // through it are bound to the collection, whose native members refuse any other `this`.
  const handler = {
    get(target, key) {
      const collection = target[COLLECTION];
      if (key === "tags" && target.tags) return target.tags;
      const value = Reflect.get(collection, key, collection);
      return typeof value === "function" && !(value instanceof Node) ? value.bind(collection) : value;
    },
    set: (target, key, value) => Reflect.set(target[COLLECTION], key, value, target[COLLECTION]),
    has: (target, key) => key in target[COLLECTION],
    ownKeys: (target) => Reflect.ownKeys(target[COLLECTION]),
    getOwnPropertyDescriptor: (target, key) => Reflect.getOwnPropertyDescriptor(target[COLLECTION], key),
    defineProperty: (target, key, descriptor) => Reflect.defineProperty(target[COLLECTION], key, descriptor),
    deleteProperty: (target, key) => Reflect.deleteProperty(target[COLLECTION], key),
    getPrototypeOf: (target) => Object.getPrototypeOf(target[COLLECTION]),
    apply: (target, self, args) => call(target[COLLECTION], args[0], args[1]),
  };

  // The same stand-in each time for one collection, as WebKit gives the same collection.
  // Every member wrapped below gives a collection, never null.
  const standIns = new WeakMap();
  function callable(collection, tags) {
    let standIn = standIns.get(collection);
    if (!standIn) {
      const target = () => undefined; // never run: the handler's apply answers a call
      delete target.length;
      delete target.name;
      target[COLLECTION] = collection;
      target.tags = tags;
      standIn = new Proxy(target, handler);
      standIns.set(collection, standIn);
    }
    return standIn;
  }

  // Each of these is WebKit's own accessor or method, on the prototype named.
  function wrapGetter(proto, name) {
    const descriptor = Object.getOwnPropertyDescriptor(proto, name);
    const get = descriptor.get;
    Object.defineProperty(
      proto,
      name,
      Object.assign({}, descriptor, {
        get: {
          [name]() {
            return callable(get.call(this));
          },
        }[name],
      })
    );
  }

  for (const name of ["forms", "images", "links", "anchors", "scripts"]) wrapGetter(Document.prototype, name);
  wrapGetter(HTMLTableElement.prototype, "rows");
  wrapGetter(HTMLTableElement.prototype, "tBodies");
  wrapGetter(HTMLTableSectionElement.prototype, "rows");
  wrapGetter(HTMLTableRowElement.prototype, "cells");
  wrapGetter(HTMLSelectElement.prototype, "options");
  wrapGetter(HTMLFormElement.prototype, "elements");
  wrapGetter(Node.prototype, "childNodes");
  wrapGetter(Element.prototype, "children");
  const byName = Object.getOwnPropertyDescriptor(Document.prototype, "getElementsByName");
  Object.defineProperty(
    Document.prototype,
    "getElementsByName",
    Object.assign({}, byName, {
      value: function getElementsByName() {
        return callable(byName.value.apply(this, arguments));
      },
    })
  );

  // document.all.tags("TD"), element.all and element.all.tags("A").
  const tagsOf = (root) => (name) => callable(root.getElementsByTagName(String(name)));
  defineMethod(HTMLAllCollection.prototype, "tags", function tags(name) {
    return callable(document.getElementsByTagName(String(name)));
  });
  defineGetter(Element.prototype, "all", function () {
    return callable(this.getElementsByTagName("*"), tagsOf(this));
  });

  // frames("x") and document.frames: the window, callable by a frame's name or number.
  const framesOf = new WeakMap();
  function frameList(win) {
    if (!framesOf.has(win)) {
      const target = (key) => {
        if (isIndex(key)) return win[+key] || null;
        const name = CSS.escape(String(key));
        const frame = win.document.querySelector(
          `iframe[name="${name}"], frame[name="${name}"], iframe[id="${name}"], frame[id="${name}"]`
        );
        return frame ? frame.contentWindow : null;
      };
      delete target.length;
      delete target.name;
      target[COLLECTION] = win;
      framesOf.set(win, new Proxy(target, Object.assign({}, handler, { apply: (t, self, args) => t(args[0]) })));
    }
    return framesOf.get(win);
  }
  // Only the getter changes: the setter WebKit's replaceable member has, and its attributes, stay.
  Object.defineProperty(window, "frames", {
    get: function frames() {
      return frameList(window);
    },
  });
  defineGetter(Document.prototype, "frames", function () {
    return this.defaultView ? frameList(this.defaultView) : null;
  });

  // --- Table parts without whitespace -----------------------------------------------------
  const TABLE_PARTS = new Set(["TABLE", "THEAD", "TBODY", "TFOOT", "TR"]);
  const blank = (node) => node.nodeType === 3 && !/\S/.test(node.data);
  // Walked with Node's own getters: a table part's, and while the parser reads a node's
  // siblings, are this script's, which strip the part first.
  const [firstOf, nextOf] = ["firstChild", "nextSibling"].map(
    (name) => Object.getOwnPropertyDescriptor(Node.prototype, name).get
  );
  function stripTable(part) {
    for (let child = firstOf.call(part), next; child; child = next) {
      next = nextOf.call(child);
      if (blank(child)) child.remove();
    }
  }
  // The parser adds a page's nodes one by one, a record each: a table of draws gives tens of
  // thousands, so a record costs a few reads, and a text node is never asked for elements.
  function strip(records) {
    for (const record of records) {
      const nodes = record.addedNodes;
      const part = TABLE_PARTS.has(record.target.nodeName);
      for (let i = 0; i < nodes.length; i++) {
        const added = nodes[i];
        if (added.nodeType === 3) {
          if (part && blank(added) && added.parentNode === record.target) added.remove();
        } else if (added.firstElementChild) {
          // of text, comments and the like: undefined
          for (const inner of added.querySelectorAll("table,thead,tbody,tfoot,tr")) stripTable(inner);
        }
      }
    }
  }
  // Nodes added too many to list: the blank text of every table part, found by one query.
  // While the parser reads, no script has yet seen what the query would find (the getters
  // below strip the part a script reads): it waits for the parser's end.
  const BLANKS = "//table/text()|//thead/text()|//tbody/text()|//tfoot/text()|//tr/text()";
  function stripAll() {
    if (changes.reading()) return;
    unwrapSiblings();
    const found = document.evaluate(BLANKS, document, null, XPathResult.ORDERED_NODE_SNAPSHOT_TYPE, null);
    for (let i = 0; i < found.snapshotLength; i++) if (blank(found.snapshotItem(i))) found.snapshotItem(i).remove();
  }
  const changes = watch(strip, { added: stripAll });

  // What a script changed a moment ago is taken out before it reads a table part's children,
  // and, while the parser reads, what the parser put in the part it reads.
  const inherited = (name) => Object.getOwnPropertyDescriptor(Node.prototype, name);
  const flushed = (get) =>
    function () {
      strip(changes.take());
      if (changes.reading()) stripTable(this);
      return get.call(this);
    };
  for (const proto of [HTMLTableElement.prototype, HTMLTableSectionElement.prototype, HTMLTableRowElement.prototype])
    for (const name of ["childNodes", "firstChild", "lastChild"])
      Object.defineProperty(proto, name, {
        configurable: true,
        enumerable: inherited(name).enumerable,
        get: flushed(inherited(name).get),
      });

  // A script that runs while the parser reads may step from a cell to its neighbours: the
  // part is stripped first. Only until the parser is done, when stripAll() has no part hold
  // blank text any more and the native getters come back.
  const siblings = ["nextSibling", "previousSibling"].map((name) => ({ name, native: inherited(name) }));
  function wrapSiblings() {
    for (const { name, native } of siblings)
      Object.defineProperty(
        Node.prototype,
        name,
        Object.assign({}, native, {
          get: {
            [name]() {
              const part = this.parentNode;
              if (part && TABLE_PARTS.has(part.nodeName)) stripTable(part);
              return native.get.call(this);
            },
          }[name],
        })
      );
  }
  function unwrapSiblings() {
    for (const { name, native } of siblings.splice(0)) Object.defineProperty(Node.prototype, name, native);
  }
  if (changes.reading()) wrapSiblings();
  else siblings.length = 0;
});
