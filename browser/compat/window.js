// What the service's pages ask of the window they are shown in, as the old Windows browser
// did it: moveTo, moveBy, resizeTo and resizeBy act on the whole window, its frame's corner
// and its outer size, and close() closes it, whoever opened it. WebKit gives a page these
// only for windows a script opened, and then only within its own rules; here the shell
// carries them out.
run(function () {
  // window[name] becomes fn. Only the top frame's window is the browser window; in a frame
  // these do nothing, as WebKit's own do.
  const own = (name, fn) =>
    Object.defineProperty(window, name, {
      configurable: true,
      writable: true,
      enumerable: false,
      value: function () {
        if (window.top === window) fn.apply(window, arguments);
      },
    });
  // Numbers, or strings of them, as the old browser took them, cut to whole ones; anything
  // else gives "NaN" or "Infinity", which the shell refuses as it refuses any payload but
  // two whole numbers (PageRequests::act_on_window).
  const whole = (n) => Math.trunc(Number(n));

  for (const [name, request] of [
    ["moveTo", "move-to"],
    ["moveBy", "move-by"],
    ["resizeTo", "resize-to"],
    ["resizeBy", "resize-by"],
  ])
    own(name, function (x, y) {
      ask(request, whole(x) + "," + whole(y));
    });

  // Pages' "关闭窗口" buttons, with or without window.opener = null before: the old
  // browser asked first only about a window no script had opened, and that trick was
  // how pages kept it from asking. The window goes once the script has run.
  own("close", function () {
    shared.returnToOpener(); // a dialog's returnValue, for its opener (legacy-dom.js)
    ask("close");
  });
});
