// One watcher of the document's changes for the compatibility scripts that follow it in
// scripts.list; it comes first, before any of them watches.
//
// collections.js, filters.js and vml.js each need to see what is added to the document. An
// observer of a document's whole tree costs a record for every node the parser adds, and
// each further observer costs as much again: a chart's table adds tens of thousands. So one
// observer watches for them all, and each of them gets the records as from an observer of
// its own: every record once, in order, at the same checkpoints, and take() gives what has
// not yet come, as takeRecords() does, while the others still get it.
//
// A batch of many records (a table the parser reads from the markup, rows a script makes)
// is not handed over node by node: reading each record's nodes costs the watchers far more
// than asking the document, with one native query, for the few things they look for. Such
// a batch gives its records that change something in place (attributes, text, what a VML
// element holds), and each watcher's added() is told that nodes came that no record lists.
run(function () {
  const watchers = []; // in the order they began to watch; each { handle, added, held: [batches] }
  let scheduled = false;

  // A batch: { records, unlisted }, unlisted when nodes were added that its records do not list.
  const MANY = 256;
  function digest(records) {
    if (records.length < MANY) return { records, unlisted: false };
    const listed = [];
    let unlisted = false;
    for (const record of records) {
      const name = record.type === "childList" ? record.target.localName : ":";
      if (name && name.includes(":")) listed.push(record);
      else unlisted = true;
    }
    return { records: listed, unlisted };
  }
  function pending(watcher, batch) {
    if (!watcher.held.length) return batch;
    const batches = watcher.held.splice(0);
    batches.push(batch);
    return { records: batches.flatMap((held) => held.records), unlisted: batches.some((held) => held.unlisted) };
  }
  function hand(watcher, { records, unlisted }) {
    if (unlisted && watcher.added) watcher.added();
    if (records.length) watcher.handle(records);
  }

  // Each watcher's batch is set aside before any is handled: what a handler changes comes
  // to the others after what they were given here, as it would to observers of their own.
  function deliver(records) {
    const batch = digest(records);
    const batches = watchers.map((watcher) => pending(watcher, batch));
    watchers.forEach((watcher, i) => {
      try {
        hand(watcher, batches[i]);
      } catch (error) {
        queueMicrotask(() => { throw error; }); // reported, as from an observer of its own; the others still run
      }
    });
  }
  const observer = new MutationObserver(deliver);
  const OPTIONS = { childList: true, subtree: true, attributes: true, characterData: true };
  observer.observe(document, OPTIONS);

  // What one watcher takes early, the others get at the next checkpoint; nodes added
  // unlisted are told to its added() before take() answers.
  function takeFor(watcher) {
    const batch = digest(observer.takeRecords());
    hold(batch, watcher);
    const taken = pending(watcher, batch);
    if (taken.unlisted && watcher.added) watcher.added();
    return taken.records;
  }
  function hold(batch, watcher) {
    if (batch.records.length || batch.unlisted) {
      for (const other of watchers) if (other !== watcher) other.held.push(batch);
      if (!scheduled) {
        scheduled = true;
        queueMicrotask(() => {
          scheduled = false;
          deliver([]);
        });
      }
    }
  }

  // --- Rows written by a script ---------------------------------------------------------
  // Chart pages write their tables row by row with document.write, tens of thousands of
  // nodes, and a record for each is most of what watching costs them. Markup of plain HTML
  // that a script of the page's own markup writes outside any prefixed (VML) element holds
  // nothing a watcher needs to see: no shape, no script or style, no text of white space
  // alone that a table part could get. The parser reads it before write returns, so it is
  // written unwatched; each watcher's written() hears of it, and what changed before is
  // held for the watchers as take() holds it.
  const PLAIN = new Set(("a abbr b big br caption center col colgroup dd div dl dt em font h1 h2 h3 h4 h5 h6 hr i " +
    "img li nobr ol p s small span strike strong sub sup table tbody td tfoot th thead tr tt u ul").split(" "));
  // A tag as the tokenizer reads it, quoted values and all; one holding "<" is not taken.
  const TAG = /<\/?([^\s\/<>"']*)(?:[^<>"']|"[^<"]*"|'[^<']*')*>/g;
  const BLANK = /^(?:[\t\n\f\r ]|&#[^;]*;?|&tab;|&newline;)+$/i; // white space, or a reference that may be
  function plain(markup) {
    if (markup.includes("\0")) return false;
    const text = markup.replace(TAG, (tag, name) => (PLAIN.has(name.toLowerCase()) ? "\0" : "<"));
    return !text.includes("<") && !text.split("\0").some((run) => BLANK.test(run));
  }
  const currentScript = Object.getOwnPropertyDescriptor(Document.prototype, "currentScript").get;
  // The parser puts what is written into the deepest element still open: the script's
  // parent, or what the script wrote before and left open, always the last child at each
  // level below it (a self-closing <v:line /> stays open in an HTML parser).
  function outsidePrefixed(script) {
    const parent = script && script.parentElement;
    if (!parent) return false;
    for (let el = parent; el; el = el.parentElement) if (el.localName.includes(":")) return false;
    for (let node = parent.lastChild; node !== script && node && node.nodeType === 1; node = node.lastChild)
      if (node.localName.includes(":")) return false;
    // A script the parser put in an open shape that vml.js has since moved out, to follow
    // it: the parser still writes into the shape.
    const before = script.previousElementSibling;
    return !before || !before.localName.includes(":");
  }
  const write = Document.prototype.write;
  function write_(...parts) {
    // Anything but strings goes straight through: its toString is the native write's to call, once.
    const quiet = this === document && document.readyState === "loading" &&
      parts.every((part) => typeof part === "string") && plain(parts.join("")) &&
      outsidePrefixed(currentScript.call(document));
    if (!quiet) return write.apply(this, parts);
    hold(digest(observer.takeRecords()), null);
    observer.disconnect();
    try {
      return write.apply(this, parts);
    } finally {
      observer.observe(document, OPTIONS);
      for (const watcher of watchers) if (watcher.written) watcher.written();
    }
  }
  replace(Document.prototype, "write", () => write_);

  // watch(handle, { added, written }): handle(records) is called with each batch of changes,
  // childList, attributes and characterData alike; added() when nodes were added that no
  // record lists, and written() after plain markup was written unwatched (either may be
  // left out); the answer's take() gives the records not yet handed over.
  function watch(handle, { added, written } = {}) {
    const watcher = { handle, added, written, held: [] };
    watchers.push(watcher);
    return { take: () => takeFor(watcher) };
  }
  shared.watch = watch;
});
