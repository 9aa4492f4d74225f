#include "runner/scenario_run.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "display/framebuffer.h"
#include "host/device.h"
#include "picture/picture.h"
#include "runner/conditions.h"
#include "runner/driver.h"
#include "runner/gif_recorder.h"
#include "runner/picture.h"

namespace fs = std::filesystem;

namespace {

constexpr int FAILURE_SCALE = 3;

uint64_t state_digest(const Driver& driver) {
    uint64_t h = 1469598103934665603ull; // FNV-1a
    auto mix = [&h](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    };
    mix(FrameBuffer, sizeof FrameBuffer);
    const int64_t now = driver.now();
    mix(&now, sizeof now);
    mix(&alarm_flags, sizeof alarm_flags);
    mix(&alarm_ack_flags, sizeof alarm_ack_flags);
    return h;
}

class Run {
  public:
    Run(const Scenario& scenario, const RunOptions& options) : scenario_(scenario), options_(options) {
        driver_.after_pass = [this] { recorder_.capture(driver_.now_ms()); };
    }
    ScenarioResult run();

  private:
    bool step(const Step& s);
    bool wait(int64_t passes);
    bool wait_for(const Step& s);
    bool expect(const Step& s);
    bool screenshot_save(const Step& s);
    bool screenshot_compare(const Step& s);
    bool record_start(const Step& s);
    bool fail(const Step& s, const std::string& what);
    bool capped() const { return options_.max_passes >= 0 && driver_.now() >= options_.max_passes; }
    std::string out_path(const std::string& relative) const;
    bool write_png(const std::string& path, const RgbPicture& picture, std::string& why) const;

    const Scenario& scenario_;
    const RunOptions& options_;
    Driver driver_;
    GifRecorder recorder_;
    std::string message_;
    std::string notes_;
};

ScenarioResult Run::run() {
    const auto started = std::chrono::steady_clock::now();
    ScenarioResult result;
    result.passed = true;
    for (const Step& s : scenario_.steps) {
        if (capped()) break;
        if (options_.verbose) {
            std::printf("[%10.3f s] %s:%d: %s\n", driver_.now_ms() / 1000.0, scenario_.file.c_str(), s.line,
                        s.summary.c_str());
            std::fflush(stdout);
        }
        if (!step(s)) {
            result.passed = false;
            break;
        }
    }
    if (!recorder_.finish(driver_.now_ms()) && result.passed) {
        result.passed = false;
        message_ = scenario_.file + ": writing the recording failed";
    }
    result.sim_ms = driver_.now_ms();
    result.message = message_;
    result.notes = notes_;
    result.digest = state_digest(driver_);
    result.wall_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return result;
}

bool Run::step(const Step& s) {
    switch (s.kind) {
    case StepKind::power:
        if (s.on)
            driver_.power_on();
        else
            driver_.power_off();
        return true;
    case StepKind::set:
        for (int i = 0; i < RAW_INPUTS; ++i)
            if (s.raw[i]) driver_.set_raw(i, *s.raw[i]);
        return true;
    case StepKind::mode:
        for (int c = 0; c < CHANNELS; ++c)
            if (s.modes[c]) driver_.set_mode(c, *s.modes[c]);
        return true;
    case StepKind::zolt:
        driver_.set_zolt(s.on);
        return true;
    case StepKind::press:
        for (int i = 0; i < s.times; ++i)
            if (!driver_.press(s.key)) return fail(s, "the key slot stayed full for a second");
        if (!driver_.settle()) return fail(s, "the instrument did not take the key within a second");
        return true;
    case StepKind::wait:
        return wait(s.passes);
    case StepKind::wait_for:
        return wait_for(s);
    case StepKind::expect:
        return expect(s);
    case StepKind::screenshot_save:
        return screenshot_save(s);
    case StepKind::screenshot_compare:
        return screenshot_compare(s);
    case StepKind::record_start:
        return record_start(s);
    case StepKind::record_stop:
        if (!recorder_.finish(driver_.now_ms())) return fail(s, "writing the recording failed");
        return true;
    }
    return true;
}

bool Run::wait(int64_t passes) {
    for (int64_t i = 0; i < passes && !capped(); ++i) driver_.step();
    return true;
}

// The first condition that does not hold, or nullptr.
const Condition* first_failing(const std::vector<Condition>& conditions, const Driver& driver,
                               std::string& found) {
    for (const Condition& c : conditions)
        if (!condition_holds(c, driver, found)) return &c;
    return nullptr;
}

bool Run::wait_for(const Step& s) {
    std::string found;
    const Condition* failing = first_failing(s.conditions, driver_, found);
    for (int64_t i = 0; failing != nullptr && i < s.passes && !capped(); ++i) {
        driver_.step();
        failing = first_failing(s.conditions, driver_, found);
    }
    if (failing == nullptr || capped()) return true;
    char waited[32];
    std::snprintf(waited, sizeof waited, "%.3f s",
                  static_cast<double>(s.passes) * MS_PER_TICK / PASSES_PER_TICK / 1000);
    return fail(s, "timed out after " + std::string(waited) + " waiting for " + describe(*failing) +
                       "; found " + found);
}

bool Run::expect(const Step& s) {
    std::string found;
    const Condition* failing = first_failing(s.conditions, driver_, found);
    if (failing == nullptr) return true;
    return fail(s, "expected " + describe(*failing) + "; found " + found);
}

std::string Run::out_path(const std::string& relative) const {
    return (fs::path(options_.out_dir) / relative).string();
}

bool Run::write_png(const std::string& path, const RgbPicture& picture, std::string& why) const {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (write_png_file(path, picture)) return true;
    why = "cannot write " + path;
    return false;
}

bool Run::screenshot_save(const Step& s) {
    if (!options_.write_files) return true;
    std::string why;
    if (!write_png(out_path(s.image.path), take_rgb(s.image.view, s.image.scale), why)) return fail(s, why);
    return true;
}

bool Run::screenshot_compare(const Step& s) {
    if (!options_.write_files) return true;
    const fs::path reference = fs::path(scenario_.file).parent_path() / s.image.path;
    const RgbPicture actual = take_rgb(s.image.view, s.image.scale);
    RgbPicture expected;
    const bool readable = read_png_file(reference.string(), expected);
    const bool same = readable && expected.width == actual.width && expected.height == actual.height &&
                      expected.rgb == actual.rgb;
    if (same) return true;
    std::string why;
    if (options_.update) {
        if (!write_png(reference.string(), actual, why)) return fail(s, why);
        notes_ += "reference written: " + reference.string() + "\n";
        return true;
    }
    const std::string stem = reference.stem().string();
    const std::string actual_path = out_path(stem + ".actual.png");
    if (!write_png(actual_path, actual, why)) return fail(s, why);
    if (!readable)
        return fail(s, "reference " + reference.string() +
                           " missing or unreadable (--update writes it); actual picture in " + actual_path);
    if (expected.width != actual.width || expected.height != actual.height)
        return fail(s, "reference " + reference.string() + " is " + std::to_string(expected.width) + "x" +
                           std::to_string(expected.height) + ", the picture " + std::to_string(actual.width) +
                           "x" + std::to_string(actual.height) + "; actual picture in " + actual_path);
    const std::string diff_path = out_path(stem + ".diff.png");
    if (!write_png(diff_path, diff_picture(actual, expected), why)) return fail(s, why);
    int differing = 0;
    for (std::size_t i = 0; i < actual.rgb.size(); i += 3)
        differing += actual.rgb[i] != expected.rgb[i] || actual.rgb[i + 1] != expected.rgb[i + 1] ||
                     actual.rgb[i + 2] != expected.rgb[i + 2];
    return fail(s, std::to_string(differing) + " pixels differ from " + reference.string() + "; actual " +
                       actual_path + ", diff " + diff_path);
}

bool Run::record_start(const Step& s) {
    if (!options_.write_files) return true;
    const std::string path = out_path(s.image.path);
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::string why;
    if (!recorder_.finish(driver_.now_ms())) return fail(s, "writing the recording failed");
    if (!recorder_.start(path, s.image.view, s.image.scale, driver_.now_ms(), why)) return fail(s, why);
    return true;
}

bool Run::fail(const Step& s, const std::string& what) {
    char when[32];
    std::snprintf(when, sizeof when, "%.3f s", driver_.now_ms() / 1000);
    message_ = scenario_.file + ":" + std::to_string(s.line) + ":" + std::to_string(s.column) + ": " +
               s.summary + ": " + what + " (at " + when + ")";
    if (options_.write_files) {
        const std::string frame = out_path(fs::path(scenario_.file).stem().string() + ".failure.png");
        std::string why;
        if (write_png(frame, take_rgb(View::display, FAILURE_SCALE), why))
            message_ += "; frame saved to " + frame;
    }
    return false;
}

} // namespace

ScenarioResult run_scenario(const Scenario& scenario, const RunOptions& options) {
    front_panel_reset();
    return Run(scenario, options).run();
}
