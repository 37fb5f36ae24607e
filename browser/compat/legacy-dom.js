// The old Windows browser's DOM, as the service's pages use it. Only on the service's own
// hosts (see prelude.js): on other sites these members would mislead feature checks. A
// member WebKit already has is kept (define) but where named below (replace, window.open),
// and every one added here stays out of enumeration, so a page that loops over an element
// or the window sees what it always saw.
run(function () {
  // --- Events --------------------------------------------------------------------------
  // attachEvent("onclick", handler): the handler gets the event as its argument and in
  // window.event (WebKit keeps both, and srcElement, returnValue and cancelBubble, during
  // dispatch) and runs with `this` the window, as it did there. Attaching one function
  // twice attaches it once. Handlers run in the order they were attached, as listeners
  // do; returning false cancels the default action, as in an onclick attribute.
  const attached = new WeakMap(); // target -> "type" -> handler -> listener
  const eventType = (name) => String(name).toLowerCase().replace(/^on/, "");

  function attachEvent(name, handler) {
    if (typeof handler !== "function") return false;
    const type = eventType(name);
    if (!attached.has(this)) attached.set(this, new Map());
    const byType = attached.get(this);
    if (!byType.has(type)) byType.set(type, new Map());
    const listeners = byType.get(type);
    if (listeners.has(handler)) return true;
    const listener = (event) => {
      if (handler.call(window, event) === false) event.preventDefault();
    };
    listeners.set(handler, listener);
    this.addEventListener(type, listener);
    return true;
  }

  function detachEvent(name, handler) {
    const listeners = attached.get(this) && attached.get(this).get(eventType(name));
    if (!listeners || !listeners.has(handler)) return;
    this.removeEventListener(eventType(name), listeners.get(handler));
    listeners.delete(handler);
  }

  for (const target of [Window.prototype, Document.prototype, Element.prototype]) {
    defineMethod(target, "attachEvent", attachEvent);
    defineMethod(target, "detachEvent", detachEvent);
  }

  // document.createEventObject([event]) and element.fireEvent("onclick"[, eventObject]):
  // the handlers of the element and its ancestors run; the answer is false when one of
  // them cancelled the event.
  defineMethod(Document.prototype, "createEventObject", function (from) {
    const copy = {};
    for (const key in from) if (typeof from[key] !== "function") copy[key] = from[key];
    return copy;
  });

  const MOUSE_EVENTS = new Set(["click", "dblclick", "contextmenu"]); // and mouse*
  function fireEvent(name, template) {
    const type = eventType(name);
    const init = Object.assign({ bubbles: true, cancelable: true, view: window }, template);
    let event;
    if (MOUSE_EVENTS.has(type) || type.startsWith("mouse")) event = new MouseEvent(type, init);
    else if (type.startsWith("key")) event = new KeyboardEvent(type, init);
    else event = new Event(type, init);
    if (template)
      for (const key of Object.keys(template))
        if (!(key in event)) Object.defineProperty(event, key, { value: template[key], enumerable: true });
    return this.dispatchEvent(event);
  }
  defineMethod(Element.prototype, "fireEvent", fireEvent);
  defineMethod(Document.prototype, "fireEvent", fireEvent);

  // Drag code captured the mouse to an element; WebKit keeps sending the events anyway.
  defineMethod(Element.prototype, "setCapture", function () {});
  defineMethod(Element.prototype, "releaseCapture", function () {});
  defineMethod(Document.prototype, "releaseCapture", function () {});

  // --- Styles --------------------------------------------------------------------------
  // currentStyle: WebKit's computed style, which gives lengths in pixels where the old
  // browser gave them as written. runtimeStyle: the inline style, the nearest WebKit has.
  defineGetter(Element.prototype, "currentStyle", function () {
    return window.getComputedStyle(this);
  });
  defineGetter(Element.prototype, "runtimeStyle", function () {
    return this.style;
  });

  // Style sheets as the page wrote them: WebKit drops what it cannot read (behavior:
  // url(#default#VML), filter: alpha(...)), which other scripts here still need to see.
  // shared.sheets: listen(fn) has fn(sheet, text) called with each text a script writes
  // into a sheet (addRule, cssText); linked(href) is a promise of the text of a sheet of
  // the page's origin, "" for any other or on failure, fetched once however many ask;
  // linkedNow(href) reads it at once, for a script that cannot wait (the page's own
  // scripts waited for its sheets there).
  const sheetListeners = [];
  function record(sheet, text) {
    for (const listener of sheetListeners) listener(sheet, text);
  }
  // Taken before a page's script could replace them.
  const fetchText = window.fetch.bind(window);
  const Request = XMLHttpRequest;
  const own = (href) => new URL(href, document.baseURI).origin === location.origin;
  const linked = new Map();
  // These texts are only searched for rules (vml-shapes.js, filters.js): "" stands for any
  // text that holds none.
  function linkedText(href) {
    // Stryker disable next-line ConditionalExpression: a sheet fetched again gives the same text
    if (!linked.has(href)) {
      // prettier-ignore
      // Stryker disable next-line StringLiteral: "" holds no rule, nor does any other text put for it
      const text = own(href) ? fetchText(href).then((response) => (response.ok ? response.text() : "")) : Promise.resolve("");
      // prettier-ignore
      // Stryker disable next-line ArrowFunction,StringLiteral: its readers take String(text), and "undefined" holds no rule either
      linked.set(href, text.catch(() => ""));
    }
    return linked.get(href);
  }
  function linkedNow(href) {
    // Stryker disable next-line StringLiteral: "" holds no rule, nor does any other text put for it
    if (!own(href)) return "";
    const request = new Request();
    try {
      request.open("GET", href, false);
      request.send();
    } catch (error) {
      // a request that failed: status 0 and no text
    }
    // Stryker disable next-line StringLiteral: "" holds no rule, nor does any other text put for it
    return request.status < 300 ? request.responseText : "";
  }
  shared.sheets = {
    listen: (fn) => sheetListeners.push(fn),
    linked: linkedText,
    linkedNow,
  };

  // sheet.addRule("v\\:*", "behavior: url(#default#VML)") is how pages turned VML on: WebKit
  // throws on such selectors, the old browser took them. A rule WebKit cannot read is
  // dropped, as a style sheet drops it, and the script goes on.
  replace(
    CSSStyleSheet.prototype,
    "addRule",
    (addRule) =>
      function addRule_(selector, declarations) {
        record(this, String(selector) + "{" + String(declarations) + "}");
        try {
          return addRule.apply(this, arguments);
        } catch (error) {
          return -1;
        }
      }
  );

  // document.createStyleSheet([url][, index]): a new style sheet, with the url imported
  // into it so that it exists at once, as there.
  defineMethod(Document.prototype, "createStyleSheet", function (url, index) {
    const style = this.createElement("style");
    if (url)
      style.textContent =
        '@import url("' +
        String(url).replace(/["\\]/g, "\\$&") +
        // Stryker disable next-line StringLiteral: CSS closes a url( left open at the end of the sheet
        '");';
    const head = this.head || this.documentElement;
    // Any index that names no sheet (none, negative, past the end) puts it last.
    const sheets = head.querySelectorAll("style, link[rel~='stylesheet']");
    head.insertBefore(style, sheets[index] || null);
    return style.sheet;
  });

  // sheet.cssText: the whole sheet as text, read or replaced.
  defineGetter(
    CSSStyleSheet.prototype,
    "cssText",
    function () {
      return Array.from(this.cssRules, (rule) => rule.cssText).join("\n");
    },
    function (text) {
      record(this, String(text));
      while (this.cssRules.length) this.deleteRule(0);
      const parsed = new CSSStyleSheet();
      parsed.replaceSync(String(text));
      for (const rule of parsed.cssRules) this.insertRule(rule.cssText, this.cssRules.length);
    }
  );

  // document.namespaces.add("v", "urn:schemas-microsoft-com:vml"): the prefixes of the
  // document's vector markup. vml.js draws whatever prefix is bound to VML here.
  const namespaceLists = new WeakMap();
  defineGetter(Document.prototype, "namespaces", function () {
    if (!namespaceLists.has(this)) {
      const list = [];
      Object.defineProperties(list, {
        add: {
          value(name, urn, implementation) {
            const entry = { name: String(name), urn: String(urn || ""), implementation };
            const known = list.findIndex((e) => e.name === entry.name);
            if (known >= 0) list[known] = entry;
            else list.push(entry);
            return entry;
          },
        },
        item: {
          value(key) {
            return (typeof key === "number" ? list[key] : list.find((e) => e.name === key)) || null;
          },
        },
      });
      namespaceLists.set(this, list);
    }
    return namespaceLists.get(this);
  });

  // --- The window ------------------------------------------------------------------------
  defineGetter(Document.prototype, "parentWindow", function () {
    return this.defaultView;
  });
  defineMethod(window, "navigate", function (url) {
    window.location.href = url;
  });

  // window.external.AddFavorite(url, title): the shell has no favourites; it says in the
  // status bar that the page asked, so the user can bookmark it another way. The member
  // goes on WebKit's window.external where there is one, else on this object.
  define(window, "external", { value: {}, writable: true });
  defineMethod(window.external, "AddFavorite", function (url, title) {
    ask("status", "此网页请求加入收藏夹：" + (title ? title + " " : "") + (url || window.location.href));
  });

  // new ActiveXObject("Microsoft.XMLHTTP"): the request object every browser now has.
  // Any other class fails as it did on a machine without it.
  const xmlHttp = /^(microsoft|msxml2)\.xmlhttp(\.\d\.\d)?$/i; // 2.6, 3.0 to 6.0
  defineMethod(window, "ActiveXObject", function ActiveXObject(name) {
    if (xmlHttp.test(String(name))) return new XMLHttpRequest();
    throw new Error("Automation 服务器不能创建对象：" + name);
  });

  // clipboardData.setData("Text", s) and getData("Text") through the desktop's clipboard.
  // The shell answers only right after a click or a key in the window (null otherwise), as
  // the old browser asked the user otherwise. It knew other formats; pages used the text one.
  const textFormat = (format) => /^text$/i.test(String(format));
  define(window, "clipboardData", {
    writable: true,
    value: Object.freeze({
      setData(format, text) {
        return textFormat(format) && ask("clipboard-set", text) !== null;
      },
      getData(format) {
        return textFormat(format) ? ask("clipboard-get") : null;
      },
      clearData(format) {
        return (format === undefined || textFormat(format)) && ask("clipboard-set", "") !== null;
      },
    }),
  });

  // --- Windows ---------------------------------------------------------------------------
  // WebKit reads window.open's features as pages of today mean them. Before a window is
  // opened the shell is told them, to read them as the old browser did: every bar off
  // unless asked for, width and height the page's. Then WebKit's own window.open runs.
  const open = window.open;
  const opening = (request, features, args) => {
    ask(request, features);
    try {
      return open.apply(window, args);
    } finally {
      ask("window-opened");
    }
  };
  Object.defineProperty(window, "open", {
    configurable: true,
    writable: true,
    enumerable: true, // as WebKit's own: a page that loops over the window finds it
    value: {
      open(url, name, features) {
        return opening("window-features", features, arguments);
      },
    }.open,
  });

  // showModalDialog(url, arguments, "dialogWidth:300px;dialogHeight:200px;center:yes"):
  // a window in front of its opener, whose dialogArguments is what the opener passed, the
  // very object (the opener's own window included, so a dialog can fill in its form). The
  // shell reads the features as it reads window.open's, given the screen this page sees to
  // centre the dialog on. As in the old browser the opener's script waits in the call until
  // the dialog is closed, and gets its returnValue: the shell's module in the web process
  // (web_extension/) runs the process meanwhile, so the dialog, a related view in it, loads
  // and runs. The shell keeps input from the opener while it waits. showModelessDialog
  // returns the dialog's window at once.
  const waitKey = "veltrano-wait-@CHANNEL@";
  const wait = window[waitKey];
  delete window[waitKey];
  const dialogs = Symbol.for("veltrano.dialogArguments"); // dialog window -> { arguments, returned }
  function openDialog(url, dialogArguments, features) {
    const seen = screen.availWidth + "," + screen.availHeight + ";" + String(features || "");
    const dialog = opening("dialog-features", seen, [url, "_blank"]);
    if (!dialog) return null;
    if (!window[dialogs]) Object.defineProperty(window, dialogs, { value: new WeakMap() });
    window[dialogs].set(dialog, { arguments: dialogArguments, returned: undefined });
    dialog.focus();
    return dialog;
  }
  defineMethod(window, "showModalDialog", function showModalDialog(url, dialogArguments, features) {
    const dialog = openDialog(url, dialogArguments, features);
    if (!dialog || typeof wait !== "function") return undefined;
    const entry = window[dialogs].get(dialog);
    // The dialog tells its returnValue as it closes (window.js); read here too while it is
    // open, for a dialog the user closes.
    const closed = () => {
      if (dialog.closed) return true;
      try {
        entry.returned = dialog.returnValue;
      } catch (error) {
        // a dialog that went to another site keeps what it had set
      }
      return false;
    };
    ask("dialog-wait");
    try {
      wait(closed);
    } finally {
      ask("dialog-waited");
    }
    return entry.returned;
  });
  defineMethod(window, "showModelessDialog", function showModelessDialog(url, dialogArguments, features) {
    return openDialog(url, dialogArguments, features) || undefined;
  });
  // A dialog's returnValue, for its opener waiting in showModalDialog: told as the dialog
  // closes itself (window.js) or goes.
  shared.returnToOpener = () => {
    try {
      const entry = window.opener && window.opener[dialogs] && window.opener[dialogs].get(window);
      if (entry) entry.returned = window.returnValue;
    } catch (error) {
      // an opener of another origin waits for nothing
    }
  };
  window.addEventListener("pagehide", shared.returnToOpener);
  defineGetter(window, "dialogArguments", function () {
    const opener = window.opener;
    try {
      const entry = opener && opener[dialogs] ? opener[dialogs].get(window) : undefined;
      return entry ? entry.arguments : undefined;
    } catch (error) {
      return undefined; // an opener of another origin
    }
  });
});
