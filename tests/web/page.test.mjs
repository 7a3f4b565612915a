// The page as a viewer uses it: the settings form, the show in a canvas with
// its sound, the keys that switch and end it.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import {DEMO_TITLE, openForm, shared, startShow} from './harness.mjs';

const session = shared();

// Every control of the settings window: its words, kind, place in the
// form's client area (the window system's coordinates; a group box's
// children are placed in their box), and its state on this host (NT family,
// DirectX 6, the MMX bit set).
const CONTROLS = [
  // text,               kind,       x,   y,   w,   h,  checked, enabled
  ['Video settings',     'group',    0,   0, 148, 176, false, true],
  ['Windowed',           'radio',    7,  14, 120,  15, false, true],
  ['Fullscreen',         'radio',    7,  42, 120,  15, true,  true],
  ['FullScreen Mode',    'group',   14,  63, 120, 108, false, true],
  ['512x384x32bit',      'radio',   21,  77,  92,  15, true,  true],
  ['512x384x24bit',      'radio',   21,  92,  92,  15, false, true],
  ['512x384x8bit',       'radio',   21, 107,  92,  15, false, true],
  ['640x480x32bit',      'radio',   21, 122,  92,  15, false, true],
  ['640x480x24bit',      'radio',   21, 137,  92,  15, false, true],
  ['640x480x8bit',       'radio',   21, 152,  92,  15, false, true],
  ['Audio settings',     'group',  154,   0, 127, 176, false, true],
  ['Directsound',        'radio',  161,  14, 100,  15, false, true],
  ['Wavout',             'radio',  161,  42, 100,  15, true,  true],
  ['Nosound',            'radio',  161,  70, 100,  15, false, true],
  ['Mixrate',            'group',  161, 105,  95,  64, false, true],
  ['44100 Hz',           'radio',  168, 119,  65,  15, true,  true],
  ['22050 Hz',           'radio',  168, 134,  65,  15, false, true],
  ['11025 Hz',           'radio',  168, 149,  65,  15, false, true],
  ['Hardware settings',  'group',    0, 182, 148,  43, false, true],
  ['MMX Optimizations',  'check',    7, 196, 127,  22, true,  true],
  ['DirectX version 6',  'text',   155, 190, 127,  20, false, true],
  ['Windows NT',         'text',   155, 204, 127,  20, false, true],
  ['Start Demo',         'button',   7, 231,  80,  23, false, true],
  ['Exit',               'button', 196, 231,  80,  23, false, true],
];

// The form's controls as the page shows them, in the order they were made.
function readForm(page) {
  return page.evaluate(() => {
    const client = document.querySelector('.form .client');
    const place = el => {
      let x = 0, y = 0;
      for (let e = el; e && e !== client; e = e.offsetParent) {
        x += e.offsetLeft;
        y += e.offsetTop;
      }
      return [x, y, el.offsetWidth, el.offsetHeight];
    };
    return [...client.querySelectorAll('[data-handle]')].map(el => {
      const input = el.tagName === 'BUTTON' ? el : el.tagName === 'LABEL' ? el.querySelector(':scope > input') : null;
      const kind = el.classList.contains('groupbox') ? 'group' : el.tagName === 'BUTTON' ? 'button'
        : input && input.type === 'radio' ? 'radio' : input && input.type === 'checkbox' ? 'check' : 'text';
      const text = el.classList.contains('groupbox') ? el.querySelector('.caption').textContent : el.textContent;
      return [text, kind, ...place(el), !!(input && input.type !== 'button' && input.checked),
              !(input && input.disabled)];
    });
  });
}

function openPage(init, query = '') {
  return openForm(session.chrome, session.server.url + query, init);
}

// What the page sends to the speakers: every node connected to an audio
// context's destination is also connected to an analyser, whose RMS is
// read while the show plays.
function wrapAudio() {
  window.__audio = {contexts: [], analysers: []};
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode) {
      const analyser = this.context.createAnalyser();
      analyser.fftSize = 2048;
      connect.call(this, analyser);
      window.__audio.analysers.push(analyser);
      if (!window.__audio.contexts.includes(this.context)) window.__audio.contexts.push(this.context);
    }
    return connect.call(this, target, ...rest);
  };
  window.__audio.rms = () => {
    let sum = 0, n = 0;
    for (const a of window.__audio.analysers) {
      const data = new Float32Array(a.fftSize);
      a.getFloatTimeDomainData(data);
      for (const v of data) sum += v * v;
      n += data.length;
    }
    return n ? Math.sqrt(sum / n) : 0;
  };
}

// A digest of the canvas's pixels, to tell one frame from the next.
function canvasDigest(page) {
  return page.evaluate(() => {
    const c = document.querySelector('.window canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let h = 2166136261;
    for (let i = 0; i < d.length; i += 7) h = Math.imul(h ^ d[i], 16777619);
    return h >>> 0;
  });
}

test('the form shows the 24 controls with their words, places and states', async () => {
  const {page, errors} = await openPage();
  assert.equal(await page.title(), 'dorsel settings');
  assert.deepEqual(await readForm(page), CONTROLS);
  // The place of the group boxes' children is that of the window system,
  // and so are the proportions on the screen: the form is scaled whole.
  const ratio = await page.evaluate(() => {
    const start = document.querySelector('.form .client button').getBoundingClientRect();
    return start.width / start.height;
  });
  assert.ok(Math.abs(ratio - 80 / 23) < 0.01, `Start Demo is ${ratio} wide to its height`);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the keyboard: Tab and arrows move, Space toggles, Escape is Exit', async () => {
  const {page} = await openPage();
  const focused = () => page.evaluate(() => document.activeElement.closest('[data-handle]')?.textContent);
  // The focus starts on the first group's checked radio button.
  assert.equal(await focused(), 'Fullscreen');
  await page.keyboard.press('ArrowUp');
  assert.equal(await focused(), 'Windowed');
  assert.ok(await page.evaluate(() => document.activeElement.checked));
  await page.keyboard.press('Tab');
  assert.equal(await focused(), '512x384x32bit');
  await page.keyboard.press('ArrowDown');
  assert.equal(await focused(), '512x384x24bit');
  // Over the audio group and the rates to the MMX box, which Space clears.
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  assert.equal(await focused(), 'MMX Optimizations');
  await page.keyboard.press('Space');
  const mmx = await readForm(page);
  assert.equal(mmx[19][6], false, 'MMX Optimizations was cleared');
  assert.equal(mmx[1][6], true, 'Windowed is checked');
  assert.equal(mmx[2][6], false, 'Fullscreen is not');
  assert.equal(mmx[5][6], true, '512x384x24bit is checked');
  await page.keyboard.press('Tab');
  assert.equal(await focused(), 'Start Demo');
  // No key scrolled the page.
  assert.equal(await page.evaluate(() => document.scrollingElement.scrollTop), 0);
  await page.keyboard.press('Escape');
  await page.waitForSelector('.closing', {timeout: 10000});
  assert.equal(await page.textContent('.closing'), 'dorsel has ended.');
  assert.equal(await page.evaluate(() => document.documentElement.dataset.finished), '0');
  await page.close();
});

test('Windowed and Start Demo: a moving picture, sound, F11 and Escape', {timeout: 180000}, async () => {
  const {page, errors} = await openPage(wrapAudio);
  await startShow(page, ['Windowed'], 5);
  assert.equal(await page.title(), DEMO_TITLE);
  assert.deepEqual(await page.evaluate(() => dorselPage.showing), {fullscreen: false, width: 512, height: 384});
  // The largest whole scale that fits 1280 x 800 is 2, in sharp pixels.
  const style = await page.evaluate(() => {
    const c = document.querySelector('.window canvas');
    return [c.style.width, c.style.height, getComputedStyle(c).imageRendering];
  });
  assert.deepEqual(style, ['1024px', '768px', 'pixelated']);

  // The picture changes from frame to frame.
  const digests = new Set();
  for (let i = 0; i < 5; ++i) {
    digests.add(await canvasDigest(page));
    await page.waitForTimeout(200);
  }
  assert.ok(digests.size >= 4, `${digests.size} different pictures in 5 looks`);
  // The audio context runs, and what reaches the speakers is not silence.
  await page.waitForTimeout(1500);
  const audio = await page.evaluate(() => ({
    states: window.__audio.contexts.map(c => c.state),
    rms: Math.max(...[0, 1, 2, 3, 4].map(() => window.__audio.rms())),
  }));
  assert.deepEqual(audio.states, ['running']);
  let rms = audio.rms;
  for (let i = 0; i < 20 && rms < 0.01; ++i) {
    await page.waitForTimeout(100);
    rms = Math.max(rms, await page.evaluate(() => window.__audio.rms()));
  }
  assert.ok(rms > 0.01, `RMS ${rms}`);

  // F11 enters the browser's full screen and leaves it again.
  await page.keyboard.press('F11');
  await page.waitForFunction(() => document.fullscreenElement !== null, null, {timeout: 10000});
  assert.equal((await page.evaluate(() => dorselPage.showing)).fullscreen, true);
  const frames = await page.evaluate(() => dorselPage.frames);
  await page.waitForFunction(n => dorselPage.frames > n + 5, frames, {timeout: 10000});
  await page.keyboard.press('F11');
  await page.waitForFunction(() => document.fullscreenElement === null, null, {timeout: 10000});
  assert.equal((await page.evaluate(() => dorselPage.showing)).fullscreen, false);

  // No key scrolled the page.
  await page.keyboard.press('Space');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('PageDown');
  assert.equal(await page.evaluate(() => document.scrollingElement.scrollTop), 0);

  // Escape ends the show and the form returns, fresh.
  await page.keyboard.press('Escape');
  await page.waitForSelector('.form button', {timeout: 20000});
  assert.equal(await page.title(), 'dorsel settings');
  assert.equal(await page.$('.window'), null);
  assert.deepEqual(await readForm(page), CONTROLS);
  assert.deepEqual(errors, []);
  await page.close();
});

// The demo time of the picture on the screen, as F9's shot is named after it.
async function shotTime(page) {
  const download = page.waitForEvent('download', {timeout: 20000});
  await page.keyboard.press('F9');
  const name = (await download).suggestedFilename();
  assert.match(name, /^dorsel-\d{7}\.png$/);
  return Number(name.slice(7, 14));
}

// The loudest of `looks` readings of the speakers, `ms` apart.
async function loudest(page, looks = 6, ms = 50) {
  let rms = 0;
  for (let i = 0; i < looks; ++i) {
    rms = Math.max(rms, await page.evaluate(() => window.__audio.rms()));
    await page.waitForTimeout(ms);
  }
  return rms;
}

test('Space holds picture, music and time, and goes on; PageDown and PageUp change windows', {timeout: 180000}, async () => {
  const {page, errors} = await openPage(wrapAudio);
  await startShow(page, ['Windowed'], 10);
  await page.waitForFunction(() => window.__audio.rms() > 0.01, null, {timeout: 20000, polling: 50});

  await page.keyboard.press('Space');
  // What was mixed before the key plays out first.
  await page.waitForTimeout(600);
  const held = await shotTime(page);
  const picture = await canvasDigest(page);
  assert.ok(await loudest(page) < 1e-4, 'the music is silent while held');
  await page.waitForTimeout(1000);
  assert.equal(await canvasDigest(page), picture);
  assert.equal(await shotTime(page), held);

  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.__audio.rms() > 0.01, null, {timeout: 10000, polling: 50});
  await page.waitForTimeout(300);
  assert.notEqual(await canvasDigest(page), picture);
  const going = await shotTime(page);
  // It goes on from where it stood (held for 2 s and more), not from where
  // it would have been.
  assert.ok(going > held && going < held + 1500, `held at ${held} ms, then at ${going} ms`);

  // Window 1 runs to 20 s: PageDown starts window 2 from its first
  // millisecond, PageUp window 1 again.
  for (const [key, from] of [['PageDown', 20000], ['PageUp', 0]]) {
    await page.keyboard.press(key);
    const frames = await page.evaluate(() => dorselPage.frames);
    await page.waitForFunction(n => dorselPage.frames > n + 10, frames, {timeout: 20000});
    const t = await shotTime(page);
    assert.ok(t >= from && t < from + 3000, `${key}: ${t} ms`);
    assert.ok(await loudest(page) > 0.01, `${key}: the music plays`);
  }
  assert.equal(await page.title(), DEMO_TITLE);
  assert.deepEqual(errors, []);
  await page.close();
});

test('Fullscreen in an 8-bit mode: the browser\'s full screen, grey, F9 saves the shot', {timeout: 180000}, async () => {
  const {page, errors} = await openPage();
  const download = page.waitForEvent('download', {timeout: 60000});
  await startShow(page, ['640x480x8bit', 'Nosound'], 30);
  assert.deepEqual(await page.evaluate(() => dorselPage.showing), {fullscreen: true, width: 640, height: 480});
  assert.notEqual(await page.evaluate(() => document.fullscreenElement), null);
  const grey = await page.evaluate(() => {
    const c = document.querySelector('.window canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let coloured = 0, lit = 0;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] !== d[i + 1] || d[i] !== d[i + 2]) coloured++;
      if (d[i] > 16) lit++;
    }
    return {coloured, lit};
  });
  assert.equal(grey.coloured, 0);
  assert.ok(grey.lit > 1000, `${grey.lit} lit pixels`);
  await page.keyboard.press('F9');
  const shot = await download;
  assert.match(shot.suggestedFilename(), /^dorsel-\d{7}\.png$/);
  // F12 ends the show, and the browser's full screen with it.
  await page.keyboard.press('F12');
  await page.waitForSelector('.form button', {timeout: 20000});
  assert.equal(await page.evaluate(() => document.fullscreenElement), null);
  assert.deepEqual(errors, []);
  await page.close();
});

test('at 234 s the show ends by itself and the form returns', {timeout: 120000}, async () => {
  const {page, errors} = await openPage(null, '?start=231000');
  await startShow(page, ['Windowed'], 10);
  assert.equal(await page.title(), DEMO_TITLE);
  const started = Date.now();
  await page.waitForSelector('.form button', {timeout: 30000});
  const seconds = (Date.now() - started) / 1000;
  // About three seconds of the show were left.
  assert.ok(seconds > 1 && seconds < 10, `the show ended ${seconds} s after its first frames`);
  assert.equal(await page.title(), 'dorsel settings');
  assert.equal(await page.$('.window'), null);
  assert.deepEqual(errors, []);
  await page.close();
});

test('Enter is "Start Demo" wherever the focus is, even on "Exit"', {timeout: 120000}, async () => {
  const {page, errors} = await openPage();
  await page.getByText('Nosound').click();
  await page.focus('button:text("Exit")');
  await page.keyboard.press('Enter');
  // The preselected full screen, 512 x 384 at 32 bits.
  await page.waitForFunction(() => dorselPage.frames > 10, null, {timeout: 60000});
  assert.equal(await page.title(), DEMO_TITLE);
  assert.deepEqual(await page.evaluate(() => dorselPage.showing), {fullscreen: true, width: 512, height: 384});
  await page.keyboard.press('F12');
  await page.waitForSelector('.form button', {timeout: 20000});
  assert.deepEqual(errors, []);
  await page.close();
});

test('the form\'s close box ends as "Exit" does', {timeout: 60000}, async () => {
  const {page, errors} = await openPage();
  await page.click('.form .titlebar .close');
  await page.waitForSelector('.closing', {timeout: 10000});
  assert.equal(await page.textContent('.closing'), 'dorsel has ended.');
  assert.equal(await page.evaluate(() => document.documentElement.dataset.finished), '0');
  assert.deepEqual(errors, []);
  await page.close();
});
