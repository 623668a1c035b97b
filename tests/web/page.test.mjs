// The page in Debian's headless Chromium on software WebGL: it draws and
// moves, its frame equals the native core's (OSMesa) for a fixed seed and
// frame count, also after a resize, it fills the drawing buffer the browser
// gives it, outlives a lost WebGL context, reads its address key by key, and
// full screen ends on input. No test may leave an error on the console.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { servedWithBrowser, withPage as withPageAt, framesDrawn, paints } from './browser.mjs';

const kWebDir = process.env.FLINDRA_WEB_DIR || 'dist/web';
const kNativeFrame = process.env.FLINDRA_NATIVE_FRAME || 'build/native/native_frame';
const kTimeout = {timeout: 60000};
const web = servedWithBrowser(kWebDir);

const withPage = (options, body) => withPageAt(web.browser, web.server.url, options, body);
const framesSoFar = (page) => page.evaluate(() => Module._flindra_frames());

// Puts base64Of(bytes) into a page, in chunks the call stack can take
// (evaluated by the driver, so the page's content policy allows it).
const kBase64Of = `window.base64Of = (bytes) => {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text);
}`;

// RGBA of a screenshot, its PNG decoded by the browser in a blank page.
async function screenshotRgba(page) {
  const png = (await page.screenshot()).toString('base64');
  const blank = await page.context().newPage();
  await blank.evaluate(kBase64Of);
  const rgba = await blank.evaluate(async (data) => {
    const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const image = await createImageBitmap(new Blob([bytes], {type: 'image/png'}));
    const context = new OffscreenCanvas(image.width, image.height).getContext('2d');
    context.drawImage(image, 0, 0);
    return window.base64Of(context.getImageData(0, 0, image.width, image.height).data);
  }, png);
  await blank.close();
  return Buffer.from(rgba, 'base64');
}

const lit = (rgba, i) => rgba[i] > 32 || rgba[i + 1] > 32 || rgba[i + 2] > 32;

function countPixels(a, b, which) {
  let n = 0;
  for (let i = 0; i < a.length; i += 4) if (which(i)) ++n;
  return n;
}

// The native frame at width x height pixels for a camera of the canvas's
// proportions (aspect: [width, height]).
function nativeFrame(width, height, query, aspect) {
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'flindra-')), 'frame.rgba');
  // OSMesa keeps a little memory to the end; the core tests' suppressions cover it.
  const suppressions = path.resolve('tests/core/lsan.supp');
  const env = {...process.env, LSAN_OPTIONS: `suppressions=${suppressions}:print_suppressions=0`};
  execFileSync(kNativeFrame, [String(width), String(height), query, out, ...aspect.map(String)], {env});
  const bytes = fs.readFileSync(out);
  fs.rmSync(path.dirname(out), {recursive: true});
  return bytes;
}

async function heldFrame(page) {
  await page.evaluate(kBase64Of);
  const {canvas, width, height, viewport, data} = await page.evaluate(() => {
    const canvas = document.getElementById('flakes');
    const gl = canvas.getContext('webgl');
    const [width, height] = [gl.drawingBufferWidth, gl.drawingBufferHeight];
    const at = Module._flindra_held_pixels();
    const bytes = Module.HEAPU8.subarray(at, at + width * height * 4);
    return {canvas: [canvas.width, canvas.height], width, height, viewport: Array.from(gl.getParameter(gl.VIEWPORT)),
            data: window.base64Of(bytes)};
  });
  return {canvas, width, height, viewport, rgba: Buffer.from(data, 'base64')};
}

// Frame for frame the canvas's opacity is the core fade's byte, the one
// table every platform fades by.
test("the fade follows the core's table frame for frame", kTimeout, async () => {
  const table = execFileSync(kNativeFrame, ['fade', '5']).toString().trim().split(' ').map(Number);
  await withPage({query: 'bright=5&delay=100000'}, async (page) => {
    const seen = new Map();  // frame -> the opacity byte shown with it
    while (seen.size < 4) {
      const [frame, opacity] = await page.evaluate(
          () => [Module._flindra_frames(), document.getElementById('flakes').style.opacity]);
      if (frame > 0) seen.set(frame, Math.round(Number(opacity) * 255));
    }
    for (const [frame, byte] of seen) assert.equal(byte, table[frame - 1], `frame ${frame}`);
  });
});

test('the page draws flakes and they move', kTimeout, async () => {
  await withPage({}, async (page) => {
    await framesDrawn(page, 40);  // the fade has reached about a third
    const first = await screenshotRgba(page);
    const frames = await page.evaluate(() => Module._flindra_frames());
    await framesDrawn(page, frames + 10);
    const second = await screenshotRgba(page);
    const litPixels = countPixels(first, second, (i) => lit(first, i));
    const moved = countPixels(first, second, (i) => lit(first, i) !== lit(second, i));
    assert.ok(litPixels > 1000, `${litPixels} lit pixels`);
    assert.ok(moved > 200, `${moved} pixels changed in 10 frames`);
  });
});

// The last case's canvas is larger than software WebGL's 8192 pixels a side:
// the drawing buffer the browser gives is smaller, and the browser stretches
// it over the canvas (a GPU's browser may shrink a canvas over about 33
// megapixels as a whole).
test("the frame for a fixed seed and frame count is the native core's", kTimeout, async (t) => {
  const cases = [
    {query: 'seed=7&frames=200', width: 1280, height: 720},
    {query: 'seed=123456&frames=1500&size=10&satiation=4&color=30&fast=10', width: 1280, height: 720},
    {query: 'seed=7&frames=200', width: 1280, height: 720, resizeTo: [700, 900]},
    {query: 'seed=99&frames=60&size=6', width: 640, height: 360, ratio: 2},
    {query: 'seed=5&frames=30&size=4', width: 1200, height: 150, ratio: 10, buffer: [8192, 1500]},
  ];
  for (const c of cases) {
    await withPage({query: c.query, width: c.width, height: c.height, ratio: c.ratio}, async (page) => {
      if (c.resizeTo) {
        await page.setViewportSize({width: c.resizeTo[0], height: c.resizeTo[1]});
        await page.waitForFunction(([w, h]) => document.getElementById('flakes').width === w &&
                                               document.getElementById('flakes').height === h, c.resizeTo);
      }
      const browserFrame = await heldFrame(page);
      const canvas = c.resizeTo || [c.width * (c.ratio || 1), c.height * (c.ratio || 1)];
      const [width, height] = c.buffer || canvas;
      assert.deepEqual(browserFrame.canvas, canvas, `${c.query}: canvas size`);
      assert.deepEqual([browserFrame.width, browserFrame.height], [width, height], `${c.query}: drawing buffer`);
      assert.deepEqual(browserFrame.viewport, [0, 0, width, height], `${c.query}: viewport`);
      const native = nativeFrame(width, height, c.query, canvas);
      const ours = browserFrame.rgba;
      const litNative = countPixels(native, ours, (i) => lit(native, i));
      const differing = countPixels(native, ours, (i) =>
        native[i] !== ours[i] || native[i + 1] !== ours[i + 1] || native[i + 2] !== ours[i + 2]);
      assert.ok(litNative > 500, `${c.query}: ${litNative} lit pixels natively`);
      t.diagnostic(`${c.query} at ${width} x ${height}: ${differing} of ${width * height} pixels differ, ` +
                   `${litNative} lit natively`);
      assert.ok(differing <= 0.001 * width * height,
                `${c.query} at ${width} x ${height}: ${differing} pixels differ from the native frame`);
    });
  }
});

test('the address: each setting on its own, unknown keys ignored, messages short and escaped', kTimeout, async () => {
  const long = 'x'.repeat(3000);
  const cases = [
    // query, the line shown ('' for none), sliders expected
    ['utm_source=news&fast=7', '', {fast: '7', size: '3'}],
    ['fbclid=IwAR0abc&size=5&' + long, '', {size: '5'}],
    ['snow=1&frames=abc&seed=x', '', {size: '3'}],
    ['size=abc&fast=7', 'In the address, size must be a whole number from 1 to 10, not "abc"; ' +
                        'using the default, 3.', {fast: '7', size: '3'}],
    ['fast=3&color=31&satiation=4', 'In the address, color must be a whole number from 1 to 30, not "31"; ' +
                                    'using the default, 5.', {fast: '3', color: '5', satiation: '4'}],
    ['size&bright=6', 'In the address, size must be a whole number from 1 to 10, not ""; using the default, 3.',
     {size: '3', bright: '6'}],
    ['size=%E2%80%AE%0A' + long, 'In the address, size must be a whole number from 1 to 10, not ' +
                                 '"\\xE2\\x80\\xAE\\x0A' + 'x'.repeat(36) + '..."; using the default, 3.', {}],
    ['delay=abc', 'In the address, delay must be a whole number of microseconds from 0 to 10000000, not "abc"; ' +
                  'using the default, 31000.', {}],
  ];
  for (const [query, line, sliders] of cases) {
    await withPage({query}, async (page) => {
      assert.equal(await page.textContent('#message'), line, query.slice(0, 80));
      assert.equal(await page.isVisible('#message'), line !== '', query.slice(0, 80));
      await framesDrawn(page, 5);
      for (const [name, value] of Object.entries(sliders))
        assert.equal(await page.inputValue(`input[name=${name}]`), value, `${query.slice(0, 80)}: ${name}`);
    });
  }
});

test('delay and fps as on Linux: 10 frames a second, their rate in a corner', kTimeout, async () => {
  await withPage({query: 'delay=100000&fps'}, async (page) => {
    // The first figure can carry the page's start; a figure a second follows,
    // and the beat must bring one to about 10 (a page on its own 31 ms beat
    // shows about 32, never in range).
    await page.waitForFunction(() => /^FPS: [0-9]/.test(document.getElementById('fps').textContent), null,
                               {timeout: 10000});
    const settled = await page.waitForFunction(() => {
      const shown = Number(document.getElementById('fps').textContent.slice(5));
      return shown > 8 && shown < 11;
    }, null, {timeout: 5000}).then(() => true, () => false);
    const shown = Number((await page.textContent('#fps')).slice(5));
    assert.ok(settled, `FPS: ${shown} shown for a 100 ms delay`);
    const box = await page.locator('#fps').boundingBox();
    assert.ok(box.x + box.width > 1280 - 60 && box.y + box.height > 720 - 40, `the rate at ${JSON.stringify(box)}`);
  });
  await withPage({}, async (page) => {
    await framesDrawn(page, 5);
    assert.equal(await page.isVisible('#fps'), false, 'a frame rate without fps in the address');
  });
});

test('a lost WebGL context stops the frames; given back, the flakes go on', kTimeout, async () => {
  await withPage({}, async (page) => {
    await framesDrawn(page, 5);
    await page.evaluate(() => {
      window.loseContext = document.getElementById('flakes').getContext('webgl').getExtension('WEBGL_lose_context');
      window.loseContext.loseContext();
    });
    await page.waitForFunction(() => document.getElementById('flakes').getContext('webgl').isContextLost());
    const lost = await framesSoFar(page);
    await paints(page, 20);  // some ten beats
    assert.equal(await framesSoFar(page), lost, 'frames drawn without a context');
    await page.evaluate(() => window.loseContext.restoreContext());
    await framesDrawn(page, lost + 40);
    const rgba = await screenshotRgba(page);
    const litPixels = countPixels(rgba, rgba, (i) => lit(rgba, i));
    assert.ok(litPixels > 1000, `${litPixels} lit pixels after the context came back`);
  });
});

test('the panel shows on a click and changes a setting and the address', kTimeout, async () => {
  await withPage({query: 'fast=7'}, async (page) => {
    assert.equal(await page.isVisible('#panel'), false);
    await page.mouse.click(300, 300);
    assert.equal(await page.isVisible('#panel'), true);
    await page.fill('input[name=size]', '8');
    assert.equal(new URL(page.url()).search, '?fast=7&size=8');
    await page.keyboard.press('Escape');
    assert.equal(await page.isVisible('#panel'), false);
  });
});

test('full screen ends on a key, a click, the wheel or a pointer that strays', kTimeout, async () => {
  const inFullscreen = (page) => page.evaluate(() => document.fullscreenElement !== null);
  const endings = {
    key: (page) => page.keyboard.press('x'),
    click: (page) => page.mouse.click(640, 360),
    move: async (page) => {
      await page.mouse.move(640, 360);
      await page.mouse.move(643, 363);  // within the slack
      assert.equal(await inFullscreen(page), true, 'a 3-pixel move left full screen');
      await page.mouse.move(650, 360);
    },
    wheel: (page) => page.mouse.wheel(0, 120),
  };
  await withPage({}, async (page) => {
    for (const [how, end] of Object.entries(endings)) {
      await page.keyboard.press('Enter');  // any key shows the panel
      await page.click('#fullscreen');
      await page.waitForFunction(() => document.fullscreenElement !== null);
      await page.waitForSelector('#panel', {state: 'hidden', timeout: 2000});
      await end(page);
      await page.waitForFunction(() => document.fullscreenElement === null, null, {timeout: 5000});
      assert.equal(await page.isVisible('#panel'), false, `the panel came up after leaving by ${how}`);
    }
  });
});
