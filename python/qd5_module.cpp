// The instrument for Python (qd5._qd5): the front panel driven by the
// runner's own driver, steps read by the runner's own loader and conditions
// checked by the runner's own code, so that a test written in Python sees
// the instrument exactly as a qd5run scenario does. The pure-Python part of
// the package (qd5/__init__.py) turns keyword arguments into the step texts.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <filesystem>
#include <map>
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
#include "runner/files/confined_files.h"
#include "runner/files/gif_recorder.h"
#include "runner/files/instrument_pictures.h"
#include "runner/files/live_page.h"
#include "runner/files/reference_check.h"
#include "runner/play/conditions.h"
#include "runner/play/driver.h"
#include "runner/play/step_player.h"
#include "runner/reports/run_outputs.h"
#include "runner/scenario/language.h"
#include "runner/scenario/loader.h"
#include "runner/scenario/page_link.h"
#include "runner/scenario/vocabulary.h"
#include "runner/suite/scenario_run.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace {

// The instrument's state is static: each new Instrument (or scenario run)
// resets it and takes the next generation; older objects then refuse to run.
uint64_t live_generation = 0;

constexpr const char* SOURCE = "python";

// Ctrl+C reaches Python only between bytecodes: a long step asks here, and a
// KeyboardInterrupt raised by the handler stops it.
bool python_signal_pending() { return PyErr_CheckSignals() != 0; }

// A path cut at a NUL would name another file, so it is refused as open() does.
const std::string& checked_path(const std::string& path) {
    if (path.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
    return path;
}

[[noreturn]] void throw_os_error(const std::string& what) {
    PyErr_SetString(PyExc_OSError, what.c_str());
    throw py::error_already_set();
}

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
        player_->interrupted = python_signal_pending;
        driver_->after_pass = [this] {
            if (recorder_) recorder_->capture(driver_->now_ms());
        };
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
        return driver_->sampled();
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
        const int c = index_of_name(INPUT_NAMES, CHANNEL_COUNT, channel.c_str());
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
        std::string folder, name, bytes, why;
        split_named_path(checked_path(path), folder, name);
        if (!encode_png(take_rgb(spec.view, spec.scale), bytes))
            throw_os_error("cannot make the PNG of " + path);
        if (!write_file_beneath(folder, name, bytes, true, nullptr, why)) throw_os_error(why);
    }

    // The display compared with the reference root/relative by the comparison
    // every host uses: "" if equal (or written, with update), else what
    // differs, with the actual picture and the diff written into out_dir.
    std::string compare_screen(const std::string& root, const std::string& relative,
                               const std::string& out_dir, int scale, const std::string& view, bool update) {
        live();
        const ImageSpec spec = image("screenshot", "a.png", scale, view);
        ReferenceCheck check;
        check.root = checked_path(root);
        check.relative = checked_path(relative);
        check.out_dir = checked_path(out_dir);
        check.stem = fs::path(relative).stem().string();
        check.update = update;
        check.update_flag = "--qd5-update";
        const ReferenceOutcome outcome = check_reference(take_rgb(spec.view, spec.scale), check);
        if (outcome.kind == ReferenceOutcome::unwritable) throw_os_error(outcome.message);
        return outcome.kind == ReferenceOutcome::differs ? outcome.message : "";
    }

    // The same for a reference path named whole.
    std::string compare_screen_at(const std::string& reference, const std::string& out_dir, int scale,
                                  const std::string& view, bool update) {
        std::string folder, name;
        split_named_path(checked_path(reference), folder, name);
        return compare_screen(folder, name, out_dir, scale, view, update);
    }

    void record_start(const std::string& path, int scale, const std::string& view) {
        live();
        const ImageSpec spec = image("record", "a.gif", scale, view);
        record_stop();
        auto recorder = std::make_unique<GifRecorder>();
        std::string why;
        if (!recorder->start(checked_path(path), spec.view, spec.scale, driver_->now_ms(), why))
            throw_os_error(why);
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

    // Scale and view checked by the loader, on a stand-in file name.
    static ImageSpec image(const char* kind, const char* file, int scale, const std::string& view) {
        return load_step(std::string(kind) + ": {save: " + file + ", scale: " + std::to_string(scale) +
                         ", view: " + quoted(view) + "}")
            .image;
    }

    // The steps as qd5run plays them, by the same player on the same driver.
    Outcome run(const Step& s) {
        if (!StepPlayer::plays(s.kind))
            throw py::value_error("pictures are taken with screenshot() and record()");
        std::string what;
        const Condition* failing = nullptr;
        if (player_->play(s, what, failing)) return {0, ""};
        if (player_->stopped()) throw py::error_already_set();
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
};

// A whole scenario through the runner itself. It resets the instrument, so
// the live Instrument is replaced.
// text is the scenario's, or None to read the file, which is then untrusted
// like any scenario file that qd5run reads.
std::tuple<bool, std::string, double, std::string, py::bytes>
run_scenario_text(const std::optional<std::string>& text, const std::string& file,
                  const std::optional<std::string>& out_dir, bool update) {
    ++live_generation;
    std::string content;
    if (text) {
        content = *text;
    } else {
        std::string why;
        if (!read_regular_file(checked_path(file), MAX_FILE_BYTES, content, why))
            throw_os_error(file + ": cannot be read (" + why + ")");
    }
    Scenario scenario;
    std::string error;
    if (!load_scenario_text(content, file, scenario, error)) throw py::value_error(error);
    RunOptions options;
    options.write_files = out_dir.has_value();
    if (out_dir) options.out_dir = checked_path(*out_dir);
    options.update = update;
    options.interrupted = python_signal_pending;
    // The lock stays held: no other thread may touch the instrument's static
    // state while the scenario runs.
    const ScenarioResult result = run_scenario(scenario, options);
    if (result.verdict == Verdict::interrupted) throw py::error_already_set();
    return {result.passed(), result.message, result.sim_ms / 1000, result.notes,
            py::bytes(reinterpret_cast<const char*>(FrameBuffer), sizeof FrameBuffer)};
}

} // namespace

PYBIND11_MODULE(_qd5, m) {
    m.doc() = "The Nuva QD-5 instrument in simulated time (the compiled core of qd5)";
    m.def("_scenario_fragment", [](const std::string& text, const std::string& file, int line) {
        return line > 0 ? fragment_at(scenario_fragment(text, file), line) : scenario_fragment(text, file);
    });
    m.def("_built_page_dir", &built_page_dir);
    m.attr("WIDTH") = LCD_WIDTH;
    m.attr("HEIGHT") = LCD_HEIGHT;
    m.attr("CHANNEL_COUNT") = CHANNEL_COUNT;
    m.attr("PASSES_PER_TICK") = PASSES_PER_TICK;
    m.attr("MS_PER_TICK") = MS_PER_TICK;
    m.attr("MAX_STEPS") = MAX_STEPS;
    m.attr("FAILURE_SCALE") = FAILURE_SCALE;
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
        .def("_texts", &Instrument::texts)
        .def("_alarm", &Instrument::alarm)
        .def("_rgb", &Instrument::rgb)
        .def("_screenshot", &Instrument::screenshot)
        .def("_compare_screen", &Instrument::compare_screen_at)
        .def("_compare_screen_in", &Instrument::compare_screen)
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
    // pytest's --qd5-report: the failed comparisons as a report that qd5run --review reads.
    m.def("_write_screen_report",
          [](const std::string& dir, const std::vector<std::map<std::string, std::string>>& failures) {
              std::vector<ScreenFailure> list;
              for (const auto& f : failures) {
                  auto at = [&f](const char* key) {
                      const auto found = f.find(key);
                      return found == f.end() ? std::string() : checked_path(found->second);
                  };
                  list.push_back(ScreenFailure{at("test"), at("name"), at("message"), at("folder"),
                                               at("reference"), at("out_dir"), at("stem"), at("failure")});
              }
              std::string why;
              if (!write_screen_report(checked_path(dir), list, why)) throw_os_error(why);
          });
}
