// The JUnit report and the terminal get printable UTF-8 whatever the scenario
// holds: Latin-1 bytes, a character cut in two, control characters, ESC
// sequences and newlines. xmllint judges the report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "picture/picture.h"
#include "runner/reports/junit.h"
#include "runner/scenario/clean_text.h"
#include "support/test_output.h"

namespace {

TEST(ScenarioReport, HostileNamesGiveValidXml) {
    const std::vector<std::string> hostile = {
        "no-text \xB0"
        "C",                               // Latin-1, as the instrument draws it
        "cut \xC2",                        // a degree sign cut in two
        "esc \x1B[2K\rPASS fake",          // control characters
        "bad \xFF\xFE utf-8 \xED\xA0\x80", // not UTF-8; a surrogate
        "]]> <![CDATA[ &amp; \"'<>",       // markup
        "line\nbreak\x7F\xC2\x85",         // DEL and a C1 control
    };
    std::vector<Scenario> scenarios;
    std::vector<ScenarioResult> results;
    for (const std::string& h : hostile) {
        Scenario s;
        s.name = h;
        s.file = "dir/" + h + ".yaml";
        scenarios.push_back(s);
        ScenarioResult r;
        r.message = s.file + ":3:5: " + h;
        results.push_back(r);
    }
    results[1].verdict = Verdict::error;
    results[2].verdict = Verdict::interrupted;
    const Report report = make_report(scenarios, results, {}, "");
    const std::string path = test_output_dir() + "/hostile-report.xml";
    ASSERT_TRUE(write_junit(path, report));
    // Each verdict in JUnit's words: fail a failure, error an error, interrupted skipped.
    const std::string xml = junit_text(report);
    EXPECT_NE(xml.find("failures=\"4\" errors=\"1\" skipped=\"1\""), std::string::npos) << xml;
    const std::string command = "xmllint --noout --encode UTF-8 '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "xmllint refused " << path;
    for (const std::string& h : hostile) {
        const std::string shown = printable(h);
        for (const char c : shown) EXPECT_FALSE(static_cast<unsigned char>(c) < ' ' || c == 0x7F) << shown;
    }
    EXPECT_EQ(printable("esc \x1B[2K"), "esc \\x1B[2K");
    EXPECT_EQ(cut_utf8("ab\xC2\xB0", 3), "ab");
}

} // namespace
