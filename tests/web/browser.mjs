// What the page's tests, its screenshot and its frame-rate benchmark share:
// a static file server on 127.0.0.1 and Debian's Chromium, headless, on
// software WebGL (SwiftShader), driven by playwright-core.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import assert from 'node:assert/strict';
import { before, after } from 'node:test';
import { chromium } from 'playwright-core';

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.png': 'image/png', '.gif': 'image/gif',
  '.webmanifest': 'application/manifest+json',
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
  // Closing drops the connections a browser keeps open too: nothing answers after it.
  const close = () => {
    server.close();
    server.closeAllConnections();
  };
  return {url: `http://127.0.0.1:${server.address().port}/`, close};
}

// extraArgs: more switches, such as '--disable-3d-apis' for a browser without WebGL.
export function launchChromium(extraArgs = []) {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...extraArgs],
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

// For a test file: the folder served and Chromium started before its tests,
// both ended after them; the returned object holds them (server, browser).
export function servedWithBrowser(dir) {
  const web = {};
  before(async () => {
    web.server = await serve(dir);
    web.browser = await launchChromium();
  });
  after(async () => {
    await web.browser?.close();
    web.server?.close();
  });
  return web;
}

// Opens the page, runs body with it, then checks the console stayed clean.
export async function withPage(browser, url, options, body) {
  const opened = await openPage(browser, url, options);
  try {
    await body(opened.page);
    assert.deepEqual(opened.errors, [], 'console errors');
  } finally {
    await opened.close();
  }
}

// Waits for n browser paints in the page.
export function paints(page, n) {
  return page.evaluate((count) => new Promise((resolve) => {
    const paint = () => (--count <= 0 ? resolve() : requestAnimationFrame(paint));
    requestAnimationFrame(paint);
  }), n);
}

// The version and home page the build writes into the page, from CMakeLists.txt.
export function projectFacts() {
  const text = fs.readFileSync(new URL('../../CMakeLists.txt', import.meta.url), 'utf8');
  return {version: /project\(Flindra VERSION ([0-9.]+)/.exec(text)[1],
          homePage: /set\(FLINDRA_HOME_PAGE "(.*)"\)/.exec(text)[1]};
}

// Waits until the page has drawn at least n frames since it started.
export function framesDrawn(page, n) {
  return page.waitForFunction((count) => Module._flindra_frames() >= count, n, {polling: 20});
}
