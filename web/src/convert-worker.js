// The worker that runs logvane.wasm: one log a message, one run of the
// module each, as `logvane <log's name>` in a directory that holds the log.
//
// In:  { id, file }
// Out: { id, type: 'started' }, { id, type: 'progress', done, total }, then
//      { id, type: 'done', status, stdout, stderr, document, points, time }
//      where document is a File or null; or { id, type: 'failed', message }.

import { DocumentStore } from './document-store.js';
import { LOG_SLICE_SIZE, SliceReader, StreamReader } from './log-slices.js';
import { TrackPointCounter } from './track-points.js';
import { runCommand } from './wasi.js';

const PROGRESS_INTERVAL_MS = 100;

const module = compileModule(new URL('logvane.wasm', import.meta.url));
const store = new DocumentStore();
const storeOpened = store.open();

let queue = Promise.resolve();
self.onmessage = ({ data }) => {
  queue = queue.then(() => convert(data)).catch(error => {
    self.postMessage({ id: data.id, type: 'failed', message: String(error) });
  });
};

async function convert({ id, file }) {
  const compiled = await module;
  await storeOpened;
  self.postMessage({ id, type: 'started' });
  const counter = new TrackPointCounter();
  // [what the run was given, the sink behind it]; only the first document
  // is counted, as the module writes one.
  const made = [];
  const makeSink = () => {
    const sink = store.take();
    const given = made.length === 0 ? countedSink(sink, counter) : sink;
    made.push([given, sink]);
    return given;
  };
  let reported = 0;
  const onProgress = (done, total) => {
    const now = performance.now();
    if (now - reported < PROGRESS_INTERVAL_MS) return;
    reported = now;
    self.postMessage({ id, type: 'progress', done, total });
  };

  const started = performance.now();
  let run = null;
  let document = null;
  let time = 0;
  // A log of one slice gains nothing from reading ahead.
  const slices = file.size > LOG_SLICE_SIZE && StreamReader.available()
    ? new StreamReader(file) : new SliceReader(file);
  try {
    run = await runCommand(compiled,
                           { log: file, slices, makeSink, onProgress });
  } finally {
    slices.close();
    for (const [given, sink] of made) {
      const kept = run?.documents.find(entry => entry.sink === given);
      if (kept !== undefined && document === null) {
        document = await sink.finish(kept.name);
      } else {
        await sink.discard();
      }
    }
    time = performance.now() - started;
    await store.prepare();
  }
  self.postMessage({
    id, type: 'done', status: run.status, stdout: run.stdout,
    stderr: run.stderr, document, points: counter.points, time,
  });
}

function countedSink(sink, counter) {
  return {
    get size() { return sink.size; },
    write(bytes) { counter.add(bytes); sink.write(bytes); },
    truncate() { counter.reset(); sink.truncate(); },
  };
}

// Streaming compilation needs the host to say application/wasm; some
// static hosts do not.
async function compileModule(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  if (response.headers.get('content-type') === 'application/wasm') {
    return WebAssembly.compileStreaming(response);
  }
  return WebAssembly.compile(await response.arrayBuffer());
}
