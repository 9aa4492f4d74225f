#include "runner/reports/junit.h"

#include <filesystem>
#include <sstream>

#include <pugixml.hpp>

#include "runner/files/confined_files.h"
#include "runner/scenario/clean_text.h"

namespace {

// Every text goes in as printable UTF-8, so the report is XML 1.0 whatever a
// scenario's names and messages hold.
void text_attribute(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name) = printable(value).c_str();
}

} // namespace

std::string junit_text(const Report& report) {
    const std::string& shard = report.shard;
    pugi::xml_document document;
    pugi::xml_node suites = document.append_child("testsuites");
    pugi::xml_node suite = suites.append_child("testsuite");
    suite.append_attribute("name") = shard.empty() ? "qd5run" : ("qd5run shard " + shard).c_str();
    if (!shard.empty()) {
        pugi::xml_node property = suite.append_child("properties").append_child("property");
        property.append_attribute("name") = "shard";
        property.append_attribute("value") = shard.c_str();
    }
    int failures = 0, errors = 0, skipped = 0;
    double seconds = 0;
    for (const ReportScenario& s : report.scenarios) {
        pugi::xml_node test = suite.append_child("testcase");
        text_attribute(test, "name", s.name);
        text_attribute(test, "classname", std::filesystem::path(s.file).stem().string());
        text_attribute(test, "file", s.file);
        test.append_attribute("time") = s.wall_s;
        seconds += s.wall_s;
        // JUnit's words for the verdicts: an interrupted scenario is skipped.
        switch (s.verdict) {
        case Verdict::pass:
            continue;
        case Verdict::interrupted:
            ++skipped;
            text_attribute(test.append_child("skipped"), "message", "interrupted before it finished");
            continue;
        case Verdict::error:
        case Verdict::fail:
            break;
        }
        const bool error = s.verdict == Verdict::error;
        error ? ++errors : ++failures;
        pugi::xml_node failure = test.append_child(error ? "error" : "failure");
        text_attribute(failure, "message", s.message);
        failure.append_child(pugi::node_pcdata).set_value(printable(s.message).c_str());
    }
    suite.append_attribute("tests") = static_cast<unsigned>(report.scenarios.size());
    suite.append_attribute("failures") = failures;
    suite.append_attribute("errors") = errors;
    suite.append_attribute("skipped") = skipped;
    suite.append_attribute("time") = seconds;
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

bool write_junit(const std::string& path, const Report& report) {
    const std::filesystem::path file(path);
    std::string why;
    return write_file_beneath(file.parent_path().string(), file.filename().string(), junit_text(report),
                              false, nullptr, why);
}
