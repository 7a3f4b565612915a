// Takes the pictures of the page shown in README.md: the settings form, and
// the show playing in its window, both in headless Chromium.
//
//   node tests/web/screenshots.mjs [SECONDS]   (the show's picture after SECONDS, default 12)
import {resolve} from 'node:path';
import {browser, serve} from './harness.mjs';

const root = resolve(import.meta.dirname, '../..');
const WEB = process.env.DORSEL_WEB_BUILD || resolve(root, 'build-web');
const seconds = Number(process.argv[2] || 12);
const server = await serve(WEB);
const chrome = await browser({width: 800, height: 600});
try {
  const page = await chrome.context.newPage();
  await page.goto(server.url);
  await page.waitForSelector('.form button');
  await page.waitForTimeout(300);
  await page.screenshot({path: resolve(root, 'docs/web-form.png')});
  await page.getByText('Windowed').click();
  await page.getByText('Start Demo').click();
  await page.waitForSelector('.window canvas');
  await page.waitForTimeout(seconds * 1000);
  await page.screenshot({path: resolve(root, 'docs/web-show.png')});
  console.log('docs/web-form.png, docs/web-show.png');
} finally {
  await chrome.close();
  server.stop();
}
