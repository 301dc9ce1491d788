// The page: takes logs from the file inputs and from drops, has the worker
// convert them one after another, lists the results, draws the documents on
// the map and zips them all on demand.

import { makeZip } from 'client-zip';

import { DocumentStore, saveStream } from './document-store.js';
import { LogItem, count, formatSize } from './log-list.js';
import { TrackMap } from './track-map.js';

/// Larger documents are offered but not drawn: reading them into the map
/// would hold the page for seconds and take hundreds of megabytes.
const MAP_DOCUMENT_LIMIT = 16e6;

const worker = new Worker(new URL('convert-worker.js', import.meta.url),
                          { type: 'module' });
const list = document.getElementById('log-list');
const status = document.getElementById('status');
const downloadAll = document.getElementById('download-all');
const trackMap = new TrackMap('map');
const store = new DocumentStore();
const storeOpened = store.open({ sinks: false });

const items = new Map();
const documents = [];
const undrawn = [];
const takenNames = new Set();
let queued = 0;
let finished = 0;
let nextId = 1;

function announce(text) {
  status.textContent = text;
}

/// The document's name as the command line gives it, or, when a document of
/// that name is on the page already, with a number: trip (2).kml.
function offeredName(name) {
  let offered = name;
  const dot = name.lastIndexOf('.');
  const [stem, extension] = dot > 0 ? [name.slice(0, dot), name.slice(dot)]
                                    : [name, ''];
  for (let n = 2; takenNames.has(offered.toLowerCase()); ++n) {
    offered = `${stem} (${n})${extension}`;
  }
  takenNames.add(offered.toLowerCase());
  return offered;
}

function convert(entries) {
  if (entries.length === 0) return;
  for (const { file, path } of entries) {
    const id = nextId++;
    items.set(id, new LogItem(list, path));
    ++queued;
    worker.postMessage({ id, file });
  }
  announce(`Converting ${queued - finished} of ${count(queued, 'log')}`);
}

worker.onmessage = async ({ data }) => {
  const item = items.get(data.id);
  if (data.type === 'started') {
    item.started();
    return;
  }
  if (data.type === 'progress') {
    item.advanced(data.done, data.total);
    return;
  }
  if (data.type === 'failed') {
    item.failed(data.message);
  } else {
    let link = null;
    if (data.document !== null) {
      const name = offeredName(data.document.name);
      link = Object.assign(document.createElement('a'), {
        href: URL.createObjectURL(data.document), download: name,
        textContent: name, className: 'document',
      });
      link.dataset.name = data.document.name;
      documents.push({ name, input: data.document });
      downloadAll.disabled = false;
      if (name !== data.document.name) {
        item.note(`Named ${name}: ${data.document.name} is taken by ` +
                  'an earlier log of the same name.');
      }
    }
    item.finished(data, link);
    // A document without a track point has only its reference point.
    if (data.document !== null && data.points > 0) {
      undrawn.push([item, data.document]);
    }
  }
  ++finished;
  if (finished < queued) {
    announce(`Converting ${queued - finished} of ${count(queued, 'log')}`);
    return;
  }
  announce(`Converted ${count(queued, 'log')}: ` +
           `${count(documents.length, 'document')}`);
  await drawDocuments();
};

// Drawn once the worker is idle: reading a document into the map holds the
// page, which would keep progress bars from moving meanwhile.
async function drawDocuments() {
  while (undrawn.length > 0 && finished === queued) {
    const [item, kml] = undrawn.shift();
    if (kml.size > MAP_DOCUMENT_LIMIT) {
      item.note(`Not drawn on the map: documents up to ` +
                `${formatSize(MAP_DOCUMENT_LIMIT)} are.`);
      continue;
    }
    trackMap.addDocument(await kml.text());
  }
}

document.getElementById('log-files').addEventListener('change', event => {
  convert([...event.target.files].map(file => ({ file, path: file.name })));
  event.target.value = '';
});

const folderInput = document.getElementById('log-folder');
if (!('webkitdirectory' in folderInput)) {
  // Phones choose files only.
  folderInput.closest('.folder').hidden = true;
}
folderInput.addEventListener('change', event => {
  const files = [...event.target.files]
    .map(file => ({ file, path: file.webkitRelativePath || file.name }))
    .sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
  convert(files);
  event.target.value = '';
});

const dropZone = document.getElementById('drop-zone');
dropZone.addEventListener('dragover', event => {
  event.preventDefault();
  dropZone.classList.add('over');
});
dropZone.addEventListener('dragleave', () => dropZone.classList.remove('over'));
dropZone.addEventListener('drop', async event => {
  event.preventDefault();
  dropZone.classList.remove('over');
  // Entries must be taken before the first await: the drop's data goes then.
  const entries = [...event.dataTransfer.items]
    .map(item => item.webkitGetAsEntry?.()).filter(Boolean);
  const files = [];
  if (entries.length === 0) {
    for (const file of event.dataTransfer.files) {
      files.push({ file, path: file.name });
    }
  }
  for (const entry of entries) await collect(entry, files);
  convert(files);
});

// The files below a dropped entry, with their paths.
async function collect(entry, files) {
  if (entry.isFile) {
    const file = await new Promise((ok, fail) => entry.file(ok, fail));
    files.push({ file, path: entry.fullPath.replace(/^\//, '') });
    return;
  }
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((ok, fail) => reader.readEntries(ok, fail));
    if (batch.length === 0) return;
    batch.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    for (const child of batch) await collect(child, files);
  }
}

downloadAll.addEventListener('click', async () => {
  downloadAll.disabled = true;
  announce(`Making one zip of ${count(documents.length, 'document')}`);
  await storeOpened;
  const stream = makeZip(documents.map(
    ({ name, input }) => ({ name, input, lastModified: input.lastModified })));
  const zip = await saveStream(store, stream, 'logvane-documents.zip',
                               'application/zip');
  const link = Object.assign(document.createElement('a'), {
    href: URL.createObjectURL(zip), download: zip.name,
  });
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60_000);
  announce(`${zip.name}: ${count(documents.length, 'document')}, ` +
           formatSize(zip.size));
  downloadAll.disabled = false;
});

document.getElementById('background').addEventListener('change', event => {
  trackMap.showBackground(event.target.checked);
});
