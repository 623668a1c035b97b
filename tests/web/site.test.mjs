// The page as a visitor meets it: the front door with its name and links,
// a visit with the network gone, a browser without WebGL, and make site's
// folder with every download link answering.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { serve, launchChromium, servedWithBrowser, openPage, withPage, framesDrawn, paints, projectFacts } from './browser.mjs';

const kWebDir = process.env.FLINDRA_WEB_DIR || 'dist/web';
const kSiteDir = process.env.FLINDRA_SITE_DIR || 'dist/site';
const kTimeout = {timeout: 60000};
const {version, homePage} = projectFacts();
const kDownloads = [`flindra-${version}-setup.exe`, `flindra-${version}-win64.zip`, `flindra_${version}_amd64.deb`,
                    'SHA256SUMS'];
const web = servedWithBrowser(kWebDir);

const links = (page) => page.$$eval('#door a', (as) => as.map((a) => [a.textContent, a.getAttribute('href')]));

test('the front door: the name, what it is, where to get it; nothing in full screen', kTimeout, async () => {
  await withPage(web.browser, web.server.url, {}, async (page) => {
    const door = page.locator('#door');
    assert.equal(await door.isVisible(), true);
    assert.match(await door.innerText(), /^Flindra: a screen saver of crystal flakes falling through space\./);
    assert.deepEqual(await links(page), [['Windows', homePage + kDownloads[0]], ['zip', homePage + kDownloads[1]],
                                         ['Linux', homePage + kDownloads[2]], ['checksums', homePage + kDownloads[3]],
                                         ['home page', homePage]]);
    const box = await door.boundingBox();
    assert.ok(box.width < 500 && box.height < 100, `the door takes ${box.width} x ${box.height}`);
    await page.keyboard.press('Enter');
    await page.click('#fullscreen');
    await page.waitForFunction(() => document.fullscreenElement !== null);
    assert.equal(await door.isVisible(), false, 'the door in full screen');
  });
});

test('once visited, the page starts with the network gone', kTimeout, async () => {
  const own = await serve(kWebDir);
  const context = await web.browser.newContext({viewport: {width: 800, height: 600}});
  try {
    const page = await context.newPage();
    await page.goto(own.url);
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, {timeout: 20000});
    own.close();
    await context.setOffline(true);
    await page.goto(own.url + '?size=7');
    await page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun);
    await framesDrawn(page, 10);
    assert.equal(await page.inputValue('input[name=size]'), '7');
    assert.equal(await page.textContent('#message'), '');
  } finally {
    await context.close();
    own.close();
  }
});

test('without WebGL the explanation stays and the address is kept', kTimeout, async () => {
  const bare = await launchChromium(['--disable-3d-apis']);
  try {
    const {page, close} = await openPage(bare, web.server.url, {query: 'size=5'});
    const line = 'This browser cannot draw with WebGL, which Flindra needs.';
    assert.equal(await page.textContent('#message'), line);
    await page.mouse.click(300, 300);
    await page.keyboard.press('Enter');
    await page.mouse.move(400, 200);
    if (await page.isVisible('input[name=size]')) await page.fill('input[name=size]', '8');
    await paints(page, 5);
    assert.equal(await page.isVisible('#message'), true);
    assert.equal(await page.textContent('#message'), line);
    assert.equal(new URL(page.url()).search, '?size=5');
    assert.equal(await page.isVisible('#door'), true);
    await close();
  } finally {
    await bare.close();
  }
});

test("make site's folder: the page, its downloads answering, checksums that hold, the pictures", kTimeout, async () => {
  const site = await serve(kSiteDir);
  try {
    await withPage(web.browser, site.url, {}, async (page) => {
      const hrefs = (await links(page)).map(([, href]) => href);
      assert.deepEqual(hrefs, [...kDownloads, homePage]);
      for (const name of kDownloads) {
        const response = await page.request.get(site.url + name);
        assert.equal(response.status(), 200, name);
        assert.ok((await response.body()).length > 0, name);
      }
    });
    const sums = fs.readFileSync(path.join(kSiteDir, 'SHA256SUMS'), 'utf8').trim().split('\n');
    assert.deepEqual(sums.map((l) => l.split(/\s+\*?/)[1]).sort(), kDownloads.slice(0, 3).sort());
    for (const line of sums) {
      const [sum, name] = line.split(/\s+\*?/);
      const actual = crypto.createHash('sha256').update(fs.readFileSync(path.join(kSiteDir, name))).digest('hex');
      assert.equal(actual, sum, name);
    }
    for (const picture of fs.readdirSync('docs').filter((n) => /\.(png|gif)$/.test(n)))
      assert.ok(fs.existsSync(path.join(kSiteDir, 'pictures', picture)), `pictures/${picture}`);
  } finally {
    site.close();
  }
});
