// window.createPopup(): the old browser's pop-up, a window of its own with no frame that
// pages filled through its document and showed for a notice in the screen's bottom-right
// corner, a menu or a tip; it went away when the user clicked anywhere else. Here it is an
// iframe of about:blank over the page, of the page's origin, so the page fills its body
// with innerHTML and style as it did.
run(function () {
  // The iframe is put in the document as the pop-up is made, hidden, so that its document
  // is there at once: pages filled it on the next line. It hangs from <html>, out of the
  // body a page's script rewrites.
  function newFrame() {
    const frame = document.createElement("iframe");
    frame.setAttribute("frameborder", "0");
    frame.style.cssText = "position:fixed;display:none;border:0;margin:0;padding:0;z-index:2147483647;background:#fff";
    document.documentElement.appendChild(frame);
    const body = frame.contentDocument.body || frame.contentDocument.documentElement;
    body.style.cssText = "margin:0;overflow:hidden";
    return frame;
  }

  // x, y on the screen, as the old browser took them with no element, become the client
  // area's: less the window's corner and its frame, as far as WebKit tells them.
  function fromScreen(x, y) {
    const side = Math.max(0, (window.outerWidth - window.innerWidth) / 2);
    const top = Math.max(0, window.outerHeight - window.innerHeight - side);
    return [x - window.screenX - side, y - window.screenY - top];
  }
  // The old pop-up could reach past the window; this one is an element of the page, so it
  // is kept within the window, as a notice for the screen's corner lands in the window's.
  const within = (at, size, room) => Math.max(0, Math.min(at, room - size));
  const whole = (n) => Math.trunc(Number(n)) || 0;

  class Popup {
    constructor() {
      this.frame = newFrame();
      popups.add(this);
    }
    get document() {
      return this.frame.contentDocument;
    }
    get isOpen() {
      return this.frame.style.display !== "none";
    }
    show(x, y, width, height, element) {
      const [w, h] = [Math.max(0, whole(width)), Math.max(0, whole(height))];
      let [left, top] = [whole(x), whole(y)];
      if (element && element.getBoundingClientRect) {
        const corner = element.getBoundingClientRect();
        [left, top] = [left + corner.left, top + corner.top];
      } else [left, top] = fromScreen(left, top);
      // The window's client area less its scroll bars: the scrolling element's client size,
      // <body>'s in a quirks-mode page.
      const view = document.scrollingElement;
      const style = this.frame.style;
      style.left = within(left, w, view ? view.clientWidth : window.innerWidth) + "px";
      style.top = within(top, h, view ? view.clientHeight : window.innerHeight) + "px";
      style.width = w + "px";
      style.height = h + "px";
      style.display = "block";
    }
    hide() {
      this.frame.style.display = "none";
    }
  }
  // Pop-ups live as long as their page; a click in the page closes those open. A click in
  // the pop-up is its own document's and leaves it open.
  const popups = new Set();
  addEventListener("mousedown", () => popups.forEach((popup) => popup.hide()), true);

  defineMethod(window, "createPopup", function createPopup() {
    const popup = new Popup();
    return Object.defineProperties(
      {},
      {
        document: { get: () => popup.document, enumerable: true },
        isOpen: { get: () => popup.isOpen, enumerable: true },
        show: { value: popup.show.bind(popup) },
        hide: { value: popup.hide.bind(popup) },
      }
    );
  });
});
