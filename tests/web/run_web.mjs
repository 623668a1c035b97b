// make run-web: serves the page on 127.0.0.1 and says where. Without a
// display (or with --screenshot) it takes a screenshot in headless Chromium
// once the flakes have faded in, says where it is and stops; --panel shows
// the settings panel in it.
//   node tests/web/run_web.mjs WEB_DIR SCREENSHOT [--screenshot] [--panel]
import { serve, launchChromium, openPage, framesDrawn } from './browser.mjs';

const [dir, screenshot, ...flags] = process.argv.slice(2);
const kPort = 8031;

if (process.env.DISPLAY && !flags.includes('--screenshot')) {
  let server;
  try {
    server = await serve(dir, kPort);
  } catch {
    server = await serve(dir);  // the usual port is taken
  }
  console.log(`Flindra is at ${server.url} (Ctrl-C stops the server)`);
} else {
  const server = await serve(dir);
  const browser = await launchChromium();
  try {
    const {page, errors} = await openPage(browser, server.url);
    await framesDrawn(page, 110);  // the fade takes 100
    if (flags.includes('--panel')) await page.mouse.click(200, 600);
    await page.screenshot({path: screenshot});
    for (const error of errors) console.error(`run-web: the page said: ${error}`);
    console.log(`No display: the page in headless Chromium (1280 x 720) is in ${screenshot}`);
  } finally {
    await browser.close();
    server.close();
  }
}
