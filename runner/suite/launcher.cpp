#include "runner/suite/launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "runner/files/confined_files.h"

namespace {

constexpr std::size_t LONGEST_TEXT = 16 * 1024;
// A run's record (its flow, steps and texts) is bounded by its own limits;
// this bounds what the parent reads of a child whatever it sends.
constexpr std::size_t LONGEST_RESULT = std::size_t{64} << 20;

volatile sig_atomic_t stop_signal = 0;
int stopped_by = 0;

void note_stop(int signal) { stop_signal = signal; }

// A child tells the parent of each step it starts ("s INDEX\n"), then sends
// its result ("r HEAD\n" and the texts). The parent reads while the child
// runs, so a pipe of any size does.
std::string encode(const ScenarioResult& r) {
    const std::string message = r.message.substr(0, LONGEST_TEXT);
    const std::string notes = r.notes.substr(0, LONGEST_TEXT);
    const std::string record = encode_record(r.record);
    char head[200];
    std::snprintf(head, sizeof head, "r %d %.17g %.17g %llu %zu %zu %zu\n", static_cast<int>(r.verdict),
                  r.sim_ms, r.wall_ms, static_cast<unsigned long long>(r.digest), message.size(),
                  notes.size(), record.size());
    return head + message + notes + record;
}

// The result in text after the progress lines; step is the last step started.
bool decode(const std::string& text, ScenarioResult& r, long& step) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == 's') {
        const std::size_t newline = text.find('\n', at);
        if (newline == std::string::npos) return false;
        step = std::strtol(text.c_str() + at + 1, nullptr, 10);
        at = newline + 1;
    }
    if (at >= text.size() || text[at] != 'r') return false;
    int verdict = 0;
    unsigned long long digest = 0;
    std::size_t message = 0, notes = 0, record = 0;
    const std::size_t newline = text.find('\n', at);
    if (newline == std::string::npos ||
        std::sscanf(text.c_str() + at, "r %d %lg %lg %llu %zu %zu %zu", &verdict, &r.sim_ms, &r.wall_ms,
                    &digest, &message, &notes, &record) != 7 ||
        verdict < 0 || verdict >= VERDICT_KINDS || message > LONGEST_RESULT || notes > LONGEST_RESULT ||
        record > LONGEST_RESULT || newline + 1 + message + notes + record != text.size())
        return false;
    r.verdict = static_cast<Verdict>(verdict);
    r.digest = digest;
    r.message = text.substr(newline + 1, message);
    r.notes = text.substr(newline + 1 + message, notes);
    return decode_record(text.substr(newline + 1 + message + notes, record), r.record);
}

void write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

struct Child {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    std::string text;
    std::chrono::steady_clock::time_point started;
};

double ms_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// Starts the scenario in a child. When no child can be made the scenario is
// an error rather than run here, where a crash would end every other one.
bool start(const Scenario& scenario, std::size_t index, const RunOptions& options, const sigset_t& old_mask,
           Child& child, ScenarioResult& failed) {
    std::fflush(stdout);
    std::fflush(stderr);
    int fds[2];
    child.index = index;
    child.started = std::chrono::steady_clock::now();
    const pid_t parent = ::getpid();
    if (::pipe2(fds, O_CLOEXEC) != 0 || (child.pid = ::fork()) < 0) {
        failed.verdict = Verdict::error;
        failed.message = scenario.file + ": cannot start a process for it: " + std::strerror(errno);
        return false;
    }
    if (child.pid == 0) {
        // The child ends with the parent, however the parent ends.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        remove_temporary_files_on_signals();
        ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
        ::close(fds[0]);
        RunOptions own = options;
        if (options.expected_flows != nullptr && index < options.expected_flows->size())
            own.expected_flow = (*options.expected_flows)[index];
        own.on_step = [fd = fds[1]](std::size_t step) { write_all(fd, "s " + std::to_string(step) + "\n"); };
        const ScenarioResult result = run_scenario(scenario, own);
        std::fflush(stdout);
        write_all(fds[1], encode(result));
        ::close(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    child.fd = fds[0];
    return true;
}

ScenarioResult finish(const Child& child, int status, const Scenario& scenario) {
    ScenarioResult result;
    long step = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && decode(child.text, result, step)) return result;
    result.wall_ms = ms_since(child.started);
    const int code = WIFSIGNALED(status) ? WTERMSIG(status) : WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    if (stop_signal != 0 || (WIFEXITED(status) && (code == 128 + SIGINT || code == 128 + SIGTERM)) ||
        (WIFSIGNALED(status) && (code == SIGINT || code == SIGTERM))) {
        result.verdict = Verdict::interrupted;
        result.message = scenario.file + ": interrupted";
        return result;
    }
    result.verdict = Verdict::error;
    std::string where = scenario.file;
    if (step >= 0 && static_cast<std::size_t>(step) < scenario.steps.size()) {
        const Step& s = scenario.steps[static_cast<std::size_t>(step)];
        where += ":" + std::to_string(s.line) + ":" + std::to_string(s.column) + ": " + s.summary;
    }
    result.message = where + ": the run ended abnormally" +
                     (WIFSIGNALED(status) ? " (signal " + std::to_string(code) + ")"
                                          : " (exit status " + std::to_string(code) + ")");
    return result;
}

} // namespace

int run_stopped_by() { return stopped_by; }

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

    // SIGINT and SIGTERM are taken only inside ppoll, so none is lost between
    // a check of the flag and the wait.
    stop_signal = 0;
    stopped_by = 0;
    struct sigaction action {
    }, old_int{}, old_term{};
    action.sa_handler = note_stop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &old_int);
    ::sigaction(SIGTERM, &action, &old_term);
    sigset_t stops, old_mask;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &stops, &old_mask);
    sigset_t waiting = old_mask;
    sigdelset(&waiting, SIGINT);
    sigdelset(&waiting, SIGTERM);

    bool stopping = false;
    while (next < scenarios.size() || !running.empty()) {
        while (!stopping && next < scenarios.size() && static_cast<int>(running.size()) < std::max(jobs, 1)) {
            Child child;
            if (start(scenarios[next], next, options, old_mask, child, results[next]))
                running.push_back(child);
            else
                done[next] = true;
            ++next;
        }
        report_ready();
        if (running.empty()) {
            if (stopping) break;
            continue;
        }
        std::vector<pollfd> fds;
        for (const Child& c : running) fds.push_back(pollfd{c.fd, POLLIN, 0});
        const int ready = ::ppoll(fds.data(), fds.size(), nullptr, &waiting);
        if (stop_signal != 0 && !stopping) {
            stopping = true;
            stopped_by = stop_signal;
            for (const Child& c : running) ::kill(c.pid, SIGTERM);
        }
        if (ready <= 0) continue;
        for (std::size_t i = 0; i < running.size();) {
            Child& c = running[i];
            bool ended = false;
            if (fds[i].revents != 0) {
                char buffer[65536];
                const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
                if (n > 0 && c.text.size() < LONGEST_RESULT)
                    c.text.append(buffer, static_cast<std::size_t>(n));
                ended = n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN);
            }
            if (!ended) {
                ++i;
                continue;
            }
            // The pipe is closed: the child has ended or is ending.
            int status = 0;
            while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
            }
            ::close(c.fd);
            results[c.index] = finish(c, status, scenarios[c.index]);
            done[c.index] = true;
            running.erase(running.begin() + static_cast<long>(i));
            fds.erase(fds.begin() + static_cast<long>(i));
        }
        report_ready();
    }
    for (std::size_t i = next; i < scenarios.size(); ++i) {
        results[i].verdict = Verdict::interrupted;
        results[i].message = scenarios[i].file + ": interrupted";
        done[i] = true;
    }
    report_ready();
    ::sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    ::sigaction(SIGINT, &old_int, nullptr);
    ::sigaction(SIGTERM, &old_term, nullptr);
    return results;
}
