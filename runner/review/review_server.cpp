#include "runner/review/review_server.h"

#include <sys/random.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "runner/files/confined_files.h"
#include "runner/files/path_rule.h"
#include "runner/review/review_page.h"
#include "runner/scenario/clean_text.h"

using nlohmann::json;

namespace {

constexpr const char* HOST = "127.0.0.1";
constexpr std::size_t MAX_BODY_BYTES = 64 * 1024;
// A browser keeps up to six connections open, each holding a worker until it idles out.
constexpr int THREADS = 8;
constexpr int KEEP_ALIVE_S = 2;
constexpr int MAX_WAITING = 32; // connections accepted and not yet answered
constexpr int TOKEN_BYTES = 32;

// Connections wait for a worker in a queue of bounded length; when it is
// full the server stops accepting, and the kernel's backlog refuses the rest.
class BoundedQueue : public httplib::TaskQueue {
  public:
    void enqueue(std::function<void()> fn) override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            room_.wait(lock, [this] { return waiting_ < MAX_WAITING; });
            ++waiting_;
        }
        pool_.enqueue([this, fn = std::move(fn)] {
            fn();
            std::lock_guard<std::mutex> lock(mutex_);
            --waiting_;
            room_.notify_one();
        });
    }
    void shutdown() override { pool_.shutdown(); }

  private:
    httplib::ThreadPool pool_{THREADS};
    std::mutex mutex_;
    std::condition_variable room_;
    int waiting_ = 0;
};

std::string new_token() {
    unsigned char bytes[TOKEN_BYTES];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char b : bytes) token += {digits[b >> 4], digits[b & 15]};
    return token;
}

// Takes as long whatever given is, so that timing tells nothing of the token.
bool same_token(const std::string& given, const std::string& token) {
    unsigned char differ = given.size() == token.size() ? 0 : 1;
    for (std::size_t i = 0; i < token.size(); ++i)
        differ |= static_cast<unsigned char>(token[i] ^ (i < given.size() ? given[i] : 0));
    return differ == 0;
}

std::string cookie_value(const std::string& header, const std::string& name) {
    for (std::size_t at = 0; at < header.size();) {
        const std::size_t end = std::min(header.find(';', at), header.size());
        std::string pair = header.substr(at, end - at);
        pair.erase(0, pair.find_first_not_of(' '));
        if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return "";
}

const char* content_type(const std::string& path) {
    if (path.ends_with(".png")) return "image/png";
    if (path.ends_with(".html")) return "text/html; charset=utf-8";
    if (path.ends_with(".json")) return "application/json";
    return nullptr;
}

void answer(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

class Review {
  public:
    Review(std::string dir, Report report)
        : dir_(std::move(dir)), report_(std::move(report)), changes_(find_changes(report_)),
          token_(new_token()) {}
    int serve(int port);

  private:
    bool allowed(const httplib::Request& req, httplib::Response& res) const;
    void decide(const httplib::Request& req, httplib::Response& res);
    void file(const httplib::Request& req, httplib::Response& res) const;
    std::string summary() const;

    const std::string dir_;
    const Report report_;
    std::vector<Change> changes_; // guarded by mutex_, as is every write
    const std::string token_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::atomic<bool> finished_{false};
};

bool Review::allowed(const httplib::Request& req, httplib::Response& res) const {
    const std::string at = ":" + std::to_string(port_);
    const std::string host = req.get_header_value("Host");
    if (host != HOST + at && host != "localhost" + at) {
        answer(res, 403, {{"error", "this server answers only for 127.0.0.1" + at + " and localhost" + at}});
        return false;
    }
    const std::string given = req.has_param("token") ? req.get_param_value("token")
                                                     : cookie_value(req.get_header_value("Cookie"),
                                                                    "qd5review-" + std::to_string(port_));
    if (!same_token(given, token_)) {
        answer(res, 403, {{"error", "the token is missing or wrong: open the address qd5run printed"}});
        return false;
    }
    const bool writes = req.path == "/decide" || req.path == "/finish";
    if (writes != (req.method == "POST")) {
        answer(res, 405,
               {{"error", writes ? "this writes, so it takes a POST" : "only the review's POSTs write"}});
        return false;
    }
    if (writes && req.get_header_value("Origin") != "http://" + host) {
        answer(res, 403, {{"error", "a POST must come from the review's own page"}});
        return false;
    }
    return true;
}

void Review::decide(const httplib::Request& req, httplib::Response& res) {
    const json body = json::parse(req.body, nullptr, false);
    const auto decision = body.is_object() ? body.find("decision") : body.end();
    const auto list = body.is_object() ? body.find("changes") : body.end();
    if (decision == body.end() || list == body.end() || !list->is_array() || list->size() > changes_.size() ||
        (*decision != "accept" && *decision != "reject")) {
        answer(res, 400,
               {{"error", "a decision is {\"decision\": \"accept\" or \"reject\", \"changes\": [...]}"}});
        return;
    }
    json done = json::array();
    std::lock_guard<std::mutex> lock(mutex_);
    for (const json& id : *list) {
        if (!id.is_number_unsigned() || id.get<std::size_t>() >= changes_.size()) {
            answer(res, 400, {{"error", "no such change"}});
            return;
        }
    }
    for (const json& id : *list) {
        const std::size_t i = id.get<std::size_t>();
        Change& c = changes_[i];
        // A change is decided once: a second accept of it writes nothing.
        if (c.decision == Decision::undecided) {
            std::string why;
            if (*decision == "reject") {
                c.decision = Decision::rejected;
                c.outcome = "nothing written";
            } else if (accept_change(dir_, report_, c, why)) {
                c.decision = Decision::accepted;
                c.outcome = c.target + " written";
            } else {
                c.outcome = "not written: " + why;
            }
            std::printf("%s %s: %s\n", decision_name(c.decision),
                        printable(report_.scenarios[c.scenario].file).c_str(), printable(c.outcome).c_str());
            std::fflush(stdout);
        }
        done.push_back({{"change", i}, {"decision", decision_name(c.decision)}, {"outcome", c.outcome}});
    }
    answer(res, 200, {{"changes", done}});
}

void Review::file(const httplib::Request& req, httplib::Response& res) const {
    const std::string path = req.matches[1];
    std::string why, bytes;
    const char* type = content_type(path);
    if (type == nullptr || !confined_relative_path(path, why)) {
        answer(res, 404, {{"error", "not a file of the report"}});
        return;
    }
    if (!read_file_beneath(dir_, path, MAX_REFERENCE_BYTES, bytes, why) ||
        bytes.size() > MAX_REFERENCE_BYTES) {
        answer(res, 404, {{"error", "not in the report"}});
        return;
    }
    res.set_content(bytes, type);
}

std::string Review::summary() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int counts[3] = {};
    for (const Change& c : changes_) ++counts[static_cast<int>(c.decision)];
    return std::to_string(counts[static_cast<int>(Decision::accepted)]) + " accepted, " +
           std::to_string(counts[static_cast<int>(Decision::rejected)]) + " rejected, " +
           std::to_string(counts[static_cast<int>(Decision::undecided)]) + " left undecided";
}

int Review::serve(int port) {
    httplib::Server server;
    server.new_task_queue = [] { return new BoundedQueue; };
    server.set_payload_max_length(MAX_BODY_BYTES);
    server.set_keep_alive_max_count(100);
    server.set_keep_alive_timeout(KEEP_ALIVE_S);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    // The token is in the address: no page may pass it on, frame it or run scripts from elsewhere.
    server.set_default_headers({{"Content-Security-Policy",
                                 "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'; script-src "
                                 "'unsafe-inline'; connect-src 'self'; base-uri 'none'; form-action 'none'; "
                                 "frame-ancestors 'none'"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Content-Type-Options", "nosniff"},
                                {"Cache-Control", "no-store"}});
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        return allowed(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                 : httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        // The page's pictures and requests carry the token as a cookie of this port alone.
        if (req.has_param("token"))
            res.set_header("Set-Cookie", "qd5review-" + std::to_string(port_) + "=" + token_ +
                                             "; Path=/; HttpOnly; SameSite=Strict");
        std::lock_guard<std::mutex> lock(mutex_);
        res.set_content(review_page(dir_, report_, changes_), "text/html; charset=utf-8");
    });
    server.Get("/(.+)", [this](const httplib::Request& req, httplib::Response& res) { file(req, res); });
    server.Post("/decide", [this](const httplib::Request& req, httplib::Response& res) { decide(req, res); });
    server.Post("/finish", [this](const httplib::Request&, httplib::Response& res) {
        finished_ = true;
        answer(res, 200, {{"summary", summary()}});
    });

    port_ = port == 0 ? server.bind_to_any_port(HOST) : server.bind_to_port(HOST, port) ? port : -1;
    if (port_ <= 0) {
        std::fprintf(stderr, "qd5run: cannot listen on %s:%d\n", HOST, port);
        return 2;
    }
    // SIGINT and SIGTERM are taken by this thread alone, which then stops the server.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    std::thread listening([&server] { server.listen_after_bind(); });
    std::printf(
        "review: http://%s:%d/?token=%s\n%zu changes in %s; Finish on the page or Ctrl+C ends the review\n",
        HOST, port_, token_.c_str(), changes_.size(), printable(dir_).c_str());
    std::fflush(stdout);
    const timespec tick{0, 100 * 1000 * 1000};
    while (!finished_ && sigtimedwait(&stops, nullptr, &tick) < 0) {
    }
    server.stop();
    listening.join();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    std::printf("review: %s\n", summary().c_str());
    return 0;
}

} // namespace

int run_review(const std::string& dir, int port) {
    Report report;
    std::string why;
    if (!read_report(dir, report, why)) {
        std::fprintf(stderr, "qd5run: %s\n", why.c_str());
        return 2;
    }
    return Review(dir, std::move(report)).serve(port);
}
