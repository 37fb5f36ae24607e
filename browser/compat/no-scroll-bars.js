// A window opened with scrollbars=no shows its page without scroll bars. WebKit has no
// switch for a page's own, so the shell runs this in each page of such a window once it
// has loaded, on every site.
(function () {
  "use strict";

  const style = document.createElement("style");
  style.textContent = "html { overflow: hidden !important }";
  (document.head || document.documentElement).appendChild(style);
})();
