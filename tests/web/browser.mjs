// What the page's tests, its screenshot and its frame-rate benchmark share:
// a static file server on 127.0.0.1 and Debian's Chromium, headless, on
// software WebGL (SwiftShader), driven by playwright-core.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { chromium } from 'playwright-core';

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.png': 'image/png',
};

// Serves the files of dir (no listing, nothing outside it) on 127.0.0.1.
export async function serve(dir, port = 0) {
  const root = path.resolve(dir);
  const server = http.createServer((request, response) => {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    } catch {
      response.writeHead(400).end('bad address');
      return;
    }
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end('not found');
      return;
    }
    response.writeHead(200, {'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve, reject) => server.once('error', reject).listen(port, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()};
}

export function launchChromium() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
}

// The page at url + '?' + query in a window of width x height CSS pixels,
// with every console error and uncaught exception collected in errors.
export async function openPage(browser, url, {query = '', width = 1280, height = 720, ratio = 1} = {}) {
  const context = await browser.newContext({viewport: {width, height}, deviceScaleFactor: ratio});
  const page = await context.newPage();
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(url + (query ? '?' + query : ''));
  await page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun);
  return {page, errors, close: () => context.close()};
}

// Waits until the page has drawn at least n frames since it started.
export function framesDrawn(page, n) {
  return page.waitForFunction((count) => Module._flindra_frames() >= count, n, {polling: 20});
}
