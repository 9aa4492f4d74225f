#include "runner/scenario/language.h"

const LanguageWord STEP_WORDS[] = {
    {"power", "`power: on`, `power: off`", "`dev.power_on()`, `dev.power_off()`",
     "the On and Off buttons. On re-reads the four channel sliders and moves the mode sliders to the default "
     "modes, as the window does; Off stops the loop before its next pass and leaves the last frame"},
    {"set", "`set: {ch1: 2048, ch2: 100, ch3: 4096, ch4: 0, volts: 2760}`, `set: {ch1: {reading: 40}}`",
     "`dev.set(ch1=2048, volts=2760)`, `dev.set(ch1={\"reading\": 40})`",
     "the raw input sliders, 0..4096; any subset. `{reading: N}` sets the raw value whose reading is N, in "
     "the "
     "scale of the `reading` condition, worked out through the channel's present mode, settings and "
     "calibration by the instrument's own conversion (the middle of the raw values that give it); `volts` "
     "through the supply's. A reading that no raw value gives fails the step, naming the nearest readings on "
     "either side with their raw values; so does a channel that is off (every channel is, before the first "
     "power-on), in volts mode (set `volts`) or reading the ZOLT unit"},
    {"mode", "`mode: {ch1: pressure, ch2: temperature, ch3: current, ch4: off}`",
     "`dev.mode(ch1=\"pressure\")`",
     "the mode sliders: `off`, `pressure`, `temperature`, `current`, `volts` or 0..4. As in the window, the "
     "value is stored at once, and the next power-on moves the sliders back to the default modes"},
    {"zolt", "`zolt: on`, `zolt: off`", "`dev.zolt(checked=True)`", "the \"ZOLT On/Off\" check box"},
    {"press",
     "`press: knob`, `press: {key: up, times: 3}`, `press: {key: up, until: {text: \"CH 3\"}, max: 10}`",
     "`dev.press(\"up\", times=3)`, `dev.press(\"up\", until={\"text\": \"CH 3\"}, max=10)`",
     "a key: `left` (F1), `right` (F2), `knob` (push), `up` (+), `down` (-), each when the key slot is free, "
     "then runs until the instrument has drawn the frame after it; `times` 0..100 (0 presses nothing). With "
     "`until` (any conditions of `expect`) it presses until they hold after a press, at most `max` times "
     "(1..100, default 100), and fails naming each condition that still does not hold and the last frame's "
     "texts"},
    {"click", "`click: up`", "`dev.click(\"up\")`",
     "a click on a key and nothing more: the key is stored only if the one-deep slot is empty, as the "
     "instrument takes it; no pass runs. A second click before a pass is dropped. An `expect` straight after "
     "it judges the instrument as the click left it (`state: {pending-key: 4}`); `wait: 2 passes` lets the "
     "screen take the key and draw"},
    {"settings", "`settings: {ch1: {pressure: {label: \"FUEL\", high_alarm: 30}}, zolt_address: 2}`",
     "`dev.settings(ch1={\"pressure\": {\"label\": \"FUEL\", \"high_alarm\": 30}})`",
     "a test fixture that the real instrument has no way to do: writes settings directly, as if made in the "
     "menus, by their own names (below). Each field's type and range are checked when the file is loaded. "
     "Only while the instrument is on: power-on loads the defaults again. The readings follow at the next "
     "sampling"},
    {"wait",
     "`wait: 500ms`, `wait: 1.5s`, `wait: 2min`, `wait: 1h`, `wait: 3 ticks`, `wait: 10 passes`, `wait: 2 "
     "samples`",
     "`dev.wait(0.5)`, `dev.wait(ticks=3)`, `dev.wait(samples=2)`",
     "let simulated time pass (rounded up to whole passes), or to just after the Nth next sampling "
     "(1..100000)"},
    {"wait-for", "`wait-for: {text: \"DONE\", timeout: 3s}`", "`dev.wait_for(text=\"DONE\", timeout=3)`",
     "any conditions of `expect` plus `timeout` (default 10 s): runs pass by pass until all hold; fails at "
     "the timeout"},
    {"expect", "`expect: {text: \"8.5\", lamp: bright}`", "`dev.expect(text=\"8.5\", lamp=\"bright\")`",
     "conditions that must all hold after the current pass; a mapping, or a list of mappings when a "
     "condition is needed twice: `expect: [text: \"ON\", text: \"CHANGE CODE\"]`. A failing item of a list "
     "is named by its own line"},
    {"screenshot",
     "`screenshot: {save: alarm.png, scale: 3, view: display}`, `screenshot: {compare: "
     "refs/alarm.png}`",
     "",
     "a PNG of the display (`view: display`, 160 by 128) or of the device (`view: device`: the front picture "
     "with the display set in it and the alarm lamp below it, bright or dark as the `lamp` condition judges "
     "it, as in "
     "the window, 241 by 305), scaled nearest-neighbour by `scale` 1..8, saved under `--out`; or the same "
     "picture compared pixel for pixel with a reference PNG, whose path is relative to the scenario file's "
     "folder and stays inside it. On a mismatch `STEM.NAME.actual.png` and `STEM.NAME.diff.png` (differing "
     "pixels red over a dimmed copy; STEM as for the failure frame, below) are written under `--out`; with "
     "`--update` the reference is written instead. The golden images of the unit tests and the Python "
     "module's `compare_screen` use this same comparison and name their evidence `NAME.actual.png` and "
     "`NAME.diff.png` alike"},
    {"record", "`record: {save: alarm.gif, scale: 2, view: device}` ... `record: stop`", "",
     "an animated GIF (looping) with one frame per change of the picture; each frame lasts the simulated "
     "time until the next change, in 1/100 s. A change sooner than 2/100 s after the frame before replaces "
     "that frame (viewers slow delays below 2 to 1/10 s). A recording still open at the end of the scenario "
     "is finished then. The GIF's colour table is the instrument's 246 colours, so the display is exact; in "
     "`view: device` the face around it is drawn in the nearest of those colours, and the lamp in its own "
     "two (a recorded alarm shows the lamp bright)"},
};
const int STEP_WORD_COUNT = sizeof STEP_WORDS / sizeof STEP_WORDS[0];

const LanguageWord CONDITION_WORDS[] = {
    {"text", "`text: \"8.5\"`, with optional `colour: 15`, `size: 34`, `at: {x: 159, y: 2}`",
     "`text=\"8.5\"`, with `colour=`, `size=`, `at=(159, 2)`",
     "the last frame shows that text (in that colour and font size, drawn by a call at that x and y), by "
     "the rule of \"What a text condition takes as shown\" in docs/SCENARIOS.md. `at` tells apart texts that "
     "repeat, such "
     "as two channels both reading \"2.5\"; the x and y are those of the drawing call, which failures and "
     "`-v` list. A failure names the nearest shown text (\"did you mean 'MODE: '?\")"},
    {"no-text", "`no-text: \"OILT\"`, with optional `colour`, `size`, `at`", "`no_text=\"OILT\"`",
     "the last frame shows no such text"},
    {"text-contains", "`text-contains: \"H 3\"`, with optional `colour`, `size`, `at`",
     "`text_contains=\"H 3\"`", "a shown text holds this part (\"MODE:\" is part of \"MODE: \")"},
    {"no-text-contains", "`no-text-contains: \"ALARM\"`", "`no_text_contains=\"ALARM\"`",
     "no shown text holds this part"},
    {"text-matches", "`text-matches: \"CH [1-4]\"`, with optional `colour`, `size`, `at`",
     "`text_matches=\"CH [1-4]\"`",
     "a shown text matches the pattern as a whole (RE2 syntax, whose time grows with the text only, so no "
     "pattern can hang a run; `.*` for any part). A bad pattern is refused when the file is loaded"},
    {"no-text-matches", "`no-text-matches: \"[0-9]+\\\\.[0-9]\"`", "`no_text_matches=r\"[0-9]+\\.[0-9]\"`",
     "no shown text matches the pattern"},
    {"lamp", "`lamp: bright`, `lamp: dark`", "`lamp=\"bright\"`",
     "the alarm lamp that goes with the current frame: bright while a channel alarm is not acknowledged. The "
     "window sets the lamp from the alarm flags just before its next pass, 1/60 s after the frame that shows "
     "the alarm; `lamp` judges it with that frame, so `wait-for: {alarm: {ch1: true}}` followed by `expect: "
     "{lamp: bright}` holds. While the instrument is off the lamp stays as the window left it (red before "
     "the first power-on)"},
    {"screen", "`screen: main-menu`", "`screen=\"main-menu\"`",
     "the current screen: `run`, `main-menu`, `channel-setup`, `calibration`, `zeroing`, `code` (every code "
     "entry: menu code, old, new, confirm), `values`, `information`, `backlight`, `security`, `misc`, "
     "`defaults`, `message` (the \"DONE\" and the code messages)"},
    {"page", "`page: digital`", "`page=\"digital\"`",
     "the run screen's page: `hbar`, `vbar`, `digital`, `min-max`"},
    {"reading", "`reading: {ch1: 85}`, `reading: {ch1: {min: 80, max: 90}}`",
     "`reading={\"ch1\": 85}`, `reading={\"ch1\": (80, 90)}`",
     "the channel's reading in its display scale: 0.1 bar or psi by the unit (0.1 psi for \"psi(0.1)\"), "
     "whole degrees, 0.1 A, 0.1 V. A channel that is off has no reading"},
    {"alarm", "`alarm: {ch1: true, volts: false}`", "`alarm={\"ch1\": True, \"volts\": False}`",
     "the alarm flags of channels `ch1`..`ch4` and of the supply voltage (`volts`)"},
    {"pixel", "`pixel: {x: 10, y: 20, colour: 9}`", "`pixel={\"x\": 10, \"y\": 20, \"colour\": 9}`",
     "the display pixel holds that colour index (0..245)"},
    {"blink-phase", "`blink-phase: 1`", "`blink_phase=1`",
     "the phase of the 1.1 s blink (0 or 1) that the frame shows"},
    {"state", "`state: {edit-step: 10, menu-cursor: 2, pending-key: 0, acknowledged: {ch1: true}}`",
     "`state={\"edit_step\": 10, \"acknowledged\": {\"ch1\": True}}`",
     "the instrument's own variables, by their names: `edit-step`, `menu-cursor`, `menu-scroll` (from 0), "
     "`menu-editing` (true or false), `selected-channel` (0..3 for CH 1..CH 4), `pending-key` (0 none, 1 "
     "left, 2 right, 3 knob, 4 up, 5 down), `display-page` (0..3), `text-cursor`, and `acknowledged`: which "
     "alarms of `ch1`..`ch4` and `volts` a key has acknowledged"},
};
const int CONDITION_WORD_COUNT = sizeof CONDITION_WORDS / sizeof CONDITION_WORDS[0];

std::string word_names(const LanguageWord* words, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += (i ? ", " : "") + std::string(words[i].name);
    return out;
}

std::string language_table(bool steps, bool python) {
    const LanguageWord* words = steps ? STEP_WORDS : CONDITION_WORDS;
    const int count = steps ? STEP_WORD_COUNT : CONDITION_WORD_COUNT;
    std::string out = std::string("| ") + (steps ? "Step" : "Condition") + " | " +
                      (python ? "In Python" : "Example") + " | " + (steps ? "What it does" : "Holds when") +
                      " |\n|---|---|---|\n";
    for (int i = 0; i < count; ++i) {
        const LanguageWord& w = words[i];
        if (python && w.python[0] == 0) continue;
        out += "| `" + std::string(w.name) + "` | " + (python ? w.python : w.example) + " | " + w.meaning +
               " |\n";
    }
    return out;
}
