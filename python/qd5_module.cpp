// The instrument for Python (qd5._qd5): the front panel driven by the
// runner's own driver, steps read by the runner's own loader and conditions
// checked by the runner's own code, so that a test written in Python sees
// the instrument exactly as a qd5run scenario does. The pure-Python part of
// the package (qd5/__init__.py) turns keyword arguments into the step texts.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "display/framebuffer.h"
#include "display/text_record.h"
#include "host/panel/device.h"
#include "host/panel/front_panel.h"
#include "measurement/settings.h"
#include "menus/screen_table.h"
#include "picture/picture.h"
#include "runner/files/gif_recorder.h"
#include "runner/files/instrument_pictures.h"
#include "runner/play/conditions.h"
#include "runner/play/driver.h"
#include "runner/play/step_player.h"
#include "runner/scenario/language.h"
#include "runner/scenario/loader.h"
#include "runner/scenario/vocabulary.h"
#include "runner/suite/scenario_run.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace {

// The instrument's state is static: each new Instrument (or scenario run)
// resets it and takes the next generation; older objects then refuse to run.
uint64_t live_generation = 0;

constexpr const char* SOURCE = "python";
// A sample comes every 1.1 s while the instrument is on; one waited for
// longer than this never comes.
constexpr int64_t SAMPLE_PATIENCE = 2 * 1000 / MS_PER_TICK * PASSES_PER_TICK;

// The loader's message without the position, which names the step text that
// the Python call was turned into, not anything the caller wrote.
std::string without_position(const std::string& error) {
    std::size_t at = 0;
    for (int colons = 0; colons < 3; ++colons) {
        at = error.find(':', at);
        if (at == std::string::npos) return error;
        ++at;
    }
    return at < error.size() && error[at] == ' ' ? error.substr(at + 1) : error.substr(at);
}

// One step, read by the loader as if it were the only step of a scenario.
// Steps already read are kept, since tests repeat the same few calls; the
// reference holds until the next step is read.
const Step& load_step(const std::string& step) {
    static std::unordered_map<std::string, Step> loaded;
    if (const auto found = loaded.find(step); found != loaded.end()) return found->second;
    Scenario scenario;
    std::string error;
    if (!load_scenario_text("name: python\nsteps:\n  - " + step + "\n", SOURCE, scenario, error))
        throw py::value_error(without_position(error));
    if (scenario.steps.size() != 1) throw py::value_error("not one step: " + step);
    constexpr std::size_t KEPT = 4096;
    if (loaded.size() >= KEPT) loaded.clear();
    return loaded.emplace(step, std::move(scenario.steps.front())).first->second;
}

// A double-quoted YAML scalar, so that a name from the caller stays one value.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < ' ') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// What a step did: 0 done, 1 timed out (wait-for, a key not taken), 2 an
// expectation that does not hold; message says what was found.
using Outcome = std::tuple<int, std::string>;

class Instrument {
  public:
    Instrument() {
        generation_ = ++live_generation;
        front_panel_reset();
        driver_ = std::make_unique<Driver>();
        player_ = std::make_unique<StepPlayer>(*driver_, -1);
        driver_->after_pass = [this] { after_pass(); };
        seen_blink_ = blink_phase;
    }

    // Runs one step in the loader's text form, such as "press: {key: knob, times: 2}".
    Outcome step(const std::string& text) {
        live();
        return run(load_step(text));
    }

    // Whether the conditions of an expect step hold now; found says what was there.
    std::tuple<bool, std::string> holds(const std::string& text) {
        live();
        const Step& s = load_step(text);
        std::string found;
        const Condition* failing = first_failing(s.conditions, *driver_, found);
        if (failing == nullptr) return {true, ""};
        return {false, "expected " + describe(*failing) + "; found " + found};
    }

    // Passes until n samples have been taken; the passes waited, or -1 if the
    // instrument is off or stops sampling.
    int64_t wait_samples(int64_t n) {
        live();
        // Samples come every 11 ticks: a day's worth is the longest wait, as for any time.
        constexpr int64_t MOST = MAX_TOTAL_PASSES / (11 * PASSES_PER_TICK);
        if (n < 0 || n > MOST)
            throw py::value_error("samples " + std::to_string(n) + " is out of range 0.." +
                                  std::to_string(MOST));
        const int64_t start = driver_->now();
        for (int64_t taken = 0; taken < n; ++taken) {
            const int64_t before = samples_;
            for (int64_t waited = 0; samples_ == before; ++waited) {
                if (!driver_->on() || waited >= SAMPLE_PATIENCE) return -1;
                driver_->step();
            }
        }
        return driver_->now() - start;
    }

    std::vector<std::tuple<std::string, int, int, int, int, int, int>> texts() {
        live();
        std::vector<std::tuple<std::string, int, int, int, int, int, int>> out;
        out.reserve(text_record_count);
        for (int i = 0; i < text_record_count; ++i) {
            const TextRecordEntry& e = text_record[i];
            out.emplace_back(latin1_to_utf8(e.text), e.x, e.y, e.size, e.colour, e.start_x, e.end_x);
        }
        return out;
    }

    std::string screen() {
        live();
        return screen_name(current_screen);
    }
    std::string page() {
        live();
        return display_page < 4 ? PAGE_NAMES[display_page] : "unknown";
    }
    std::string lamp() {
        live();
        return driver_->lamp_with_frame() ? "bright" : "dark";
    }
    bool on() {
        live();
        return driver_->on();
    }
    bool sampled() {
        live();
        return sampled_;
    }
    double time() {
        live();
        return driver_->now_ms() / 1000;
    }
    int64_t passes() {
        live();
        return driver_->now();
    }

    std::optional<int> reading(const std::string& channel) {
        live();
        const int c = index_of_name(INPUT_NAMES, CHANNELS, channel.c_str());
        if (c < 0) load_step("expect: {reading: {" + quoted(channel) + ": 0}}"); // the loader's message
        if (c < 0) throw py::value_error("unknown channel " + channel);
        int32_t value = 0;
        if (!channel_reading(c, value)) return std::nullopt;
        return value;
    }

    bool alarm(const std::string& input, bool acknowledged) {
        live();
        const int i = index_of_name(INPUT_NAMES, RAW_INPUTS, input.c_str());
        if (i < 0) load_step("expect: {alarm: {" + quoted(input) + ": true}}");
        if (i < 0) throw py::value_error("unknown input " + input);
        return (((acknowledged ? alarm_ack_flags : alarm_flags) >> i) & 1u) != 0;
    }

    int pixel(int x, int y) {
        live();
        if (x < 0 || x >= LCD_WIDTH || y < 0 || y >= LCD_HEIGHT)
            load_step("expect: {pixel: {x: " + std::to_string(x) + ", y: " + std::to_string(y) +
                      ", colour: 0}}");
        return FrameBuffer[y][x];
    }

    py::bytes frame() {
        live();
        return py::bytes(reinterpret_cast<const char*>(FrameBuffer), sizeof FrameBuffer);
    }

    py::bytes rgb(int scale, const std::string& view) {
        live();
        const ImageSpec spec = image("screenshot", "a.png", scale, view);
        const RgbPicture picture = take_rgb(spec.view, spec.scale);
        return py::bytes(reinterpret_cast<const char*>(picture.rgb.data()), picture.rgb.size());
    }

    void screenshot(const std::string& path, int scale, const std::string& view) {
        live();
        const ImageSpec spec = image("screenshot", "a.png", scale, view);
        if (!write_png_file(path, take_rgb(spec.view, spec.scale))) throw_os_error("cannot write " + path);
    }

    // The display compared with a reference PNG as a scenario's screenshot
    // compare does it: "" if equal (or written, with update), else what
    // differs, with the actual picture and the diff written into out_dir.
    std::string compare_screen(const std::string& reference, const std::string& out_dir, int scale,
                               const std::string& view, bool update) {
        live();
        const ImageSpec spec = image("screenshot", "a.png", scale, view);
        const RgbPicture actual = take_rgb(spec.view, spec.scale);
        RgbPicture expected;
        const bool readable = read_png_file(reference, expected);
        const int64_t differing = readable ? differing_pixels(actual, expected) : -1;
        if (differing == 0) return "";
        if (update) {
            std::error_code error;
            fs::create_directories(fs::path(reference).parent_path(), error);
            if (!write_png_file(reference, actual)) throw_os_error("cannot write " + reference);
            return "";
        }
        const std::string stem = fs::path(reference).stem().string();
        std::error_code error;
        fs::create_directories(out_dir, error);
        const std::string actual_path = (fs::path(out_dir) / (stem + ".actual.png")).string();
        if (!write_png_file(actual_path, actual)) throw_os_error("cannot write " + actual_path);
        if (!readable)
            return "reference " + reference +
                   " missing or unreadable (--qd5-update writes it); actual picture in " + actual_path;
        if (expected.width != actual.width || expected.height != actual.height)
            return "reference " + reference + " is " + std::to_string(expected.width) + "x" +
                   std::to_string(expected.height) + ", the picture " + std::to_string(actual.width) + "x" +
                   std::to_string(actual.height) + "; actual picture in " + actual_path;
        const std::string diff_path = (fs::path(out_dir) / (stem + ".diff.png")).string();
        if (!write_png_file(diff_path, diff_picture(actual, expected)))
            throw_os_error("cannot write " + diff_path);
        return std::to_string(differing) + " pixels differ from " + reference + "; actual " + actual_path +
               ", diff " + diff_path;
    }

    void record_start(const std::string& path, int scale, const std::string& view) {
        live();
        const ImageSpec spec = image("record", "a.gif", scale, view);
        record_stop();
        auto recorder = std::make_unique<GifRecorder>();
        std::string why;
        if (!recorder->start(path, spec.view, spec.scale, driver_->now_ms(), why)) throw_os_error(why);
        recorder_ = std::move(recorder);
    }

    // Allowed on a replaced instrument too, so that its file is complete.
    void record_stop() {
        if (!recorder_) return;
        const bool written = recorder_->finish(driver_->now_ms());
        recorder_.reset();
        if (!written) throw_os_error("writing the recording failed");
    }
    bool recording() const { return recorder_ != nullptr; }

    bool is_live() const { return generation_ == live_generation; }

  private:
    void live() const {
        if (!is_live())
            throw std::runtime_error(
                "this qd5.Instrument was replaced by a newer one: the instrument's state is "
                "static, so one Instrument is live at a time in a process");
    }

    [[noreturn]] static void throw_os_error(const std::string& what) {
        PyErr_SetString(PyExc_OSError, what.c_str());
        throw py::error_already_set();
    }

    // Scale and view checked by the loader, on a stand-in file name.
    static ImageSpec image(const char* kind, const char* file, int scale, const std::string& view) {
        return load_step(std::string(kind) + ": {save: " + file + ", scale: " + std::to_string(scale) +
                         ", view: " + quoted(view) + "}")
            .image;
    }

    // Every pass: whether it sampled. The flag is always down after a pass,
    // and each raise toggles the blink phase; while the device runs at most
    // one tick comes between two passes, so a toggle means a raise.
    void after_pass() {
        sampled_ = raised_ || blink_phase != seen_blink_;
        raised_ = false;
        seen_blink_ = blink_phase;
        if (sampled_) ++samples_;
        if (recorder_) recorder_->capture(driver_->now_ms());
    }

    // The steps as qd5run plays them, by the same player on the same driver.
    Outcome run(const Step& s) {
        if (!StepPlayer::plays(s.kind))
            throw py::value_error("pictures are taken with screenshot() and record()");
        if (s.kind == StepKind::power && s.on) {
            // The first pass samples if the timer raised the flag while the device was off.
            raised_ = second_tick != 0;
            seen_blink_ = blink_phase;
        }
        std::string what;
        const Condition* failing = nullptr;
        if (player_->play(s, what, failing)) return {0, ""};
        // A reading no input gives and a fixture while off are failed
        // expectations of the test, not waits that ran out.
        const bool expected =
            s.kind == StepKind::expect || s.kind == StepKind::set || s.kind == StepKind::settings;
        return {expected ? 2 : 1, what};
    }

    uint64_t generation_ = 0;
    std::unique_ptr<Driver> driver_;
    std::unique_ptr<StepPlayer> player_;
    std::unique_ptr<GifRecorder> recorder_;
    bool sampled_ = false;
    bool raised_ = false;
    uint8_t seen_blink_ = 0;
    int64_t samples_ = 0;
};

// A whole scenario through the runner itself. It resets the instrument, so
// the live Instrument is replaced.
std::tuple<bool, std::string, double, std::string, py::bytes>
run_scenario_text(const std::string& text, const std::string& file, const std::optional<std::string>& out_dir,
                  bool update) {
    ++live_generation;
    Scenario scenario;
    std::string error;
    if (!load_scenario_text(text, file, scenario, error)) throw py::value_error(error);
    RunOptions options;
    options.write_files = out_dir.has_value();
    if (out_dir) options.out_dir = *out_dir;
    options.update = update;
    // The lock stays held: no other thread may touch the instrument's static
    // state while the scenario runs.
    const ScenarioResult result = run_scenario(scenario, options);
    return {result.passed, result.message, result.sim_ms / 1000, result.notes,
            py::bytes(reinterpret_cast<const char*>(FrameBuffer), sizeof FrameBuffer)};
}

} // namespace

PYBIND11_MODULE(_qd5, m) {
    m.doc() = "The Nuva QD-5 instrument in simulated time (the compiled core of qd5)";
    m.attr("WIDTH") = LCD_WIDTH;
    m.attr("HEIGHT") = LCD_HEIGHT;
    m.attr("PASSES_PER_TICK") = PASSES_PER_TICK;
    m.attr("MS_PER_TICK") = MS_PER_TICK;
    std::vector<std::string> screens;
    for (int i = 0; i < SCREEN_NAME_COUNT; ++i) screens.emplace_back(SCREEN_NAMES[i].name);
    m.attr("SCREENS") = py::tuple(py::cast(screens));
    m.attr("PAGES") = py::make_tuple(PAGE_NAMES[0], PAGE_NAMES[1], PAGE_NAMES[2], PAGE_NAMES[3]);
    m.attr("INPUTS") =
        py::make_tuple(INPUT_NAMES[0], INPUT_NAMES[1], INPUT_NAMES[2], INPUT_NAMES[3], INPUT_NAMES[4]);
    m.attr("MODES") =
        py::make_tuple(MODE_NAMES[0], MODE_NAMES[1], MODE_NAMES[2], MODE_NAMES[3], MODE_NAMES[4]);
    py::list keys;
    for (const KeyName& key : KEY_NAMES) keys.append(key.name);
    m.attr("KEYS") = py::tuple(keys);
    // The language's own words, as the calls and keywords that stand for them.
    py::list steps, conditions;
    for (int i = 0; i < STEP_WORD_COUNT; ++i) steps.append(STEP_WORDS[i].name);
    for (int i = 0; i < CONDITION_WORD_COUNT; ++i) conditions.append(CONDITION_WORDS[i].name);
    m.attr("STEPS") = py::tuple(steps);
    m.attr("CONDITIONS") = py::tuple(conditions);

    py::class_<Instrument>(m, "Core")
        .def(py::init<>())
        .def("_step", &Instrument::step)
        .def("_holds", &Instrument::holds)
        .def("_wait_samples", &Instrument::wait_samples)
        .def("_texts", &Instrument::texts)
        .def("_alarm", &Instrument::alarm)
        .def("_rgb", &Instrument::rgb)
        .def("_screenshot", &Instrument::screenshot)
        .def("_compare_screen", &Instrument::compare_screen)
        .def("_record_start", &Instrument::record_start)
        .def("_record_stop", &Instrument::record_stop)
        .def_property_readonly("_recording", &Instrument::recording)
        .def_property_readonly("live", &Instrument::is_live)
        .def_property_readonly("screen", &Instrument::screen)
        .def_property_readonly("page", &Instrument::page)
        .def_property_readonly("lamp", &Instrument::lamp)
        .def_property_readonly("on", &Instrument::on)
        .def_property_readonly("sampled", &Instrument::sampled)
        .def_property_readonly("time", &Instrument::time)
        .def_property_readonly("passes", &Instrument::passes)
        .def_property_readonly("frame", &Instrument::frame)
        .def("reading", &Instrument::reading)
        .def("pixel", &Instrument::pixel);

    m.def("_run_scenario", &run_scenario_text);
}
