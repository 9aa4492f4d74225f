// Signals: a run stopped by SIGTERM stops its children, writes the report with
// the scenario marked interrupted and exits 143; a parent killed outright
// takes its children with it. Neither leaves a file under its final name.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "picture/picture.h"
#include "runner/cli.h"
#include "support/test_output.h"

namespace fs = std::filesystem;

namespace {

// Long enough to be killed in the middle of the recording.
constexpr const char* LONG_RECORDING = "name: long\nsteps:\n  - power: on\n  - record: {save: long.gif}\n"
                                       "  - wait: 1380min\n";

struct Started {
    pid_t qd5run = -1;
    pid_t child = -1; // the scenario's process
};

pid_t parent_of(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 2));
    char state = 0;
    pid_t ppid = -1;
    rest >> state >> ppid;
    return ppid;
}

// Whether pid still runs (a zombie has ended).
bool running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

bool has_temporary(const fs::path& out) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(out, error))
        if (entry.path().extension() == ".tmp") return true;
    return false;
}

// Runs qd5run in a process of its own and waits until its child is recording.
Started start_recording(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "long.yaml") << LONG_RECORDING;
    Started s;
    s.qd5run = ::fork();
    if (s.qd5run == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        const std::string out = (dir / "out").string(), junit = (dir / "report.xml").string(),
                          file = (dir / "long.yaml").string();
        const char* argv[] = {"qd5run", "--out", out.c_str(), "--junit", junit.c_str(), file.c_str()};
        ::_exit(qd5run_main(6, const_cast<char**>(argv)));
    }
    for (int i = 0; i < 2000 && !has_temporary(dir / "out"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = std::stoi(name);
        if (parent_of(pid) == s.qd5run) s.child = pid;
    }
    return s;
}

TEST(ScenarioSignals, SigtermStopsTheChildrenAndWritesTheReport) {
    const fs::path dir = fs::path(test_output_dir()) / "scenario-sigterm";
    const Started s = start_recording(dir);
    ASSERT_GT(s.qd5run, 0);
    ASSERT_TRUE(has_temporary(dir / "out"));
    ASSERT_GT(s.child, 0);
    ::kill(s.qd5run, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(s.qd5run, &status, 0), s.qd5run);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 143);
    EXPECT_FALSE(running(s.child));
    EXPECT_FALSE(fs::exists(dir / "out/long.gif"));
    EXPECT_FALSE(has_temporary(dir / "out"));
    std::ifstream report(dir / "report.xml");
    const std::string xml((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    EXPECT_NE(xml.find("<skipped message=\"interrupted"), std::string::npos) << xml;
}

TEST(ScenarioSignals, ChildrenEndWithAParentKilledOutright) {
    const fs::path dir = fs::path(test_output_dir()) / "scenario-sigkill";
    const Started s = start_recording(dir);
    ASSERT_GT(s.qd5run, 0);
    ASSERT_GT(s.child, 0);
    ::kill(s.qd5run, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(s.qd5run, &status, 0), s.qd5run);
    // The child is told by the kernel; give it the moment it needs to go.
    for (int i = 0; i < 2000 && running(s.child); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(running(s.child));
    EXPECT_FALSE(fs::exists(dir / "out/long.gif"));
    EXPECT_FALSE(has_temporary(dir / "out"));
    EXPECT_FALSE(fs::exists(dir / "report.xml"));
}

} // namespace
