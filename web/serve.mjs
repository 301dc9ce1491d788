// Serves a built site on 127.0.0.1, as any static host would.
//
//   node serve.mjs SITE_DIR [PORT]     (PORT 8021 unless given; 0: any)
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8',
};

/// Starts serving dir; resolves to the server once it listens.
export function serve(dir, port) {
  const root = path.resolve(dir);
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep) || !fs.statSync(file, { throwIfNoEntry: false })?.isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {
      'content-type': TYPES[path.extname(file)] ?? 'application/octet-stream',
      'cache-control': 'no-cache',
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [dir, port = '8021'] = process.argv.slice(2);
  if (!dir) throw new Error('usage: node serve.mjs SITE_DIR [PORT]');
  const server = await serve(dir, Number(port));
  console.log(`serving ${dir} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
}
