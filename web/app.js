// The simulator page: the host of the instrument compiled to WebAssembly.
// It keeps the window's run loop: the instrument's timer from the page's
// start, passes while the device is on, events handled between passes. Like
// the window it only forwards events to the front panel (web_api.h) and paints
// what a pass reports; the panel's rules, constants and words come from the
// module, its geometry from front.css, which the build writes.
'use strict';

const pageStart = performance.now(); // the timer runs from the page's start
// Passes follow the screen's refresh but no faster than the pass period.
const PASS_SLACK_MS = 2;
// A tab that was hidden or throttled catches up on at most five minutes of
// ticks; beyond that the timer restarts from the present.
const MAX_CATCH_UP_TICKS = 3000;
// How long a message of the status line stays.
const STATUS_MS = 4000;
// The address follows the inputs at most this often (browsers refuse a flood
// of history.replaceState calls).
const ADDRESS_MS = 250;

// Keyboard keys by the instrument key they stand for (the module's key names).
// "=" is the unshifted "+" on many keyboards.
const KEY_BINDINGS = {
  F1: 'left', F2: 'right', Enter: 'knob', ' ': 'knob', '+': 'up', '=': 'up', ArrowUp: 'up', '-': 'down',
  ArrowDown: 'down',
};
// How a key's tooltip names the keyboard keys bound to it.
const KEYBOARD_WORDS = { ' ': 'Space', ArrowUp: 'Up', ArrowDown: 'Down' };
// What a key's tooltip adds after its keyboard keys.
const KEY_TIP_MORE = { knob: '; turn it with the wheel' };
const MODE_PARAM = 'mode';
// A wheel event this large is one notch of a mouse wheel, whatever its size in
// pixels; smaller ones (touchpads) add up to a step.
const WHEEL_NOTCH_PX = 40;
const WHEEL_STEP_PX = 100;
const DELTA_MODE_PX = [1, 33, 400];

const $ = (id) => document.getElementById(id);
const canvas = $('display');
const lamp = $('lamp');
const zolt = $('zolt');
const statusLine = $('status');

let api = null;
let options = null; // the page's address, parsed once the module gives the ranges
let frame = null;   // the frame on display, inside the module's memory
let keys = {};      // instrument key codes by name, from the module
let rawInputs = []; // the raw inputs in the panel's order: the address's name, caption and title, from the module
let TICK_MS = 0, PASS_MS = 0, nextTick = 0; // the timer's period, the pass period and the next tick, from the module
let PASS_RAN = 0, PASS_LAMP_BRIGHT = 0, PASS_FRAME_CHANGED = 0; // result bits, from the module
let modeNames = [];
const palette = new Uint32Array(256); // RGBA as the canvas stores it
const lcd = document.createElement('canvas'); // the display at 1x
let lcdContext = null;
let lcdImage = null;
let lcdPixels = null;
let scale = 0; // device pixels per display pixel

let running = false;   // on, between On and the pass that finds Off
let held = false;      // a scenario or a recording has the instrument (scenario.js): the page's clock stands still
let scheduled = 0;     // the pending animation frame of the pass loop
let lastPass = -Infinity;
let tickTimer = 0;
let passes = 0;
let ticks = 0;
let lampBright = true; // the lamp is bright red until the first pass
let screenText = '';
const rawSliders = [];
const modeSliders = [];

// --- Page options -------------------------------------------------------------

// The address, strictly: every parameter known, given once, its value a whole
// number in range; anything else is named in the page's note and ignored.
function parseOptions(search, rawMaximum, channels, modes) {
  const result = { manual: false, on: false, zolt: null, raw: [], mode: [], errors: [] };
  const flag = (value) => (value === '' || value === '1' ? true : value === '0' ? false : null);
  const number = (value, maximum) => (/^\d{1,5}$/.test(value) && Number(value) <= maximum ? Number(value) : null);
  const known = {
    manual: (v) => flag(v) !== null && ((result.manual = flag(v)), true),
    on: (v) => flag(v) !== null && ((result.on = flag(v)), true),
    zolt: (v) => flag(v) !== null && ((result.zolt = flag(v)), true),
  };
  rawInputs.forEach((row, i) => {
    known[row.param] = (v) => number(v, rawMaximum) !== null && ((result.raw[i] = number(v, rawMaximum)), true);
  });
  for (let c = 0; c < channels; ++c)
    known[`${MODE_PARAM}${c + 1}`] = (v) => number(v, modes - 1) !== null && ((result.mode[c] = number(v, modes - 1)), true);
  const seen = new Set();
  for (const [name, value] of new URLSearchParams(search)) {
    const shown = value === '' ? name : `${name}=${value}`;
    if (!Object.hasOwn(known, name)) result.errors.push(`${shown} (no such option)`);
    else if (seen.has(name)) result.errors.push(`${shown} (given twice)`);
    else if (!known[name](value)) result.errors.push(`${shown} (not a valid value)`);
    seen.add(name);
  }
  return result;
}

function showPageNote() {
  const notes = [];
  if (options.manual)
    notes.push('Held for tests (?manual): the timer and the passes stand still until a test drives them.');
  if (options.errors.length) notes.push(`Page options ignored: ${options.errors.join(', ')}.`);
  const note = $('page-note');
  note.textContent = notes.join(' ');
  note.hidden = notes.length === 0;
}

let addressTimer = 0;
function addressSearch() {
  const params = [];
  rawSliders.forEach((slider, i) => params.push(`${rawInputs[i].param}=${slider.input.value}`));
  modeSliders.forEach((slider, c) => params.push(`${MODE_PARAM}${c + 1}=${slider.input.value}`));
  params.push(`zolt=${zolt.checked ? 1 : 0}`);
  if (running) params.push('on');
  if (options.manual) params.push('manual');
  return `?${params.join('&')}`;
}

function writeAddress() {
  clearTimeout(addressTimer);
  addressTimer = 0;
  const search = addressSearch();
  if (location.search !== search) history.replaceState(null, '', search + location.hash);
}

function scheduleAddress() {
  if (!addressTimer) addressTimer = setTimeout(writeAddress, ADDRESS_MS);
}

// --- Display -----------------------------------------------------------------

// The front's size is fitLayout()'s (index.html), set before the module is there; the canvas
// follows it in whole device pixels per display pixel.
function fitFront() {
  const fitted = fitLayout();
  if (fitted !== scale) {
    scale = fitted;
    canvas.width = scale * lcd.width;
    canvas.height = scale * lcd.height;
  }
  paintCanvas();
}

// Moving the page to a screen of another density, or zooming, changes
// devicePixelRatio.
function watchPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
    fitFront();
    watchPixelRatio();
  }, { once: true });
}

function paintCanvas() {
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = false;
  context.drawImage(lcd, 0, 0, canvas.width, canvas.height);
}

function drawFrame() {
  if (passes === 0) performance.mark('qd5-first-frame');
  // The scenario toolkit allocates: a grown memory is a new buffer.
  if (frame.buffer !== api.HEAPU8.buffer) frame = new Uint8Array(api.HEAPU8.buffer, api._qd5_frame(), frame.length);
  for (let i = 0; i < lcdPixels.length; ++i) lcdPixels[i] = palette[frame[i]];
  lcdContext.putImageData(lcdImage, 0, 0);
  paintCanvas();
  showScreenText();
}

function moduleString(pointer) {
  const bytes = api.HEAPU8;
  let end = pointer;
  while (bytes[end] !== 0) ++end;
  return new TextDecoder('latin1').decode(bytes.subarray(pointer, end));
}

// The display's text alternative follows the frame, read when asked for.
function showScreenText() {
  const text = moduleString(api._qd5_screen_text());
  if (text === screenText) return;
  screenText = text;
  $('display-text').textContent = text || '(nothing on the display)';
}

// Screen-reader messages of one moment are announced together.
let announcements = [];
function announce(text) {
  if (announcements.length === 0) setTimeout(() => {
    $('announce').textContent = announcements.join('. ');
    announcements = [];
  }, 0);
  announcements.push(text);
}

function lampText(bright) {
  return `Alarm lamp: ${bright ? 'bright' : 'dark'}`;
}

function showLamp(bright) {
  bright = Boolean(bright);
  if (bright === lampBright) return;
  lampBright = bright;
  lamp.classList.toggle('dark', !bright);
  lamp.setAttribute('aria-label', lampText(bright));
  announce(lampText(bright));
}

function showRunning(on) {
  if (on === running) return;
  running = on;
  const state = $('power-state');
  state.textContent = on ? 'Power: On' : 'Power: Off';
  state.classList.toggle('on', on);
  announce(on ? 'Instrument on' : 'Instrument off');
  scheduleAddress();
}

// --- Run loop ----------------------------------------------------------------

function catchUpTicks(now) {
  for (let caught = 0; now >= nextTick && caught < MAX_CATCH_UP_TICKS; ++caught) {
    api._qd5_timer_tick();
    nextTick += TICK_MS;
    ++ticks;
  }
  if (now >= nextTick) nextTick = now + TICK_MS;
}

function startTimer() {
  if (options.manual || tickTimer || held) return;
  catchUpTicks(performance.now());
  tickTimer = setInterval(() => catchUpTicks(performance.now()), TICK_MS);
}

function stopTimer() {
  clearInterval(tickTimer);
  tickTimer = 0;
}

// What a pass reported: the lamp, and the display if its frame changed. A
// pass that did not run found Off: the loop stops.
function showPass(result) {
  if (!(result & PASS_RAN)) {
    showRunning(false);
    return;
  }
  showLamp(result & PASS_LAMP_BRIGHT);
  if (result & PASS_FRAME_CHANGED) drawFrame();
  ++passes;
}

function runPass() {
  if (running && !held) showPass(api._qd5_pass());
}

// A scenario or a recording takes the instrument: time stands still for the
// page's own clock, and the toolkit's driver moves it (scenario.js).
function holdInstrument() {
  held = true;
  stopTimer();
  cancelAnimationFrame(scheduled);
  scheduled = 0;
}

// What the driver left: the frame, the lamp, power, sliders and the box.
function showDriven() {
  const result = api._qd5_driven_result();
  if (result & PASS_FRAME_CHANGED) drawFrame();
  showLamp(result & PASS_LAMP_BRIGHT);
  showRunning(Boolean(result & PASS_RAN));
  showAllSliders();
  if (zolt.checked !== Boolean(api._qd5_zolt())) zolt.checked = !zolt.checked;
}

// The instrument back on the page's own clock, live, from where it stands.
function releaseInstrument() {
  if (!held) return;
  held = false;
  api._qd5_hand_over();
  showDriven();
  nextTick = performance.now() + TICK_MS;
  lastPass = -Infinity;
  if (!document.hidden) startTimer();
  schedulePasses();
}

// Any control of the instrument, while a scenario holds it, hands it to the
// person (a recording takes the action instead).
function controlTouched() {
  if (held && !api._qd5_recording()) scenarioHandedOver();
}

function onAnimationFrame(now) {
  scheduled = 0;
  if (!running) return;
  if (now - lastPass >= PASS_MS - PASS_SLACK_MS) {
    lastPass = now;
    catchUpTicks(now);
    runPass();
  }
  schedulePasses();
}

function schedulePasses() {
  if (running && !scheduled && !options.manual && !held) scheduled = requestAnimationFrame(onAnimationFrame);
}

// A hidden tab runs nothing; on its return the timer catches up.
function onVisibilityChange() {
  if (document.hidden) stopTimer();
  else startTimer();
}

// --- Controls ----------------------------------------------------------------

// Only the sliders that moved: the driver's clock asks on every animation frame.
function showAllSliders() {
  const show = (slider, value) => value !== slider.shown && showSlider(slider, value);
  rawSliders.forEach((slider, i) => show(slider, api._qd5_raw_slider(i)));
  modeSliders.forEach((slider, c) => show(slider, api._qd5_mode_slider(c)));
}

function powerOn() {
  controlTouched();
  showRunning(true);
  showPass(api._qd5_power_on());
  // The sliders show where On left them (the mode sliders at the modes just loaded).
  showAllSliders();
  schedulePasses();
}

function powerOff() {
  controlTouched();
  api._qd5_power_off();
}

function pressKey(name) {
  controlTouched();
  api._qd5_key(keys[name]);
}

function showSlider(slider, value) {
  slider.input.value = value;
  if (document.activeElement !== slider.entry) slider.entry.value = value;
  slider.shown = value;
  if (slider.valueText) slider.input.setAttribute('aria-valuetext', slider.valueText(value));
  scheduleAddress();
}

function rawChanged(input, value) {
  controlTouched();
  api._qd5_set_input(input, value);
  showSlider(rawSliders[input], api._qd5_raw_slider(input));
}

function modeChanged(channel, value) {
  controlTouched();
  api._qd5_set_mode(channel, value);
  showSlider(modeSliders[channel], api._qd5_mode_slider(channel));
}

// One step per wheel notch (up for more), as the window's sliders move;
// touchpads' small deltas add up to a step. 0 while they do.
let wheelRest = 0;
function wheelSteps(event) {
  const delta = -event.deltaY * (DELTA_MODE_PX[event.deltaMode] || 1);
  if (Math.abs(delta) >= WHEEL_NOTCH_PX) {
    wheelRest = 0;
    return Math.sign(delta);
  }
  wheelRest += delta;
  if (Math.abs(wheelRest) < WHEEL_STEP_PX) return 0;
  const step = Math.sign(wheelRest);
  wheelRest = 0;
  return step;
}

// The exact value of a slider: typed into the number beside it (a tap or a
// double-click reaches it), applied by Enter or by leaving it, dropped by Esc.
// Its keys never reach the instrument.
function applyEntry(slider, change) {
  const text = slider.entry.value.trim();
  if (/^\d{1,5}$/.test(text) && Number(text) <= Number(slider.input.max)) {
    if (Number(text) !== slider.shown) change(Number(text));
  } else if (text !== String(slider.shown)) {
    showStatus(`${slider.caption} takes a whole number from 0 to ${slider.input.max}`, true);
  }
  slider.entry.value = slider.shown;
}

function onEntryKey(event, slider, change) {
  if (event.key === 'Enter') {
    event.preventDefault();
    event.stopPropagation();
    applyEntry(slider, change);
    slider.entry.select();
  } else if (event.key === 'Escape') {
    event.preventDefault();
    event.stopPropagation();
    slider.entry.value = slider.shown;
    slider.entry.blur();
  }
}

function makeSlider(parent, id, caption, name, title, maximum, change, valueText) {
  const row = document.createElement('div');
  row.className = 'slider-row';
  row.title = title;
  const label = document.createElement('label');
  label.textContent = `${caption}:`;
  label.htmlFor = id;
  const entry = document.createElement('input');
  entry.type = 'text';
  entry.inputMode = 'numeric';
  entry.className = 'value';
  entry.autocomplete = 'off';
  entry.spellcheck = false;
  entry.setAttribute('aria-label', `${caption} exact value`);
  const input = document.createElement('input');
  input.type = 'range';
  input.id = id;
  input.min = '0';
  input.max = String(maximum);
  input.step = '1';
  input.value = '0';
  input.setAttribute('aria-label', `${caption} ${name}`);
  const slider = { input, entry, caption, shown: 0, valueText };
  input.addEventListener('input', () => change(Number(input.value)));
  input.addEventListener('wheel', (event) => {
    event.preventDefault();
    const step = wheelSteps(event);
    if (step) change(Number(input.value) + step);
  }, { passive: false });
  entry.addEventListener('focus', () => entry.select());
  entry.addEventListener('keydown', (event) => onEntryKey(event, slider, change));
  entry.addEventListener('blur', () => applyEntry(slider, change));
  row.append(label, entry, input);
  parent.append(row);
  showSlider(slider, 0);
  return slider;
}

function buildSliders() {
  const rawMaximum = api._qd5_raw_maximum();
  rawInputs.forEach((row, i) =>
    rawSliders.push(makeSlider($('raw-inputs'), row.param, row.caption, 'raw input', row.title, rawMaximum,
      (value) => rawChanged(i, value))));
  const modeList = modeNames.map((name, mode) => `${mode} ${name}`).join(', ');
  const caption = moduleString(api._qd5_mode_slider_caption());
  const title = moduleString(api._qd5_mode_slider_title());
  for (let c = 0; c < api._qd5_channel_count(); ++c)
    modeSliders.push(makeSlider($('mode-inputs'), `${MODE_PARAM}${c + 1}`, `${caption} ${c + 1}`, 'mode',
      `${title} ${c + 1}: ${modeList}`, modeNames.length - 1, (value) => modeChanged(c, value),
      (mode) => `${mode}, ${modeNames[mode]}`));
  $('mode-list').textContent = modeList;
  for (const span of document.querySelectorAll('.raw-maximum')) span.textContent = rawMaximum;
}

// Controls that keep the keys typed into them.
function isEntry(target) {
  return (target.tagName === 'INPUT' && target.type === 'text') || target.tagName === 'TEXTAREA' ||
    target.tagName === 'SELECT';
}

function onKeyDown(event) {
  if (event.ctrlKey || event.metaKey || event.altKey) {
    const copying = (event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'c';
    if (copying && String(window.getSelection()).length === 0 && !isEntry(event.target)) {
      event.preventDefault();
      copyDisplay();
    }
    return;
  }
  const target = event.target;
  // Esc gives the keyboard back to the instrument from any control.
  if (event.key === 'Escape') {
    if (document.activeElement && document.activeElement !== document.body) {
      event.preventDefault();
      document.activeElement.blur();
    }
    return;
  }
  const key = KEY_BINDINGS[event.key];
  if (!key) return;
  // A value entry keeps its keys but F1 and F2; a slider keeps its arrow
  // keys; a focused button, summary or box takes Space.
  if (isEntry(target) && key !== 'left' && key !== 'right') return;
  if (target.type === 'range' && event.key.startsWith('Arrow')) return;
  if ((target.tagName === 'BUTTON' || target.tagName === 'SUMMARY' || target.type === 'checkbox') &&
      event.key === ' ') return;
  // Enter always pushes the knob, also over a focused button.
  event.preventDefault();
  pressKey(key);
}

function onKnobWheel(event) {
  event.preventDefault();
  const step = wheelSteps(event);
  if (step) pressKey(step > 0 ? 'up' : 'down');
}

let statusTimer = 0;
// A message of the status line; a passing one clears after a few seconds.
function showStatus(text, passing) {
  clearTimeout(statusTimer);
  statusLine.textContent = text;
  if (passing) statusTimer = setTimeout(() => { statusLine.textContent = ''; }, STATUS_MS);
}

// The display as a PNG at its own 160 by 128: to the clipboard where the
// browser allows it, otherwise as a download.
async function copyDisplay() {
  const blob = await new Promise((resolve) => lcd.toBlob(resolve, 'image/png'));
  if (!blob) return;
  try {
    await navigator.clipboard.write([new ClipboardItem({ 'image/png': blob })]);
    showStatus('Display copied to the clipboard', true);
  } catch {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = 'qd5-display.png';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    showStatus('Display saved as qd5-display.png', true);
  }
}

async function copyLink() {
  writeAddress();
  try {
    await navigator.clipboard.writeText(location.href);
    showStatus('Link copied to the clipboard', true);
  } catch {
    showStatus('The address bar holds the link to these inputs', true);
  }
}

function zeroInputs() {
  rawSliders.forEach((slider, i) => rawChanged(i, 0));
}

function wireControls() {
  for (const area of document.querySelectorAll('[data-key]')) {
    area.addEventListener('click', (event) => {
      pressKey(area.dataset.key);
      // Clicking leaves the keyboard with the instrument's keys.
      if (event.detail > 0) area.blur();
    });
  }
  $('key-push').addEventListener('wheel', onKnobWheel, { passive: false });
  const button = (id, handler) => $(id).addEventListener('click', (event) => {
    handler();
    if (event.detail > 0) event.currentTarget.blur();
  });
  button('power-on', powerOn);
  button('power-off', powerOff);
  button('copy-display', copyDisplay);
  button('copy-link', copyLink);
  button('zero-inputs', zeroInputs);
  zolt.addEventListener('change', () => {
    controlTouched();
    api._qd5_set_zolt(zolt.checked ? 1 : 0);
    scheduleAddress();
  });
  document.addEventListener('keydown', onKeyDown);
  document.addEventListener('visibilitychange', onVisibilityChange);
  window.addEventListener('resize', fitFront);
}

// The inputs of the address, or the healthy starting values; a link made
// while on powers up with them, its modes set after On has loaded the defaults.
function applyOptions() {
  rawSliders.forEach((slider, i) => rawChanged(i, options.raw[i] ?? api._qd5_start_raw(i)));
  if (options.zolt !== null) {
    zolt.checked = options.zolt;
    api._qd5_set_zolt(zolt.checked ? 1 : 0);
  }
  if (options.on) powerOn();
  options.mode.forEach((mode, c) => mode !== undefined && modeChanged(c, mode));
}

// Installed as an app and offline, where the page is served over http.
function offerOffline() {
  if (!location.protocol.startsWith('http')) return;
  const manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'manifest.webmanifest';
  document.head.append(manifest);
  if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('sw.js').catch((error) => showStatus(`Offline use is not available: ${error}`));
}

// --- Start ---------------------------------------------------------------------

function loadPalette() {
  const entries = new Uint32Array(api.HEAPU8.buffer, api._qd5_palette(), 256);
  entries.forEach((rgb, i) => {
    palette[i] = 0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >> 16) & 0xff);
  });
}

// For tests and guides: the clocks by hand and the canvas read back.
window.qd5test = {
  ticks(n) { for (let i = 0; i < n; ++i) api._qd5_timer_tick(); },
  passes(n) { for (let i = 0; i < n && running; ++i) runPass(); },
  // The driver's clock while a recording holds the instrument, by hand.
  drive(n) { api._qd5_drive(n); showDriven(); },
  state() {
    return {
      ready: api !== null, running, passes, ticks, lampBright, scale, now: performance.now(), held,
    };
  },
  // The canvas sampled at the centre of every display pixel, as RGB hex.
  canvasHex() {
    // Read through a copy, so the display's own canvas is never read back.
    const copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext('2d', { willReadFrequently: true });
    context.drawImage(canvas, 0, 0);
    const data = context.getImageData(0, 0, copy.width, copy.height).data;
    const hex = [];
    for (let y = 0; y < lcd.height; ++y)
      for (let x = 0; x < lcd.width; ++x) {
        const at = 4 * ((y * scale + (scale >> 1)) * canvas.width + x * scale + (scale >> 1));
        hex.push(((data[at] << 16) | (data[at + 1] << 8) | data[at + 2]).toString(16).padStart(6, '0'));
      }
    return hex.join('');
  },
};

// The keys' codes, and the names and tooltips of the controls that press them
// (their places are in front.css). The attributes change nothing in the layout.
function nameKeys() {
  for (let i = 0; i < api._qd5_key_count(); ++i) {
    const name = moduleString(api._qd5_key_name(i));
    keys[name] = api._qd5_key_code(i);
    const keyboard = Object.keys(KEY_BINDINGS).filter((key) => KEY_BINDINGS[key] === name)
      .map((key) => KEYBOARD_WORDS[key] ?? key).join(' or ');
    for (const control of document.querySelectorAll(`[data-key="${name}"]`)) {
      control.setAttribute('aria-label', moduleString(api._qd5_key_label(i)));
      control.title = `${moduleString(api._qd5_key_action(i))} (keyboard: ${keyboard}${KEY_TIP_MORE[name] ?? ''})`;
    }
  }
}

// The display and the controls are made once the module is there, so that
// no handler runs before it and every size and range comes from it.
function startPage(module) {
  api = module;
  TICK_MS = api._qd5_ms_per_tick();
  PASS_MS = TICK_MS / api._qd5_passes_per_tick();
  nextTick = pageStart + TICK_MS;
  nameKeys();
  for (let i = 0; i < api._qd5_input_count(); ++i) {
    rawInputs.push({ param: moduleString(api._qd5_input_name(i)), caption: moduleString(api._qd5_input_caption(i)),
      title: moduleString(api._qd5_input_title(i)) });
  }
  PASS_RAN = api._qd5_pass_ran_bit();
  PASS_LAMP_BRIGHT = api._qd5_pass_lamp_bright_bit();
  PASS_FRAME_CHANGED = api._qd5_pass_frame_changed_bit();
  for (let mode = 0; mode < api._qd5_mode_count(); ++mode) modeNames.push(moduleString(api._qd5_mode_name(mode)));
  options = parseOptions(location.search, api._qd5_raw_maximum(), api._qd5_channel_count(), api._qd5_mode_count());
  showPageNote();
  lcd.width = api._qd5_lcd_width();
  lcd.height = api._qd5_lcd_height();
  lcdContext = lcd.getContext('2d');
  lcdImage = lcdContext.createImageData(lcd.width, lcd.height);
  lcdPixels = new Uint32Array(lcdImage.data.buffer);
  frame = new Uint8Array(api.HEAPU8.buffer, api._qd5_frame(), lcd.width * lcd.height);
  loadPalette();
  for (let i = 0; i < lcdPixels.length; ++i) lcdPixels[i] = palette[frame[i]];
  lcdContext.putImageData(lcdImage, 0, 0);
  showScreenText();
  buildSliders();
  wireControls();
  fitFront();
  watchPixelRatio();
  performance.mark('qd5-ready');
  if (!document.hidden) startTimer();
  applyOptions();
  writeAddress();
  startScenarios();
  offerOffline();
}

// The module's bytes, packed deflated into qd5-wasm.js by the build, inflated
// by the browser: a script, so that the page works from disk as well.
function instantiateWasm(imports, done) {
  fetch(`data:application/octet-stream;base64,${QD5_WASM_DEFLATED}`)
    .then((response) => new Response(response.body.pipeThrough(new DecompressionStream('deflate-raw'))).arrayBuffer())
    .then((bytes) => WebAssembly.instantiate(bytes, imports))
    .then((made) => done(made.instance, made.module),
      (error) => showStatus(`This browser cannot run the simulator: ${error}`));
  return {};
}

createQd5({ instantiateWasm }).then(startPage, (error) => showStatus(`This browser cannot run the simulator: ${error}`));
