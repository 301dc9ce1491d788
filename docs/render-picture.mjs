// Usage: node render-picture.mjs DOC.kml OUT.png
// Serves picture.html, OpenLayers and DOC.kml on 127.0.0.1, lets headless
// Chromium draw the document and saves a 1000x600 screenshot.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const [kmlPath, pngPath] = process.argv.slice(2);
if (!kmlPath || !pngPath) throw new Error('usage: node render-picture.mjs DOC.kml OUT.png');
const here = path.dirname(fileURLToPath(import.meta.url));
const files = {
  '/': [path.join(here, 'picture.html'), 'text/html'],
  '/ol.js': [path.join(here, 'node_modules/ol/dist/ol.js'), 'text/javascript'],
  '/ol.css': [path.join(here, 'node_modules/ol/ol.css'), 'text/css'],
  '/track.kml': [kmlPath, 'application/vnd.google-earth.kml+xml'],
};
const server = http.createServer((req, res) => {
  const file = files[new URL(req.url, 'http://x').pathname];
  if (!file) return res.writeHead(404).end();
  res.writeHead(200, { 'content-type': file[1] }).end(fs.readFileSync(file[0]));
});
await new Promise(ok => server.listen(0, '127.0.0.1', ok));
const origin = `http://127.0.0.1:${server.address().port}`;

// Playwright gives the browser a fresh temporary profile of its own.
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage({ viewport: { width: 1000, height: 600 }, deviceScaleFactor: 1 });
  // Nothing but this server: no tiles, no fonts, no CDN.
  await page.route('**/*', route =>
    route.request().url().startsWith(origin + '/') ? route.continue() : route.abort());
  page.on('pageerror', e => console.error('page error:', e.message));
  await page.goto(origin + '/');
  await page.waitForFunction(() => window.picture, null, { timeout: 60_000 });
  const picture = await page.evaluate(() => window.picture);
  console.log('OpenLayers read:', JSON.stringify(picture));
  if (picture.error || picture.points < 2) throw new Error('the document was not drawn');
  await page.screenshot({ path: pngPath });
} finally {
  await browser.close();
  server.close();
}
