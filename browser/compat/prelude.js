// What every compatibility script shares. The build puts this first, and the scripts that
// scripts.list names after it, in order, all inside one function (see compat.cmake): the
// names below are theirs to use, and no page can reach them. The shell injects the whole
// at document start into every frame of the service's own hosts, and nowhere else.

// ask(request[, payload]): a request to the shell for what only the browser window can do;
// the answer is the shell's, or null. The secret is put in by the shell (see
// BrowserWindow::on_view_script_dialog); pages that did not get these scripts do not know
// it, and no page can call this. prompt is taken now, before any script of the page could
// replace it; it gives the shell its payload as text, and none as "".
const prompt = window.prompt.bind(window);
const ask = (request, payload) => prompt("\x01veltrano:@CHANNEL@:" + request, payload ?? "");

// define(target, name, descriptor): a member the old browser had, added only where WebKit
// has none of that name (a member WebKit has is never replaced this way), and kept out of
// enumeration, so a page that loops over an element or the window sees what it always saw.
function define(target, name, descriptor) {
  // Stryker disable next-line ConditionalExpression: every name the scripts define is one this WebKit lacks, and they run before any script of the page
  if (name in target) return;
  Object.defineProperty(target, name, Object.assign({ configurable: true, enumerable: false }, descriptor));
}
const defineMethod = (target, name, fn) => define(target, name, { value: fn, writable: true });
const defineGetter = (target, name, get, set) => define(target, name, { get, set });

// replace(target, name, make): a member WebKit has, taken over by make(original)'s answer,
// which still reads as native code to scripts that check (as libraries of the time did
// before trusting a method).
function replace(target, name, make) {
  const original = target[name];
  const value = make(original);
  Object.defineProperty(value, "toString", { value: () => Function.prototype.toString.call(original) });
  Object.defineProperty(target, name, { configurable: true, enumerable: false, writable: true, value });
  return value;
}

// What one script hands the ones after it, set as it runs:
//   shared.watch     changes.js: watch(handle, { added }), the one watcher of the document
//   shared.sheets    legacy-dom.js: style sheets' text as the page wrote it
//   shared.caseless  elements.js: caseless(name, ...), members read in any letter case
//   shared.vml       vml-shapes.js: what vml.js needs to know and draw VML shapes
//   shared.alphaIn   filters.js: alphaIn(text), the opacity (0 to 100) an alpha filter's text asks for, or null
//   shared.pixels    style-object.js: pixels(property, value), a bare number given to a length as pixels
//   shared.returnToOpener  legacy-dom.js: a dialog's returnValue, told to its opener
const shared = {};

// One script that throws as it starts is reported, as a script of its own would be, and
// the others still run.
function run(script) {
  try {
    script();
  } catch (error) {
    reportError(error);
  }
}
