// Builds the static site: the page's modules bundled and minified, the
// stylesheet with OpenLayers' own, the page and the module copied.
//
//   node build.mjs LOGVANE_WASM OUT_DIR
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as esbuild from 'esbuild';

if (process.argv.length !== 4) {
  throw new Error('usage: node build.mjs LOGVANE_WASM OUT_DIR');
}
const [wasm, out] = process.argv.slice(2).map(name => path.resolve(name));
const here = path.dirname(fileURLToPath(import.meta.url));

fs.rmSync(out, { recursive: true, force: true });
fs.mkdirSync(out, { recursive: true });
await esbuild.build({
  absWorkingDir: here,
  entryPoints: { app: 'src/main.js', 'convert-worker': 'src/convert-worker.js',
                 // Named apart from app.js, whose own stylesheet would clash.
                 'app-style': 'src/style.css' },
  outdir: out,
  bundle: true,
  format: 'esm',
  minify: true,
  target: ['chrome109', 'firefox115', 'safari16'],
  legalComments: 'linked',
  logLevel: 'warning',
});
fs.renameSync(path.join(out, 'app-style.css'), path.join(out, 'app.css'));
fs.copyFileSync(path.join(here, 'index.html'), path.join(out, 'index.html'));
fs.copyFileSync(wasm, path.join(out, 'logvane.wasm'));
for (const name of fs.readdirSync(out).sort()) {
  console.log(`${name.padEnd(28)} ${fs.statSync(path.join(out, name)).size}`);
}
