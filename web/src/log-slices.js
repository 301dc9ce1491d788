// The log, read slice after slice: where the converter runs, as it asks
// (FileReaderSync), or ahead of it by a worker of its own while it converts
// the slice before. read(position) gives the bytes of the slice that starts
// there: at once, or a promise of them from the reader ahead; a failed read
// (a file changed since it was chosen) throws or rejects.

/// Few calls into the browser, each costly, and little memory.
export const LOG_SLICE_SIZE = 16 << 20;
/// Slices the reader ahead may hold besides the one being converted.
const SLICES_AHEAD = 2;

export class SliceReader {
  constructor(file) {
    this.file = file;
    this.reader = new FileReaderSync();
  }
  read(position) {
    const slice = this.file.slice(position, position + LOG_SLICE_SIZE);
    return new Uint8Array(this.reader.readAsArrayBuffer(slice));
  }
  close() {}
}

export class ReadAheadReader {
  /// Whether a module can wait for this reader's slices here.
  static available() {
    return typeof WebAssembly.Suspending === 'function' &&
           typeof WebAssembly.promising === 'function';
  }

  constructor(file) {
    this.waits = true;
    this.worker = new Worker(new URL('read-worker.js', import.meta.url),
                             { type: 'module' });
    this.arrived = [];
    this.waiting = null;
    this.next = 0;
    this.worker.onmessage = ({ data }) => {
      if (this.waiting === null) {
        this.arrived.push(data);
      } else {
        this.waiting(data);
        this.waiting = null;
      }
    };
    this.worker.postMessage({ file, sliceSize: LOG_SLICE_SIZE, ahead: SLICES_AHEAD });
  }
  read(position) {
    // The module reads its log front to back, each slice once.
    if (position !== this.next) {
      return Promise.reject(new Error(`read at ${position}, not ${this.next}`));
    }
    const take = data => {
      if (data.error !== undefined) throw new Error(data.error);
      this.worker.postMessage({ used: true });
      this.next += data.buffer.byteLength;
      return new Uint8Array(data.buffer);
    };
    if (this.arrived.length > 0) return take(this.arrived.shift());
    return new Promise(resolve => { this.waiting = resolve; }).then(take);
  }
  close() {
    this.worker.terminate();
  }
}
