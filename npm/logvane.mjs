#!/usr/bin/env node
// The logvane command for Node: runs the WASI program that sits beside this
// module under its name (logvane.wasm beside logvane.mjs) with the command
// line, the standard streams and the whole file system, from the current
// directory, and ends with the program's exit status.
import { readFile } from 'node:fs/promises';

// Node warns on standard error that WASI is experimental. Only the program
// may write there: that one warning is dropped, any other goes through.
const emitWarning = process.emitWarning;
process.emitWarning = function (warning, ...rest) {
  const type = typeof rest[0] === 'string' ? rest[0] : rest[0]?.type;
  if (type === 'ExperimentalWarning' && String(warning).includes('WASI')) {
    return;
  }
  return emitWarning.call(process, warning, ...rest);
};
const { WASI } = await import('node:wasi');

// A WASI program reaches only the folders opened for it, and starts in "/":
// the whole file system is opened as "/", and PWD tells the program where
// relative names start, so that "x.txt", "../x.txt" and "/tmp/x.txt" mean
// what they mean natively.
const wasi = new WASI({
  version: 'preview1',
  args: ['logvane', ...process.argv.slice(2)],
  env: { PWD: process.cwd() },
  preopens: { '/': '/' },
  returnOnExit: true,
});
process.emitWarning = emitWarning;

const program = new URL(import.meta.url.replace(/\.mjs$/, '.wasm'));
const module = await WebAssembly.compile(await readFile(program));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
process.exitCode = wasi.start(instance) ?? 0;
