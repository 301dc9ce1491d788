// The log, read slice after slice: as the converter asks (FileReaderSync),
// or from the file's byte stream, one slice ahead of the converter while it
// converts the one before. read(position) gives the bytes of the slice that
// starts there: at once, or a promise of them from the stream; a failed
// read (a file changed since it was chosen) throws or rejects.

/// Few calls into the browser, each costly, and little memory.
export const LOG_SLICE_SIZE = 16 << 20;
/// Slices of the stream: two at a time, one converted and one being read.
/// The browser reads a stream into the reader's own buffers several times
/// faster than it makes each slice of a file a new buffer.
const STREAM_SLICE_SIZE = 1 << 20;

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

export class StreamReader {
  /// Whether a module can wait for this reader's slices here.
  static available() {
    return typeof WebAssembly.Suspending === 'function' &&
           typeof WebAssembly.promising === 'function' &&
           typeof ReadableStreamBYOBReader === 'function';
  }

  constructor(file) {
    this.waits = true;
    this.reader = file.stream().getReader({ mode: 'byob' });
    this.size = file.size;
    this.next = 0;
    // The slice lent to the module, whose buffer reads the one after the
    // next once the module asks for the next.
    this.lent = new ArrayBuffer(STREAM_SLICE_SIZE);
    this.ahead = this.readInto(new ArrayBuffer(STREAM_SLICE_SIZE));
  }
  readInto(buffer) {
    const slice = this.reader.read(new Uint8Array(buffer)).then(
      ({ done, value }) => {
        // A file that shrank after it was chosen ends early.
        if (done && this.next < this.size) {
          throw new Error('the log ended early');
        }
        return value;
      });
    // A failure counts only if the module asks for that slice: read()
    // passes it on.
    slice.catch(() => {});
    return slice;
  }
  read(position) {
    // The module reads its log front to back, each slice once.
    if (position !== this.next) {
      return Promise.reject(new Error(`read at ${position}, not ${this.next}`));
    }
    return this.ahead.then(slice => {
      this.next += slice.length;
      // Reading ahead while the module converts this slice.
      this.ahead = this.readInto(this.lent);
      this.lent = slice.buffer;
      return slice;
    });
  }
  close() {
    this.reader.cancel().catch(() => {});
  }
}
