// The page's virtual-clock run draws the desktop's very frames: for both
// code paths, every 'frame T HASH' line of the whole show at 10 frames a
// second equals what build/dorsel --headless --hashes prints.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {test} from 'node:test';
import {shared} from './harness.mjs';

const NATIVE = process.env.DORSEL_NATIVE;
const DATA = process.env.DORSEL_DATA;
const session = shared();

function frameLines(text) {
  return text.split('\n').filter(line => line.startsWith('frame '));
}

// What the page prints for a query, once the program has finished.
async function pageRun(query) {
  const page = await session.chrome.context.newPage();
  try {
    await page.goto(session.server.url + '?' + query);
    await page.waitForFunction(() => document.documentElement.dataset.finished !== undefined, null,
                               {timeout: 600000, polling: 500});
    return {
      code: await page.evaluate(() => document.documentElement.dataset.finished),
      text: await page.evaluate(() => document.getElementById('output').textContent),
    };
  } finally {
    await page.close();
  }
}

function nativeRun(args) {
  return execFileSync(NATIVE, ['--headless', '--hashes', '--data', DATA, ...args],
                      {encoding: 'utf8', maxBuffer: 64 << 20, stdio: ['ignore', 'pipe', 'ignore']});
}

const runs = {};
const cases = [
  {mmx: 1, query: 'headless&fps=10&mmx=1', args: ['--fps', '10']},
  {mmx: 0, query: 'headless&fps=10&mmx=0', args: ['--fps', '10', '--no-mmx']},
];

for (const c of cases) {
  test(`useMmx ${c.mmx}: the whole show's frames equal the desktop's`, {timeout: 900000}, async () => {
    const web = await pageRun(c.query);
    const native = nativeRun(c.args);
    assert.equal(web.code, '0');
    assert.match(web.text, /windows visited 22\/22/);
    const got = frameLines(web.text), want = frameLines(native);
    // 234 s at 10 frames a second.
    assert.ok(want.length > 2300, `the desktop printed ${want.length} frame lines`);
    assert.equal(got.length, want.length);
    const first = got.findIndex((line, i) => line !== want[i]);
    assert.equal(first, -1, `first difference: page '${got[first]}', desktop '${want[first]}'`);
    runs[c.mmx] = got;
  });
}

test('the two code paths are both drawn: their frames differ somewhere', () => {
  assert.ok(runs[0] && runs[1], 'both runs above passed');
  const differing = runs[0].filter((line, i) => line !== runs[1][i]).length;
  assert.ok(differing > 0);
});

// A part of the show, entered part way and closed early, as --start and --end do.
test('start and end take the show in part way and close it early', {timeout: 300000}, async () => {
  const web = await pageRun('headless&fps=25&mmx=1&start=100000&end=104000');
  const native = nativeRun(['--fps', '25', '--start', '100000', '--end', '104000']);
  const got = frameLines(web.text), want = frameLines(native);
  assert.ok(want.length >= 100, `the desktop printed ${want.length} frame lines`);
  assert.deepEqual(got, want);
  assert.match(got[0], /^frame 1000\d\d /);
});

test('a value out of range is said, and nothing runs', {timeout: 60000}, async () => {
  const web = await pageRun('headless&fps=0');
  assert.equal(web.code, '2');
  assert.match(web.text, /fps takes a whole number from 1 to 1000, not '0'/);
  assert.equal(frameLines(web.text).length, 0);
});
