// The page's Scenario panel: scenarios played by the toolkit's own loader and
// step player inside the module (scenario_api.cpp), from a file, pasted text
// or a link; and the Record button, whose recorder is the toolkit's too. This
// script paces the player against the clock, does the steps that write files
// the page's way, and keeps the panel's list, status and address. It shares
// the page's globals (app.js), which calls startScenarios() once the module
// is there.
'use strict';

// The link's fragment: #scenario=TEXT&speed=max&at=LINE&file=NAME, with TEXT
// the base64url of the raw-deflated UTF-8 scenario.
const LINK_PARAMS = ['scenario', 'speed', 'at', 'file'];
// At full speed the player runs in slices of simulated time, and yields to
// the browser once a slice of wall time is spent.
const MAX_SPEED_CHUNK_PASSES = 3600;
const MAX_SPEED_SLICE_MS = 30;
// Names of files a scenario comes from, in messages, at most this long.
const LONGEST_FILE_NAME = 200;
const PASTED_FILE = 'pasted.yaml';
const LINK_FILE = 'link.yaml';
const RECORDED_NAME = 'Recorded in the page';
const RECORDED_FILE = 'recorded.yaml';
const COMPARE_NOTE = 'references are files: qd5run checks them';
const FULL_SPEED_NOTE = 'at full speed';

let PLAY = null; // the module's QD5_PLAY_ and QD5_HOST_ values, by name
const scenarioState = {
  loaded: false,
  file: '',
  state: 'idle', // idle, playing, paused, passed, failed
  speed: 'real',  // real (speed=1) or max
  last: -1,       // stop after the step at this index (at=LINE); -1 none
  realStart: 0,   // the wall clock and the driver's passes when playing (re)started
  simStart: 0,
  timer: 0,
  notes: [],      // per step: what the page did instead of a file step
  failed: -1,     // the index of the failed step
  recorder: null, // the MediaRecorder of a record step played by hand
  playedMs: 0,    // wall time from the first play to the end (make web-perf)
  playStart: 0,
};
let recordClock = null; // while recording: { realStart, simStart, frame }

// --- Module strings and bytes ----------------------------------------------------

function withBytes(bytes, use) {
  const pointer = api._malloc(Math.max(1, bytes.length));
  api.HEAPU8.set(bytes, pointer);
  try {
    return use(pointer);
  } finally {
    api._free(pointer);
  }
}

function withString(text, use) {
  const bytes = new TextEncoder().encode(text);
  const terminated = new Uint8Array(bytes.length + 1);
  terminated.set(bytes);
  return withBytes(terminated, use);
}

function moduleUtf8(pointer) {
  const bytes = api.HEAPU8;
  let end = pointer;
  while (bytes[end] !== 0) ++end;
  return new TextDecoder().decode(bytes.subarray(pointer, end));
}

// --- Links -------------------------------------------------------------------------

function toBase64Url(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new Error('it is not base64url');
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/') + '='.repeat((4 - (text.length % 4)) % 4));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

async function encodeScenario(text) {
  const stream = new Blob([new TextEncoder().encode(text)]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  return toBase64Url(new Uint8Array(await new Response(stream).arrayBuffer()));
}

// The text of a link, inflated no further than the loader reads: a deflate
// bomb stops there, and the loader then names the size.
async function decodeScenario(param, most) {
  const reader = new Blob([fromBase64Url(param)]).stream().pipeThrough(new DecompressionStream('deflate-raw'))
    .getReader();
  const parts = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    parts.push(value);
    size += value.length;
    if (size > most) {
      await reader.cancel();
      break;
    }
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const part of parts) {
    bytes.set(part, at);
    at += part.length;
  }
  return bytes.subarray(0, Math.min(size, most + 1));
}

// The fragment, strictly: known names, each once; anything else is named.
function parseLink(hash) {
  const link = { scenario: null, speed: 'real', at: null, file: LINK_FILE, errors: [] };
  const seen = new Set();
  for (const [name, value] of new URLSearchParams(hash.replace(/^#/, ''))) {
    if (!LINK_PARAMS.includes(name)) link.errors.push(`${name} (no such link part)`);
    else if (seen.has(name)) link.errors.push(`${name} (given twice)`);
    else if (name === 'scenario') link.scenario = value;
    else if (name === 'speed' && (value === '1' || value === 'max')) link.speed = value === 'max' ? 'max' : 'real';
    else if (name === 'at' && /^[1-9]\d{0,6}$/.test(value)) link.at = Number(value);
    else if (name === 'file' && value.length > 0 && value.length <= LONGEST_FILE_NAME) link.file = value;
    else link.errors.push(`${name}=${value.slice(0, 40)} (not a valid value)`);
    seen.add(name);
  }
  return link;
}

async function writeScenarioLink(text, at) {
  const parts = [`scenario=${await encodeScenario(text)}`];
  if (at) parts.push('speed=max', `at=${at}`);
  history.replaceState(null, '', `${location.search}#${parts.join('&')}`);
}

// --- The panel ---------------------------------------------------------------------

function setScenarioStatus(text) {
  $('scenario-status').textContent = text;
}

function showErrors(text) {
  const box = $('scenario-errors');
  box.textContent = text;
  box.hidden = text === '';
}

function stepLine(i) {
  return api._qd5_scenario_step_line(i);
}

function listSteps() {
  const list = $('scenario-steps');
  list.replaceChildren();
  const count = api._qd5_scenario_step_count();
  for (let i = 0; i < count; ++i) {
    const item = document.createElement('li');
    item.dataset.line = stepLine(i);
    const where = document.createElement('span');
    where.className = 'step-line';
    where.textContent = `${stepLine(i)}`;
    const text = document.createElement('code');
    text.textContent = moduleUtf8(api._qd5_scenario_step_text(i));
    const verdict = document.createElement('span');
    verdict.className = 'step-verdict';
    item.append(where, text, verdict);
    list.append(item);
  }
  $('scenario-name').textContent = moduleUtf8(api._qd5_scenario_name());
}

// Each step's verdict: passed, failed with the message, a note, or to come.
function markSteps() {
  const next = api._qd5_scenario_next();
  const items = $('scenario-steps').children;
  for (let i = 0; i < items.length; ++i) {
    const item = items[i];
    const verdict = item.querySelector('.step-verdict');
    let state = 'to-come';
    let text = '';
    if (i === scenarioState.failed) {
      state = 'failed';
      text = 'failed';
    } else if (i < next) {
      state = 'passed';
      text = scenarioState.notes[i] ? `skipped: ${scenarioState.notes[i]}` : 'passed';
    }
    item.className = scenarioState.notes[i] && i < next ? `${state} noted` : state;
    verdict.textContent = text;
    if (i === Math.min(next, items.length - 1) && scenarioState.state !== 'idle') item.setAttribute('aria-current', 'step');
    else item.removeAttribute('aria-current');
  }
}

function showPlayerButtons() {
  const loaded = scenarioState.loaded && !recordClock;
  const playing = scenarioState.state === 'playing';
  // After a recording, Play hands the held frame over, live.
  $('scenario-play').disabled = (!loaded && !(held && !recordClock)) || playing;
  $('scenario-pause').disabled = !loaded || !playing;
  $('scenario-step').disabled = !loaded || scenarioState.state === 'passed' || scenarioState.state === 'failed';
  $('scenario-restart').disabled = !loaded;
}

// --- Playing -----------------------------------------------------------------------

// Loads text (bytes or a string) as the scenario of file; plays it unless
// the loader refuses it, whose messages then show as qd5run prints them.
function openScenario(text, file, { speed = 'real', at = null } = {}) {
  stopPlaying();
  if (recordClock) stopRecording();
  const bytes = typeof text === 'string' ? new TextEncoder().encode(text) : text;
  // More than the loader reads is never copied in: it names the size itself.
  const most = api._qd5_scenario_max_bytes() + 1;
  const kept = bytes.subarray(0, Math.min(bytes.length, most));
  const loaded = withString(file, (name) => withBytes(kept, (pointer) =>
    api._qd5_scenario_load(pointer, kept.length, name)));
  if (!loaded) {
    const errors = moduleUtf8(api._qd5_scenario_message());
    showErrors(errors);
    setScenarioStatus(`failed: ${errors.split('\n')[0]}`);
    showPlayerButtons();
    return false;
  }
  showErrors('');
  scenarioState.loaded = true;
  scenarioState.file = file;
  scenarioState.speed = speed;
  $('scenario-speed').value = speed;
  listSteps();
  restartScenario();
  scenarioState.last = at === null ? -1 : stepIndexAt(at);
  // at= before the first step: the fresh instrument, paused.
  if (at !== null && scenarioState.last < 0) pauseScenario();
  else playScenario();
  return true;
}

// The step on line, or the last one before it (-1: none).
function stepIndexAt(line) {
  let index = -1;
  for (let i = 0; i < api._qd5_scenario_step_count() && stepLine(i) <= line; ++i) index = i;
  return index;
}

function restartScenario() {
  stopPlaying();
  holdInstrument();
  api._qd5_scenario_restart();
  scenarioState.notes = [];
  scenarioState.failed = -1;
  scenarioState.last = -1;
  scenarioState.state = 'paused';
  showDriven();
  setScenarioStatus(`paused at line ${stepLine(0)}`);
  markSteps();
  showPlayerButtons();
}

function stopPlaying() {
  clearTimeout(scenarioState.timer);
  cancelAnimationFrame(scenarioState.timer);
  scenarioState.timer = 0;
}

function playScenario() {
  if (!scenarioState.loaded) {
    if (held && !recordClock) scenarioHandedOver();
    return;
  }
  if (scenarioState.state === 'passed' || scenarioState.state === 'failed') {
    // Play after the end hands the instrument over, live.
    scenarioHandedOver();
    return;
  }
  holdInstrument();
  scenarioState.state = 'playing';
  scenarioState.realStart = performance.now();
  if (api._qd5_scenario_next() === 0) scenarioState.playStart = scenarioState.realStart;
  scenarioState.simStart = api._qd5_driver_passes();
  setScenarioStatus('playing');
  showPlayerButtons();
  scheduleSlice();
}

function scheduleSlice() {
  if (options.manual) return; // tests drive it: qd5test.playScenario()
  scenarioState.timer = scenarioState.speed === 'max' ? setTimeout(playSlice, 0) : requestAnimationFrame(playSlice);
}

// One slice of play: up to the wall clock's time (speed=1), or for a slice
// of wall time (speed=max); then what the step, the scenario or the page needs.
function playSlice() {
  scenarioState.timer = 0;
  if (scenarioState.state !== 'playing') return;
  let result;
  if (scenarioState.speed === 'max') {
    const started = performance.now();
    do {
      result = api._qd5_scenario_play(api._qd5_driver_passes() + MAX_SPEED_CHUNK_PASSES, scenarioState.last);
    } while (result === PLAY.SLICE && performance.now() - started < MAX_SPEED_SLICE_MS);
  } else {
    const due = scenarioState.simStart + Math.floor((performance.now() - scenarioState.realStart) / PASS_MS);
    result = due > api._qd5_driver_passes() ? api._qd5_scenario_play(due, scenarioState.last) : PLAY.SLICE;
  }
  afterPlay(result);
}

function afterPlay(result) {
  showDriven();
  const next = api._qd5_scenario_next();
  if (result === PLAY.SLICE) {
    markSteps();
    scheduleSlice();
  } else if (result === PLAY.HOST) {
    hostStep(next);
    api._qd5_scenario_skip();
    markSteps();
    if (next === scenarioState.last) pauseScenario(stepLine(next));
    else scheduleSlice();
  } else if (result === PLAY.BREAK) {
    pauseScenario(stepLine(next - 1));
  } else if (result === PLAY.PASSED) {
    endScenario('passed', 'passed');
  } else {
    scenarioState.failed = next;
    endScenario('failed', `failed: ${moduleUtf8(api._qd5_scenario_message())}`);
  }
}

// Paused (or ended): the frame holds with time standing still until play, a
// step, or any control of the instrument.
function pauseScenario(line) {
  stopPlaying();
  scenarioState.state = 'paused';
  const next = api._qd5_scenario_next();
  setScenarioStatus(`paused at line ${line ?? stepLine(Math.min(next, api._qd5_scenario_step_count() - 1))}`);
  markSteps();
  showPlayerButtons();
}

function endScenario(state, status) {
  stopPlaying();
  finishRecordStep();
  scenarioState.state = state;
  scenarioState.playedMs = performance.now() - scenarioState.playStart;
  setScenarioStatus(status);
  markSteps();
  showPlayerButtons();
}

// The step button: the next step alone, at full speed, then paused.
function stepScenario() {
  if (!scenarioState.loaded) return;
  stopPlaying();
  holdInstrument();
  scenarioState.state = 'playing';
  const next = api._qd5_scenario_next();
  scenarioState.last = next;
  if (api._qd5_scenario_step_host(next) !== PLAY.HOST_NONE) {
    hostStep(next);
    api._qd5_scenario_skip();
    pauseScenario(stepLine(next));
    return;
  }
  afterPlay(api._qd5_scenario_play(-1, next));
}

// A control of the instrument while a scenario holds it: the person has it.
function scenarioHandedOver() {
  stopPlaying();
  if (scenarioState.state === 'playing') pauseScenario();
  finishRecordStep();
  releaseInstrument();
  $('scenario-live').hidden = false;
  showPlayerButtons();
}

// --- The steps that write files ------------------------------------------------------

function hostStep(index) {
  const kind = api._qd5_scenario_step_host(index);
  const path = moduleUtf8(api._qd5_scenario_step_path(index));
  const byHand = scenarioState.speed !== 'max' || scenarioState.last === index;
  if (kind === PLAY.HOST_COMPARE) {
    scenarioState.notes[index] = COMPARE_NOTE;
  } else if (!byHand) {
    scenarioState.notes[index] = FULL_SPEED_NOTE;
  } else if (kind === PLAY.HOST_SCREENSHOT) {
    offerScreenshot(path, api._qd5_scenario_step_scale(index));
  } else if (kind === PLAY.HOST_RECORD_START) {
    startRecordStep(path);
  } else {
    finishRecordStep();
  }
}

function baseName(path) {
  return path.split('/').pop();
}

function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// The display at the step's scale, as a PNG download named as the step names it.
function offerScreenshot(path, scaleBy) {
  const picture = document.createElement('canvas');
  picture.width = lcd.width * scaleBy;
  picture.height = lcd.height * scaleBy;
  const context = picture.getContext('2d');
  context.imageSmoothingEnabled = false;
  context.drawImage(lcd, 0, 0, picture.width, picture.height);
  picture.toBlob((blob) => blob && download(blob, baseName(path)), 'image/png');
  showStatus(`Screenshot offered as ${baseName(path)}`, true);
}

// A recording played by hand: the display as a video (the browser has no GIF
// writer), offered when the recording stops.
function startRecordStep(path) {
  finishRecordStep();
  if (typeof MediaRecorder === 'undefined' || !canvas.captureStream) return;
  const chunks = [];
  const recorder = new MediaRecorder(canvas.captureStream(), { mimeType: 'video/webm' });
  recorder.ondataavailable = (event) => chunks.push(event.data);
  recorder.onstop = () => download(new Blob(chunks, { type: 'video/webm' }), baseName(path).replace(/\.gif$/, '.webm'));
  recorder.start();
  scenarioState.recorder = recorder;
}

function finishRecordStep() {
  if (scenarioState.recorder && scenarioState.recorder.state !== 'inactive') scenarioState.recorder.stop();
  scenarioState.recorder = null;
}

// --- Recording ---------------------------------------------------------------------

function startRecording() {
  stopPlaying();
  holdInstrument();
  if (!api._qd5_record_start()) {
    releaseInstrument();
    showStatus('The recording could not start from these inputs', true);
    return;
  }
  scenarioState.loaded = false;
  scenarioState.state = 'idle';
  $('scenario-live').hidden = true;
  $('scenario-steps').replaceChildren();
  $('scenario-name').textContent = '';
  showErrors('');
  recordClock = { realStart: performance.now(), simStart: api._qd5_driver_passes(), frame: 0 };
  showDriven();
  const button = $('record');
  button.textContent = 'Stop recording';
  button.setAttribute('aria-pressed', 'true');
  $('add-check').disabled = false;
  setScenarioStatus('recording');
  showPlayerButtons();
  driveRecording();
}

// The recording's clock: the driver catches up with the wall clock, pass by
// pass as qd5run counts them, every animation frame (by hand in tests).
function driveRecording() {
  if (!recordClock || options.manual) return;
  const due = recordClock.simStart + Math.floor((performance.now() - recordClock.realStart) / PASS_MS);
  const passes = due - api._qd5_driver_passes();
  if (passes > 0) {
    api._qd5_drive(passes);
    showDriven();
  }
  if (api._qd5_record_full()) {
    stopRecording();
    showStatus('The recording holds as many steps as a scenario may: it stopped', false);
    return;
  }
  recordClock.frame = requestAnimationFrame(driveRecording);
}

function recordedText() {
  return withString(RECORDED_NAME, (name) => moduleUtf8(api._qd5_record_text(name)));
}

async function showRecorded() {
  const text = recordedText();
  $('scenario-text').value = text;
  await writeScenarioLink(text);
}

function stopRecording() {
  if (!recordClock) return;
  if (!options.manual) driveRecording();
  cancelAnimationFrame(recordClock.frame);
  recordClock = null;
  api._qd5_record_stop();
  showDriven();
  const button = $('record');
  button.textContent = 'Record';
  button.setAttribute('aria-pressed', 'false');
  setScenarioStatus('recorded: the frame holds until you use the instrument');
  showPlayerButtons();
  return showRecorded();
}

// "Add a check of this screen": while recording, or on the frame a recording
// stopped on.
function addCheck() {
  if (!held) return;
  api._qd5_record_check();
  if (!recordClock) showRecorded();
}

// --- Wiring --------------------------------------------------------------------------

async function openFile(file) {
  if (!file) return;
  // The loader reads at most its limit: a larger file is cut just past it.
  const most = api._qd5_scenario_max_bytes() + 1;
  const bytes = new Uint8Array(await file.slice(0, most).arrayBuffer());
  openScenario(bytes, file.name.slice(0, LONGEST_FILE_NAME) || PASTED_FILE);
}

function wireScenarioPanel() {
  $('scenario-file').addEventListener('change', (event) => {
    openFile(event.target.files[0]);
    event.target.value = '';
  });
  const panel = $('scenario-panel');
  panel.addEventListener('dragover', (event) => {
    event.preventDefault();
    panel.classList.add('dropping');
  });
  panel.addEventListener('dragleave', () => panel.classList.remove('dropping'));
  panel.addEventListener('drop', (event) => {
    event.preventDefault();
    panel.classList.remove('dropping');
    openFile(event.dataTransfer.files[0]);
  });
  $('scenario-open-text').addEventListener('click', () => {
    openScenario($('scenario-text').value, PASTED_FILE, { speed: $('scenario-speed').value });
    writeScenarioLink($('scenario-text').value);
  });
  $('scenario-play').addEventListener('click', playScenario);
  $('scenario-pause').addEventListener('click', () => pauseScenario());
  $('scenario-step').addEventListener('click', stepScenario);
  $('scenario-restart').addEventListener('click', () => {
    restartScenario();
    playScenario();
  });
  $('scenario-speed').addEventListener('change', (event) => {
    scenarioState.speed = event.target.value;
    scenarioState.realStart = performance.now();
    scenarioState.simStart = api._qd5_driver_passes();
  });
  $('record').addEventListener('click', () => (recordClock ? stopRecording() : startRecording()));
  $('add-check').addEventListener('click', addCheck);
  $('scenario-copy').addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText($('scenario-text').value);
      showStatus('Scenario copied to the clipboard', true);
    } catch {
      $('scenario-text').select();
      showStatus('Select the text and copy it', true);
    }
  });
  $('scenario-download').addEventListener('click', () =>
    download(new Blob([$('scenario-text').value], { type: 'application/yaml' }), RECORDED_FILE));
}

// The module's codes, the panel's controls, and a scenario in the address.
async function startScenarios() {
  const names = ['SLICE', 'HOST', 'BREAK', 'PASSED', 'FAILED', 'HOST_NONE', 'HOST_SCREENSHOT', 'HOST_COMPARE',
    'HOST_RECORD_START', 'HOST_RECORD_STOP'];
  const codes = new Int32Array(api.HEAPU8.buffer, api._qd5_play_codes(), names.length);
  PLAY = Object.fromEntries(names.map((name, i) => [name, codes[i]]));
  wireScenarioPanel();
  showPlayerButtons();
  if (!location.hash) return;
  const link = parseLink(location.hash);
  if (link.errors.length) showErrors(`Link parts ignored: ${link.errors.join(', ')}.`);
  if (link.scenario === null) return;
  let text;
  try {
    text = await decodeScenario(link.scenario, api._qd5_scenario_max_bytes());
  } catch (error) {
    setScenarioStatus(`failed: the link's scenario cannot be read (${error.message || error})`);
    return;
  }
  $('scenario-text').value = new TextDecoder().decode(text);
  openScenario(text, link.file, { speed: link.speed, at: link.at });
}

// For tests: the player by hand, a slice of simulated passes at a time.
window.qd5scenario = {
  play(passes) {
    if (scenarioState.state !== 'playing') return scenarioState.state;
    const result = api._qd5_scenario_play(passes < 0 ? -1 : api._qd5_driver_passes() + passes, scenarioState.last);
    afterPlay(result);
    return scenarioState.state;
  },
  state: () => (api === null ? null : { ...scenarioState, recorder: null, recording: Boolean(recordClock),
    passes: api._qd5_driver_passes() }),
};
