// Drives the built page in Debian's chromium through puppeteer-core and
// checks it against the native build: every document the page offers, and
// the status and output it shows, must be those of `logvane NAME` run on
// the same file. Prints one line a check and a closing count.
//
//   node page-test.mjs --site DIR --logvane BIN --work DIR --sample LOG
//                      --big LOG [--screenshot PNG] [--huge LOG] LOG...
//
// LOGs are given through the file input in one go; --big is the long log
// that must show progress; --sample is drawn alone for the screenshot.
// --huge is converted alone while the browser's memory is sampled: the
// proportional set size of all its processes must not grow by 300 MB.
// --pid-file names a file to hold the browser's process id, for the
// caller to end it whatever becomes of this script.
//
// No step waits for ever: a conversion, a log's checks or a download that
// takes longer than STEP_TIMEOUT_MS fails with what the page shows, and the
// suite goes on.

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const web = path.join(here, '../../web');
const puppeteer = createRequire(path.join(web, 'package.json'))('puppeteer-core');
const { serve } = await import(path.join(web, 'serve.mjs'));

const { values: options, positionals: logs } = parseArgs({
  allowPositionals: true,
  options: {
    site: { type: 'string' }, logvane: { type: 'string' },
    work: { type: 'string' }, sample: { type: 'string' },
    big: { type: 'string' }, screenshot: { type: 'string' },
    huge: { type: 'string' }, 'pid-file': { type: 'string' },
  },
});

const STEP_TIMEOUT_MS = 120_000;
/// The memory run converts some 10,000,000 records in one step.
const HUGE_TIMEOUT_MS = 1_800_000;

let passed = 0;
let failed = 0;
function check(name, ok, detail = '') {
  if (ok) {
    ++passed;
    console.log(`ok ${name}`);
  } else {
    ++failed;
    console.log(`FAIL ${name}${detail ? `: ${detail}` : ''}`);
  }
}

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

/// promise, or once ms have passed a rejection: "what after N s".
function bounded(promise, ms, what) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what} after ${ms / 1000} s`)), ms);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

/// Runs run(report), which reports its checks through report; one that
/// throws or outlasts ms fails as name, with what page shows of the log at
/// index. A step cut short reports nothing more.
async function step(name, page, index, run, ms = STEP_TIMEOUT_MS) {
  let over = false;
  const report = (...args) => { if (!over) check(...args); };
  try {
    await bounded(run(report), ms, 'not done');
  } catch (error) {
    over = true;
    check(name, false, `${error.message}; ${await describePage(page, index)}`);
    // Nothing waits any longer for a download this step began.
    pending.clear();
  }
  over = true;
}

/// The native build on a copy of log named name, in a fresh directory.
function runNative(log, name) {
  const dir = fs.mkdtempSync(path.join(options.work, 'native-'));
  fs.copyFileSync(log, path.join(dir, name));
  const started = process.hrtime.bigint();
  const run = spawnSync(path.resolve(options.logvane), [name],
                        { cwd: dir, timeout: STEP_TIMEOUT_MS });
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  const documents = fs.readdirSync(dir).filter(entry => entry !== name);
  const document = documents.length === 1
    ? { name: documents[0], bytes: fs.readFileSync(path.join(dir, documents[0])) }
    : null;
  fs.rmSync(dir, { recursive: true });
  return { status: run.status, stdout: run.stdout.toString(),
           stderr: run.stderr.toString(), document, seconds };
}

const server = await serve(options.site, 0);
const origin = `http://127.0.0.1:${server.address().port}`;
const downloads = fs.mkdtempSync(path.join(options.work, 'downloads-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  userDataDir: fs.mkdtempSync(path.join(options.work, 'profile-')),
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update',
         '--disable-sync'],
});
if (options['pid-file']) fs.writeFileSync(options['pid-file'], `${browser.process().pid}\n`);
const requests = [];

// Downloads land in downloads/ named by their guid; this resolves to the
// file and the name the page gave it once it is complete.
const browserSession = await browser.target().createCDPSession();
await browserSession.send('Browser.setDownloadBehavior', {
  behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true,
});
const pending = new Map();
browserSession.on('Browser.downloadWillBegin', event => {
  pending.get('next')?.begin(event);
});
browserSession.on('Browser.downloadProgress', event => {
  if (event.state === 'completed' || event.state === 'canceled') {
    pending.get(event.guid)?.(event.state);
  }
});

// Chromium drops a page's download request, without a word, once ten
// have been made in a burst begun less than a second before: clicks are
// spaced so that no eleven downloads begin within a second.
const DOWNLOAD_BURST = 10;
const DOWNLOAD_BURST_MS = 1000 + 100;
const downloadsBegun = [];

async function download(click) {
  if (downloadsBegun.length === DOWNLOAD_BURST) {
    await sleep(downloadsBegun.shift() + DOWNLOAD_BURST_MS - performance.now());
  }
  return new Promise((resolve, reject) => {
    let name;
    pending.set('next', { begin: event => {
      downloadsBegun.push(performance.now());
      name = event.suggestedFilename;
      pending.delete('next');
      pending.set(event.guid, state => {
        pending.delete(event.guid);
        try {
          if (state !== 'completed') throw new Error(`download of ${name} ${state}`);
          resolve({ name, bytes: fs.readFileSync(path.join(downloads, event.guid)) });
        } catch (error) {
          reject(error);
        }
      });
    } });
    click().catch(reject);
  });
}

/// Where the downloads stand, for a step that did not end.
function describeDownloads() {
  if (pending.has('next')) return 'a download was clicked and has not begun';
  return pending.size > 0 ? 'a download has begun and not completed' : 'no download pending';
}

/// Messages kept of each page's console and its workers' reports.
const KEPT_MESSAGES = 8;

async function openPage() {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 800 });
  page.on('request', request => requests.push(request.url()));
  page.messages = [];
  const keep = text => {
    page.messages.push(text);
    if (page.messages.length > KEPT_MESSAGES) page.messages.shift();
  };
  page.on('console', message => keep(`${message.type()}: ${message.text()}`));
  page.on('workercreated', worker => worker.on('console', message =>
    keep(`worker ${message.type()}: ${message.text()}`)));
  page.on('pageerror', error => {
    keep(`error: ${error.message}`);
    console.log(`page error: ${error.message}`);
  });
  // The page's workers' last messages, as the page received them; of a
  // log's progress reports only the last.
  await page.evaluateOnNewDocument(keptMessages => {
    const reports = window.workerReports = [];
    let last = {};
    window.Worker = class extends window.Worker {
      constructor(...args) {
        super(...args);
        this.addEventListener('message', ({ data }) => {
          const { id, type, done, total, status, message } = data ?? {};
          if (type === 'progress' && last.type === type && last.id === id) reports.pop();
          last = { id, type };
          reports.push(JSON.stringify({ id, type, done, total, status, message }));
          if (reports.length > keptMessages) reports.shift();
        });
      }
    };
  }, KEPT_MESSAGES);
  await page.goto(`${origin}/`);
  return page;
}

/// What page shows: its status line and the item of the log at index, what
/// its workers last reported, its console's last messages and the downloads.
async function describePage(page, index) {
  const shown = await bounded(page.evaluate(index => {
    const item = index === null ? null : document.querySelectorAll('.log')[index];
    const bar = item?.querySelector('progress');
    return {
      status: document.getElementById('status')?.textContent ?? null,
      item: item ? `${item.querySelector('h3').textContent}: ` +
        `${item.querySelector('.state').textContent}` +
        (bar ? `, progress ${bar.value.toFixed(2)}${bar.hidden ? ' (hidden)' : ''}` : '') : null,
      reports: window.workerReports ?? [],
    };
  }, index ?? null), 5000, 'no answer from the page').catch(error => ({ error: error.message }));
  if (shown.error) return `${shown.error}; ${describeDownloads()}`;
  return [`status ${JSON.stringify(shown.status)}`,
          ...(shown.item === null ? [] : [`item ${JSON.stringify(shown.item)}`]),
          `worker last reported ${shown.reports.join(' ') || 'nothing'}`,
          `console ${JSON.stringify(page.messages)}`,
          describeDownloads()].join('; ');
}

// The logs' items once all are finished, as the page shows them; after ms,
// as they are then, those still going with finished false. An item is
// finished once it has a result and no progress bar.
async function convert(page, files, ms = STEP_TIMEOUT_MS) {
  const before = await page.$$eval('.log', items => items.length);
  const input = await page.$('#log-files');
  await input.uploadFile(...files);
  await page.waitForFunction(
    count => [...document.querySelectorAll('.log')].filter(
      item => !item.querySelector('progress') &&
              item.querySelector('.state').textContent !== 'Waiting').length === count,
    { timeout: ms, polling: 100 }, before + files.length,
  ).catch(error => {
    if (!(error instanceof puppeteer.TimeoutError)) throw error;
  });
  return (await page.$$eval('.log', items => items.map(item => ({
    finished: !item.querySelector('progress') &&
              item.querySelector('.state').textContent !== 'Waiting',
    path: item.querySelector('h3').textContent,
    status: item.dataset.status === undefined ? null : Number(item.dataset.status),
    state: item.querySelector('.state').textContent,
    stdout: item.querySelector('.stdout')?.textContent ?? '',
    stderr: item.querySelector('.stderr')?.textContent ?? '',
    points: item.querySelector('.points')?.textContent ?? null,
    documentName: item.querySelector('a.document')?.dataset.name ?? null,
    offeredName: item.querySelector('a.document')?.download ?? null,
    warning: item.querySelector('.warning') !== null,
    time: Number(item.dataset.time),
  })))).slice(before);
}

// How many pixels of the map in png look like the track's yellow line,
// half-transparent over the dark map; the browser decodes the image.
async function yellowPixels(png, clip) {
  const page = await browser.newPage();
  try {
    return await page.evaluate(async (data, box) => {
      const image = new Image();
      image.src = `data:image/png;base64,${data}`;
      await image.decode();
      const canvas = new OffscreenCanvas(box.width, box.height);
      const context = canvas.getContext('2d');
      context.drawImage(image, -box.x, -box.y);
      const { data: rgba } = context.getImageData(0, 0, box.width, box.height);
      let count = 0;
      for (let i = 0; i < rgba.length; i += 4) {
        const [r, g, b] = [rgba[i], rgba[i + 1], rgba[i + 2]];
        if (r > 110 && g > 110 && b < 80 && Math.abs(r - g) < 40) ++count;
      }
      return count;
    }, png.toString('base64'), clip);
  } finally {
    await page.close();
  }
}

// The entries of a zip whose files are stored, not compressed, as the
// page's are: name to bytes, from the central directory.
function readZip(bytes) {
  const entries = new Map();
  const end = bytes.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  if (end < 0) return entries;
  let at = bytes.readUInt32LE(end + 16);
  for (let count = bytes.readUInt16LE(end + 10); count > 0; --count) {
    if (bytes.readUInt32LE(at) !== 0x02014b50 || bytes.readUInt16LE(at + 10) !== 0) break;
    const size = bytes.readUInt32LE(at + 24);
    const nameLength = bytes.readUInt16LE(at + 28);
    const name = bytes.subarray(at + 46, at + 46 + nameLength).toString();
    const local = bytes.readUInt32LE(at + 42);
    const data = local + 30 + bytes.readUInt16LE(local + 26) + bytes.readUInt16LE(local + 28);
    entries.set(name, bytes.subarray(data, data + size));
    at += 46 + nameLength + bytes.readUInt16LE(at + 30) + bytes.readUInt16LE(at + 32);
  }
  return entries;
}

const MEMORY_GROWTH_LIMIT = 300e6;

// The page's own WASI host, under Node, against the native build on paths
// that the page never passes but a POSIX system resolves: a name through a
// directory that is not there and through `..`, which the host refuses
// with the native message, and a name through `.`.
async function checkPaths() {
  const { runCommand } = await import(path.join(web, 'src/wasi.js'));
  const { SliceReader } = await import(path.join(web, 'src/log-slices.js'));
  const module = new WebAssembly.Module(
    fs.readFileSync(path.join(options.site, 'logvane.wasm')));
  const bytes = fs.readFileSync(options.sample);
  // Node has no FileReaderSync; a Blob's bytes are at hand here.
  globalThis.FileReaderSync = class {
    readAsArrayBuffer(blob) { return blob.bytes; }
  };
  const decoder = new TextDecoder();
  for (const name of ['sub/../log.txt', '../log.txt', './log.txt']) {
    const log = { name: 'log.txt', size: bytes.length,
                  slice: (start, end) => ({ bytes: bytes.subarray(start, end) }) };
    const run = await runCommand(module, {
      log, slices: new SliceReader(log), argument: name, onProgress() {},
      makeSink() {
        const sink = { size: 0, chunks: [],
                       write(data) { sink.chunks.push(data.slice()); sink.size += data.length; },
                       truncate() { sink.chunks = []; sink.size = 0; } };
        return sink;
      },
    });
    // The native run is one directory down, so `..` holds no log either.
    const top = fs.mkdtempSync(path.join(options.work, 'paths-'));
    fs.mkdirSync(path.join(top, 'run'));
    fs.copyFileSync(options.sample, path.join(top, 'run', 'log.txt'));
    const native = spawnSync(path.resolve(options.logvane), [name],
                             { cwd: path.join(top, 'run') });
    const nativeDocument = fs.existsSync(path.join(top, 'run', 'log.kml'))
      ? fs.readFileSync(path.join(top, 'run', 'log.kml')) : null;
    const document = run.documents.length === 1
      ? Buffer.concat(run.documents[0].sink.chunks) : null;
    check(`the page's WASI host opens ${name} as the native build`,
          run.status === native.status &&
          decoder.decode(run.stdout) === native.stdout.toString() &&
          decoder.decode(run.stderr) === native.stderr.toString() &&
          (document === null ? nativeDocument === null : document.equals(nativeDocument)),
          `status ${run.status}, ${JSON.stringify(decoder.decode(run.stderr))}; ` +
          `native ${native.status}, ${JSON.stringify(native.stderr.toString())}`);
  }
}

// Bytes of memory the browser's processes hold: their proportional set
// sizes (shared pages counted once in all) and their resident sizes.
function browserMemory() {
  const parents = new Map();
  for (const pid of fs.readdirSync('/proc').filter(name => /^\d+$/.test(name))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      parents.set(pid, stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
    } catch { /* gone meanwhile */ }
  }
  const family = new Set([String(browser.process().pid)]);
  for (let grown = true; grown;) {
    grown = false;
    for (const [pid, parent] of parents) {
      if (family.has(parent) && !family.has(pid)) {
        family.add(pid);
        grown = true;
      }
    }
  }
  let pss = 0;
  let rss = 0;
  for (const pid of family) {
    try {
      const rollup = fs.readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
      pss += Number(/^Pss:\s+(\d+)/m.exec(rollup)?.[1] ?? 0) * 1024;
      rss += Number(/^Rss:\s+(\d+)/m.exec(rollup)?.[1] ?? 0) * 1024;
    } catch { /* gone meanwhile */ }
  }
  return { pss, rss };
}

try {
  await checkPaths();
  if (options.huge) {
    const label = path.relative(process.cwd(), options.huge);
    const name = `${label}: converted with the browser's memory growing by less than 300 MB`;
    const page = await openPage();
    await sleep(2000);
    const before = browserMemory();
    let peak = before;
    const sampler = setInterval(() => {
      const now = browserMemory();
      if (now.pss > peak.pss) peak = now;
    }, 200);
    await step(name, page, 0, async report => {
      const [item] = await convert(page, [options.huge], HUGE_TIMEOUT_MS);
      clearInterval(sampler);
      const growth = peak.pss - before.pss;
      console.log(`memory ${label}: ${item.points} points in ${(item.time / 1000).toFixed(1)} s; ` +
                  `browser PSS ${(before.pss / 1e6).toFixed(0)} MB before, ` +
                  `peak ${(peak.pss / 1e6).toFixed(0)} MB (RSS ${(before.rss / 1e6).toFixed(0)} -> ` +
                  `${(peak.rss / 1e6).toFixed(0)} MB)`);
      report(name, item.status === 0 && growth < MEMORY_GROWTH_LIMIT,
             `${item.state}, growth ${(growth / 1e6).toFixed(0)} MB`);
    }, HUGE_TIMEOUT_MS + STEP_TIMEOUT_MS);
    clearInterval(sampler);
    await page.close();
  }

  // The sample alone: the map draws its track in the document's yellow.
  const mapPage = await openPage();
  await step('the map draws the track in yellow', mapPage, 0, async report => {
    const box = await (await mapPage.$('#map')).boundingBox();
    const clip = { x: Math.round(box.x), y: Math.round(box.y),
                   width: Math.round(box.width), height: Math.round(box.height) };
    const empty = await yellowPixels(await mapPage.screenshot(), clip);
    await convert(mapPage, [options.sample]);
    await mapPage.waitForSelector('#map[data-tracks="1"]');
    await sleep(500);
    const shot = await mapPage.screenshot();
    if (options.screenshot) fs.writeFileSync(options.screenshot, shot);
    const yellow = await yellowPixels(shot, clip);
    report('the map draws the track in yellow', empty === 0 && yellow > 200,
           `${empty} yellow pixels before, ${yellow} after`);
  });
  await mapPage.close();

  // Every log through the file input at once; the big one moves its
  // progress bar. The bar is shown only once a run has taken 300 ms, which
  // this log may not take: its values count, shown or not yet.
  const page = await openPage();
  await page.evaluate(() => {
    window.progressSeen = [];
    new MutationObserver(() => {
      for (const bar of document.querySelectorAll('progress')) {
        window.progressSeen.push(bar.value);
      }
    }).observe(document.body, { subtree: true, attributes: true, childList: true });
  });
  // Logs changed on disk after they were chosen cannot be read: they wait
  // behind the big one while they are changed. A small log is read in one
  // slice, a big one as a stream.
  const changed = [options.sample, options.big].map((log, index) => {
    const copy = path.join(options.work, `changed-${index}.txt`);
    fs.copyFileSync(log, copy);
    return copy;
  });
  const all = [...logs, options.big];
  const converted = convert(page, [...all, ...changed]);
  await page.waitForSelector('.log:last-child');
  for (const log of changed) fs.appendFileSync(log, 'one line more\n');
  const items = await converted;
  for (const [index, changedItem] of items.splice(all.length).entries()) {
    check(`a ${index === 0 ? 'small' : 'big'} log changed after it was chosen: a read error, no document`,
          changedItem.status === 5 && changedItem.documentName === null &&
          changedItem.stderr.startsWith('Failed to read input file: '),
          changedItem.finished
            ? `${changedItem.state}; ${JSON.stringify(changedItem.stderr)}`
            : `not finished; ${await describePage(page, all.length)}`);
  }
  const offered = new Map();
  for (const [index, log] of all.entries()) {
    const item = items[index];
    const label = path.relative(process.cwd(), log);
    const name = `${label}: as the native build`;
    await step(name, page, index, async report => {
      if (!item.finished) {
        throw new Error(`not finished after ${STEP_TIMEOUT_MS / 1000} s`);
      }
      const native = runNative(log, item.path);
      const differences = [];
      if (item.status !== native.status) differences.push(`status ${item.status} (${item.state}), native ${native.status}`);
      if (item.stdout !== native.stdout) differences.push(`output ${JSON.stringify(item.stdout)}, native ${JSON.stringify(native.stdout)}`);
      if (item.stderr !== native.stderr) differences.push(`message ${JSON.stringify(item.stderr)}, native ${JSON.stringify(native.stderr)}`);
      if (item.documentName !== (native.document?.name ?? null)) differences.push(`document ${item.documentName}, native ${native.document?.name}`);
      if (item.documentName !== null && item.documentName === native.document?.name) {
        const link = (await page.$$('.log'))[index];
        const got = await download(() => link.$eval('a.document', a => a.click()));
        offered.set(item.offeredName, got.bytes);
        if (!got.bytes.equals(native.document.bytes)) differences.push(`document bytes differ (${got.bytes.length} bytes, native ${native.document.bytes.length})`);
      }
      // The count shown is that of the native document's coordinate lines,
      // and the warning stands exactly where there are none.
      if (native.document !== null) {
        const lines = native.document.bytes.toString()
          .split(/<coordinates>\r?\n/)[1].split('</coordinates>')[0].split('\n').length - 1;
        if (item.points !== lines.toLocaleString('en')) differences.push(`${item.points} track points shown, ${lines} in the document`);
        if (item.warning !== (lines === 0)) differences.push(`warning ${item.warning ? 'shown' : 'not shown'} with ${lines} track points`);
      }
      report(name, differences.length === 0, differences.join('; '));
      if (log === options.big) {
        const seen = await page.evaluate(() => window.progressSeen);
        report(`${label}: progress reported on its bar`, seen.some(value => value > 0 && value < 1),
               `values seen: ${seen.slice(0, 10).join(', ')}`);
        console.log(`time ${label}: page ${(item.time / 1000).toFixed(3)} s, ` +
                    `native ${native.seconds.toFixed(3)} s, ` +
                    `ratio ${(item.time / 1000 / native.seconds).toFixed(2)}`);
      }
    });
  }
  const names = [...offered.keys()];
  check('documents of the same name are all offered, under different names',
        new Set(names.map(name => name.toLowerCase())).size === names.length &&
        names.length === items.filter(item => item.offeredName !== null).length &&
        names.some(name => / \(2\)\.kml$/.test(name)),
        names.join(', '));
  const binary = items.find(item => item.path.endsWith('.bin'));
  check('a binary file gives the warning', binary?.warning === true && binary.points === '0');

  // One zip of them all, holding each document as offered.
  const zipName = 'Download all: one zip of every document as offered';
  await step(zipName, page, null, async report => {
    const zip = await download(() => page.click('#download-all'));
    const entries = readZip(zip.bytes);
    report(zipName, entries.size === offered.size &&
           [...offered].every(([name, bytes]) => entries.get(name)?.equals(bytes)),
           `${zip.name}: ${[...entries.keys()].join(', ')}`);
  });

  const foreign = requests.filter(url => !url.startsWith(`${origin}/`) &&
                                         !url.startsWith(`blob:${origin}/`));
  check('the page requests only its own files', foreign.length === 0,
        foreign.slice(0, 5).join(' '));
} catch (error) {
  check('the page test ran to its end', false, error.stack);
} finally {
  await bounded(browser.close(), 30_000, 'closing the browser')
    .catch(() => browser.process()?.kill('SIGKILL'));
  server.close();
}
console.log(`web: ${passed} passed, ${failed} failed`);
// Whatever may still be pending, such as a step cut short, ends here.
process.exit(failed === 0 ? 0 : 1);
