// The page's half of the browser host (src/host/web_backend.cpp is the
// other): it makes the HTML elements the window system's forms, controls
// and windows become, turns what the viewer does into events for the
// program to pump, and fetches the data files before the program starts.
'use strict';

const dorselPage = (() => {
  const desk = document.getElementById('desk');
  const output = document.getElementById('output');
  const query = new URLSearchParams(location.search);
  const printing = query.has('headless') || query.has('benchmark');

  // Control kinds, in the order of host::ControlKind.
  const GROUP_BOX = 0, RADIO = 1, CHECK_BOX = 2, PUSH_BUTTON = 3, TEXT = 4;
  // Event kinds, in the order of the backend's PageEvent.
  const CLICKED = 1, DIALOG_KEY = 2, KEY_DOWN = 3, CLOSE_ASKED = 4, POINTER = 5;
  const VK_RETURN = 13, VK_ESCAPE = 27;

  const items = new Map();  // handle -> {el, input, text, client, kind, form}
  const events = [];
  let waiter = null;
  let modal = null;  // the message box on the page, if one is
  let view = null;   // the demo window: {handle, el, canvas, context, fullscreen, title}
  let pageTitle = document.title;

  function push(event) {
    events.push(event);
    if (waiter) {
      const wake = waiter;
      waiter = null;
      wake();
    }
  }

  // --- Printing (the virtual-clock runs) ---------------------------------
  const pending = [];
  let flushQueued = false;
  let lastLine = '';
  function print(line) {
    console.log(line);
    if (line.trim()) lastLine = line.trim();
    if (!printing) return;
    pending.push(line);
    if (!flushQueued) {
      flushQueued = true;
      setTimeout(() => {
        flushQueued = false;
        output.append(pending.join('\n') + '\n');
        pending.length = 0;
      }, 0);
    }
  }

  // --- Forms and controls ---------------------------------------------------
  // A form is scaled as a whole, by the largest whole number (at most 2) at
  // which it fits the page, so that its proportions stay the window system's.
  function fitForm(form) {
    const w = form.offsetWidth, h = form.offsetHeight;
    if (!w || !h) return;
    const scale = Math.max(1, Math.min(2, Math.floor(Math.min(innerWidth / (w + 16), innerHeight / (h + 16)))));
    form.style.transform = scale > 1 ? `scale(${scale})` : '';
  }

  function openForm(handle, title, width, height) {
    const status = document.getElementById('status');
    if (status) status.remove();
    const form = document.createElement('div');
    form.className = 'form';
    form.setAttribute('role', 'dialog');
    form.setAttribute('aria-label', title);
    form.dataset.handle = handle;
    const bar = document.createElement('div');
    bar.className = 'titlebar';
    bar.textContent = title;
    // The desktop's close box: it asks the window to close, as "Exit" ends.
    const closeBox = document.createElement('button');
    closeBox.type = 'button';
    closeBox.className = 'close';
    closeBox.tabIndex = -1;
    closeBox.setAttribute('aria-label', 'Close');
    closeBox.textContent = '\u00d7';
    closeBox.addEventListener('click', () => push([CLOSE_ASKED, handle, 0]));
    bar.append(closeBox);
    const client = document.createElement('div');
    client.className = 'client';
    client.style.width = width + 'px';
    client.style.height = height + 'px';
    form.append(bar, client);
    desk.append(form);
    items.set(handle, {el: form, client, form: handle, kind: -1, focused: false});
    document.title = title;
    fitForm(form);
  }

  function openControl(handle, parent, kind, text, x, y, width, height, enabled) {
    const owner = items.get(parent);
    if (!owner || !owner.client) return;
    let el, input = null, label = null, client = null;
    if (kind === GROUP_BOX) {
      el = document.createElement('div');
      el.className = 'control groupbox';
      const frame = document.createElement('div');
      frame.className = 'frame';
      label = document.createElement('span');
      label.className = 'caption';
      el.append(frame, label);
      client = el;
    } else if (kind === RADIO || kind === CHECK_BOX) {
      el = document.createElement('label');
      el.className = 'control';
      input = document.createElement('input');
      input.type = kind === RADIO ? 'radio' : 'checkbox';
      // Radio buttons exclude each other among their parent's children.
      if (kind === RADIO) input.name = 'group-' + parent;
      label = document.createElement('span');
      el.append(input, label);
      input.addEventListener('click', () => push([CLICKED, handle, 0]));
    } else if (kind === PUSH_BUTTON) {
      el = input = document.createElement('button');
      el.type = 'button';
      el.className = 'control';
      label = el;
      el.addEventListener('click', () => push([CLICKED, handle, 0]));
    } else {
      el = document.createElement('div');
      el.className = 'control static';
      label = el;
    }
    label.textContent = text;
    el.dataset.handle = handle;
    el.style.left = x + 'px';
    el.style.top = y + 'px';
    el.style.width = width + 'px';
    el.style.height = height + 'px';
    if (!enabled) {
      el.classList.add('disabled');
      if (input) input.disabled = true;
    }
    owner.client.append(el);
    items.set(handle, {el, input, label, client, kind, form: owner.form});
  }

  function setText(handle, text) {
    const item = items.get(handle);
    if (item && item.label) item.label.textContent = text;
  }
  function setCheck(handle, checked) {
    const item = items.get(handle);
    if (item && item.input && 'checked' in item.input && item.input.type !== 'button') item.input.checked = checked;
  }
  function checked(handle) {
    const item = items.get(handle);
    return !!(item && item.input && item.input.type !== 'button' && item.input.checked);
  }
  function setFont(handle, gui) {
    const item = items.get(handle);
    if (item) item.el.classList.toggle('gui', gui);
  }

  // The first control that Tab would reach: in a group of radio buttons the
  // checked one, as the keyboard enters such a group.
  function focusForm(formHandle) {
    const form = items.get(formHandle);
    if (!form || form.focused) return;
    form.focused = true;
    for (const el of form.client.querySelectorAll('input, button')) {
      if (el.disabled) continue;
      if (el.type === 'radio' && !el.checked) {
        const group = form.client.querySelectorAll(`input[name="${el.name}"]`);
        if ([...group].some(other => other.checked && !other.disabled)) continue;
      }
      el.focus();
      return;
    }
  }

  // --- The demo window --------------------------------------------------
  // The largest whole scale at which the picture fits the page (or the
  // screen), at least 1.
  function fitCanvas() {
    if (!view) return;
    const c = view.canvas;
    const scale = Math.max(1, Math.floor(Math.min(view.el.clientWidth / c.width, view.el.clientHeight / c.height)));
    c.style.width = c.width * scale + 'px';
    c.style.height = c.height * scale + 'px';
  }

  function openWindow(handle, title, width, height) {
    const el = document.createElement('div');
    el.className = 'window';
    el.dataset.handle = handle;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    el.append(canvas);
    el.addEventListener('mousemove', () => {
      if (!events.some(e => e[0] === POINTER && e[1] === handle)) push([POINTER, handle, 0]);
    });
    desk.append(el);
    // The show's picture is opaque: the compositor need not draw what lies
    // behind it. Each frame is put whole, once, so the canvas may reach the
    // screen without waiting for the page's own compositing.
    view = {handle, el, canvas, context: canvas.getContext('2d', {alpha: false, desynchronized: true}), fullscreen: false, frames: 0,
            image: null};
    items.set(handle, {el, kind: -2});
    document.title = title;
    fitCanvas();
  }

  function fullscreen(handle, on, width, height) {
    if (!view || view.handle !== handle) return;
    view.fullscreen = on;
    view.el.classList.toggle('fullscreen', on);
    if (on) {
      if (view.canvas.width !== width || view.canvas.height !== height) {
        view.canvas.width = width;
        view.canvas.height = height;
      }
      // The browser's own full screen needs the viewer's recent click or
      // key; without it the show fills the page instead.
      if (!document.fullscreenElement && view.el.requestFullscreen) {
        view.el.requestFullscreen({navigationUI: 'hide'}).then(() => {
          // Escape and F11 then reach the show rather than the browser.
          if (navigator.keyboard && navigator.keyboard.lock)
            navigator.keyboard.lock(['Escape', 'F11']).catch(() => {});
        }).catch(() => {});
      }
    } else if (document.fullscreenElement) {
      if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
      document.exitFullscreen().catch(() => {});
    }
    fitCanvas();
  }

  function show(handle, bytes, width, height) {
    if (!view || view.handle !== handle) return;
    const c = view.canvas;
    if (c.width !== width || c.height !== height) {
      c.width = width;
      c.height = height;
      fitCanvas();
    }
    // The program's screen lies at the same place in its memory from frame
    // to frame: one ImageData over it serves until the memory grows or the
    // picture changes size.
    let image = view.image;
    if (!image || image.data.buffer !== bytes.buffer || image.data.byteOffset !== bytes.byteOffset ||
        image.width !== width || image.height !== height) {
      image = view.image = new ImageData(new Uint8ClampedArray(bytes.buffer, bytes.byteOffset, width * height * 4),
                                         width, height);
    }
    view.context.putImageData(image, 0, 0);
    view.frames++;
  }

  function showCursor(visible) {
    if (view) view.el.style.cursor = visible ? '' : 'none';
  }

  function close(handle) {
    const item = items.get(handle);
    if (!item) return;
    items.delete(handle);
    item.el.remove();
    if (view && view.handle === handle) {
      if (document.fullscreenElement) {
        if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
        document.exitFullscreen().catch(() => {});
      }
      view = null;
      document.title = pageTitle;
    }
  }

  // --- Keys ---------------------------------------------------------------
  // The keys the show's window hears, by their virtual-key codes (which the
  // browser's keyCode is for these keys): letters, digits, F1-F12, Escape,
  // Backspace, Tab, Enter, Space, PageUp, PageDown and the arrows.
  function virtualKey(e) {
    const k = e.keyCode;
    if ((k >= 65 && k <= 90) || (k >= 48 && k <= 57) || (k >= 112 && k <= 123)) return k;
    if ([8, 9, 13, 27, 32, 33, 34, 37, 38, 39, 40].includes(k)) return k;
    return 0;
  }
  // Keys that would scroll the page or that the browser would take.
  const KEPT = new Set([8, 9, 13, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40, 120, 122, 123]);

  document.addEventListener('keydown', e => {
    if (modal) {
      if (e.key === 'Enter' || e.key === 'Escape' || e.key === ' ') {
        e.preventDefault();
        modal.answer();
      } else if (e.key === 'Tab') {
        e.preventDefault();
      }
      return;
    }
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    if (view) {
      const vk = virtualKey(e);
      if (vk) push([KEY_DOWN, view.handle, vk]);
      if (vk || KEPT.has(e.keyCode)) e.preventDefault();
      return;
    }
    const formEl = document.querySelector('.form');
    if (!formEl) return;
    // As in a dialog: Enter is "Start Demo" wherever the focus is, Escape
    // is "Exit"; Tab, the arrows and Space are the controls' own.
    if (e.key === 'Enter' || e.key === 'Escape') {
      e.preventDefault();
      push([DIALOG_KEY, Number(formEl.dataset.handle), e.key === 'Enter' ? VK_RETURN : VK_ESCAPE]);
    } else if (KEPT.has(e.keyCode) && !(e.target instanceof HTMLInputElement || e.target instanceof HTMLButtonElement)) {
      e.preventDefault();
    }
  }, true);

  addEventListener('resize', () => {
    fitCanvas();
    const form = document.querySelector('.form');
    if (form) fitForm(form);
  });
  document.addEventListener('fullscreenchange', fitCanvas);

  // --- Turns, waits and boxes -------------------------------------------
  function nextEvent() {
    return events.length ? events.shift() : null;
  }
  function waitEvent(ms) {
    for (const item of items.values()) if (item.kind === -1) focusForm(item.form);
    if (events.length) return Promise.resolve();
    return new Promise(resolve => {
      waiter = resolve;
      setTimeout(() => {
        if (waiter === resolve) waiter = null;
        resolve();
      }, ms);
    });
  }
  // The next animation frame; a hidden page has none, so there a tenth of a
  // second (and a page that is hidden while it waits goes on at once).
  let frameWaiter = null;
  document.addEventListener('visibilitychange', () => {
    if (document.hidden && frameWaiter) frameWaiter();
  });
  function yieldTurn(soon) {
    if (soon) return new Promise(resolve => setTimeout(resolve, 0));
    if (document.hidden) return new Promise(resolve => setTimeout(resolve, 100));
    return new Promise(resolve => {
      const done = () => {
        if (frameWaiter === done) frameWaiter = null;
        resolve();
      };
      frameWaiter = done;
      requestAnimationFrame(done);
    });
  }

  function messageBox(text, caption) {
    return new Promise(resolve => {
      const overlay = document.createElement('div');
      overlay.className = 'modal';
      overlay.setAttribute('role', 'alertdialog');
      overlay.setAttribute('aria-label', caption);
      const box = document.createElement('div');
      box.className = 'box';
      const bar = document.createElement('div');
      bar.className = 'titlebar';
      bar.textContent = caption;
      const body = document.createElement('div');
      body.className = 'text';
      body.textContent = text;
      const buttons = document.createElement('div');
      buttons.className = 'buttons';
      const ok = document.createElement('button');
      ok.type = 'button';
      ok.textContent = 'OK';
      buttons.append(ok);
      box.append(bar, body, buttons);
      overlay.append(box);
      document.body.append(overlay);
      const before = document.activeElement;
      modal = {
        answer() {
          overlay.remove();
          modal = null;
          if (before && before.focus) before.focus();
          resolve();
        },
      };
      ok.addEventListener('click', () => modal && modal.answer());
      ok.focus();
    });
  }

  const downloads = [];
  function download(name, bytes) {
    const url = URL.createObjectURL(new Blob([bytes], {type: 'image/png'}));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    downloads.push(name);
  }

  function closePage(text, lastWords) {
    desk.replaceChildren();
    const p = document.createElement('div');
    p.className = 'closing';
    p.textContent = text;
    if (lastWords && lastLine) {
      const why = document.createElement('pre');
      why.textContent = lastLine;
      p.append(why);
    }
    desk.append(p);
    document.title = 'dorsel';
  }

  function finished(code) {
    document.documentElement.dataset.finished = String(code);
  }

  // --- Start-up: the data files, then the program -------------------------
  if (printing) {
    output.hidden = false;
    desk.hidden = true;
  }

  async function fetchData() {
    const base = new URL('data/', location.href);
    const list = await fetch(new URL('files.txt', base)).then(r => {
      if (!r.ok) throw new Error('data/files.txt: ' + r.status);
      return r.text();
    });
    const names = list.split('\n').map(s => s.trim()).filter(Boolean);
    // A file that cannot be fetched is left out: the show says so itself
    // when it looks for it.
    return Promise.all(names.map(async name => {
      const r = await fetch(new URL(name, base));
      if (!r.ok) {
        console.warn(`data/${name}: ${r.status}`);
        return [name, null];
      }
      return [name, new Uint8Array(await r.arrayBuffer())];
    }));
  }
  const data = fetchData();

  window.Module = {
    print,
    printErr: print,
    preRun: [() => {
      Module.addRunDependency('data');
      data.then(files => {
        Module.FS.mkdir('/data');
        for (const [name, bytes] of files) if (bytes) Module.FS.writeFile('/data/' + name, bytes);
        Module.removeRunDependency('data');
      }, error => {
        print('dorsel: cannot fetch the data files: ' + error.message);
        finished(2);
      });
    }],
  };

  return {
    openForm, openControl, setText, setCheck, checked, setFont, openWindow, fullscreen, show,
    showCursor, close, nextEvent, waitEvent, yieldTurn, messageBox, download, closePage, finished,
    get frames() { return view ? view.frames : 0; },
    get showing() { return view ? {fullscreen: view.fullscreen, width: view.canvas.width, height: view.canvas.height} : null; },
    downloads,
  };
})();
