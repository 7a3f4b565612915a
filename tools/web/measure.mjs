// Measures the page, for docs/web.md: the time until the form shows (from
// 127.0.0.1, a fresh browser each time), the ?benchmark table, and the
// processor time Chromium takes over a minute of windowed play. Not a test:
// it checks nothing and prints what it saw.
//
//   node tools/web/measure.mjs [form|benchmark|cpu]...   (all three by default)
//   DORSEL_WEB_BUILD=DIR, default build-web
import {readFileSync, readdirSync} from 'node:fs';
import {fileURLToPath} from 'node:url';
import {browser, openForm, serve, startShow} from '../../tests/web/harness.mjs';

const WEB = process.env.DORSEL_WEB_BUILD || fileURLToPath(new URL('../../build-web', import.meta.url));
const what = process.argv.slice(2).length ? process.argv.slice(2) : ['form', 'benchmark', 'cpu'];
const server = await serve(WEB);

// Clock ticks of every process below this one (Chromium and its helpers).
function descendantsTicks() {
  const procs = new Map();
  for (const pid of readdirSync('/proc').filter(n => /^\d+$/.test(n))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      procs.set(Number(pid), {ppid: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12])});
    } catch {}
  }
  let total = 0;
  for (const [pid, p] of procs) {
    for (let q = p.ppid; q > 1; q = procs.get(q)?.ppid ?? 0) {
      if (q === process.pid) {
        total += p.ticks;
        break;
      }
    }
  }
  return total;
}

try {
  if (what.includes('form')) {
    const times = [];
    for (let i = 0; i < 5; ++i) {
      const chrome = await browser();
      const page = await chrome.context.newPage();
      await page.goto(server.url);
      await page.waitForSelector('.form button');
      times.push(await page.evaluate(() => Math.round(performance.now())));
      await chrome.close();
    }
    console.log(`form shown after ${times.join(', ')} ms (from the start of navigation, fresh browser each)`);
  }
  if (what.includes('benchmark')) {
    const chrome = await browser();
    const page = await chrome.context.newPage();
    await page.goto(server.url + '?benchmark');
    await page.waitForFunction(() => document.documentElement.dataset.finished !== undefined, null, {timeout: 0});
    const text = await page.textContent('#output');
    console.log(text.slice(text.indexOf('window  frames')));
    await chrome.close();
  }
  if (what.includes('cpu')) {
    const chrome = await browser();
    const {page} = await openForm(chrome, server.url);
    await startShow(page, ['Windowed'], 10);
    const ticks = descendantsTicks(), frames = await page.evaluate(() => dorselPage.frames);
    const t0 = Date.now();
    await page.waitForTimeout(60000);
    const seconds = (Date.now() - t0) / 1000;
    const used = (descendantsTicks() - ticks) / 100;  // USER_HZ
    const shown = await page.evaluate(() => dorselPage.frames) - frames;
    console.log(`windowed play: Chromium used ${used.toFixed(1)} s of processor time in ${seconds.toFixed(1)} s ` +
                `(${(100 * used / seconds).toFixed(0)} % of one core), ${shown} frames shown (${(shown / seconds).toFixed(1)}/s)`);
    await chrome.close();
  }
} finally {
  server.stop();
}
