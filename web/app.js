// The simulator page: the host of the instrument compiled to WebAssembly.
// It keeps the window's run loop: a 100 ms timer from the page's start,
// passes while the device is on, events handled between passes. Like the
// window it only forwards events to the front panel (web_api.h) and paints
// what a pass reports; the panel's rules and constants come from the module.
'use strict';

const TICK_MS = 100;
// Passes follow the screen's refresh but no faster than about 60 a second.
const PASS_MS = 1000 / 60;
const PASS_SLACK_MS = 2;
// A tab that was hidden or throttled catches up on at most five minutes of
// ticks; beyond that the timer restarts from the present.
const MAX_CATCH_UP_TICKS = 3000;
// With ?manual the clocks stay still and a test or a guide runs ticks and
// passes itself through window.qd5test.
const OPTIONS = new URLSearchParams(location.search);
const MANUAL = OPTIONS.has('manual');
// With ?on the instrument powers up as soon as the page is ready.
const POWER_ON_AT_START = OPTIONS.has('on');

// Keyboard keys by the instrument key they stand for (the module's key names).
const KEY_BINDINGS = {
  F1: 'left', F2: 'right', Enter: 'push', ' ': 'push', '+': 'up', ArrowUp: 'up', '-': 'down', ArrowDown: 'down',
};
const RAW_INPUTS = [
  { caption: 'CH 1:', title: 'Raw reading of channel 1' },
  { caption: 'CH 2:', title: 'Raw reading of channel 2' },
  { caption: 'CH 3:', title: 'Raw reading of channel 3' },
  { caption: 'CH 4:', title: 'Raw reading of channel 4' },
  { caption: 'Volts:', title: 'Raw supply-voltage reading' },
];
const MODE_TITLE = ': 0 off, 1 pressure, 2 temperature, 3 current, 4 volts';
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
let frame = null; // the frame on display, inside the module's memory
let keys = {};    // instrument key codes by name, from the module
let PASS_RAN = 0, PASS_LAMP_BRIGHT = 0, PASS_FRAME_CHANGED = 0; // result bits, from the module
const palette = new Uint32Array(256); // RGBA as the canvas stores it
const lcd = document.createElement('canvas'); // the display at 1x
let lcdContext = null;
let lcdImage = null;
let lcdPixels = null;

let running = false;   // on, between On and the pass that finds Off
let scheduled = 0;     // the pending animation frame of the pass loop
let lastPass = -Infinity;
let nextTick = performance.now() + TICK_MS; // the timer runs from the page's start
let tickTimer = 0;
let passes = 0;
let ticks = 0;
let lampBright = true; // the lamp is bright red until the first pass
const rawSliders = [];
const modeSliders = [];

// --- Display -----------------------------------------------------------------

// The canvas holds a whole number of device pixels per display pixel, so the
// picture is crisp at any devicePixelRatio; CSS shows it at the layout size.
function fitCanvas() {
  if (!lcdContext) return;
  const shown = canvas.getBoundingClientRect().width || 2 * lcd.width;
  const scale = Math.max(1, Math.round((shown * (window.devicePixelRatio || 1)) / lcd.width));
  if (canvas.width !== scale * lcd.width) {
    canvas.width = scale * lcd.width;
    canvas.height = scale * lcd.height;
  }
  paintCanvas();
}

// Moving the page to a screen of another density changes devicePixelRatio
// without a resize.
function watchPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
    fitCanvas();
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
  for (let i = 0; i < lcdPixels.length; ++i) lcdPixels[i] = palette[frame[i]];
  lcdContext.putImageData(lcdImage, 0, 0);
  paintCanvas();
}

function showLamp(bright) {
  bright = Boolean(bright);
  if (bright === lampBright) return;
  lampBright = bright;
  lamp.classList.toggle('dark', !bright);
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
  if (MANUAL || tickTimer) return;
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
    running = false;
    return;
  }
  showLamp(result & PASS_LAMP_BRIGHT);
  if (result & PASS_FRAME_CHANGED) drawFrame();
  ++passes;
}

function runPass() {
  if (running) showPass(api._qd5_pass());
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
  if (running && !scheduled && !MANUAL) scheduled = requestAnimationFrame(onAnimationFrame);
}

// A hidden tab runs nothing; on its return the timer catches up.
function onVisibilityChange() {
  if (document.hidden) stopTimer();
  else startTimer();
}

// --- Controls ----------------------------------------------------------------

function powerOn() {
  running = true;
  showPass(api._qd5_power_on());
  // The sliders show where On left them (the mode sliders at the modes just loaded).
  rawSliders.forEach((slider, i) => showSlider(slider, api._qd5_raw_slider(i)));
  modeSliders.forEach((slider, c) => showSlider(slider, api._qd5_mode_slider(c)));
  schedulePasses();
}

function powerOff() {
  api._qd5_power_off();
}

function pressKey(name) {
  api._qd5_key(keys[name]);
}

function showSlider(slider, value) {
  slider.input.value = value;
  slider.output.value = value;
}

function rawChanged(input) {
  const slider = rawSliders[input];
  api._qd5_set_input(input, Number(slider.input.value));
  showSlider(slider, api._qd5_raw_slider(input));
}

function modeChanged(channel) {
  const slider = modeSliders[channel];
  api._qd5_set_mode(channel, Number(slider.input.value));
  showSlider(slider, api._qd5_mode_slider(channel));
}

function makeSlider(parent, caption, title, maximum, onChange) {
  const row = document.createElement('label');
  row.className = 'slider-row';
  row.title = title;
  const name = document.createElement('span');
  name.textContent = caption;
  const output = document.createElement('output');
  output.value = '0';
  const input = document.createElement('input');
  input.type = 'range';
  input.min = '0';
  input.max = String(maximum);
  input.step = '1';
  input.value = '0';
  input.addEventListener('input', onChange);
  row.append(name, output, input);
  parent.append(row);
  return { input, output };
}

function buildSliders() {
  const rawMaximum = api._qd5_raw_maximum();
  RAW_INPUTS.forEach((row, i) =>
    rawSliders.push(makeSlider($('raw-inputs'), row.caption, row.title, rawMaximum, () => rawChanged(i))));
  for (let c = 0; c < api._qd5_channel_count(); ++c)
    modeSliders.push(makeSlider($('mode-inputs'), `Channel ${c + 1}:`, `Mode of channel ${c + 1}${MODE_TITLE}`,
      api._qd5_mode_count() - 1, () => modeChanged(c)));
}

function onKeyDown(event) {
  if (event.ctrlKey || event.metaKey || event.altKey) {
    const copying = (event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'c';
    if (copying && String(window.getSelection()).length === 0) {
      event.preventDefault();
      copyDisplay();
    }
    return;
  }
  const key = KEY_BINDINGS[event.key];
  if (!key) return;
  const target = event.target;
  // A slider keeps its arrow keys; a focused button or box takes Space.
  if (target.type === 'range' && event.key.startsWith('Arrow')) return;
  if ((target.tagName === 'BUTTON' || target.type === 'checkbox') && event.key === ' ') return;
  // Enter always pushes the knob, also over a focused button.
  event.preventDefault();
  pressKey(key);
}

let wheelRest = 0;
function onWheel(event) {
  event.preventDefault();
  const delta = -event.deltaY * (DELTA_MODE_PX[event.deltaMode] || 1);
  if (Math.abs(delta) >= WHEEL_NOTCH_PX) {
    wheelRest = 0;
    pressKey(delta > 0 ? 'up' : 'down');
    return;
  }
  wheelRest += delta;
  if (Math.abs(wheelRest) >= WHEEL_STEP_PX) {
    pressKey(wheelRest > 0 ? 'up' : 'down');
    wheelRest = 0;
  }
}

function showStatus(text) {
  statusLine.textContent = text;
}

// The display as a PNG at its own 160 by 128: to the clipboard where the
// browser allows it, otherwise as a download.
async function copyDisplay() {
  const blob = await new Promise((resolve) => lcd.toBlob(resolve, 'image/png'));
  if (!blob) return;
  try {
    await navigator.clipboard.write([new ClipboardItem({ 'image/png': blob })]);
    showStatus('Display copied to the clipboard');
  } catch {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = 'qd5-display.png';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    showStatus('Display saved as qd5-display.png');
  }
}

function wireControls() {
  buildSliders();
  for (const area of document.querySelectorAll('[data-key]')) {
    area.addEventListener('click', (event) => {
      pressKey(area.dataset.key);
      // Clicking leaves the keyboard with the instrument's keys.
      if (event.detail > 0) area.blur();
    });
  }
  $('key-push').addEventListener('wheel', onWheel, { passive: false });
  const button = (id, handler) => $(id).addEventListener('click', (event) => {
    handler();
    if (event.detail > 0) event.currentTarget.blur();
  });
  button('power-on', powerOn);
  button('power-off', powerOff);
  button('copy-display', copyDisplay);
  zolt.addEventListener('change', () => api._qd5_set_zolt(zolt.checked ? 1 : 0));
  document.addEventListener('keydown', onKeyDown);
  document.addEventListener('visibilitychange', onVisibilityChange);
  window.addEventListener('resize', fitCanvas);
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
  state() {
    return {
      ready: api !== null, running, passes, ticks, lampBright, scale: canvas.width / lcd.width, now: performance.now(),
    };
  },
  // The canvas sampled at the centre of every display pixel, as RGB hex.
  canvasHex() {
    const scale = canvas.width / lcd.width;
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

// The display and the controls are made once the module is there, so that
// no handler runs before it and every size and range comes from it.
function startPage(module) {
  api = module;
  keys = {
    left: api._qd5_key_left(), right: api._qd5_key_right(), push: api._qd5_key_push(),
    up: api._qd5_key_up(), down: api._qd5_key_down(),
  };
  PASS_RAN = api._qd5_pass_ran_bit();
  PASS_LAMP_BRIGHT = api._qd5_pass_lamp_bright_bit();
  PASS_FRAME_CHANGED = api._qd5_pass_frame_changed_bit();
  lcd.width = api._qd5_lcd_width();
  lcd.height = api._qd5_lcd_height();
  lcdContext = lcd.getContext('2d');
  lcdImage = lcdContext.createImageData(lcd.width, lcd.height);
  lcdPixels = new Uint32Array(lcdImage.data.buffer);
  frame = new Uint8Array(api.HEAPU8.buffer, api._qd5_frame(), lcd.width * lcd.height);
  loadPalette();
  for (let i = 0; i < lcdPixels.length; ++i) lcdPixels[i] = palette[frame[i]];
  lcdContext.putImageData(lcdImage, 0, 0);
  wireControls();
  fitCanvas();
  watchPixelRatio();
  performance.mark('qd5-ready');
  if (!document.hidden) startTimer();
  if (POWER_ON_AT_START) powerOn();
}

createQd5().then(startPage, (error) => showStatus(`This browser cannot run the simulator: ${error}`));
