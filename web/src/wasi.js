// A WASI (preview 1) host for one run of a command module, made for a
// worker. The module sees one directory, its current one: the log, a File
// read in slices as the module asks for bytes, and the documents it creates,
// each written to a sink as it goes. Standard output and error are kept as
// bytes. The module's own rules decide everything else; this file only
// answers system calls the way a POSIX system would for that directory.

const SUCCESS = 0;
const EACCES = 2;
const EBADF = 8;
const EEXIST = 20;
const EINVAL = 28;
const EIO = 29;
const EISDIR = 31;
const ENAMETOOLONG = 37;
const ENOENT = 44;
const ENOSYS = 52;
const ENOTDIR = 54;
const ESPIPE = 70;

const FILETYPE_CHARACTER_DEVICE = 2;
const FILETYPE_DIRECTORY = 3;
const FILETYPE_REGULAR_FILE = 4;

const OFLAG_CREAT = 1;
const OFLAG_DIRECTORY = 2;
const OFLAG_EXCL = 4;
const OFLAG_TRUNC = 8;

const RIGHT_FD_WRITE = 1n << 6n;
const RIGHT_FD_FILESTAT_SET_SIZE = 1n << 22n;
const RIGHTS_ALL = (1n << 30n) - 1n;

const WHENCE_SET = 0;
const WHENCE_CUR = 1;
const WHENCE_END = 2;

/// The longest name of one directory entry on Linux, in bytes.
const NAME_MAX = 255;
const PREOPENED_DIRECTORY = 3;

/// Thrown by proc_exit to leave the module; caught by runCommand().
class ProcessExit {
  constructor(status) {
    this.status = status;
  }
}

/// A failed system call: its error number travels up to the import.
class SystemError {
  constructor(errno) {
    this.errno = errno;
  }
}

/// The log: a browser File, read through slices (log-slices.js).
class LogNode {
  constructor(file, inode, slices, onRead) {
    this.inode = inode;
    this.file = file;
    this.slices = slices;
    this.onRead = onRead;
    this.sliceStart = 0;
    this.slice = new Uint8Array(0);
  }
  get filetype() {
    return FILETYPE_REGULAR_FILE;
  }
  get size() {
    return this.file.size;
  }
  /// Whether the bytes at position are still to be read from the file.
  needsSlice(position) {
    return position < this.file.size &&
      (position < this.sliceStart ||
       position >= this.sliceStart + this.slice.length);
  }
  /// Reads the slice at position; returns a promise when it comes later.
  fetch(position) {
    const keep = slice => {
      this.sliceStart = position;
      this.slice = slice;
    };
    let slice;
    try {
      slice = this.slices.read(position);
    } catch {
      throw new SystemError(EIO);
    }
    if (!(slice instanceof Promise)) return keep(slice);
    return slice.then(keep, () => { throw new SystemError(EIO); });
  }
  /// Copies from the slice at hand: 0 at the end of the file.
  copyAt(position, into) {
    const offset = position - this.sliceStart;
    const count = Math.max(0, Math.min(into.length, this.slice.length - offset));
    into.set(this.slice.subarray(offset, offset + count));
    if (count > 0) this.onRead(position + count, this.file.size);
    return count;
  }
}

/// A document the module created: bytes go to its sink, in order only.
class DocumentNode {
  constructor(name, sink, inode) {
    this.name = name;
    this.sink = sink;
    this.inode = inode;
  }
  get filetype() {
    return FILETYPE_REGULAR_FILE;
  }
  get size() {
    return this.sink.size;
  }
  writeAt(position, bytes) {
    // The module writes its document front to back; a sink cannot seek.
    if (position !== this.sink.size) throw new SystemError(ESPIPE);
    this.sink.write(bytes);
    return bytes.length;
  }
}

class DirectoryNode {
  constructor(inode) {
    this.inode = inode;
    this.entries = new Map();
  }
  get filetype() {
    return FILETYPE_DIRECTORY;
  }
  get size() {
    return 4096;
  }
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

/// Runs module once as `logvane <argument>`, the log's name unless given,
/// in a directory that holds the log under its name, read through slices
/// (log-slices.js). makeSink(name) gives the sink of a document the run
/// creates; onProgress(done, total) hears how far the log has been read.
/// Where slices come as promises, the module waits for them through
/// JavaScript Promise Integration. Resolves to the exit status, standard
/// output and error as bytes, and the documents left: [{ name, sink }].
export async function runCommand(module, { log, slices, makeSink, onProgress,
                                           argument = log.name }) {
  let nextInode = 1;
  const root = new DirectoryNode(nextInode++);
  const logNode = new LogNode(log, nextInode++, slices, onProgress);
  root.entries.set(log.name, logNode);

  const output = { 1: [], 2: [] };
  const descriptors = new Map([
    [PREOPENED_DIRECTORY, { node: root, position: 0, writable: false }],
  ]);
  let nextDescriptor = PREOPENED_DIRECTORY + 1;
  const args = ['logvane', argument].map(text => encoder.encode(text + '\0'));
  let memory;

  const bytes = () => new Uint8Array(memory.buffer);
  const view = () => new DataView(memory.buffer);
  const text = (pointer, length) =>
    decoder.decode(bytes().subarray(pointer, pointer + length));

  // The node that path names below directory, with the directory that
  // holds it and its last name (node is null when nothing has that name
  // there yet). Names are split at '/', as on POSIX systems: `sub/../x`
  // needs a directory sub. The current directory is the only one with
  // anything in it: what lies above it is not seen here.
  function lookUp(directory, path) {
    const names = path.split('/');
    let parent = null;
    let node = directory;
    for (let i = 0; i < names.length; ++i) {
      const name = names[i];
      if (encoder.encode(name).length > NAME_MAX) {
        throw new SystemError(ENAMETOOLONG);
      }
      if (!(node instanceof DirectoryNode)) throw new SystemError(ENOTDIR);
      if (name === '' || name === '.') continue;
      if (name === '..') {
        node = new DirectoryNode(nextInode++);
        continue;
      }
      const found = node.entries.get(name);
      if (found === undefined && i < names.length - 1) {
        throw new SystemError(ENOENT);
      }
      parent = node;
      node = found ?? null;
      if (node === null) return { parent, name, node };
    }
    return { parent, name: names.at(-1), node };
  }

  function descriptor(fd) {
    const entry = descriptors.get(fd);
    if (entry === undefined) throw new SystemError(EBADF);
    return entry;
  }

  function writeFilestat(pointer, node) {
    const out = view();
    out.setBigUint64(pointer, 1n, true);
    out.setBigUint64(pointer + 8, BigInt(node.inode), true);
    out.setUint8(pointer + 16, node.filetype);
    out.setBigUint64(pointer + 24, 1n, true);
    out.setBigUint64(pointer + 32, BigInt(node.size), true);
    out.setBigUint64(pointer + 40, 0n, true);
    out.setBigUint64(pointer + 48, 0n, true);
    out.setBigUint64(pointer + 56, 0n, true);
  }

  // Each iovec: a pointer and a length, 32 bits each.
  function* vectors(pointer, count) {
    for (let i = 0; i < count; ++i) {
      const at = pointer + 8 * i;
      yield [view().getUint32(at, true), view().getUint32(at + 4, true)];
    }
  }

  function writeStrings(strings, pointers, buffer) {
    for (const string of strings) {
      view().setUint32(pointers, buffer, true);
      bytes().set(string, buffer);
      pointers += 4;
      buffer += string.length;
    }
  }

  const calls = {
    args_sizes_get(countPointer, sizePointer) {
      view().setUint32(countPointer, args.length, true);
      view().setUint32(sizePointer,
        args.reduce((sum, arg) => sum + arg.length, 0), true);
    },
    args_get(pointers, buffer) {
      writeStrings(args, pointers, buffer);
    },
    environ_sizes_get(countPointer, sizePointer) {
      view().setUint32(countPointer, 0, true);
      view().setUint32(sizePointer, 0, true);
    },
    environ_get() {},
    proc_exit(status) {
      throw new ProcessExit(status);
    },
    fd_prestat_get(fd, pointer) {
      if (fd !== PREOPENED_DIRECTORY) throw new SystemError(EBADF);
      view().setUint32(pointer, 0, true);
      view().setUint32(pointer + 4, 1, true);
    },
    fd_prestat_dir_name(fd, pointer, length) {
      if (fd !== PREOPENED_DIRECTORY) throw new SystemError(EBADF);
      if (length < 1) throw new SystemError(EINVAL);
      bytes()[pointer] = '.'.charCodeAt(0);
    },
    fd_fdstat_get(fd, pointer) {
      let filetype = FILETYPE_CHARACTER_DEVICE;
      if (fd > 2) filetype = descriptor(fd).node.filetype;
      const out = view();
      out.setUint8(pointer, filetype);
      out.setUint16(pointer + 2, 0, true);
      out.setBigUint64(pointer + 8, RIGHTS_ALL, true);
      out.setBigUint64(pointer + 16, RIGHTS_ALL, true);
    },
    fd_filestat_get(fd, pointer) {
      if (fd <= 2) {
        writeFilestat(pointer, { inode: 0, filetype: FILETYPE_CHARACTER_DEVICE,
                                 size: 0 });
        return;
      }
      writeFilestat(pointer, descriptor(fd).node);
    },
    path_filestat_get(fd, flags, pathPointer, pathLength, pointer) {
      const { node } = lookUp(descriptor(fd).node, text(pathPointer, pathLength));
      if (node === null) throw new SystemError(ENOENT);
      writeFilestat(pointer, node);
    },
    path_open(fd, dirflags, pathPointer, pathLength, oflags, rightsBase,
              rightsInheriting, fdflags, fdPointer) {
      const found = lookUp(descriptor(fd).node, text(pathPointer, pathLength));
      const writable =
        (rightsBase & (RIGHT_FD_WRITE | RIGHT_FD_FILESTAT_SET_SIZE)) !== 0n;
      let node = found.node;
      if (node === null) {
        if (!(oflags & OFLAG_CREAT)) throw new SystemError(ENOENT);
        node = new DocumentNode(found.name, makeSink(found.name), nextInode++);
        found.parent.entries.set(found.name, node);
      } else {
        if ((oflags & OFLAG_CREAT) && (oflags & OFLAG_EXCL)) {
          throw new SystemError(EEXIST);
        }
        if (node instanceof DirectoryNode && writable) {
          throw new SystemError(EISDIR);
        }
        if ((oflags & OFLAG_DIRECTORY) && !(node instanceof DirectoryNode)) {
          throw new SystemError(ENOTDIR);
        }
        // The chosen log is the browser's to keep: never written.
        if (node instanceof LogNode && writable) throw new SystemError(EACCES);
        if ((oflags & OFLAG_TRUNC) && node instanceof DocumentNode) {
          node.sink.truncate();
        }
      }
      const opened = nextDescriptor++;
      descriptors.set(opened, { node, position: 0, writable });
      view().setUint32(fdPointer, opened, true);
    },
    fd_read(fd, iovs, count, readPointer) {
      let total = 0;
      if (fd > 2) {
        const entry = descriptor(fd);
        const node = entry.node;
        if (!(node instanceof LogNode)) throw new SystemError(EBADF);
        for (const [pointer, length] of vectors(iovs, count)) {
          if (node.needsSlice(entry.position)) {
            // Less than asked is a read too; the rest comes next time.
            if (total > 0) break;
            const fetched = node.fetch(entry.position);
            if (fetched !== undefined) {
              return fetched.then(
                () => calls.fd_read(fd, iovs, count, readPointer));
            }
          }
          const got = node.copyAt(entry.position,
                                  bytes().subarray(pointer, pointer + length));
          entry.position += got;
          total += got;
          if (got < length) break;
        }
      } else if (fd !== 0) {
        throw new SystemError(EBADF);
      }
      view().setUint32(readPointer, total, true);
    },
    fd_write(fd, iovs, count, writtenPointer) {
      let total = 0;
      for (const [pointer, length] of vectors(iovs, count)) {
        const data = bytes().subarray(pointer, pointer + length);
        if (fd === 1 || fd === 2) {
          output[fd].push(data.slice());
        } else {
          const entry = descriptor(fd);
          if (!entry.writable || !(entry.node instanceof DocumentNode)) {
            throw new SystemError(EBADF);
          }
          entry.position += entry.node.writeAt(entry.position, data);
        }
        total += length;
      }
      view().setUint32(writtenPointer, total, true);
    },
    fd_seek(fd, offset, whence, pointer) {
      if (fd <= 2) throw new SystemError(ESPIPE);
      const entry = descriptor(fd);
      const base = whence === WHENCE_SET ? 0
        : whence === WHENCE_CUR ? entry.position
        : whence === WHENCE_END ? entry.node.size : NaN;
      const position = base + Number(offset);
      if (!(position >= 0)) throw new SystemError(EINVAL);
      entry.position = position;
      view().setBigUint64(pointer, BigInt(position), true);
    },
    fd_filestat_set_size(fd, size) {
      const entry = descriptor(fd);
      if (!entry.writable || !(entry.node instanceof DocumentNode)) {
        throw new SystemError(EINVAL);
      }
      // Only emptying is asked for: a document made anew, or one given up.
      if (size !== 0n) throw new SystemError(EINVAL);
      entry.node.sink.truncate();
    },
    fd_close(fd) {
      descriptor(fd);
      descriptors.delete(fd);
    },
    path_unlink_file(fd, pathPointer, pathLength) {
      const found = lookUp(descriptor(fd).node, text(pathPointer, pathLength));
      if (found.node === null) throw new SystemError(ENOENT);
      if (found.node instanceof DirectoryNode) throw new SystemError(EISDIR);
      if (!(found.node instanceof DocumentNode)) throw new SystemError(EACCES);
      found.parent.entries.delete(found.name);
    },
  };

  // Every import answers with an error number; one this host lacks, ENOSYS.
  // A call may answer later, through a promise.
  const errorNumber = error => {
    if (error instanceof SystemError) return error.errno;
    throw error;
  };
  const imports = {};
  for (const { module: from, name } of WebAssembly.Module.imports(module)) {
    if (from !== 'wasi_snapshot_preview1') continue;
    const call = calls[name];
    imports[name] = (...values) => {
      if (call === undefined) return ENOSYS;
      try {
        const result = call(...values);
        if (result instanceof Promise) {
          return result.then(() => SUCCESS, errorNumber);
        }
        return SUCCESS;
      } catch (error) {
        return errorNumber(error);
      }
    };
  }
  const waits = slices.waits === true;
  if (waits) {
    imports.fd_read = new WebAssembly.Suspending(imports.fd_read);
  }

  const instance = new WebAssembly.Instance(
    module, { wasi_snapshot_preview1: imports });
  memory = instance.exports.memory;
  const start = waits ? WebAssembly.promising(instance.exports._start)
                      : instance.exports._start;
  let status = 0;
  try {
    await start();
  } catch (error) {
    if (!(error instanceof ProcessExit)) throw error;
    status = error.status;
  }
  const documents = [...root.entries.values()]
    .filter(node => node instanceof DocumentNode)
    .map(node => ({ name: node.name, sink: node.sink }));
  return {
    status,
    stdout: concatenate(output[1]),
    stderr: concatenate(output[2]),
    documents,
  };
}

function concatenate(chunks) {
  const all = new Uint8Array(chunks.reduce((sum, c) => sum + c.length, 0));
  let at = 0;
  for (const chunk of chunks) {
    all.set(chunk, at);
    at += chunk.length;
  }
  return all;
}
