// Scenarios in the page: the toolkit's own loader and step player (compiled
// with emscripten) on the page's instrument, and the recorder behind the
// Record button. The page paces the player against its clock, does the steps
// that write files its own way, and paints what the driver leaves.
#include <memory>
#include <string>

#include "host/panel/device.h"
#include "host/panel/front_panel.h"
#include "runner/play/action_recorder.h"
#include "runner/play/driver.h"
#include "runner/play/step_player.h"
#include "runner/scenario/loader.h"
#include "web/driven.h"
#include "web/export.h"
#include "web/web_api.h"

namespace {

// The driver with its player, made afresh (a freshly started instrument)
// for every scenario played and every recording.
struct Session {
    Driver driver;
    StepPlayer player{driver, -1};
};
std::unique_ptr<Session> session;
bool driving = false;       // the session has the instrument; false once handed to the page's own clock
bool frame_changed = false; // a pass of the driver drew a new frame since the page last asked

Scenario scenario;
bool scenario_loaded = false;
std::size_t next_step = 0;
std::string message; // the loader's errors, or the failure of a step
ActionRecorder recorder;
std::string recorded;
bool recorded_session = false; // the session is the recording's, or the frame it stopped on

void new_session() {
    front_panel_reset();
    session = std::make_unique<Session>();
    session->driver.after_pass = [] {
        if (session->driver.frame_changed()) frame_changed = true;
    };
    frame_changed = true; // the reset display
    driving = true;
}

bool play_text(const std::string& steps) {
    Scenario opening;
    std::string error;
    if (!load_scenario_text("name: opening\nsteps:\n" + steps, "recording", opening, error)) return false;
    for (const Step& s : opening.steps) {
        std::string what;
        const Condition* failing = nullptr;
        if (!session->player.play(s, what, failing)) return false;
    }
    return true;
}

} // namespace

bool driven() { return session != nullptr && driving; }

int driven_power(bool on) {
    Driver& d = session->driver;
    if (on)
        d.power_on();
    else
        d.power_off();
    if (recorder.recording()) recorder.power(d, on);
    return qd5_driven_result();
}

void driven_noted_click(int code) {
    if (driven() && recorder.recording()) recorder.click(session->driver, static_cast<uint8_t>(code));
}

void driven_noted_input(int input) {
    if (driven() && recorder.recording() && input >= 0 && input < RAW_INPUT_COUNT)
        recorder.set_raw(session->driver, input, front_panel.raw_slider[input]);
}

void driven_noted_mode(int channel) {
    if (driven() && recorder.recording() && channel >= 0 && channel < CHANNEL_COUNT)
        recorder.set_mode(session->driver, channel, front_panel.mode_slider[channel]);
}

void driven_noted_zolt() {
    if (driven() && recorder.recording()) recorder.set_zolt(session->driver, front_panel.zolt_checked);
}

extern "C" {

QD5_EXPORT int qd5_driven() { return driven() ? 1 : 0; }

// Time stands still until the page's clock takes the instrument over.
QD5_EXPORT void qd5_hand_over() { driving = false; }

QD5_EXPORT void qd5_drive(double passes) {
    if (driven() && passes > 0) session->driver.run(static_cast<int64_t>(passes));
}

QD5_EXPORT double qd5_driver_passes() { return session ? static_cast<double>(session->driver.now()) : 0; }

QD5_EXPORT int qd5_driven_result() {
    if (!session) return 0;
    const bool changed = frame_changed;
    frame_changed = false;
    if (changed) describe_screen();
    return (front_panel.running ? QD5_PASS_RAN : 0) |
           (session->driver.lamp_with_frame() ? QD5_PASS_LAMP_BRIGHT : 0) |
           (changed ? QD5_PASS_FRAME_CHANGED : 0);
}

QD5_EXPORT int qd5_scenario_max_bytes() { return static_cast<int>(MAX_FILE_BYTES); }

QD5_EXPORT int qd5_scenario_load(const char* text, int length, const char* file) {
    Scenario loaded;
    if (!load_scenario_text(std::string(text, static_cast<std::size_t>(length)), file, loaded, message))
        return 0;
    scenario = std::move(loaded);
    scenario_loaded = true;
    return 1;
}

QD5_EXPORT const char* qd5_scenario_message() { return message.c_str(); }
QD5_EXPORT const char* qd5_scenario_name() { return scenario.name.c_str(); }
QD5_EXPORT int qd5_scenario_step_count() { return static_cast<int>(scenario.steps.size()); }

namespace {
const Step* step_at(int i) {
    return i >= 0 && static_cast<std::size_t>(i) < scenario.steps.size() ? &scenario.steps[i] : nullptr;
}
} // namespace

QD5_EXPORT int qd5_scenario_step_line(int i) { return step_at(i) ? step_at(i)->line : 0; }
QD5_EXPORT const char* qd5_scenario_step_text(int i) { return step_at(i) ? step_at(i)->summary.c_str() : ""; }

// What the page does with a step the player leaves to its host.
QD5_EXPORT int qd5_scenario_step_host(int i) {
    const Step* s = step_at(i);
    if (s == nullptr || StepPlayer::plays(s->kind)) return QD5_HOST_NONE;
    switch (s->kind) {
    case StepKind::screenshot_save:
        return QD5_HOST_SCREENSHOT;
    case StepKind::screenshot_compare:
        return QD5_HOST_COMPARE;
    case StepKind::record_start:
        return QD5_HOST_RECORD_START;
    default:
        return QD5_HOST_RECORD_STOP;
    }
}
QD5_EXPORT const char* qd5_scenario_step_path(int i) {
    return step_at(i) ? step_at(i)->image.path.c_str() : "";
}
QD5_EXPORT int qd5_scenario_step_scale(int i) { return step_at(i) ? step_at(i)->image.scale : 1; }
QD5_EXPORT int qd5_scenario_step_device_view(int i) {
    return step_at(i) && step_at(i)->image.view == View::device ? 1 : 0;
}

QD5_EXPORT void qd5_scenario_restart() {
    recorded_session = false;
    new_session();
    next_step = 0;
    message.clear();
}

QD5_EXPORT const int* qd5_play_codes() {
    static const int codes[] = {
        QD5_PLAY_SLICE, QD5_PLAY_HOST,       QD5_PLAY_BREAK,   QD5_PLAY_PASSED,       QD5_PLAY_FAILED,
        QD5_HOST_NONE,  QD5_HOST_SCREENSHOT, QD5_HOST_COMPARE, QD5_HOST_RECORD_START, QD5_HOST_RECORD_STOP};
    return codes;
}

QD5_EXPORT int qd5_scenario_next() { return static_cast<int>(next_step); }
QD5_EXPORT void qd5_scenario_skip() {
    if (next_step < scenario.steps.size()) ++next_step;
}

// Plays steps from the next one: until the scenario ends, a step fails, the
// step at index last has played, a step is the page's (host), or the
// driver's clock reaches until (a pass count; -1: no pause).
QD5_EXPORT int qd5_scenario_play(double until, int last) {
    if (!scenario_loaded || !session) return QD5_PLAY_FAILED;
    driving = true;
    Driver& d = session->driver;
    StepPlayer& player = session->player;
    player.pause_at = until < 0 ? -1 : static_cast<int64_t>(until);
    while (next_step < scenario.steps.size()) {
        if (player.pause_at >= 0 && d.now() >= player.pause_at) return QD5_PLAY_SLICE;
        const Step& s = scenario.steps[next_step];
        if (!StepPlayer::plays(s.kind)) return QD5_PLAY_HOST;
        std::string what;
        const Condition* failing = nullptr;
        if (!player.play(s, what, failing)) {
            message = step_failure(scenario.file, s, what, failing, d.now_ms());
            return QD5_PLAY_FAILED;
        }
        if (player.paused()) return QD5_PLAY_SLICE;
        ++next_step;
        if (d.now() > MAX_TOTAL_PASSES) {
            message = step_failure(scenario.file, s, PAST_TIME_LIMIT, nullptr, d.now_ms());
            return QD5_PLAY_FAILED;
        }
        if (static_cast<int>(next_step) - 1 == last) return QD5_PLAY_BREAK;
    }
    return QD5_PLAY_PASSED;
}

// Record: the instrument starts afresh from the panel's inputs and power, as
// the recording's opening steps say, so that the page and a replay agree.
QD5_EXPORT int qd5_record_start() {
    const std::string opening = ActionRecorder::opening_steps();
    new_session();
    if (!play_text(opening)) return 0;
    recorder.start(session->driver);
    recorded_session = true;
    return 1;
}

QD5_EXPORT int qd5_recording() { return recorder.recording() ? 1 : 0; }
QD5_EXPORT int qd5_record_full() { return recorder.full() ? 1 : 0; }

QD5_EXPORT void qd5_record_check() {
    if (!driven() || !recorded_session) return;
    // While recording, a check just after a slider moved runs the pass that
    // shows it first (a wait of one pass), as a replay's expect would.
    if (recorder.recording() && recorder.input_this_pass(session->driver)) session->driver.step();
    recorder.check_screen(session->driver);
}

QD5_EXPORT void qd5_record_stop() {
    if (session && recorder.recording()) recorder.stop(session->driver);
}

// The recording's text; after the stop, "Add a check" still appends to it.
QD5_EXPORT const char* qd5_record_text(const char* name) {
    recorded = recorder.text(name);
    return recorded.c_str();
}
}
