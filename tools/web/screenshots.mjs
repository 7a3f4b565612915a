// Takes the pictures of the page shown in README.md: the settings form, and
// the show playing in its window, both in headless Chromium.
//
//   node tools/web/screenshots.mjs [SECONDS]   (the show's picture after SECONDS, default 12)
import {resolve} from 'node:path';
import {fileURLToPath} from 'node:url';
import {browser, openForm, serve, startShow} from '../../tests/web/harness.mjs';

const root = fileURLToPath(new URL('../..', import.meta.url));
const WEB = process.env.DORSEL_WEB_BUILD || resolve(root, 'build-web');
const seconds = Number(process.argv[2] || 12);
const server = await serve(WEB);
const chrome = await browser({width: 800, height: 600});
try {
  const {page} = await openForm(chrome, server.url);
  await page.waitForTimeout(300);
  await page.screenshot({path: resolve(root, 'docs/web-form.png')});
  await startShow(page, ['Windowed'], 0);
  await page.waitForTimeout(seconds * 1000);
  await page.screenshot({path: resolve(root, 'docs/web-show.png')});
  console.log('docs/web-form.png, docs/web-show.png');
} finally {
  await chrome.close();
  server.stop();
}
