// Where the worker keeps the documents it writes. In the origin's private
// file system when the browser has one: each document goes to disk as it is
// written, so memory does not grow with it. Elsewhere in memory, gathered in
// blobs of a few megabytes.

const STAGING_SIZE = 1 << 20;
const SESSION_PREFIX = 'session-';

/// Bytes in order into one place, staged in a buffer so that few writes
/// reach the browser.
class StagedSink {
  constructor() {
    this.staging = new Uint8Array(STAGING_SIZE);
    this.staged = 0;
    this.flushed = 0;
  }
  get size() {
    return this.flushed + this.staged;
  }
  write(bytes) {
    let at = 0;
    while (at < bytes.length) {
      const count = Math.min(bytes.length - at, STAGING_SIZE - this.staged);
      this.staging.set(bytes.subarray(at, at + count), this.staged);
      this.staged += count;
      at += count;
      if (this.staged === STAGING_SIZE) this.flush();
    }
  }
  flush() {
    if (this.staged === 0) return;
    this.put(this.staging.subarray(0, this.staged));
    this.flushed += this.staged;
    this.staged = 0;
  }
  truncate() {
    this.staged = 0;
    this.flushed = 0;
    this.empty();
  }
}

class MemorySink extends StagedSink {
  constructor() {
    super();
    this.parts = [];
  }
  put(bytes) {
    this.parts.push(new Blob([bytes]));
  }
  empty() {
    this.parts = [];
  }
  async finish(name) {
    this.flush();
    return new File(this.parts, name, { type: KML_TYPE });
  }
  async discard() {
    this.parts = [];
  }
}

class DiskSink extends StagedSink {
  constructor(directory, fileName, handle, access) {
    super();
    this.directory = directory;
    this.fileName = fileName;
    this.handle = handle;
    this.access = access;
  }
  put(bytes) {
    // The access handle writes all it is given or throws.
    this.access.write(bytes, { at: this.flushed });
  }
  empty() {
    this.access.truncate(0);
  }
  async finish(name) {
    this.flush();
    // No flush(): the file is read back in this session, and closing leaves
    // its bytes where getFile() finds them; flush() would wait for the disk
    // (about 25 ms for 31 MB).
    this.access.close();
    const file = await this.handle.getFile();
    return new File([file], name, { type: KML_TYPE });
  }
  async discard() {
    this.access.close();
    await this.directory.removeEntry(this.fileName);
  }
}

export const KML_TYPE = 'application/vnd.google-earth.kml+xml';

/// Gives sinks, prepared ahead (a run asks for one without waiting), and
/// keeps streams as files.
export class DocumentStore {
  /// Workers take sinks; the page, which cannot write synchronously,
  /// only saves streams.
  async open({ sinks = true } = {}) {
    this.sinks = sinks;
    this.directory = null;
    this.made = 0;
    try {
      const top = await navigator.storage.getDirectory();
      const session = SESSION_PREFIX + crypto.randomUUID();
      // Held while the page is open, so no other page removes this folder.
      await new Promise(granted => navigator.locks.request(session, () => {
        granted();
        return new Promise(() => {});
      }));
      await removeAbandonedSessions(top);
      this.directory = await top.getDirectoryHandle(session, { create: true });
    } catch {
      // No private file system here (or not in this context): memory then.
      this.directory = null;
    }
    await this.prepare();
  }

  get onDisk() {
    return this.directory !== null;
  }

  /// Readies the sink the next run will take.
  async prepare() {
    this.spare = null;
    if (this.directory === null || !this.sinks) return;
    try {
      const fileName = `document-${++this.made}.kml`;
      const handle =
        await this.directory.getFileHandle(fileName, { create: true });
      const access = await handle.createSyncAccessHandle();
      this.spare = new DiskSink(this.directory, fileName, handle, access);
    } catch {
      this.spare = null;
    }
  }

  /// A sink for one document: the prepared one first.
  take() {
    const sink = this.spare ?? new MemorySink();
    this.spare = null;
    return sink;
  }
}

/// The bytes of stream as a File named name, on disk where it can be.
export async function saveStream(store, stream, name, type) {
  if (store.directory !== null) {
    try {
      const handle = await store.directory.getFileHandle(
        `saved-${++store.made}`, { create: true });
      await stream.pipeTo(await handle.createWritable());
      return new File([await handle.getFile()], name, { type });
    } catch {
      // A browser without writable streams there: memory then.
    }
  }
  return new File([await new Response(stream).blob()], name, { type });
}

async function removeAbandonedSessions(top) {
  const { held } = await navigator.locks.query();
  const alive = new Set(held.map(lock => lock.name));
  for await (const [name] of top.entries()) {
    if (name.startsWith(SESSION_PREFIX) && !alive.has(name)) {
      await top.removeEntry(name, { recursive: true }).catch(() => {});
    }
  }
}
