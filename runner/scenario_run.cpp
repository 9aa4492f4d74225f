#include "runner/scenario_run.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <png.h>

#include "display/framebuffer.h"
#include "host/device.h"
#include "runner/clean_text.h"
#include "runner/conditions.h"
#include "runner/driver.h"
#include "runner/gif_recorder.h"
#include "runner/loader.h"
#include "runner/output_plan.h"
#include "runner/picture.h"
#include "runner/png_file.h"
#include "runner/safe_output.h"

namespace fs = std::filesystem;

namespace {

constexpr int FAILURE_SCALE = 3;

// PNG bytes of a picture, for a file written at once under a temporary name.
bool png_bytes(const RgbPicture& picture, std::string& bytes) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr)) return false;
    bytes.resize(size);
    const int ok = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    bytes.resize(size);
    return ok != 0;
}

// A reference picture from bytes read safely; as read_png_file, bounded.
bool png_picture(const std::string& bytes, RgbPicture& picture) {
    constexpr png_uint_32 LARGEST = 4096;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    if (image.width > LARGEST || image.height > LARGEST) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const int ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

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
    Run(const Scenario& scenario, const RunOptions& options)
        : scenario_(scenario), options_(options), evidence_(evidence_stem(scenario.file)),
          folder_(scenario_folder(scenario.file)) {
        driver_.after_pass = [this] { recorder_.capture(driver_.now_ms()); };
        budget_.left = options.max_output_bytes;
        recorder_.budget = &budget_;
    }
    ScenarioResult run();

  private:
    bool step(const Step& s);
    bool wait(int64_t passes);
    bool wait_samples(int samples);
    bool wait_for(const Step& s);
    bool expect(const Step& s);
    bool screenshot_save(const Step& s);
    bool screenshot_compare(const Step& s);
    bool record_start(const Step& s);
    bool fail(const Step& s, const std::string& what, const Condition* at = nullptr);
    bool capped() const { return options_.max_passes >= 0 && driver_.now() >= options_.max_passes; }
    void remove_stale_evidence() const;
    // Writes under --out (or, for --update, under the scenario's folder);
    // shown is the path for messages.
    bool write_png(const std::string& root, const std::string& relative, const RgbPicture& picture,
                   std::string& shown, std::string& why);

    const Scenario& scenario_;
    const RunOptions& options_;
    Driver driver_;
    GifRecorder recorder_;
    std::string message_;
    std::string notes_;
    const std::string evidence_; // the start of the failure pictures' names
    const std::string folder_;   // the scenario's folder, which references are relative to
    OutputBudget budget_;
    const Step* recording_ = nullptr; // the record step of the recording open
    int64_t input_at_pass_ = -1;      // the pass count when a slider or the check box last moved
};

ScenarioResult Run::run() {
    const auto started = std::chrono::steady_clock::now();
    ScenarioResult result;
    result.passed = true;
    if (options_.write_files) remove_stale_evidence();
    for (std::size_t i = 0; i < scenario_.steps.size(); ++i) {
        const Step& s = scenario_.steps[i];
        if (capped()) break;
        if (options_.on_step) options_.on_step(i);
        if (options_.verbose) {
            std::printf("[%10.3f s] %s:%d: %s\n", driver_.now_ms() / 1000.0,
                        printable(scenario_.file).c_str(), s.line, printable(s.summary).c_str());
            std::fflush(stdout);
        }
        if (!step(s)) {
            result.passed = false;
            break;
        }
        // The loader bounds the waits; keys that wait for the slot are
        // bounded here, so that no scenario runs much past 24 h.
        if (driver_.now() > MAX_TOTAL_PASSES) {
            result.passed = false;
            fail(s, "the scenario ran past the 24 h of simulated time it may take");
            break;
        }
    }
    if (!recorder_.finish(driver_.now_ms()) && result.passed && recording_ != nullptr) {
        result.passed = false;
        fail(*recording_, "the recording could not be finished at the end: " + recorder_.error());
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
    // A slider or the check box acts on the next pass, as in the window; an
    // expect or wait-for straight after one judges the frame that shows it,
    // as it does after a press.
    if ((s.kind == StepKind::expect || s.kind == StepKind::wait_for) && driver_.on() &&
        input_at_pass_ == driver_.passes_run())
        driver_.step();
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
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::mode:
        for (int c = 0; c < CHANNELS; ++c)
            if (s.modes[c]) driver_.set_mode(c, *s.modes[c]);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::zolt:
        driver_.set_zolt(s.on);
        input_at_pass_ = driver_.passes_run();
        return true;
    case StepKind::press:
        for (int i = 0; i < s.times; ++i)
            if (!driver_.press(s.key)) return fail(s, "the key slot stayed full for a second");
        if (!driver_.settle()) return fail(s, "the instrument did not take the key within a second");
        return true;
    case StepKind::wait:
        return s.samples > 0 ? wait_samples(s.samples) : wait(s.passes);
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
        if (!recorder_.finish(driver_.now_ms()))
            return fail(s, "the recording could not be finished: " + recorder_.error());
        return true;
    }
    return true;
}

bool Run::wait(int64_t passes) {
    for (int64_t i = 0; i < passes && !capped(); ++i) driver_.step();
    return true;
}

// The sampling tick flips the blink phase; the pass on that tick samples.
bool Run::wait_samples(int samples) {
    for (int seen = 0; seen < samples && !capped();) {
        const uint8_t phase = blink_phase;
        driver_.step();
        seen += blink_phase != phase;
    }
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
    return fail(s,
                "timed out after " + std::string(waited) + " waiting for " + describe(*failing) + "; found " +
                    found,
                failing);
}

bool Run::expect(const Step& s) {
    std::string found;
    const Condition* failing = first_failing(s.conditions, driver_, found);
    if (options_.verbose) {
        std::printf("             %s\n", printable(drawn_texts()).c_str());
        std::fflush(stdout);
    }
    if (failing == nullptr) return true;
    return fail(s, "expected " + describe(*failing) + "; found " + found, failing);
}

void Run::remove_stale_evidence() const {
    // A failure picture left by an earlier run would pass for this run's.
    remove_file_beneath(options_.out_dir, evidence_ + ".failure.png");
    for (const Step& s : scenario_.steps) {
        if (s.kind != StepKind::screenshot_compare) continue;
        const std::string reference = fs::path(s.image.path).stem().string();
        remove_file_beneath(options_.out_dir, evidence_ + "." + reference + ".actual.png");
        remove_file_beneath(options_.out_dir, evidence_ + "." + reference + ".diff.png");
    }
}

bool Run::write_png(const std::string& root, const std::string& relative, const RgbPicture& picture,
                    std::string& shown, std::string& why) {
    shown = (fs::path(root) / relative).string();
    std::string bytes;
    if (!png_bytes(picture, bytes)) {
        why = "cannot make the PNG of " + shown;
        return false;
    }
    return write_file_beneath(root, relative, bytes, root == options_.out_dir, &budget_, why);
}

bool Run::screenshot_save(const Step& s) {
    if (!options_.write_files) return true;
    std::string shown, why;
    if (!write_png(options_.out_dir, s.image.path, take_rgb(s.image.view, s.image.scale), shown, why))
        return fail(s, why);
    return true;
}

bool Run::screenshot_compare(const Step& s) {
    if (!options_.write_files) return true;
    const std::string reference = (fs::path(folder_) / s.image.path).string();
    const RgbPicture actual = take_rgb(s.image.view, s.image.scale);
    RgbPicture expected;
    std::string bytes, unreadable;
    const bool readable = read_file_beneath(folder_, s.image.path, MAX_REFERENCE_BYTES, bytes, unreadable) &&
                          bytes.size() <= MAX_REFERENCE_BYTES && png_picture(bytes, expected);
    const bool same = readable && expected.width == actual.width && expected.height == actual.height &&
                      expected.rgb == actual.rgb;
    if (same) return true;
    std::string shown, why;
    if (options_.update) {
        if (!write_png(folder_, s.image.path, actual, shown, why)) return fail(s, why);
        notes_ += "reference written: " + reference + "\n";
        return true;
    }
    const std::string stem = evidence_ + "." + fs::path(s.image.path).stem().string();
    std::string actual_path;
    if (!write_png(options_.out_dir, stem + ".actual.png", actual, actual_path, why)) return fail(s, why);
    if (!readable)
        return fail(s, "reference " + reference + " missing or unreadable" +
                           (unreadable.empty() ? std::string() : " (" + unreadable + ")") +
                           " (--update writes it); actual picture in " + actual_path);
    if (expected.width != actual.width || expected.height != actual.height)
        return fail(s, "reference " + reference + " is " + std::to_string(expected.width) + "x" +
                           std::to_string(expected.height) + ", the picture " + std::to_string(actual.width) +
                           "x" + std::to_string(actual.height) + "; actual picture in " + actual_path);
    std::string diff_path;
    if (!write_png(options_.out_dir, stem + ".diff.png", diff_picture(actual, expected), diff_path, why))
        return fail(s, why);
    int differing = 0;
    for (std::size_t i = 0; i < actual.rgb.size(); i += 3)
        differing += actual.rgb[i] != expected.rgb[i] || actual.rgb[i + 1] != expected.rgb[i + 1] ||
                     actual.rgb[i + 2] != expected.rgb[i + 2];
    return fail(s, std::to_string(differing) + " pixels differ from " + reference + "; actual " +
                       actual_path + ", diff " + diff_path);
}

bool Run::record_start(const Step& s) {
    if (!options_.write_files) return true;
    std::string why;
    if (!recorder_.finish(driver_.now_ms()))
        return fail(s, "the recording before could not be finished: " + recorder_.error());
    if (!recorder_.start(options_.out_dir, s.image.path, s.image.view, s.image.scale, driver_.now_ms(), why))
        return fail(s, why);
    recording_ = &s;
    return true;
}

bool Run::fail(const Step& s, const std::string& what, const Condition* at) {
    char when[32];
    std::snprintf(when, sizeof when, "%.3f s", driver_.now_ms() / 1000);
    // A condition on a line of its own (a list-form expect) is named by its line.
    const bool own_line = at != nullptr && at->line != s.line;
    message_ = scenario_.file + ":" + std::to_string(own_line ? at->line : s.line) + ":" +
               std::to_string(own_line ? at->column : s.column) + ": " + s.summary + ": " + what + " (at " +
               when + ")";
    if (options_.write_files) {
        std::string frame, why;
        if (write_png(options_.out_dir, evidence_ + ".failure.png", take_rgb(View::display, FAILURE_SCALE),
                      frame, why))
            message_ += "; frame saved to " + frame;
    }
    return false;
}

} // namespace

ScenarioResult run_scenario(const Scenario& scenario, const RunOptions& options) {
    fresh_instrument();
    return Run(scenario, options).run();
}
