// One watcher of the document's changes for the compatibility scripts that follow it in
// scripts.list; it comes first, before any of them watches.
//
// collections.js, filters.js, expressions.js and vml.js each need to see what is added to the
// document. An observer of a document's whole tree costs a record for every node added, and
// each further observer costs as much again: a chart's table adds tens of thousands. So one
// observer watches for them all, and each of them gets the records as from an observer of
// its own: every record once, in order, at the same checkpoints, and take() gives what has
// not yet come, as takeRecords() does, while the others still get it.
//
// A batch of many records (rows a script makes) is not handed over node by node: reading
// each record's nodes costs the watchers far more than asking the document, with one native
// query, for the few things they look for. Such a batch gives its records that change
// something in place (attributes, text), and each watcher's added() is told that nodes came
// or went that no record lists (vml.js looks at what each shape holds).
//
// While the parser reads the page, nothing it adds is recorded at all: a record for each
// node of a table in the markup costs the page a fifth of its time, even unread. Only
// changes in place are watched then (the parser makes none: it sets an element's attributes
// before adding it), and each watcher's added() is told instead, every few frames so that
// what it draws shows while the page loads, and once when the parser is done, before any
// deferred script or DOMContentLoaded listener runs. From then on every change is watched.
run(function () {
  const watchers = []; // in the order they began to watch; each { handle, added, held: [batches] }
  let scheduled = false;

  // A batch: { records, unlisted }, unlisted when nodes were added that its records do not list.
  const MANY = 256;
  // Stryker disable next-line BooleanLiteral: cost only, each watcher's added() then looks at every batch
  function digest(records, unlisted = false) {
    // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only, a batch of many handed record by record
    if (records.length < MANY) return { records, unlisted };
    // Stryker disable next-line MethodExpression,StringLiteral: cost only, a batch of many handed record by record
    const listed = records.filter((record) => record.type !== "childList");
    // Stryker disable next-line ConditionalExpression,EqualityOperator: cost only, a batch of changes in place alone then told to added() too
    return { records: listed, unlisted: unlisted || listed.length < records.length };
  }
  function pending(watcher, batch) {
    // Stryker disable next-line ConditionalExpression: nothing held joined to the batch gives the same records
    if (!watcher.held.length) return batch;
    const batches = watcher.held.splice(0);
    batches.push(batch);
    return { records: batches.flatMap((held) => held.records), unlisted: batches.some((held) => held.unlisted) };
  }
  function hand(watcher, { records, unlisted }) {
    // Stryker disable next-line ConditionalExpression,LogicalOperator: cost only, every watcher has an added(), which looks again
    if (unlisted && watcher.added) watcher.added();
    // Stryker disable next-line ConditionalExpression: a watcher handed no records has nothing to do
    if (records.length) watcher.handle(records);
  }

  // Each watcher's batch is set aside before any is handled: what a handler changes comes
  // to the others after what they were given here, as it would to observers of their own.
  function deliver(records, unlisted) {
    const batch = digest(records, unlisted);
    const batches = watchers.map((watcher) => pending(watcher, batch));
    watchers.forEach((watcher, i) => each(() => hand(watcher, batches[i])));
  }
  function each(fn) {
    try {
      fn();
    } catch (error) {
      queueMicrotask(() => {
        throw error;
      }); // reported, as from an observer of its own; the others still run
    }
  }
  const observer = new MutationObserver((records) => deliver(records));
  const IN_PLACE = { subtree: true, attributes: true, characterData: true };
  const OPTIONS = Object.assign({ childList: true }, IN_PLACE);
  // Stryker disable next-line ConditionalExpression: the shell injects the scripts at each document's start, while it is "loading"
  let reading = document.readyState === "loading";
  observer.observe(document, reading ? IN_PLACE : OPTIONS);

  // --- While the parser reads ---------------------------------------------------------------
  // Every LOOK ms, in a frame, each watcher looks for what came; a look costs each a native
  // query of the whole document, a few milliseconds on a chart's table.
  const LOOK = 100;
  let frame = 0;
  let looked = -Infinity;
  function look(now) {
    frame = requestAnimationFrame(look);
    if (now - looked < LOOK) return;
    looked = now;
    deliver(observer.takeRecords(), true);
  }
  // readyState leaves "loading" when the parser is done, before deferred scripts run; each
  // watcher's parsed() (or added()) is told in a microtask, after this listener and before the
  // page's own, or, where a script closed a document it wrote, once that script is done.
  function doneReading() {
    // Stryker disable next-line ConditionalExpression,StringLiteral: readystatechange comes only as the document leaves "loading"
    if (document.readyState === "loading") return;
    cancelAnimationFrame(frame);
    document.removeEventListener("readystatechange", doneReading);
    queueMicrotask(() => {
      reading = false;
      const records = observer.takeRecords();
      observer.observe(document, OPTIONS);
      deliver(records);
      for (const watcher of watchers) each(() => (watcher.parsed || watcher.added || Function.prototype)());
    });
  }
  // Stryker disable next-line ConditionalExpression: the shell injects the scripts at each document's start, while it is "loading"
  if (reading) {
    frame = requestAnimationFrame(look);
    document.addEventListener("readystatechange", doneReading);
  }

  // What one watcher takes early, the others get at the next checkpoint; nodes added
  // unlisted are told to its added() before take() answers. While the parser reads, what it
  // added since the last look is not told: a watcher that must see it at once asks reading().
  function takeFor(watcher) {
    const batch = digest(observer.takeRecords());
    hold(batch, watcher);
    const taken = pending(watcher, batch);
    if (taken.unlisted && watcher.added) watcher.added();
    return taken.records;
  }
  function hold(batch, watcher) {
    // Stryker disable next-line ConditionalExpression: cost only, an empty batch held is handed as nothing
    if (batch.records.length || batch.unlisted) {
      // Stryker disable next-line ConditionalExpression: cost only, the taker's own records come twice in what take() answers, where its readers (some(), a strip, a move out of a shape) find nothing more to do
      for (const other of watchers) if (other !== watcher) other.held.push(batch);
      if (!scheduled) {
        // Stryker disable next-line BooleanLiteral: a second delivery finds nothing held and hands nothing
        scheduled = true;
        queueMicrotask(() => {
          scheduled = false;
          deliver([]);
        });
      }
    }
  }

  // watch(handle, { added, parsed }): handle(records) is called with each batch of changes,
  // childList, attributes and characterData alike; added() when nodes were added that no
  // record lists; parsed() once the parser is done, for what it added unrecorded, which the
  // page's scripts are about to read (added() where it is left out; either may be). The
  // answer's take() gives the records not yet handed over, and reading() whether the
  // parser's nodes go unrecorded yet.
  function watch(handle, { added, parsed } = {}) {
    const watcher = { handle, added, parsed, held: [] };
    watchers.push(watcher);
    return { take: () => takeFor(watcher), reading: () => reading };
  }
  shared.watch = watch;
});
