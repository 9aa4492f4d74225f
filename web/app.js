// The simulator page: the host of the instrument compiled to WebAssembly.
// It keeps the window's run loop: a 100 ms timer from the page's start,
// passes while the device is on, events handled between passes.
'use strict';

const LCD_WIDTH = 160;
const LCD_HEIGHT = 128;
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

const KEY_BINDINGS = {
  F1: 1, F2: 2, Enter: 3, ' ': 3, '+': 4, ArrowUp: 4, '-': 5, ArrowDown: 5,
};
const RAW_INPUTS = [
  { caption: 'CH 1:', title: 'Raw reading of channel 1' },
  { caption: 'CH 2:', title: 'Raw reading of channel 2' },
  { caption: 'CH 3:', title: 'Raw reading of channel 3' },
  { caption: 'CH 4:', title: 'Raw reading of channel 4' },
  { caption: 'Volts:', title: 'Raw supply-voltage reading' },
];
const RAW_MAXIMUM = 4096;
const MODE_MAXIMUM = 4;
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
let frame = null; // the instrument's frame buffer inside the module's memory
const palette = new Uint32Array(256); // RGBA as the canvas stores it; no entry is black
const lcd = document.createElement('canvas'); // the display at 1x
lcd.width = LCD_WIDTH;
lcd.height = LCD_HEIGHT;
const lcdContext = lcd.getContext('2d');
const lcdImage = lcdContext.createImageData(LCD_WIDTH, LCD_HEIGHT);
const lcdPixels = new Uint32Array(lcdImage.data.buffer);

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
  const shown = canvas.getBoundingClientRect().width || 2 * LCD_WIDTH;
  const scale = Math.max(1, Math.round((shown * (window.devicePixelRatio || 1)) / LCD_WIDTH));
  if (canvas.width !== scale * LCD_WIDTH) {
    canvas.width = scale * LCD_WIDTH;
    canvas.height = scale * LCD_HEIGHT;
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

// One pass, as the window's: Off is checked before it, then the lamp, the
// instrument's pass and the display (repainted only when the frame changed).
function runPass() {
  if (api._qd5_off_requested()) {
    running = false;
    return;
  }
  showLamp(api._qd5_lamp_bright() !== 0);
  if (api._qd5_pass(zolt.checked ? 1 : 0)) drawFrame();
  ++passes;
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
  if (!api) return;
  api._qd5_power_on();
  // The channel sliders are re-read as if moved; the mode sliders move to
  // the modes just loaded and store them back.
  for (let c = 0; c < 4; ++c) rawChanged(c);
  modeSliders.forEach((slider, c) => {
    slider.input.value = api._qd5_mode(c);
    modeChanged(c);
  });
  runPass();
  running = !api._qd5_off_requested();
  schedulePasses();
}

function powerOff() {
  if (api) api._qd5_power_off();
}

function pressKey(code) {
  if (api) api._qd5_key(code);
}

// Sliders moved before the module is ready are passed on when it is.
function rawChanged(input) {
  const slider = rawSliders[input];
  slider.output.value = slider.input.value;
  if (api) api._qd5_set_input(input, Number(slider.input.value));
}

function modeChanged(channel) {
  const slider = modeSliders[channel];
  slider.output.value = slider.input.value;
  if (api) api._qd5_set_mode(channel, Number(slider.input.value));
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
  RAW_INPUTS.forEach((row, i) =>
    rawSliders.push(makeSlider($('raw-inputs'), row.caption, row.title, RAW_MAXIMUM, () => rawChanged(i))));
  for (let c = 0; c < 4; ++c)
    modeSliders.push(makeSlider($('mode-inputs'), `Channel ${c + 1}:`, `Mode of channel ${c + 1}${MODE_TITLE}`,
      MODE_MAXIMUM, () => modeChanged(c)));
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
  const code = KEY_BINDINGS[event.key];
  if (!code) return;
  const target = event.target;
  // A slider keeps its arrow keys; a focused button or box takes Enter and Space.
  if (target.type === 'range' && event.key.startsWith('Arrow')) return;
  if ((target.tagName === 'BUTTON' || target.type === 'checkbox') && code === 3) return;
  event.preventDefault();
  pressKey(code);
}

let wheelRest = 0;
function onWheel(event) {
  event.preventDefault();
  const delta = -event.deltaY * (DELTA_MODE_PX[event.deltaMode] || 1);
  if (Math.abs(delta) >= WHEEL_NOTCH_PX) {
    wheelRest = 0;
    pressKey(delta > 0 ? 4 : 5);
    return;
  }
  wheelRest += delta;
  if (Math.abs(wheelRest) >= WHEEL_STEP_PX) {
    pressKey(wheelRest > 0 ? 4 : 5);
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
      pressKey(Number(area.dataset.key));
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
  document.addEventListener('keydown', onKeyDown);
  document.addEventListener('visibilitychange', onVisibilityChange);
  window.addEventListener('resize', fitCanvas);
}

// --- Start ---------------------------------------------------------------------

function loadPalette() {
  const entries = new Uint32Array(api.HEAPU8.buffer, api._qd5_palette(), api._qd5_palette_size());
  palette.fill(0xff000000);
  entries.forEach((rgb, i) => {
    palette[i] = 0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >> 16) & 0xff);
  });
}

// For tests and guides: the clocks by hand and the canvas read back.
window.qd5test = {
  ticks(n) { for (let i = 0; i < n; ++i) api._qd5_timer_tick(); },
  passes(n) { for (let i = 0; i < n; ++i) runPass(); },
  state() {
    return {
      ready: api !== null, running, passes, ticks, lampBright, scale: canvas.width / LCD_WIDTH, now: performance.now(),
    };
  },
  // The canvas sampled at the centre of every display pixel, as RGB hex.
  canvasHex() {
    const scale = canvas.width / LCD_WIDTH;
    // Read through a copy, so the display's own canvas is never read back.
    const copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext('2d', { willReadFrequently: true });
    context.drawImage(canvas, 0, 0);
    const data = context.getImageData(0, 0, copy.width, copy.height).data;
    const hex = [];
    for (let y = 0; y < LCD_HEIGHT; ++y)
      for (let x = 0; x < LCD_WIDTH; ++x) {
        const at = 4 * ((y * scale + (scale >> 1)) * canvas.width + x * scale + (scale >> 1));
        hex.push(((data[at] << 16) | (data[at + 1] << 8) | data[at + 2]).toString(16).padStart(6, '0'));
      }
    return hex.join('');
  },
};

lcdPixels.fill(0xff000000);
lcdContext.putImageData(lcdImage, 0, 0);
wireControls();
fitCanvas();
watchPixelRatio();
createQd5().then((module) => {
  api = module;
  frame = new Uint8Array(api.HEAPU8.buffer, api._qd5_frame(), LCD_WIDTH * LCD_HEIGHT);
  loadPalette();
  rawSliders.forEach((slider, i) => rawChanged(i));
  modeSliders.forEach((slider, c) => modeChanged(c));
  performance.mark('qd5-ready');
  if (!document.hidden) startTimer();
  if (POWER_ON_AT_START) powerOn();
}, (error) => showStatus(`This browser cannot run the simulator: ${error}`));
