// What every browser test needs: the page's folder served on 127.0.0.1 by
// the same server `./build.sh serve` uses, a fresh headless Chromium, and
// the steps every test of the page takes (open the form, start the show).
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {createServer} from 'node:net';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {after, before} from 'node:test';
import {chromium} from 'playwright-core';

// The page's folder (tools/web/test.sh sets it).
export const WEB = process.env.DORSEL_WEB_BUILD;
// The demo window's title, which the document takes while the show plays.
export const DEMO_TITLE = 'dorsel @ oru\u00b499';

export const CHROMIUM = process.env.DORSEL_CHROMIUM || '/usr/bin/chromium';
export const CHROMIUM_FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run',
  '--autoplay-policy=no-user-gesture-required',
];

function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.unref();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Serves `folder` until stop() is called; resolves once it answers.
export async function serve(folder) {
  const port = await freePort();
  const child = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '--directory', folder, String(port)],
                      {stdio: 'ignore'});
  const url = `http://127.0.0.1:${port}/`;
  for (let i = 0; i < 100; ++i) {
    try {
      const r = await fetch(url);
      if (r.ok) return {url, stop: () => child.kill()};
    } catch {}
    await new Promise(r => setTimeout(r, 100));
  }
  child.kill();
  throw new Error(`the server for ${folder} did not answer`);
}

// A browser of its own, with its own profile folder, gone after close().
export async function browser(viewport = {width: 1280, height: 800}) {
  const profile = mkdtempSync(join(tmpdir(), 'dorsel-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_FLAGS,
    viewport,
    acceptDownloads: true,
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, {recursive: true, force: true});
    },
  };
}

// One browser for all the tests of a file, and (with `served`) the page's
// folder on a server: their `chrome` and `server` once the tests run.
export function shared({served = true} = {}) {
  const s = {};
  before(async () => {
    if (served) s.server = await serve(WEB);
    s.chrome = await browser();
  });
  after(async () => {
    await s.chrome?.close();
    s.server?.stop();
  });
  return s;
}

// A new tab at `url` once the settings form shows, with the page's uncaught
// errors gathered in `errors`; `init` runs in the page before its scripts.
export async function openForm(chrome, url, init) {
  const page = await chrome.context.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(e.message));
  if (init) await page.addInitScript(init);
  await page.goto(url);
  await page.waitForSelector('.form button', {timeout: 60000});
  return {page, errors};
}

// Clicks the form's `choices`, then "Start Demo"; with `frames`, waits until
// the show has shown more than that many.
export async function startShow(page, choices, frames) {
  for (const choice of choices) await page.getByText(choice).click();
  await page.getByText('Start Demo').click();
  if (frames !== undefined) await page.waitForFunction(n => dorselPage.frames > n, frames, {timeout: 60000});
}
