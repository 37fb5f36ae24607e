// One watcher of the document's changes for the compatibility scripts that follow it. The
// shell injects this first, at document start, into every frame of the service's own hosts.
//
// collections.js, filters.js and vml.js each need to see what is added to the document. An
// observer of a document's whole tree costs a record for every node the parser adds, and
// each further observer costs as much again: a chart's table adds tens of thousands. So one
// observer watches for them all, and each of them gets the records as from an observer of
// its own: every record once, in order, at the same checkpoints, and take() gives what has
// not yet come, as takeRecords() does, while the others still get it.
(function () {
  "use strict";

  const KEY = "veltrano-changes-@CHANNEL@";
  const watchers = []; // in the order they began to watch; each { handle, held: [batches] }
  let scheduled = false;

  const pending = (watcher, records) => {
    if (!watcher.held.length) return records;
    const batches = watcher.held.splice(0);
    batches.push(records);
    return batches.flat();
  };

  // Each watcher's batch is set aside before any is handled: what a handler changes comes
  // to the others after what they were given here, as it would to observers of their own.
  function deliver(records) {
    const batches = watchers.map((watcher) => pending(watcher, records));
    watchers.forEach((watcher, i) => {
      if (!batches[i].length) return;
      try {
        watcher.handle(batches[i]);
      } catch (error) {
        queueMicrotask(() => { throw error; }); // reported, as from an observer of its own; the others still run
      }
    });
  }
  const observer = new MutationObserver(deliver);
  observer.observe(document, { childList: true, subtree: true, attributes: true, characterData: true });

  // What one watcher takes early, the others get at the next checkpoint.
  function takeFor(watcher) {
    const records = observer.takeRecords();
    if (records.length) {
      for (const other of watchers) if (other !== watcher) other.held.push(records);
      if (!scheduled) {
        scheduled = true;
        queueMicrotask(() => {
          scheduled = false;
          deliver([]);
        });
      }
    }
    return pending(watcher, records);
  }

  // watch(handle): handle(records) is called with each batch of changes, childList,
  // attributes and characterData alike; the answer's take() gives the records not yet
  // handed over. vml.js, the last of the scripts to take this, removes it from the window
  // before any page script runs.
  function watch(handle) {
    const watcher = { handle, held: [] };
    watchers.push(watcher);
    return { take: () => takeFor(watcher) };
  }
  Object.defineProperty(window, KEY, { configurable: true, value: watch });
})();
