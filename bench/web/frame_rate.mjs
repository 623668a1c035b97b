// make bench-web: the page at 1280 x 720 in headless Chromium on software
// WebGL (SwiftShader), 10 s each: first a bare WebGL page that only clears
// its canvas on every paint (the most frames a second any WebGL page gets on
// this machine now), then Flindra's page: the frames it draws a second (the
// 31 ms beat asks for 32.3), and the time a frame's step, draw and WebGL
// calls take in the page. Then the gzip-compressed size of what loads.
//   node bench/web/frame_rate.mjs WEB_DIR
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { serve, launchChromium, openPage, framesDrawn } from '../../tests/web/browser.mjs';

const dir = process.argv[2];
const kSeconds = 10;

// Paints and frames a second over kSeconds, and what each frame cost.
async function measure(browser, url) {
  const {page, errors, close} = await openPage(browser, url);
  await framesDrawn(page, 100);
  const figures = await page.evaluate(async (seconds) => {
    const tick = Module._flindra_tick;
    const costs = [];
    Module._flindra_tick = (now) => {
      const start = performance.now();
      const opacity = tick(now);
      if (opacity >= 0) costs.push(performance.now() - start);
      return opacity;
    };
    let paints = 0;
    const countPaint = () => { ++paints; requestAnimationFrame(countPaint); };
    requestAnimationFrame(countPaint);
    const frames = Module._flindra_frames();
    const start = performance.now();
    await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
    const elapsed = (performance.now() - start) / 1000;
    costs.sort((a, b) => a - b);
    return {
      framesPerSecond: (Module._flindra_frames() - frames) / elapsed,
      paintsPerSecond: paints / elapsed,
      medianMs: costs[Math.floor(costs.length / 2)] ?? 0,
      slowestMs: costs[costs.length - 1] ?? 0,
    };
  }, kSeconds);
  for (const error of errors) console.error(`bench-web: the page said: ${error}`);
  await close();
  return figures;
}

// A canvas like the page's, cleared on every paint and nothing else.
const kClearOnly = `<body style="margin:0;background:#000"><canvas width=1280 height=720></canvas><script>
const gl = document.querySelector('canvas').getContext('webgl', {alpha: false, antialias: false, depth: true});
window.frames = 0;
const paint = () => {
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  ++window.frames;
  requestAnimationFrame(paint);
};
requestAnimationFrame(paint);
</script></body>`;

async function clearOnlyFramesPerSecond(browser) {
  const context = await browser.newContext({viewport: {width: 1280, height: 720}});
  const page = await context.newPage();
  await page.setContent(kClearOnly);
  const rate = await page.evaluate(async (seconds) => {
    const frames = window.frames;
    const start = performance.now();
    await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
    return (window.frames - frames) / ((performance.now() - start) / 1000);
  }, kSeconds);
  await context.close();
  return rate;
}

const server = await serve(dir);
const browser = await launchChromium();
try {
  const clearOnly = await clearOnlyFramesPerSecond(browser);
  const live = await measure(browser, server.url);
  const gzipped = (name) => zlib.gzipSync(fs.readFileSync(path.join(dir, name)), {level: 9}).length;
  const kb = (gzipped('flindra.js') + gzipped('flindra.wasm')) / 1024;
  console.log(`frames a second, a page that only clears:   ${clearOnly.toFixed(1)} (the ceiling here now)`);
  console.log(`paints a second, Flindra's page:            ${live.paintsPerSecond.toFixed(1)}`);
  console.log(`frames a second, Flindra's page:            ${live.framesPerSecond.toFixed(1)}` +
              ` (target at least 30; the beat is 32.3)`);
  console.log(`one frame in the page (step, draw, WebGL):  median ${live.medianMs.toFixed(2)} ms,` +
              ` slowest ${live.slowestMs.toFixed(2)} ms`);
  console.log(`flindra.js + flindra.wasm, gzip -9:         ${kb.toFixed(1)} KB (target at most 100)`);
  // The frame-rate target counts where a bare page gets past the beat: on a
  // busy machine the ceiling above says why not.
  const rateMissed = live.framesPerSecond < 30 && clearOnly >= 33;
  if (rateMissed || kb > 100) {
    console.log('bench-web: a target was missed');
    process.exitCode = 1;
  }
} finally {
  await browser.close();
  server.close();
}
