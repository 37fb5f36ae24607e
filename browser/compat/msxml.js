// The old browser's XML documents: new ActiveXObject("Microsoft.XMLDOM") or
// "MSXML2.DOMDocument", with async, load(url), loadXML(text), parseError, selectNodes and
// selectSingleNode (XPath), and .text and .xml on its nodes. It comes after legacy-dom.js in
// scripts.list, and extends its ActiveXObject. An XML HTTP request's responseXML is such a
// document too.
run(function () {
  const DOCUMENT = /^(microsoft\.xmldom|msxml2?\.(free-?threaded)?domdocument(\.\d\.\d)?)$/i; // 2.6, 3.0 to 6.0
  const XHTML = "http://www.w3.org/1999/xhtml";
  const PARSE_FAILED = -1072896659;
  const LOAD_FAILED = -2146697210;

  const xml = (node) => node.nodeType !== 9 || !(node instanceof HTMLDocument);
  const ownerOf = (node) => (node.nodeType === 9 ? node : node.ownerDocument);
  const inXml = (node) => xml(ownerOf(node));

  // What each document was told and how its last reading went.
  const states = new WeakMap();
  function stateOf(doc) {
    if (!states.has(doc)) states.set(doc, { async: true, error: null, properties: {}, readyState: 4 });
    return states.get(doc);
  }

  function parseError(doc) {
    const error = stateOf(doc).error;
    return Object.assign(
      { errorCode: 0, reason: "", line: 0, linepos: 0, filepos: 0, srcText: "", url: "" },
      error || {}
    );
  }

  // The document's content becomes that of source, a parsed document; a source that did
  // not parse leaves it empty, with the reason in parseError.
  function fill(doc, source, url) {
    const state = stateOf(doc);
    while (doc.firstChild) doc.firstChild.remove();
    const failure = source && source.getElementsByTagNameNS(XHTML, "parsererror")[0];
    if (!source || failure || !source.documentElement) {
      const text = failure ? failure.textContent : "";
      const at = /line (\d+) at column (\d+):\s*([^\n]*)/.exec(text) || [];
      state.error = {
        errorCode: source ? PARSE_FAILED : LOAD_FAILED,
        reason: source ? at[3] || "XML 文档无效。" : "系统未找到指定的资源。",
        line: +at[1] || 0,
        linepos: +at[2] || 0,
        url: url || "",
      };
      return false;
    }
    state.error = null;
    for (const child of [...source.childNodes]) doc.appendChild(doc.importNode(child, true));
    return true;
  }

  function readyStateChanged(doc, readyState) {
    stateOf(doc).readyState = readyState;
    doc.dispatchEvent(new Event("readystatechange"));
  }

  function load(url) {
    const doc = this;
    const state = stateOf(doc);
    const address = new URL(String(url), document.baseURI).href;
    const request = new XMLHttpRequest();
    request.open("GET", address, state.async);
    request.overrideMimeType("text/xml");
    const done = () => {
      const ok = request.status >= 200 && request.status < 300;
      const result = fill(
        doc,
        ok ? request.responseXML || new DOMParser().parseFromString("", "text/xml") : null,
        address
      );
      if (state.async) readyStateChanged(doc, 4);
      return result;
    };
    if (!state.async) {
      try {
        request.send();
      } catch (error) {
        return fill(doc, null, address);
      }
      return done();
    }
    request.onloadend = done;
    readyStateChanged(doc, 1);
    request.send();
    return true;
  }

  function loadXML(text) {
    return fill(this, new DOMParser().parseFromString(String(text), "text/xml"), "");
  }

  // The prefixes of setProperty("SelectionNamespaces", "xmlns:a='urn:a' xmlns:b='urn:b'").
  function resolver(doc) {
    const text = stateOf(doc).properties.selectionnamespaces || "";
    const prefixes = {};
    for (const [, prefix, uri] of text.matchAll(/xmlns(?::([\w.-]+))?\s*=\s*["']([^"']*)["']/g))
      prefixes[prefix || ""] = uri;
    return (prefix) => prefixes[prefix || ""] || null;
  }

  function select(context, expression, first) {
    const doc = ownerOf(context);
    const type = first ? XPathResult.FIRST_ORDERED_NODE_TYPE : XPathResult.ORDERED_NODE_SNAPSHOT_TYPE;
    const result = doc.evaluate(String(expression), context, resolver(doc), type, null);
    if (first) return result.singleNodeValue;
    const list = [];
    for (let i = 0; i < result.snapshotLength; i++) list.push(result.snapshotItem(i));
    let next = 0;
    Object.defineProperties(list, {
      item: { value: (i) => list[i] || null },
      nextNode: { value: () => list[next++] || null },
      reset: {
        value: () => {
          next = 0;
        },
      },
    });
    return list;
  }

  // --- The members ----------------------------------------------------------------------
  const DocumentProto = XMLDocument.prototype;
  define(DocumentProto, "async", {
    get() {
      return stateOf(this).async;
    },
    set(value) {
      stateOf(this).async = !!value;
    },
  });
  for (const name of ["validateOnParse", "resolveExternals", "preserveWhiteSpace"])
    define(DocumentProto, name, {
      get() {
        return !!stateOf(this).properties[name];
      },
      set(value) {
        stateOf(this).properties[name] = !!value;
      },
    });
  define(DocumentProto, "load", { writable: true, value: load });
  define(DocumentProto, "loadXML", { writable: true, value: loadXML });
  define(DocumentProto, "parseError", {
    get() {
      return parseError(this);
    },
  });
  define(DocumentProto, "setProperty", {
    writable: true,
    value(name, value) {
      stateOf(this).properties[String(name).toLowerCase()] = String(value);
    },
  });
  define(DocumentProto, "getProperty", {
    writable: true,
    value(name) {
      return stateOf(this).properties[String(name).toLowerCase()];
    },
  });

  for (const proto of [XMLDocument.prototype, Element.prototype]) {
    define(proto, "selectNodes", {
      writable: true,
      value(expression) {
        return select(this, expression, false);
      },
    });
    define(proto, "selectSingleNode", {
      writable: true,
      value(expression) {
        return select(this, expression, true);
      },
    });
  }

  // node.text and node.xml, on the nodes of XML documents; elsewhere they are plain
  // properties, as WebKit has none of these names.
  const plain = new WeakMap();
  function nodeMember(name, get) {
    define(Node.prototype, name, {
      get() {
        if (inXml(this)) return get(this);
        return plain.has(this) ? plain.get(this)[name] : undefined;
      },
      set(value) {
        if (inXml(this) && name === "text") this.textContent = value;
        else if (!inXml(this)) plain.set(this, Object.assign(plain.get(this) || {}, { [name]: value }));
      },
    });
  }
  nodeMember("text", (node) =>
    node.nodeType === 9 ? (node.documentElement ? node.documentElement.textContent : "") : node.textContent
  );
  nodeMember("xml", (node) => new XMLSerializer().serializeToString(node));

  // --- Making them ----------------------------------------------------------------------
  // An XML HTTP request made so answers responseXML with an empty document when its answer
  // was no XML, as there; parseError then says so.
  function withResponseDocument(request) {
    const native = Object.getOwnPropertyDescriptor(XMLHttpRequest.prototype, "responseXML").get;
    Object.defineProperty(request, "responseXML", {
      configurable: true,
      get() {
        const doc = native.call(this);
        if (doc || this.readyState < 4) return doc;
        const empty = document.implementation.createDocument(null, null, null);
        fill(empty, new DOMParser().parseFromString("", "text/xml"), "");
        return empty;
      },
    });
    return request;
  }

  const ActiveXObject = window.ActiveXObject;
  if (typeof ActiveXObject === "function")
    Object.defineProperty(window, "ActiveXObject", {
      configurable: true,
      enumerable: false,
      writable: true,
      value: function ActiveXObject_(name) {
        if (DOCUMENT.test(String(name))) {
          // readyState counts to 4 while an asynchronous load() runs, as there.
          const doc = document.implementation.createDocument(null, null, null);
          Object.defineProperty(doc, "readyState", { configurable: true, get: () => stateOf(doc).readyState });
          return doc;
        }
        const made = new ActiveXObject(name);
        return made instanceof XMLHttpRequest ? withResponseDocument(made) : made;
      },
    });
});
