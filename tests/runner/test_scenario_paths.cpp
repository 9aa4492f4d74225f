// The path rules of qd5run: references and outputs stay inside their folders
// whatever the scenario or the folders hold (symlinks, "..", zero bytes,
// newlines, FIFOs), and no two writers, scenarios or the run's own outputs,
// ever write the same file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "picture/picture.h"
#include "runner/cli.h"
#include "runner/run_qd5run.h"
#include "support/test_output.h"

namespace fs = std::filesystem;

namespace {

// Each case has a folder with the scenario (s/), --out (out/) and a victim
// folder beside them that nothing may touch (victim/v.png holds "keep").
struct PathCase {
    const char* what;
    const char* step; // the scenario's last step, after power: on
    std::function<void(const fs::path&)> setup;
    bool update;
    int exit_status;
    std::vector<std::string> options = {}; // more of the command; "D" stands for the case's folder
};

void link(const fs::path& target, const fs::path& at) { fs::create_symlink(target, at); }

const PathCase PATH_CASES[] = {
    {"save through a symlinked folder", "screenshot: {save: link/v.png}",
     [](const fs::path& d) { link("../victim", d / "out/link"); }, false, 1},
    {"save over a symlinked file", "screenshot: {save: v.png}",
     [](const fs::path& d) { link("../victim/v.png", d / "out/v.png"); }, false, 0},
    {"record over a symlinked file", "record: {save: v.gif}",
     [](const fs::path& d) { link("../victim/v.png", d / "out/v.gif"); }, false, 0},
    {"update through a symlinked folder", "screenshot: {compare: refs/v.png}",
     [](const fs::path& d) { link("../victim", d / "s/refs"); }, true, 1},
    {"update over a symlinked reference", "screenshot: {compare: v.png}",
     [](const fs::path& d) { link("../victim/v.png", d / "s/v.png"); }, true, 0},
    {"reference read through a symlink", "screenshot: {compare: v.png}",
     [](const fs::path& d) { link("../victim/v.png", d / "s/v.png"); }, false, 1},
    {"reference that is a FIFO", "screenshot: {compare: f.png}",
     [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "s/f.png").c_str(), 0644), 0); }, false, 1},
    {"reference with ..", "screenshot: {compare: ../victim/v.png}", nullptr, true, 2},
    {"absolute reference", "screenshot: {compare: /tmp/v.png}", nullptr, true, 2},
    {"reference cut at a zero byte", "screenshot: {compare: \"../victim.txt\\0.png\"}", nullptr, true, 2},
    {"reference with a newline", "screenshot: {compare: \"a\\nb.png\"}", nullptr, true, 2},
    {"save cut at a zero byte", "screenshot: {save: \"v.gif\\0.png\"}", nullptr, false, 2},
    {"zero byte in a text", "expect: {text: \"a\\0b\"}", nullptr, false, 2},
    {"frames folder that is a symlink",
     "press: knob",
     [](const fs::path& d) { link("../victim", d / "s/f"); },
     true,
     2,
     {"--flows", "D/s/f.json"}},
    {"report frames through a symlink",
     "press: knob",
     [](const fs::path& d) { link("../victim", d / "r/screens"); },
     false,
     2,
     {"--report", "D/r"}},
    {"report pictures folder that is a file",
     "press: knob",
     [](const fs::path& d) { std::ofstream(d / "r/pictures") << "x"; },
     false,
     2,
     {"--report", "D/r"}},
    {"junit over the flows file",
     "press: knob",
     nullptr,
     true,
     2,
     {"--flows", "D/f.json", "--junit", "D/f.json"}},
    {"junit over the report's data",
     "press: knob",
     nullptr,
     false,
     2,
     {"--report", "D/r", "--junit", "D/r/report.json"}},
    {"report in the output folder", "press: knob", nullptr, false, 2, {"--report", "D/out"}},
    {"save over the report's page",
     "screenshot: {save: r/index.html}",
     nullptr,
     false,
     2,
     {"--report", "D/out/r"}},
};

TEST(ScenarioPaths, NothingIsReadOrWrittenOutsideItsFolder) {
    int n = 0;
    for (const PathCase& c : PATH_CASES) {
        const fs::path dir = fs::path(test_output_dir()) / "scenario-paths" / std::to_string(n++);
        fs::remove_all(dir);
        for (const char* folder : {"s", "out", "victim", "r"}) fs::create_directories(dir / folder);
        std::ofstream(dir / "victim/v.png") << "keep";
        std::ofstream(dir / "s/p.yaml") << "name: p\nsteps:\n  - power: on\n  - " << c.step << "\n";
        if (c.setup) c.setup(dir);
        std::vector<std::string> args{"--out", (dir / "out").string(), (dir / "s/p.yaml").string()};
        if (c.update) args.insert(args.begin(), "--update");
        for (std::string option : c.options)
            args.insert(args.end() - 1,
                        option.starts_with("D/") ? (dir / option.substr(2)).string() : option);
        EXPECT_EQ(run_qd5run(args), c.exit_status) << c.what;
        EXPECT_EQ(contents(dir / "victim/v.png"), "keep") << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "victim"), fs::directory_iterator{}), 1)
            << c.what;
        EXPECT_TRUE(fs::is_empty(dir / "out") || c.exit_status != 2) << c.what;
    }
}

TEST(ScenarioPaths, ScenarioFileMustBeRegular) {
    const fs::path dir = fs::path(test_output_dir()) / "scenario-paths" / "fifo";
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir / "f.yaml").c_str(), 0644), 0);
    EXPECT_EQ(run_qd5run({"--out", (dir / "out").string(), (dir / "f.yaml").string()}), 2);
}

TEST(ScenarioPaths, TwoScenariosNeverWriteTheSameFile) {
    const fs::path dir = fs::path(test_output_dir()) / "scenario-paths" / "collide";
    fs::remove_all(dir);
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    // The same stem in two folders, both failing: their evidence is kept apart.
    for (const char* folder : {"a", "b"})
        std::ofstream(dir / folder / "check.yaml")
            << "name: " << folder << "\nsteps:\n  - expect: {text: X}\n";
    const std::string out = (dir / "out").string();
    EXPECT_EQ(run_qd5run({"--out", out, (dir / "a/check.yaml").string(), (dir / "b/check.yaml").string()}),
              1);
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(out))
        frames += entry.path().string().find(".failure.png") != std::string::npos;
    EXPECT_EQ(frames, 2);
    // Two scenarios saving one picture: refused before anything runs.
    std::ofstream(dir / "a/save.yaml") << "name: a\nsteps:\n  - screenshot: {save: x/shot.png}\n";
    std::ofstream(dir / "b/save.yaml") << "name: b\nsteps:\n  - screenshot: {save: ./x/shot.png}\n";
    const std::string fresh = (dir / "fresh").string();
    EXPECT_EQ(run_qd5run({"-j", "2", "--out", fresh, (dir / "a/save.yaml").string(),
                          (dir / "b/save.yaml").string()}),
              2);
    EXPECT_FALSE(fs::exists(fresh));
}

} // namespace
