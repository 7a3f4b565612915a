// A page whose folder lacks a data file: the show says so as the desktop
// does. A missing picture is the loader's box and the show plays on; a
// missing module or scene ends it before it starts, and the closing page
// says why.
import assert from 'node:assert/strict';
import {copyFileSync, mkdirSync, mkdtempSync, readdirSync, rmSync, symlinkSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {test} from 'node:test';
import {DEMO_TITLE, WEB, openForm, serve, shared, startShow} from './harness.mjs';

// The page's folder with one data file left out (still on the list, as a
// file lost from a server would be), or with other bytes in its place.
function folderWithout(missing, replacement) {
  const dir = mkdtempSync(join(tmpdir(), 'dorsel-web-'));
  for (const f of ['index.html', 'page.js', 'page.css', 'dorsel.js', 'dorsel.wasm']) symlinkSync(join(WEB, f), join(dir, f));
  mkdirSync(join(dir, 'data'));
  for (const f of readdirSync(join(WEB, 'data'))) {
    if (f === missing) {
      if (replacement) writeFileSync(join(dir, 'data', f), replacement);
      continue;
    }
    if (f === 'files.txt') copyFileSync(join(WEB, 'data', f), join(dir, 'data', f));
    else symlinkSync(join(WEB, 'data', f), join(dir, 'data', f));
  }
  return dir;
}

// Each case serves a folder of its own.
const session = shared({served: false});

const DAMAGED = 'This is no module at all, only words.\n'.repeat(40);
const CASES = [
  // file,        in its place, the box's caption, its text,                  then
  ['staff2.pcx',  null,    'LoadPCX ERROR!', /^file staff2\.pcx not found$/,  'plays'],
  ['korkeus.pcx', null,    'LoadPCX ERROR!', /^file korkeus\.pcx not found$/, 'plays'],
  ['what2xx.it',  null,    'Fmod ERROR!',    /^File not found: what2xx\.it$/, 'ends'],
  ['what2xx.it',  DAMAGED, 'Fmod ERROR!',    /^Unknown file format or corrupted file: what2xx\.it \(.+\)$/, 'ends'],
  ['X_BALL.3DS',  null,    null,             /^Can't open X_BALL\.3DS!$/,      'ends'],
];

for (const [missing, replacement, caption, text, then] of CASES) {
  test(`${replacement ? 'a damaged' : 'without'} ${missing}`, {timeout: 120000}, async () => {
    const dir = folderWithout(missing, replacement);
    const server = await serve(dir);
    let page;
    try {
      ({page} = await openForm(session.chrome, server.url));
      await startShow(page, ['Windowed']);
      if (caption) {
        const box = await page.waitForSelector('.modal', {timeout: 60000});
        assert.equal(await box.$eval('.titlebar', e => e.textContent), caption);
        assert.match(await box.$eval('.text', e => e.textContent), text);
        // The box waits: nothing is drawn behind it.
        const frames = await page.evaluate(() => dorselPage.frames);
        await page.waitForTimeout(300);
        assert.equal(await page.evaluate(() => dorselPage.frames), frames);
        await page.click('.modal button');
        assert.equal(await page.$('.modal'), null);
      }
      if (then === 'plays') {
        await page.waitForFunction(() => dorselPage.frames > 30, null, {timeout: 60000});
        assert.equal(await page.title(), DEMO_TITLE);
      } else {
        await page.waitForSelector('.closing', {timeout: 60000});
        assert.match(await page.textContent('.closing'), /^dorsel could not start the show\./);
        const why = await page.textContent('.closing pre');
        if (caption) {
          assert.ok(why.startsWith(caption + ': '), why);
          assert.match(why.slice(caption.length + 2), text);
        } else {
          assert.match(why, text);
        }
        assert.equal(await page.$('.window'), null);
      }
    } finally {
      await page?.close();
      server.stop();
      rmSync(dir, {recursive: true, force: true});
    }
  });
}
