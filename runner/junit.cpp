#include "runner/junit.h"

#include <filesystem>

#include <pugixml.hpp>

bool write_junit(const std::string& path, const std::vector<Scenario>& scenarios,
                 const std::vector<ScenarioResult>& results) {
    pugi::xml_document document;
    pugi::xml_node suites = document.append_child("testsuites");
    pugi::xml_node suite = suites.append_child("testsuite");
    suite.append_attribute("name") = "qd5run";
    int failures = 0;
    double seconds = 0;
    for (std::size_t i = 0; i < scenarios.size() && i < results.size(); ++i) {
        const ScenarioResult& r = results[i];
        pugi::xml_node test = suite.append_child("testcase");
        test.append_attribute("name") = scenarios[i].name.c_str();
        test.append_attribute("classname") = std::filesystem::path(scenarios[i].file).stem().string().c_str();
        test.append_attribute("file") = scenarios[i].file.c_str();
        test.append_attribute("time") = r.wall_ms / 1000;
        seconds += r.wall_ms / 1000;
        if (r.passed) continue;
        ++failures;
        pugi::xml_node failure = test.append_child("failure");
        // The message attribute holds the first line; the body the whole text.
        failure.append_attribute("message") = r.message.substr(0, r.message.find('\n')).c_str();
        failure.append_child(pugi::node_pcdata).set_value(r.message.c_str());
    }
    suite.append_attribute("tests") = static_cast<unsigned>(scenarios.size());
    suite.append_attribute("failures") = failures;
    suite.append_attribute("errors") = 0;
    suite.append_attribute("time") = seconds;
    return document.save_file(path.c_str(), "  ");
}
