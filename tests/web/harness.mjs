// What every browser test needs: the page's folder served on 127.0.0.1 by
// the same server `./build.sh serve` uses, and a fresh headless Chromium.
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {createServer} from 'node:net';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {chromium} from 'playwright-core';

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
