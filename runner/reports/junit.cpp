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

std::string junit_text(const std::vector<Scenario>& scenarios, const std::vector<ScenarioResult>& results,
                       const std::string& shard) {
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
    for (std::size_t i = 0; i < scenarios.size() && i < results.size(); ++i) {
        const ScenarioResult& r = results[i];
        pugi::xml_node test = suite.append_child("testcase");
        text_attribute(test, "name", scenarios[i].name);
        text_attribute(test, "classname", std::filesystem::path(scenarios[i].file).stem().string());
        text_attribute(test, "file", scenarios[i].file);
        test.append_attribute("time") = r.wall_ms / 1000;
        seconds += r.wall_ms / 1000;
        if (r.passed) continue;
        if (r.interrupted) {
            ++skipped;
            text_attribute(test.append_child("skipped"), "message", "interrupted before it finished");
            continue;
        }
        r.error ? ++errors : ++failures;
        pugi::xml_node failure = test.append_child(r.error ? "error" : "failure");
        text_attribute(failure, "message", r.message);
        failure.append_child(pugi::node_pcdata).set_value(printable(r.message).c_str());
    }
    suite.append_attribute("tests") = static_cast<unsigned>(scenarios.size());
    suite.append_attribute("failures") = failures;
    suite.append_attribute("errors") = errors;
    suite.append_attribute("skipped") = skipped;
    suite.append_attribute("time") = seconds;
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

bool write_junit(const std::string& path, const std::vector<Scenario>& scenarios,
                 const std::vector<ScenarioResult>& results, const std::string& shard) {
    const std::filesystem::path file(path);
    std::string why;
    return write_file_beneath(file.parent_path().string(), file.filename().string(),
                              junit_text(scenarios, results, shard), false, nullptr, why);
}
