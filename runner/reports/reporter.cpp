#include "runner/reports/reporter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "runner/reports/junit.h"
#include "runner/scenario/clean_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

std::string seconds_text(double ms) {
    char text[40];
    if (ms >= 60000) {
        const long long seconds = std::llround(ms / 1000);
        std::snprintf(text, sizeof text, "%lld min %lld s", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", ms / 1000);
    }
    return text;
}

// Each text from a file printed escaped on lines of its own, so that no file
// can move the cursor or paint a line of its own.
void print_lines(const std::string& text) {
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::printf("%s\n", printable(text.substr(start, end - start)).c_str());
        start = end + 1;
    }
}

class Console : public Reporter {
  public:
    void scenario_done(const Scenario& scenario, const ScenarioResult& r) override {
        std::string verdict = verdict_name(r.verdict);
        for (char& c : verdict) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::printf("%s  %s (%s)  sim %s  wall %s\n", verdict.c_str(), printable(scenario.file).c_str(),
                    printable(scenario.name).c_str(), seconds_text(r.sim_ms).c_str(),
                    seconds_text(r.wall_ms).c_str());
        print_lines(r.notes);
        if (!r.passed()) std::printf("      %s\n", printable(r.message).c_str());
        std::fflush(stdout);
    }
    bool finish(const Report& report, std::string&) override {
        VerdictCounts counts;
        double sim_s = 0;
        for (const ReportScenario& s : report.scenarios) counts.add(s.verdict), sim_s += s.sim_s;
        std::printf("%zu scenario%s: %s (simulated %s, wall %s)\n", counts.total(),
                    counts.total() == 1 ? "" : "s", counts.text().c_str(), seconds_text(sim_s * 1000).c_str(),
                    seconds_text(ms_since(started_)).c_str());
        std::fflush(stdout);
        return true;
    }

  private:
    const Clock::time_point started_ = Clock::now();
};

class Html : public Reporter {
  public:
    Html(const std::string& dir, const FlowsCheck* flows) : dir_(dir), flows_(flows) {}
    bool finish(const Report& report, std::string& why) override {
        const auto started = Clock::now();
        if (!write_run_report(dir_, report, flows_, why)) {
            why = "cannot write the report: " + why;
            return false;
        }
        std::printf("report: %s/index.html (written in %.3f s)\n", printable(dir_).c_str(),
                    ms_since(started) / 1000);
        std::fflush(stdout);
        return true;
    }

  private:
    const std::string dir_;
    const FlowsCheck* flows_;
};

class Junit : public Reporter {
  public:
    explicit Junit(const std::string& path) : path_(path) {}
    bool finish(const Report& report, std::string& why) override {
        if (write_junit(path_, report)) return true;
        why = "cannot write " + path_;
        return false;
    }

  private:
    const std::string path_;
};

} // namespace

std::unique_ptr<Reporter> console_reporter() { return std::make_unique<Console>(); }

std::unique_ptr<Reporter> html_reporter(const std::string& dir, const FlowsCheck* flows) {
    return std::make_unique<Html>(dir, flows);
}

std::unique_ptr<Reporter> junit_reporter(const std::string& path) { return std::make_unique<Junit>(path); }
