#include "runner/files/flows_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "display/framebuffer.h"
#include "runner/files/confined_files.h"
#include "runner/files/path_rule.h"
#include "runner/scenario/clean_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* FORMAT = "qd5run flows 1";

// A streaming reader: the document is checked as it is read, so that no
// hostile file builds a large tree first, and nesting beyond the format's
// own three levels is refused at once.
class FlowsReader : public nlohmann::json_sax<nlohmann::json> {
  public:
    explicit FlowsReader(FlowsFile& file) : file_(file) {}
    std::string why;

    bool null() override { return value("null"); }
    bool boolean(bool) override { return value("a true or false"); }
    bool number_integer(number_integer_t n) override { return number(static_cast<double>(n), true); }
    bool number_unsigned(number_unsigned_t n) override { return number(static_cast<double>(n), true); }
    bool number_float(number_float_t n, const string_t&) override { return number(n, false); }
    bool binary(binary_t&) override { return value("binary data"); }
    bool string(string_t& s) override {
        if (state_ == State::format) {
            if (s != FORMAT) return fail("\"format\" is not \"" + std::string(FORMAT) + "\"");
            seen_format_ = true;
            state_ = State::top;
            return true;
        }
        if (state_ != State::hash) return value("a string");
        uint64_t hash = 0;
        if (!parse_hash(s, hash)) return fail(where() + "the hash is not 16 lower-case hex digits");
        flow_->push_back(FlowEntry{hash, 0, 0});
        state_ = State::line;
        return true;
    }
    bool start_object(std::size_t) override {
        if (state_ == State::start) return state_ = State::top, true;
        if (state_ == State::scenarios_value) return state_ = State::scenario_key, true;
        return value("an object");
    }
    bool key(string_t& k) override {
        if (state_ == State::top) {
            if (!top_keys_.insert(k).second) return fail("the key " + quoted_input(k) + " appears twice");
            if (k == "format") return state_ = State::format, true;
            if (k == "scenarios") return state_ = State::scenarios_value, true;
            return fail("unknown key " + quoted_input(k) + " (known: format, scenarios)");
        }
        // state_ is scenario_key: the only other place an object is open.
        std::string why_not;
        if (!confined_relative_path(k, why_not)) return fail("scenario " + quoted_input(k) + ": " + why_not);
        if (file_.flows.size() >= MAX_FLOWS_SCENARIOS)
            return fail("more than " + std::to_string(MAX_FLOWS_SCENARIOS) + " scenarios");
        const auto [at, fresh] = file_.flows.emplace(k, Flow{});
        if (!fresh) return fail("scenario " + quoted_input(k) + " appears twice");
        key_ = k;
        flow_ = &at->second;
        state_ = State::flow_value;
        return true;
    }
    bool end_object() override {
        if (state_ == State::scenario_key) return state_ = State::top, true;
        // state_ is top: the document ends.
        if (!seen_format_) return fail("no \"format\"");
        if (top_keys_.count("scenarios") == 0) return fail("no \"scenarios\"");
        state_ = State::done;
        return true;
    }
    bool start_array(std::size_t) override {
        if (state_ == State::flow_value) return state_ = State::entries, true;
        if (state_ != State::entries) return value("a list");
        if (flow_->size() >= MAX_FLOW_FRAMES)
            return fail(where() + "more than " + std::to_string(MAX_FLOW_FRAMES) + " frames");
        if (++frames_ > MAX_FLOWS_FRAMES)
            return fail("more than " + std::to_string(MAX_FLOWS_FRAMES) + " frames in all");
        state_ = State::hash;
        return true;
    }
    bool end_array() override {
        if (state_ == State::entries) return state_ = State::scenario_key, true;
        if (state_ == State::entry_end) return state_ = State::entries, true;
        return fail(where() + "a frame is [\"hash\", line, seconds]");
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
        return fail("not valid JSON at byte " + std::to_string(position));
    }

  private:
    enum class State {
        start,
        top,
        format,
        scenarios_value,
        scenario_key,
        flow_value,
        entries,
        hash,
        line,
        time,
        entry_end,
        done
    };

    bool fail(const std::string& what) {
        if (why.empty()) why = what;
        return false;
    }
    std::string where() const {
        return "scenario " + quoted_input(key_) + ", frame " + std::to_string(flow_->size()) + ": ";
    }
    bool value(const char* what) {
        if (state_ == State::hash || state_ == State::line || state_ == State::time ||
            state_ == State::entry_end)
            return fail(where() + "a frame is [\"hash\", line, seconds], not " + what);
        return fail(std::string("unexpected ") + what);
    }
    bool number(double n, bool whole) {
        if (state_ == State::line) {
            if (!whole || n < 1 || n > 10000000)
                return fail(where() + "the line is not a whole number from 1");
            flow_->back().line = static_cast<int>(n);
            state_ = State::time;
            return true;
        }
        if (state_ != State::time) return value("a number");
        if (!std::isfinite(n) || n < 0 || n > 48 * 3600.0)
            return fail(where() + "the time is not a number of seconds from 0 to 172800");
        flow_->back().pass = std::llround(n * 1000 / MS_PER_TICK * PASSES_PER_TICK);
        state_ = State::entry_end;
        return true;
    }

    FlowsFile& file_;
    State state_ = State::start;
    bool seen_format_ = false;
    std::set<std::string> top_keys_;
    std::string key_;
    Flow* flow_ = nullptr;
    std::size_t frames_ = 0;
};

std::string json_string(const std::string& s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

bool parse_flows(const std::string& text, const std::string& source, FlowsFile& file, std::string& error) {
    file = FlowsFile{};
    FlowsReader reader(file);
    const bool ok = nlohmann::json::sax_parse(text, &reader, nlohmann::json::input_format_t::json, true);
    if (ok && reader.why.empty()) return true;
    error = printable(source) + ": " + (reader.why.empty() ? "not a flows file" : reader.why);
    file = FlowsFile{};
    return false;
}

bool load_flows_file(const std::string& path, bool missing_ok, FlowsFile& file, std::string& error) {
    std::error_code code;
    if (missing_ok && !fs::exists(fs::symlink_status(path, code))) {
        file = FlowsFile{};
        return true;
    }
    if (!missing_ok && !fs::exists(fs::symlink_status(path, code))) {
        error = printable(path) + ": no such file yet (--update creates it)";
        return false;
    }
    std::string text, why;
    if (!read_regular_file(path, MAX_FLOWS_FILE_BYTES, text, why)) {
        error = printable(path) + ": " + why;
        return false;
    }
    if (text.size() > MAX_FLOWS_FILE_BYTES) {
        error = printable(path) + ": larger than " + std::to_string(MAX_FLOWS_FILE_BYTES >> 20) + " MB";
        return false;
    }
    return parse_flows(text, path, file, error);
}

std::string flows_text(const FlowsFile& file) {
    std::string text = "{\n  \"format\": \"" + std::string(FORMAT) + "\",\n  \"scenarios\": {";
    bool first = true;
    for (const auto& [key, flow] : file.flows) {
        text += first ? "\n    " : ",\n    ";
        first = false;
        text += json_string(key) + ": [";
        for (std::size_t i = 0; i < flow.size(); ++i) {
            char entry[96];
            std::snprintf(entry, sizeof entry, "%s\n      [\"%s\", %d, %.3f]", i == 0 ? "" : ",",
                          hash_text(flow[i].hash).c_str(), flow[i].line, pass_seconds(flow[i].pass));
            text += entry;
        }
        text += flow.empty() ? "]" : "\n    ]";
    }
    text += first ? "}\n}\n" : "\n  }\n}\n";
    return text;
}

bool write_flows_file(const std::string& path, const FlowsFile& file, std::string& why) {
    const fs::path p(path);
    const std::string folder = p.parent_path().empty() ? "." : p.parent_path().string();
    return write_file_beneath(folder, p.filename().string(), flows_text(file), false, nullptr, why);
}

std::string flows_screens_folder(const std::string& flows_path) {
    fs::path p(flows_path);
    return (p.parent_path() / p.stem()).string();
}

std::string screen_file_name(uint64_t hash) { return hash_text(hash) + ".png"; }

namespace {

// The flows file's folder, and a stored screen's path relative to it.
std::string flows_folder(const std::string& flows_path) {
    const fs::path parent = fs::path(flows_path).parent_path();
    return parent.empty() ? "." : parent.string();
}
std::string stored_screen(const std::string& flows_path, uint64_t hash) {
    return fs::path(flows_path).stem().string() + "/" + screen_file_name(hash);
}

} // namespace

bool read_stored_screen(const std::string& flows_path, uint64_t hash, std::string& bytes, std::string& why) {
    if (!read_file_beneath(flows_folder(flows_path), stored_screen(flows_path, hash), MAX_FRAME_PNG_BYTES,
                           bytes, why))
        return false;
    if (is_frame_png(bytes)) return true;
    why = "not a PNG of the display";
    return false;
}

bool write_stored_screen(const std::string& flows_path, uint64_t hash, const std::string& bytes,
                         OutputBudget* budget, std::string& why) {
    return write_file_beneath(flows_folder(flows_path), stored_screen(flows_path, hash), bytes, false, budget,
                              why);
}

bool stored_screen_exists(const std::string& flows_path, uint64_t hash) {
    std::error_code error;
    return fs::is_regular_file(
        fs::symlink_status(flows_screens_folder(flows_path) + "/" + screen_file_name(hash), error));
}

bool flows_key(const std::string& flows_path, const std::string& scenario_file, std::string& key,
               std::string& why) {
    std::error_code code;
    const fs::path folder = fs::weakly_canonical(fs::absolute(flows_path, code).parent_path(), code);
    const fs::path scenario = fs::weakly_canonical(fs::absolute(scenario_file, code), code);
    const std::string relative = scenario.lexically_relative(folder).generic_string();
    if (code || !confined_relative_path(relative, why)) {
        why = "the scenario " + scenario_file + " is not inside the folder of " + flows_path;
        return false;
    }
    key = relative;
    return true;
}

bool is_frame_png(const std::string& bytes) {
    // The signature, then the IHDR chunk's length and type, then its width and height.
    static const std::string start("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    auto number = [&](std::size_t at) {
        uint32_t n = 0;
        for (std::size_t i = at; i < at + 4; ++i) n = (n << 8) | static_cast<unsigned char>(bytes[i]);
        return n;
    };
    return bytes.size() <= MAX_FRAME_PNG_BYTES && bytes.size() >= 24 && bytes.compare(0, 16, start) == 0 &&
           number(16) == LCD_WIDTH && number(20) == LCD_HEIGHT;
}

void prune_stored_screens(const std::string& flows_path, const FlowsFile& file) {
    std::set<std::string> named;
    for (const auto& [key, flow] : file.flows)
        for (const FlowEntry& e : flow) named.insert(screen_file_name(e.hash));
    const std::string folder = flows_screens_folder(flows_path);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return;
    DIR* listing = ::fdopendir(dir);
    if (listing == nullptr) {
        ::close(dir);
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        uint64_t hash = 0;
        // Only files this runner names are ever removed.
        if (name.size() == 20 && name.ends_with(".png") && parse_hash(name.substr(0, 16), hash) &&
            named.count(name) == 0)
            stale.push_back(name);
    }
    ::closedir(listing);
    for (const std::string& name : stale) remove_file_beneath(folder, name);
}
