#include "runner/suite/scenario_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "display/framebuffer.h"
#include "host/panel/device.h"
#include "picture/picture.h"
#include "runner/files/confined_files.h"
#include "runner/files/evidence_names.h"
#include "runner/files/flows_store.h"
#include "runner/files/gif_recorder.h"
#include "runner/files/instrument_pictures.h"
#include "runner/files/reference_check.h"
#include "runner/play/conditions.h"
#include "runner/play/coverage.h"
#include "runner/play/driver.h"
#include "runner/play/fnv.h"
#include "runner/play/step_player.h"
#include "runner/scenario/clean_text.h"
#include "runner/scenario/loader.h"

namespace fs = std::filesystem;

namespace {

uint64_t state_digest(const Driver& driver) {
    const int64_t now = driver.now();
    uint64_t h = fnv_bytes(FrameBuffer, sizeof FrameBuffer);
    h = fnv_bytes(&now, sizeof now, h);
    h = fnv_bytes(&alarm_flags, sizeof alarm_flags, h);
    return fnv_bytes(&alarm_ack_flags, sizeof alarm_ack_flags, h);
}

class Run {
  public:
    Run(const Scenario& scenario, const RunOptions& options)
        : scenario_(scenario), options_(options), evidence_(evidence_stem(scenario.file)),
          folder_(scenario_folder(scenario.file)) {
        driver_.after_pass = [this] {
            recorder_.capture(driver_.now_ms());
            if (options_.record) observe_frame();
        };
        player_.interrupted = options.interrupted;
        record_.recorded = options.record;
        budget_.left = options.max_output_bytes;
        recorder_.budget = &budget_;
    }
    ScenarioResult run();

  private:
    bool step(const Step& s);
    bool screenshot_save(const Step& s);
    bool screenshot_compare(const Step& s);
    bool record_start(const Step& s);
    bool finish_recording();
    void copy_output(const Step& s);
    bool fail(const Step& s, const std::string& what, const Condition* at = nullptr);
    bool capped() const { return player_.capped(); }
    // The flow and the report's frames (options_.record).
    void observe_frame();
    void keep_screen(uint64_t hash);
    void trace_step(std::size_t index);
    void check_flow(ScenarioResult& result);
    void write_evidence(Evidence kind, const RgbPicture& picture);
    void remove_stale_evidence() const;
    // Writes under root (--out); shown is the path for messages.
    bool write_png(const std::string& root, const std::string& relative, const RgbPicture& picture,
                   std::string& shown, std::string& why);

    const Scenario& scenario_;
    const RunOptions& options_;
    Driver driver_;
    StepPlayer player_{driver_, options_.max_passes};
    GifRecorder recorder_;
    std::string message_;
    std::string notes_;
    const std::string evidence_; // the start of the names of its pictures, in --out and the report
    const std::string folder_;   // the scenario's folder, which references are relative to
    OutputBudget budget_;
    const Step* recording_ = nullptr; // the record step of the recording open
    RunRecord record_;
    Coverage coverage_;
    int line_ = 0;                // of the step running, which new frames are put down to
    std::size_t texts_bytes_ = 0; // kept in record_.texts
    std::string unstored_;        // why a frame or picture of the report or the flows could not be stored
};

ScenarioResult Run::run() {
    const auto started = std::chrono::steady_clock::now();
    ScenarioResult result;
    result.verdict = Verdict::pass;
    if (options_.write_files) remove_stale_evidence();
    for (std::size_t i = 0; i < scenario_.steps.size(); ++i) {
        const Step& s = scenario_.steps[i];
        if (capped()) break;
        if (options_.on_step) options_.on_step(i);
        line_ = s.line;
        if (options_.verbose) {
            std::printf("[%10.3f s] %s:%d: %s\n", driver_.now_ms() / 1000.0,
                        printable(scenario_.file).c_str(), s.line, printable(s.summary).c_str());
            std::fflush(stdout);
        }
        const bool ok = step(s);
        if (options_.record) trace_step(i);
        if (!ok) {
            result.verdict = player_.stopped() ? Verdict::interrupted : Verdict::fail;
            break;
        }
        // The loader bounds the waits; keys that wait for the slot are
        // bounded here, so that no scenario runs much past 24 h.
        if (driver_.now() > MAX_TOTAL_PASSES) {
            result.verdict = Verdict::fail;
            fail(s, PAST_TIME_LIMIT);
            break;
        }
    }
    if (!finish_recording() && result.passed() && recording_ != nullptr) {
        result.verdict = Verdict::fail;
        fail(*recording_, "the recording could not be finished at the end: " + recorder_.error());
    }
    if (options_.record) check_flow(result);
    if (!unstored_.empty()) {
        // A report or flows file that silently lacks pictures would pass for complete.
        message_ += (result.passed() ? scenario_.file + ": " : std::string("; ")) + unstored_;
        if (result.passed()) result.verdict = Verdict::fail;
    }
    result.sim_ms = driver_.now_ms();
    result.message = message_;
    record_.coverage = coverage_.counts;
    result.record = std::move(record_);
    result.notes = notes_;
    result.digest = state_digest(driver_);
    result.wall_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return result;
}

bool Run::step(const Step& s) {
    if (options_.record && s.kind == StepKind::power && s.on) coverage_power_on(coverage_);
    if (StepPlayer::plays(s.kind)) {
        std::string what;
        const Condition* failing = nullptr;
        const bool ok = player_.play(s, what, failing);
        if (s.kind == StepKind::expect && options_.verbose) {
            std::printf("             %s\n", printable(drawn_texts()).c_str());
            std::fflush(stdout);
        }
        return ok || fail(s, what, failing);
    }
    switch (s.kind) {
    case StepKind::screenshot_save:
        return screenshot_save(s);
    case StepKind::screenshot_compare:
        return screenshot_compare(s);
    case StepKind::record_start:
        return record_start(s);
    case StepKind::record_stop:
        if (!finish_recording()) return fail(s, "the recording could not be finished: " + recorder_.error());
        return true;
    default:
        return true;
    }
}

void Run::remove_stale_evidence() const {
    // A failure picture left by an earlier run would pass for this run's.
    remove_file_beneath(options_.out_dir, evidence_ + ".failure.png");
    for (const Step& s : scenario_.steps) {
        if (s.kind != StepKind::screenshot_compare) continue;
        const std::string stem = comparison_stem(evidence_, s.image.path);
        remove_file_beneath(options_.out_dir, reference_evidence_name(stem, ReferenceEvidence::actual));
        remove_file_beneath(options_.out_dir, reference_evidence_name(stem, ReferenceEvidence::diff));
    }
}

bool Run::write_png(const std::string& root, const std::string& relative, const RgbPicture& picture,
                    std::string& shown, std::string& why) {
    shown = (fs::path(root) / relative).string();
    std::string bytes;
    if (!encode_png(picture, bytes)) {
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
    copy_output(s);
    return true;
}

bool Run::finish_recording() {
    const bool open = recorder_.active();
    if (!recorder_.finish(driver_.now_ms())) return false;
    if (open && recording_ != nullptr) copy_output(*recording_);
    return true;
}

// A saved screenshot or a finished recording, copied into the report so that
// its page shows it wherever the report is opened or moved.
void Run::copy_output(const Step& s) {
    if (options_.report_dir.empty() || !options_.write_files) return;
    std::string bytes, why;
    const auto most = static_cast<std::size_t>(std::max<int64_t>(budget_.left, 0));
    if (read_file_beneath(options_.out_dir, s.image.path, most, bytes, why) && bytes.size() <= most &&
        write_file_beneath(options_.report_dir, report_output(evidence_, s.image.path), bytes, true, &budget_,
                           why) &&
        std::find(record_.outputs.begin(), record_.outputs.end(), s.image.path) == record_.outputs.end())
        record_.outputs.push_back(s.image.path);
}

bool Run::screenshot_compare(const Step& s) {
    if (!options_.write_files) return true;
    const RgbPicture actual = take_rgb(s.image.view, s.image.scale);
    ReferenceCheck check;
    check.root = folder_;
    check.relative = s.image.path;
    check.out_dir = options_.out_dir;
    check.stem = comparison_stem(evidence_, s.image.path);
    check.update = options_.update;
    check.update_flag = "--update";
    check.budget = &budget_;
    const ReferenceOutcome outcome = check_reference(actual, check);
    switch (outcome.kind) {
    case ReferenceOutcome::same:
        return true;
    case ReferenceOutcome::written:
        notes_ += "reference written: " + outcome.message + "\n";
        return true;
    case ReferenceOutcome::unwritable:
        return fail(s, outcome.message);
    case ReferenceOutcome::differs:
        break;
    }
    if (outcome.readable) write_evidence(Evidence::expected, outcome.expected);
    write_evidence(Evidence::actual, actual);
    if (outcome.readable && outcome.expected.width == actual.width &&
        outcome.expected.height == actual.height)
        write_evidence(Evidence::diff, diff_picture(actual, outcome.expected));
    return fail(s, outcome.message);
}

bool Run::record_start(const Step& s) {
    if (!options_.write_files) return true;
    std::string why;
    if (!finish_recording())
        return fail(s, "the recording before could not be finished: " + recorder_.error());
    if (!recorder_.start(options_.out_dir, s.image.path, s.image.view, s.image.scale, driver_.now_ms(), why))
        return fail(s, why);
    recording_ = &s;
    return true;
}

bool Run::fail(const Step& s, const std::string& what, const Condition* at) {
    message_ = step_failure(scenario_.file, s, what, at, driver_.now_ms());
    write_evidence(Evidence::failure, take_rgb(View::display, FAILURE_SCALE));
    if (options_.write_files) {
        std::string frame, why;
        if (write_png(options_.out_dir, evidence_ + ".failure.png", take_rgb(View::display, FAILURE_SCALE),
                      frame, why))
            message_ += "; frame saved to " + frame;
    }
    return false;
}

void Run::observe_frame() {
    const uint64_t hash = driver_.frame_changed() ? frame_hash() : 0;
    Flow& flow = record_.flow;
    if (!driver_.frame_changed() || (!flow.empty() && flow.back().hash == hash)) {
        coverage_unchanged_pass(coverage_);
        return;
    }
    if (flow.size() >= MAX_FLOW_FRAMES) {
        record_.flow_overflowed = true;
        return;
    }
    flow.push_back(FlowEntry{hash, line_, driver_.now()});
    coverage_observe(coverage_);
    keep_screen(hash);
}

void Run::keep_screen(uint64_t hash) {
    if (record_.texts.count(hash) != 0) return;
    std::string texts = texts_bytes_ < MAX_RUN_TEXTS ? cut_utf8(shown_texts(), MAX_SCREEN_TEXT) : "";
    texts_bytes_ += texts.size();
    record_.texts.emplace(hash, std::move(texts));
    if (!options_.write_files) return;
    // Each frame is stored once: scenarios that run in parallel may write
    // the same one, and renaming a complete file over another is harmless.
    std::string bytes, why;
    auto picture = [&] { return !bytes.empty() || encode_png(frame_picture(), bytes); };
    auto stored = [&](bool ok) {
        if (!ok && unstored_.empty()) unstored_ = "a frame could not be stored: " + why;
    };
    if (!options_.report_dir.empty()) {
        const std::string relative = screen_picture(hash);
        std::error_code error;
        if (!fs::exists(fs::path(options_.report_dir) / relative, error))
            stored(picture() &&
                   write_file_beneath(options_.report_dir, relative, bytes, true, &budget_, why));
    }
    if (options_.update && !options_.flows_screens.empty() &&
        !stored_screen_exists(options_.flows_name, hash))
        stored(picture() && write_stored_screen(options_.flows_name, hash, bytes, &budget_, why));
}

void Run::trace_step(std::size_t index) {
    const uint64_t hash = frame_hash();
    keep_screen(hash);
    record_.steps.push_back(StepTrace{index, driver_.now(), hash});
}

void Run::check_flow(ScenarioResult& result) {
    if (!result.passed()) return;
    if (record_.flow_overflowed) {
        result.verdict = Verdict::fail;
        message_ = scenario_.file + ": the flow has more than " + std::to_string(MAX_FLOW_FRAMES) +
                   " frames, more than a flows file keeps";
        return;
    }
    if (options_.update || !options_.flow_required) return;
    if (options_.expected_flow == nullptr) {
        result.verdict = Verdict::fail;
        message_ = scenario_.file + ": " + options_.flows_name +
                   " has no flow for this scenario (--update records it)";
        return;
    }
    const FlowDifference difference = compare_flows(*options_.expected_flow, record_.flow);
    if (difference.hunks.empty()) return;
    result.verdict = Verdict::fail;
    record_.flow_changed = true;
    message_ = describe_difference(difference, *options_.expected_flow, record_.flow, scenario_,
                                   options_.flows_name);
}

void Run::write_evidence(Evidence kind, const RgbPicture& picture) {
    if (options_.report_dir.empty() || !options_.write_files) return;
    std::string bytes, why;
    if (encode_png(picture, bytes) &&
        write_file_beneath(options_.report_dir, evidence_picture(evidence_, kind), bytes, true, &budget_,
                           why))
        record_.evidence[static_cast<int>(kind)] = true;
    else if (unstored_.empty())
        unstored_ = "a failure picture could not be stored: " + why;
}

} // namespace

ScenarioResult run_scenario(const Scenario& scenario, const RunOptions& options) {
    front_panel_reset();
    return Run(scenario, options).run();
}
