// Every way a run is reported, behind one interface that qd5run drives: the
// console as each scenario ends, then the console's summary, the HTML report
// and JUnit, each from the run's Report. --merge-reports drives the HTML
// reporter with the report it merged.
#pragma once

#include <memory>
#include <string>

#include "runner/reports/html_report.h"
#include "runner/reports/run_outputs.h"
#include "runner/scenario/scenario.h"
#include "runner/suite/scenario_run.h"

class Reporter {
  public:
    virtual ~Reporter() = default;
    // As each scenario ends, in the scenarios' order.
    virtual void scenario_done(const Scenario& /*scenario*/, const ScenarioResult& /*result*/) {}
    // Once every scenario has ended or been interrupted; false with why (one
    // line) when the report could not be written.
    virtual bool finish(const Report& report, std::string& why) = 0;
};

// A line per scenario with its verdict, then the counts; the run's wall time
// is counted from when it is made.
std::unique_ptr<Reporter> console_reporter();
// The pages and report.json in dir; flows (or nullptr) lends the stored
// frames of changed flows.
std::unique_ptr<Reporter> html_reporter(const std::string& dir, const FlowsCheck* flows);
// A JUnit XML file.
std::unique_ptr<Reporter> junit_reporter(const std::string& path);
