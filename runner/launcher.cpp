#include "runner/launcher.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child's result travels back through a pipe that the parent reads only
// after the child has ended, so it must fit in the pipe's buffer.
constexpr std::size_t LONGEST_TEXT = 16 * 1024;

std::string encode(const ScenarioResult& r) {
    const std::string message = r.message.substr(0, LONGEST_TEXT);
    const std::string notes = r.notes.substr(0, LONGEST_TEXT);
    char head[160];
    std::snprintf(head, sizeof head, "%d %.17g %.17g %llu %zu %zu\n", r.passed ? 1 : 0, r.sim_ms, r.wall_ms,
                  static_cast<unsigned long long>(r.digest), message.size(), notes.size());
    return head + message + notes;
}

bool decode(const std::string& text, ScenarioResult& r) {
    int passed = 0;
    unsigned long long digest = 0;
    std::size_t message = 0, notes = 0;
    const std::size_t newline = text.find('\n');
    if (newline == std::string::npos ||
        std::sscanf(text.c_str(), "%d %lg %lg %llu %zu %zu", &passed, &r.sim_ms, &r.wall_ms, &digest,
                    &message, &notes) != 6 ||
        newline + 1 + message + notes != text.size())
        return false;
    r.passed = passed == 1;
    r.digest = digest;
    r.message = text.substr(newline + 1, message);
    r.notes = text.substr(newline + 1 + message, notes);
    return true;
}

void write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string read_all(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

struct Child {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    std::chrono::steady_clock::time_point started;
};

// Starts the scenario in a child; runs it here if no child can be made.
Child start(const Scenario& scenario, std::size_t index, const RunOptions& options, ScenarioResult& here) {
    std::fflush(stdout);
    std::fflush(stderr);
    int fds[2];
    Child child;
    child.index = index;
    child.started = std::chrono::steady_clock::now();
    if (::pipe(fds) != 0 || (child.pid = ::fork()) < 0) {
        here = run_scenario(scenario, options);
        return child;
    }
    if (child.pid == 0) {
        ::close(fds[0]);
        const ScenarioResult result = run_scenario(scenario, options);
        std::fflush(stdout);
        write_all(fds[1], encode(result));
        ::close(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    child.fd = fds[0];
    return child;
}

ScenarioResult finish(const Child& child, int status, const Scenario& scenario) {
    ScenarioResult result;
    const std::string text = read_all(child.fd);
    ::close(child.fd);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && decode(text, result)) return result;
    result.passed = false;
    result.wall_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - child.started).count();
    result.message =
        scenario.file + ": the run ended abnormally" +
        (WIFSIGNALED(status) ? " (signal " + std::to_string(WTERMSIG(status)) + ")" : std::string());
    return result;
}

} // namespace

std::vector<ScenarioResult> run_all(const std::vector<Scenario>& scenarios, const RunOptions& options,
                                    int jobs,
                                    const std::function<void(std::size_t, const ScenarioResult&)>& report) {
    std::vector<ScenarioResult> results(scenarios.size());
    std::vector<bool> done(scenarios.size(), false);
    std::vector<Child> running;
    std::size_t next = 0, reported = 0;
    auto report_ready = [&] {
        while (reported < scenarios.size() && done[reported]) {
            report(reported, results[reported]);
            ++reported;
        }
    };
    while (next < scenarios.size() || !running.empty()) {
        while (next < scenarios.size() && static_cast<int>(running.size()) < std::max(jobs, 1)) {
            const Child child = start(scenarios[next], next, options, results[next]);
            if (child.pid > 0)
                running.push_back(child);
            else
                done[next] = true;
            ++next;
        }
        report_ready();
        if (running.empty()) continue;
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) break;
        for (std::size_t i = 0; i < running.size(); ++i) {
            if (running[i].pid != pid) continue;
            results[running[i].index] = finish(running[i], status, scenarios[running[i].index]);
            done[running[i].index] = true;
            running.erase(running.begin() + static_cast<long>(i));
            break;
        }
        report_ready();
    }
    return results;
}
