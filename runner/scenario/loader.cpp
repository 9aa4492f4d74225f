#include "runner/scenario/loader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>

#include <yaml-cpp/yaml.h>

#include "display/framebuffer.h"
#include "display/palette.h"
#include "display/text.h"
#include "display/text_record.h"
#include "runner/files/path_rule.h"
#include "runner/scenario/clean_text.h"
#include "runner/scenario/language.h"
#include "runner/scenario/settings_fields.h"
#include "runner/scenario/state_fields.h"
#include "runner/scenario/text_pattern.h"
#include "runner/scenario/vocabulary.h"

namespace {

// A fault found while checking: where and what. Thrown inside the loader only.
struct Fault {
    YAML::Mark mark;
    std::string message;
};

[[noreturn]] void fail(const YAML::Node& at, const std::string& message) { throw Fault{at.Mark(), message}; }

std::string scalar(const YAML::Node& node, const char* what) {
    if (!node.IsScalar()) fail(node, std::string(what) + " must be a single value");
    return node.Scalar();
}

// Every node of the document as its aliases expand, each counted as often as
// it is reached: a small file of aliases could otherwise stand for millions.
// Zero bytes are refused in every value, since a path or text would be cut at
// one.
void check_nodes(const YAML::Node& node, int depth, std::size_t& count) {
    if (++count > MAX_NODES)
        fail(node,
             "the file expands to more than " + std::to_string(MAX_NODES) + " values (through its aliases)");
    if (depth > MAX_DEPTH) fail(node, "values nested deeper than " + std::to_string(MAX_DEPTH));
    if (node.IsScalar()) {
        if (node.Scalar().find('\0') != std::string::npos) fail(node, "a zero byte in a value");
    } else if (node.IsSequence()) {
        for (const auto& item : node) check_nodes(item, depth + 1, count);
    } else if (node.IsMap()) {
        for (const auto& entry : node) {
            check_nodes(entry.first, depth + 1, count);
            check_nodes(entry.second, depth + 1, count);
        }
    }
}

int64_t integer(const YAML::Node& node, const char* what, int64_t low, int64_t high) {
    const std::string text = scalar(node, what);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || errno != 0)
        fail(node, std::string(what) + " must be a whole number, not " + quoted_input(text));
    if (value < low || value > high)
        fail(node, std::string(what) + " " + text + " is out of range " + std::to_string(low) + ".." +
                       std::to_string(high));
    return value;
}

// One set of words for yes and no wherever the file gives one, in any case.
bool boolean(const YAML::Node& node, const char* what) {
    std::string text = scalar(node, what);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "true" || text == "on" || text == "yes") return true;
    if (text == "false" || text == "off" || text == "no") return false;
    fail(node,
         std::string(what) + " must be true or false (on or off, yes or no), not " + quoted_input(text));
}

template <std::size_t N> int choose(const YAML::Node& node, const char* what, const char* const (&names)[N]) {
    const std::string text = scalar(node, what);
    const int index = index_of_name(names, static_cast<int>(N), text.c_str());
    if (index >= 0) return index;
    std::string list;
    for (const char* name : names) list += (list.empty() ? "" : ", ") + std::string(name);
    fail(node, "unknown " + std::string(what) + " " + quoted_input(text) + " (one of: " + list + ")");
}

const YAML::Node& mapping(const YAML::Node& node, const char* what) {
    if (!node.IsMap()) fail(node, std::string(what) + " must be a mapping of keys and values");
    // YAML forbids a key twice in one mapping; the parser lets it through.
    std::set<std::string> keys;
    for (const auto& entry : node)
        if (entry.first.IsScalar() && !keys.insert(entry.first.Scalar()).second)
            fail(entry.first, "the key " + quoted_input(entry.first.Scalar()) + " is given twice");
    return node;
}

// The step as written, from its line of the file: "press: knob", or
// "expect: ..." when the step goes on over the following lines.
std::string summary_of(const std::string& text, const YAML::Mark& mark) {
    if (mark.pos < 0 || static_cast<std::size_t>(mark.pos) >= text.size()) return "step";
    const std::size_t start = static_cast<std::size_t>(mark.pos);
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = cut_utf8(text.substr(start, end - start), 200);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (!line.empty() && line.back() == ':') line += " ...";
    constexpr std::size_t LONGEST = 100;
    if (line.size() > LONGEST) line = cut_utf8(line, LONGEST) + "...";
    return line;
}

class Loader {
  public:
    Loader(Scenario& scenario, const std::string& text) : scenario_(scenario), text_(text) {}
    void load(const YAML::Node& root);
    // Every fault found, up to MAX_FAULTS: a fault ends its step only.
    std::vector<Fault> faults;

  private:
    void step(const YAML::Node& node);
    void power(Step& s, const YAML::Node& v) { s.on = boolean(v, "power"); }
    // The pass that an expect straight after an input runs counts too.
    void zolt(Step& s, const YAML::Node& v) { s.on = boolean(v, "zolt"), input_time(v, -1); }
    void set(Step& s, const YAML::Node& v);
    void mode(Step& s, const YAML::Node& v);
    void press(Step& s, const YAML::Node& v);
    void click(Step& s, const YAML::Node& v);
    void settings(Step& s, const YAML::Node& v);
    void wait(Step& s, const YAML::Node& v);
    void wait_for(Step& s, const YAML::Node& v);
    void expect(Step& s, const YAML::Node& v);
    void screenshot(Step& s, const YAML::Node& v);
    void record(Step& s, const YAML::Node& v);
    // The conditions of one mapping; timeout, when given, takes a timeout key.
    void conditions(std::vector<Condition>& out, const YAML::Node& map, std::optional<YAML::Node>* timeout);
    Condition condition(const std::string& key, const YAML::Node& value, const YAML::Node& at);
    void text_condition(Condition& c, const YAML::Node& v);
    void lamp_condition(Condition& c, const YAML::Node& v);
    void screen_condition(Condition& c, const YAML::Node& v);
    void page_condition(Condition& c, const YAML::Node& v);
    void reading_condition(Condition& c, const YAML::Node& v);
    void alarm_condition(Condition& c, const YAML::Node& v);
    void pixel_condition(Condition& c, const YAML::Node& v);
    void blink_condition(Condition& c, const YAML::Node& v);
    void state_condition(Condition& c, const YAML::Node& v);
    void pattern_condition(Condition& c, const YAML::Node& v);
    void text_options(Condition& c, const std::optional<YAML::Node>& colour,
                      const std::optional<YAML::Node>& size, const std::optional<YAML::Node>& at);
    void image(ImageSpec& spec, const YAML::Node& map, bool save_kind, const char* extension);
    int64_t time(const YAML::Node& node, const char* what);
    void input_time(const YAML::Node& v, int times);

    Scenario& scenario_;
    const std::string& text_;
    int64_t total_ = 0;
    std::size_t conditions_ = 0;
};

void Loader::load(const YAML::Node& root) {
    if (!root.IsMap()) fail(root, "a scenario must be a mapping with name and steps");
    mapping(root, "a scenario");
    std::optional<YAML::Node> steps;
    for (const auto& entry : root) {
        const std::string key = scalar(entry.first, "a key");
        if (key == "name")
            scenario_.name = scalar(entry.second, "name");
        else if (key == "description")
            scenario_.description = scalar(entry.second, "description");
        else if (key == "steps")
            steps = entry.second;
        else
            fail(entry.first, "unknown key " + quoted_input(key) + " (name, description, steps)");
    }
    if (scenario_.name.empty()) faults.push_back(Fault{root.Mark(), "the scenario has no name"});
    if (!steps || !steps->IsSequence()) fail(root, "the scenario has no list of steps");
    if (steps->size() == 0) fail(*steps, "the scenario has no steps");
    if (steps->size() > MAX_STEPS) fail(*steps, "more than " + std::to_string(MAX_STEPS) + " steps");
    for (const auto& node : *steps) {
        try {
            step(node);
        } catch (const Fault& fault) {
            faults.push_back(fault);
            // Times and caps add up over the steps: past them, more faults would only repeat it.
            if (faults.size() >= MAX_FAULTS || total_ > MAX_TOTAL_PASSES || conditions_ > MAX_CONDITIONS)
                return;
        }
    }
}

void Loader::step(const YAML::Node& node) {
    if (!node.IsMap() || node.size() != 1)
        fail(node, "a step must be a mapping with one key, such as 'press: knob'");
    const auto entry = *node.begin();
    const std::string key = scalar(entry.first, "a step");
    const YAML::Node& value = entry.second;
    Step s;
    s.line = node.Mark().line + 1;
    s.column = node.Mark().column + 1;
    s.summary = summary_of(text_, node.Mark());
    using Handler = void (Loader::*)(Step&, const YAML::Node&);
    struct Kind {
        const char* name;
        StepKind kind;
        Handler handler;
    };
    static const Kind KINDS[] = {
        {"power", StepKind::power, &Loader::power},
        {"set", StepKind::set, &Loader::set},
        {"mode", StepKind::mode, &Loader::mode},
        {"zolt", StepKind::zolt, &Loader::zolt},
        {"press", StepKind::press, &Loader::press},
        {"wait", StepKind::wait, &Loader::wait},
        {"wait-for", StepKind::wait_for, &Loader::wait_for},
        {"expect", StepKind::expect, &Loader::expect},
        {"screenshot", StepKind::screenshot_save, &Loader::screenshot},
        {"record", StepKind::record_start, &Loader::record},
        {"click", StepKind::click, &Loader::click},
        {"settings", StepKind::settings, &Loader::settings},
    };
    for (const Kind& kind : KINDS)
        if (key == kind.name) {
            s.kind = kind.kind;
            (this->*kind.handler)(s, value);
            scenario_.steps.push_back(std::move(s));
            return;
        }
    fail(entry.first,
         "unknown step " + quoted_input(key) + " (" + word_names(STEP_WORDS, STEP_WORD_COUNT) + ")");
}

void Loader::set(Step& s, const YAML::Node& v) {
    input_time(v, -1);
    for (const auto& entry : mapping(v, "set")) {
        const int input = choose(entry.first, "input", INPUT_NAMES);
        if (!entry.second.IsMap()) {
            s.raw[input] = static_cast<uint16_t>(integer(entry.second, "raw value", 0, RAW_MAX));
            continue;
        }
        for (const auto& form : mapping(entry.second, "an input"))
            if (scalar(form.first, "a key") != "reading")
                fail(form.first,
                     "unknown key " + quoted_input(form.first.Scalar()) + " of an input (reading)");
        if (entry.second.size() == 0) fail(entry.second, "an input needs a raw value or {reading: N}");
        s.by_reading[input] =
            static_cast<int32_t>(integer(entry.second["reading"], "reading", -32768, 32767));
    }
}

// A click stores the key only if the slot is empty, and runs no pass.
void Loader::click(Step& s, const YAML::Node& v) {
    static const char* const NAMES[] = {KEY_NAMES[0].name, KEY_NAMES[1].name, KEY_NAMES[2].name,
                                        KEY_NAMES[3].name, KEY_NAMES[4].name};
    s.key = KEY_NAMES[choose(v, "key", NAMES)].code;
    input_time(v, -1);
}

// The settings fixture: device fields at the top, a channel's fields and
// records under ch1..ch4. Every field is checked against its type and range
// here; a sender is also checked against a sender type given beside it.
void Loader::settings(Step& s, const YAML::Node& v) {
    input_time(v, -1);
    const auto field_of = [&](SettingsRecord record, const YAML::Node& key) {
        // Python writes every name with hyphens: a field takes them for its underscores.
        std::string name = scalar(key, "a field");
        std::replace(name.begin(), name.end(), '-', '_');
        std::string list, owner;
        for (int i = 0; i < SETTINGS_FIELD_COUNT; ++i) {
            const SettingsField& f = SETTINGS_FIELDS[i];
            if (f.record == record && name == f.name) return i;
            if (f.record == record) list += (list.empty() ? "" : ", ") + std::string(f.name);
            if (name == f.name && owner.empty() && f.record < SettingsRecord::channel)
                owner = SETTINGS_RECORD_NAMES[static_cast<int>(f.record)];
        }
        const std::string where = record < SettingsRecord::channel
                                      ? std::string(SETTINGS_RECORD_NAMES[static_cast<int>(record)])
                                  : record == SettingsRecord::channel ? "a channel"
                                                                      : "the device";
        if (!owner.empty()) fail(key, quoted_input(name) + " is a field of " + owner + ", not of " + where);
        if (record == SettingsRecord::channel) list += ", pressure, temperature, current, volts";
        fail(key, "unknown field " + quoted_input(name) + " of " + where + " (one of: " + list + ")");
    };
    const auto value_of = [&](int field, int channel, const YAML::Node& node) {
        const SettingsField& f = SETTINGS_FIELDS[field];
        SettingWrite w;
        w.field = field;
        w.channel = channel;
        switch (f.type) {
        case FieldType::flag:
            w.value = boolean(node, f.name);
            break;
        case FieldType::mode: {
            const std::string text = scalar(node, f.name);
            const bool number = !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
            w.value = static_cast<int32_t>(number ? integer(node, f.name, f.low, f.high)
                                                  : choose(node, f.name, MODE_NAMES));
            break;
        }
        case FieldType::label: {
            std::string latin1;
            if (!utf8_to_latin1(scalar(node, f.name), latin1) || latin1.size() > LABEL_SIZE - 1)
                fail(node, "label must be at most " + std::to_string(LABEL_SIZE - 1) + " characters");
            std::memcpy(w.label, latin1.data(), latin1.size());
            break;
        }
        case FieldType::curve: {
            if (!node.IsSequence() || node.size() < 2 || node.size() > 16)
                fail(node, "user_curve must be a list of 2..16 points [value, raw]");
            w.curve.point_count = static_cast<uint8_t>(node.size());
            int k = 0;
            for (const auto& point : node) {
                if (!point.IsSequence() || point.size() != 2) fail(point, "a curve point is [value, raw]");
                w.curve.points[k].value = static_cast<int16_t>(integer(point[0], "value", -32768, 32767));
                w.curve.points[k].raw = static_cast<int16_t>(integer(point[1], "raw", 0, RAW_MAX));
                ++k;
            }
            break;
        }
        default:
            w.value = static_cast<int32_t>(integer(node, f.name, f.low, f.high));
        }
        s.settings.push_back(w);
    };
    for (const auto& entry : mapping(v, "settings")) {
        const std::string key = scalar(entry.first, "a field");
        const int channel = index_of_name(INPUT_NAMES, CHANNEL_COUNT, key.c_str());
        if (channel < 0) {
            value_of(field_of(SettingsRecord::device, entry.first), 0, entry.second);
            continue;
        }
        for (const auto& item : mapping(entry.second, key.c_str())) {
            std::string name = scalar(item.first, "a field");
            std::replace(name.begin(), name.end(), '-', '_');
            const int record = index_of_name(SETTINGS_RECORD_NAMES, 4, name.c_str());
            if (record < 0) {
                value_of(field_of(SettingsRecord::channel, item.first), channel, item.second);
                continue;
            }
            std::optional<int32_t> type;
            std::optional<YAML::Node> sender;
            for (const auto& field : mapping(item.second, name.c_str())) {
                const int f = field_of(static_cast<SettingsRecord>(record), field.first);
                value_of(f, channel, field.second);
                if (record == 0 && std::strcmp(SETTINGS_FIELDS[f].name, "sender_type") == 0)
                    type = s.settings.back().value;
                if (record == 0 && std::strcmp(SETTINGS_FIELDS[f].name, "sender") == 0) sender = field.second;
            }
            if (type && sender) {
                const PressureSenderType& t = PRESSURE_SENDER_TYPES[*type];
                const int64_t value = integer(*sender, "sender", 0, 3);
                if (value < t.first || value > t.last)
                    fail(*sender, "sender " + std::to_string(value) + " is out of range " +
                                      std::to_string(t.first) + ".." + std::to_string(t.last) +
                                      " of sender_type " + std::to_string(*type));
            }
        }
    }
    if (s.settings.empty()) fail(v, "settings needs at least one field");
}

void Loader::mode(Step& s, const YAML::Node& v) {
    input_time(v, -1);
    for (const auto& entry : mapping(v, "mode")) {
        const int channel = choose(entry.first, "channel", INPUT_NAMES);
        if (channel >= CHANNEL_COUNT) fail(entry.first, "the supply voltage has no mode");
        const std::string text = scalar(entry.second, "mode");
        const bool number = !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
        s.modes[channel] = static_cast<uint8_t>(number ? integer(entry.second, "mode", 0, MODE_COUNT - 1)
                                                       : choose(entry.second, "mode", MODE_NAMES));
    }
}

void Loader::press(Step& s, const YAML::Node& v) {
    static const char* const NAMES[] = {KEY_NAMES[0].name, KEY_NAMES[1].name, KEY_NAMES[2].name,
                                        KEY_NAMES[3].name, KEY_NAMES[4].name};
    if (v.IsScalar()) {
        s.key = KEY_NAMES[choose(v, "key", NAMES)].code;
        input_time(v, 1);
        return;
    }
    std::optional<YAML::Node> key, times, until, max;
    for (const auto& entry : mapping(v, "press")) {
        const std::string name = scalar(entry.first, "a key");
        if (name == "key")
            key = entry.second;
        else if (name == "times")
            times = entry.second;
        else if (name == "until")
            until = entry.second;
        else if (name == "max")
            max = entry.second;
        else
            fail(entry.first, "unknown key " + quoted_input(name) + " of press (key, times, until, max)");
    }
    if (!key) fail(v, "press needs a key");
    // times 0 presses nothing, as a loop that runs no time would.
    if (times) s.times = static_cast<int>(integer(*times, "times", 0, MAX_TIMES));
    if (until && times) fail(*times, "press takes times or until, not both");
    if (max && !until) fail(*max, "max belongs to press until");
    if (until) {
        s.until = true;
        s.times = max ? static_cast<int>(integer(*max, "max", 1, MAX_TIMES)) : MAX_TIMES;
        conditions(s.conditions, mapping(*until, "until"), nullptr);
    }
    s.key = KEY_NAMES[choose(*key, "key", NAMES)].code;
    input_time(v, s.times);
}

// A key may wait up to a second for the key slot, and the step up to a
// second more for the instrument to take the last one: counted at that, the
// 24 h bound holds however slowly the screen takes keys.
// An input step (times -1) counts the one pass that an expect after it runs.
void Loader::input_time(const YAML::Node& v, int times) {
    constexpr int64_t SECOND = 1000 / MS_PER_TICK * PASSES_PER_TICK;
    total_ += times < 0 ? 1 : (times + 1) * SECOND;
    if (total_ > MAX_TOTAL_PASSES) fail(v, "the scenario's times add up to more than 24 h");
}

void Loader::wait(Step& s, const YAML::Node& v) {
    const std::string text = scalar(v, "wait");
    const std::size_t space = text.find(' ');
    const std::size_t word = space == std::string::npos ? space : text.find_first_not_of(' ', space);
    const std::string unit = word == std::string::npos ? "" : text.substr(word);
    if (unit != "sample" && unit != "samples") {
        s.passes = time(v, "wait");
        return;
    }
    // To just after the Nth next sampling, which comes every 1.1 s.
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + space || n < 1 || n > 100000)
        fail(v, "wait: samples are counted 1..100000, such as 'wait: 3 samples'");
    s.samples = static_cast<int>(n);
    constexpr int64_t SAMPLE_PASSES = 1100 / MS_PER_TICK * PASSES_PER_TICK;
    total_ += (n + 1) * SAMPLE_PASSES;
    if (total_ > MAX_TOTAL_PASSES) fail(v, "the scenario's times add up to more than 24 h");
}

void Loader::wait_for(Step& s, const YAML::Node& v) {
    s.passes = DEFAULT_TIMEOUT_PASSES;
    std::optional<YAML::Node> timeout;
    conditions(s.conditions, mapping(v, "wait-for"), &timeout);
    if (timeout)
        s.passes = time(*timeout, "timeout");
    else
        total_ += s.passes;
    if (total_ > MAX_TOTAL_PASSES) fail(v, "the scenario's times add up to more than 24 h");
}

void Loader::expect(Step& s, const YAML::Node& v) {
    if (v.IsSequence()) {
        for (const auto& item : v) conditions(s.conditions, mapping(item, "a condition"), nullptr);
    } else {
        conditions(s.conditions, mapping(v, "expect"), nullptr);
    }
    if (s.conditions.empty()) fail(v, "expect needs at least one condition");
}

void Loader::conditions(std::vector<Condition>& out, const YAML::Node& map,
                        std::optional<YAML::Node>* timeout) {
    std::optional<YAML::Node> colour, size, at;
    const std::size_t first = out.size();
    for (const auto& entry : map) {
        const std::string key = scalar(entry.first, "a condition");
        if (key == "timeout" && timeout != nullptr)
            *timeout = entry.second;
        else if (key == "colour")
            colour = entry.second;
        else if (key == "size")
            size = entry.second;
        else if (key == "at")
            at = entry.second;
        else
            out.push_back(condition(key, entry.second, entry.first));
    }
    if (out.size() == first) fail(map, "at least one condition is needed");
    conditions_ += out.size() - first;
    if (conditions_ > MAX_CONDITIONS)
        fail(map,
             "more than " + std::to_string(MAX_CONDITIONS) + " conditions in the file (through its aliases)");
    if (!colour && !size && !at) return;
    Condition* text = nullptr;
    for (std::size_t i = first; i < out.size(); ++i) {
        if (!takes_text_options(out[i].kind)) continue;
        if (text != nullptr)
            fail(map,
                 "colour, size and at belong to one text or no-text: give each its own mapping in a list");
        text = &out[i];
    }
    const YAML::Node& given = colour ? *colour : size ? *size : *at;
    if (text == nullptr) fail(given, "colour, size and at belong to a text or no-text condition");
    text_options(*text, colour, size, at);
}

void Loader::text_options(Condition& c, const std::optional<YAML::Node>& colour,
                          const std::optional<YAML::Node>& size, const std::optional<YAML::Node>& at) {
    if (colour) c.colour = static_cast<int>(integer(*colour, "colour", 0, PALETTE_SIZE - 1));
    if (size) {
        c.size = static_cast<int>(integer(*size, "size", FONT_SIZES[0], FONT_SIZES[FONT_COUNT - 1]));
        bool known = false;
        std::string sizes;
        for (uint8_t s : FONT_SIZES) {
            known = known || s == c.size;
            sizes += (sizes.empty() ? "" : ", ") + std::to_string(s);
        }
        if (!known) fail(*size, "unknown font size " + std::to_string(c.size) + " (" + sizes + ")");
    }
    if (at) {
        bool x = false, y = false;
        for (const auto& entry : mapping(*at, "at")) {
            const std::string k = scalar(entry.first, "a key");
            if (k == "x")
                c.x = static_cast<int>(integer(entry.second, "x", -LCD_WIDTH, 2 * LCD_WIDTH)), x = true;
            else if (k == "y")
                c.y = static_cast<int>(integer(entry.second, "y", -LCD_HEIGHT, 2 * LCD_HEIGHT)), y = true;
            else
                fail(entry.first, "unknown key " + quoted_input(k) + " of at (x, y)");
        }
        if (!x || !y) fail(*at, "at needs x and y");
        c.at = true;
    }
}

// The conditions, as the steps: a name, its kind and the reader of its value.
Condition Loader::condition(const std::string& key, const YAML::Node& value, const YAML::Node& at) {
    using Reader = void (Loader::*)(Condition&, const YAML::Node&);
    struct Kind {
        const char* name;
        ConditionKind kind;
        Reader reader;
    };
    static const Kind KINDS[] = {
        {"text", ConditionKind::text, &Loader::text_condition},
        {"no-text", ConditionKind::no_text, &Loader::text_condition},
        {"lamp", ConditionKind::lamp, &Loader::lamp_condition},
        {"screen", ConditionKind::screen, &Loader::screen_condition},
        {"page", ConditionKind::page, &Loader::page_condition},
        {"reading", ConditionKind::reading, &Loader::reading_condition},
        {"alarm", ConditionKind::alarm, &Loader::alarm_condition},
        {"pixel", ConditionKind::pixel, &Loader::pixel_condition},
        {"blink-phase", ConditionKind::blink_phase, &Loader::blink_condition},
        {"state", ConditionKind::state, &Loader::state_condition},
        {"text-contains", ConditionKind::text_contains, &Loader::text_condition},
        {"no-text-contains", ConditionKind::no_text_contains, &Loader::text_condition},
        {"text-matches", ConditionKind::text_matches, &Loader::pattern_condition},
        {"no-text-matches", ConditionKind::no_text_matches, &Loader::pattern_condition},
    };
    Condition c;
    c.line = at.Mark().line + 1;
    c.column = at.Mark().column + 1;
    for (const Kind& kind : KINDS)
        if (key == kind.name) {
            c.kind = kind.kind;
            (this->*kind.reader)(c, value);
            return c;
        }
    fail(at, "unknown condition " + quoted_input(key) + " (" +
                 word_names(CONDITION_WORDS, CONDITION_WORD_COUNT) + ")");
}

void Loader::text_condition(Condition& c, const YAML::Node& v) {
    if (!utf8_to_latin1(scalar(v, "a text"), c.text))
        fail(v, "the instrument draws no character beyond code 255");
    if (c.text.size() > TEXT_RECORD_CHARS)
        fail(v, "a drawn text is kept to " + std::to_string(TEXT_RECORD_CHARS) + " characters");
}

void Loader::lamp_condition(Condition& c, const YAML::Node& v) {
    static const char* const LAMP[] = {"dark", "bright"};
    c.choice = choose(v, "lamp state", LAMP);
}

void Loader::screen_condition(Condition& c, const YAML::Node& v) {
    const std::string name = scalar(v, "screen");
    c.choice = -1;
    std::string list;
    for (int i = 0; i < SCREEN_NAME_COUNT; ++i) {
        if (name == SCREEN_NAMES[i].name) c.choice = i;
        list += (i ? ", " : "") + std::string(SCREEN_NAMES[i].name);
    }
    if (c.choice < 0) fail(v, "unknown screen " + quoted_input(name) + " (one of: " + list + ")");
}

void Loader::page_condition(Condition& c, const YAML::Node& v) { c.choice = choose(v, "page", PAGE_NAMES); }

void Loader::reading_condition(Condition& c, const YAML::Node& v) {
    for (const auto& entry : mapping(v, "reading")) {
        const int channel = choose(entry.first, "channel", INPUT_NAMES);
        if (channel >= CHANNEL_COUNT) fail(entry.first, "the supply voltage is read through a volts channel");
        constexpr int64_t LOW = -32768, HIGH = 32767;
        if (entry.second.IsMap()) {
            Range r{static_cast<int32_t>(LOW), static_cast<int32_t>(HIGH)};
            for (const auto& bound : mapping(entry.second, "a reading's bounds")) {
                const std::string b = scalar(bound.first, "a bound");
                if (b == "min")
                    r.low = static_cast<int32_t>(integer(bound.second, "min", LOW, HIGH));
                else if (b == "max")
                    r.high = static_cast<int32_t>(integer(bound.second, "max", LOW, HIGH));
                else
                    fail(bound.first, "unknown key " + quoted_input(b) + " of a reading (min, max)");
            }
            if (r.low > r.high)
                fail(entry.second, "min " + std::to_string(r.low) + " is above max " +
                                       std::to_string(r.high) + ": no reading could hold");
            c.readings[channel] = r;
        } else {
            const auto value = static_cast<int32_t>(integer(entry.second, "reading", LOW, HIGH));
            c.readings[channel] = Range{value, value};
        }
    }
    if (v.size() == 0) fail(v, "reading needs at least one channel");
}

void Loader::alarm_condition(Condition& c, const YAML::Node& v) {
    for (const auto& entry : mapping(v, "alarm"))
        c.alarms[choose(entry.first, "input", INPUT_NAMES)] = boolean(entry.second, "alarm");
    if (v.size() == 0) fail(v, "alarm needs at least one channel");
}

void Loader::pixel_condition(Condition& c, const YAML::Node& v) {
    bool x = false, y = false, colour = false;
    for (const auto& entry : mapping(v, "pixel")) {
        const std::string k = scalar(entry.first, "a key");
        if (k == "x")
            c.x = static_cast<int>(integer(entry.second, "x", 0, LCD_WIDTH - 1)), x = true;
        else if (k == "y")
            c.y = static_cast<int>(integer(entry.second, "y", 0, LCD_HEIGHT - 1)), y = true;
        else if (k == "colour")
            c.colour = static_cast<int>(integer(entry.second, "colour", 0, PALETTE_SIZE - 1)), colour = true;
        else
            fail(entry.first, "unknown key " + quoted_input(k) + " of pixel (x, y, colour)");
    }
    if (!x || !y || !colour) fail(v, "pixel needs x, y and colour");
}

void Loader::blink_condition(Condition& c, const YAML::Node& v) {
    c.choice = static_cast<int>(integer(v, "blink-phase", 0, 1));
}

void Loader::state_condition(Condition& c, const YAML::Node& v) {
    for (const auto& entry : mapping(v, "state")) {
        const std::string name = scalar(entry.first, "a variable");
        if (name == "acknowledged") {
            for (const auto& input : mapping(entry.second, "acknowledged"))
                c.acknowledged[choose(input.first, "input", INPUT_NAMES)] =
                    boolean(input.second, "acknowledged");
            if (entry.second.size() == 0) fail(entry.second, "acknowledged needs at least one input");
            continue;
        }
        int field = -1;
        std::string list;
        for (int i = 0; i < STATE_FIELD_COUNT; ++i) {
            if (name == STATE_FIELDS[i].name) field = i;
            list += STATE_FIELDS[i].name + std::string(", ");
        }
        if (field < 0)
            fail(entry.first,
                 "unknown variable " + quoted_input(name) + " of state (one of: " + list + "acknowledged)");
        const StateField& f = STATE_FIELDS[field];
        const int32_t value = f.flag ? int32_t{boolean(entry.second, f.name)}
                                     : static_cast<int32_t>(integer(entry.second, f.name, f.low, f.high));
        c.state.emplace_back(field, value);
    }
    if (v.size() == 0) fail(v, "state needs at least one variable");
}

// A pattern is compiled here, once: a bad one is refused before anything runs.
void Loader::pattern_condition(Condition& c, const YAML::Node& v) {
    std::string why;
    if (!utf8_to_latin1(scalar(v, "a pattern"), c.text))
        fail(v, "the instrument draws no character beyond code 255");
    c.pattern = compile_text_pattern(c.text, why);
    if (!c.pattern) fail(v, "bad pattern " + quoted_input(scalar(v, "a pattern")) + ": " + why);
}

void Loader::screenshot(Step& s, const YAML::Node& v) {
    const YAML::Node& map = mapping(v, "screenshot");
    const bool save = map["save"].IsDefined();
    const bool compare = map["compare"].IsDefined();
    if (save == compare) fail(v, "a screenshot either saves or compares: give save or compare");
    s.kind = save ? StepKind::screenshot_save : StepKind::screenshot_compare;
    image(s.image, map, save, ".png");
}

void Loader::record(Step& s, const YAML::Node& v) {
    if (v.IsScalar()) {
        if (v.Scalar() != "stop") fail(v, "record takes a mapping with save, or stop");
        s.kind = StepKind::record_stop;
        return;
    }
    const YAML::Node& map = mapping(v, "record");
    if (!map["save"].IsDefined()) fail(v, "record needs save: the GIF to write");
    s.kind = StepKind::record_start;
    image(s.image, map, true, ".gif");
}

void Loader::image(ImageSpec& spec, const YAML::Node& map, bool save_kind, const char* extension) {
    static const char* const VIEWS[] = {"display", "device"};
    for (const auto& entry : map) {
        const std::string key = scalar(entry.first, "a key");
        if (key == (save_kind ? "save" : "compare")) {
            spec.path = scalar(entry.second, key.c_str());
            // A reference follows the rules of an output, inside the
            // scenario's folder instead of --out.
            std::string why;
            if (!output_path_allowed(spec.path, extension, why)) {
                if (!save_kind && why.rfind("output paths", 0) == 0)
                    why = "a reference is relative to the scenario's folder and stays inside it";
                fail(entry.second, "bad path " + quoted_input(spec.path) + ": " + why);
            }
        } else if (key == "scale") {
            spec.scale = static_cast<int>(integer(entry.second, "scale", 1, MAX_SCALE));
        } else if (key == "view") {
            spec.view = static_cast<View>(choose(entry.second, "view", VIEWS));
        } else {
            fail(entry.first, "unknown key " + quoted_input(key) + " (" + (save_kind ? "save" : "compare") +
                                  ", scale, view)");
        }
    }
}

int64_t Loader::time(const YAML::Node& node, const char* what) {
    int64_t passes = 0;
    std::string why;
    if (!parse_duration(scalar(node, what), passes, why)) fail(node, std::string(what) + ": " + why);
    total_ += passes;
    if (total_ > MAX_TOTAL_PASSES) fail(node, "the scenario's times add up to more than 24 h");
    return passes;
}

std::string position(const std::string& file, const YAML::Mark& mark) {
    // A mark of -1 (a node made up by the parser) names the file only.
    if (mark.line < 0) return file + ":1:1";
    return file + ":" + std::to_string(mark.line + 1) + ":" + std::to_string(mark.column + 1);
}

} // namespace

bool parse_duration(const std::string& text, int64_t& passes, std::string& why) {
    struct Unit {
        const char* name;
        double passes_per_unit;
        bool whole;
    };
    constexpr double PASSES_PER_MS = static_cast<double>(PASSES_PER_TICK) / MS_PER_TICK;
    static const Unit UNITS[] = {
        {"ms", PASSES_PER_MS, false},
        {"s", 1000 * PASSES_PER_MS, false},
        {"min", 60000 * PASSES_PER_MS, false},
        {"h", 3600000 * PASSES_PER_MS, false},
        {"tick", PASSES_PER_TICK, true},
        {"ticks", PASSES_PER_TICK, true},
        {"pass", 1, true},
        {"passes", 1, true},
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == '-') {
        why = "a time cannot be negative";
        return false;
    }
    const std::size_t digits = i;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) ++i;
    const std::string number = text.substr(digits, i - digits);
    while (i < text.size() && text[i] == ' ') ++i;
    const std::string unit = text.substr(i);
    char* end = nullptr;
    const double value = number.empty() ? -1 : std::strtod(number.c_str(), &end);
    if (number.empty() || end == nullptr || *end != 0 || number.size() > 12) {
        why = "not a time: " + quoted_input(text) + " (such as 500ms, 1.5s, 2min, 1h, 3 ticks, 10 passes)";
        return false;
    }
    for (const Unit& u : UNITS) {
        if (unit != u.name) continue;
        if (u.whole && std::floor(value) != value) {
            why = "ticks and passes are whole numbers";
            return false;
        }
        const double p = std::ceil(value * u.passes_per_unit - 1e-9);
        if (p > static_cast<double>(MAX_TOTAL_PASSES)) {
            why = "a time longer than 24 h";
            return false;
        }
        passes = static_cast<int64_t>(p);
        return true;
    }
    why = "unknown time unit " + quoted_input(unit) + " (ms, s, min, h, ticks, passes; or samples in a wait)";
    return false;
}

bool output_path_allowed(const std::string& path, const char* extension, std::string& why) {
    if (!confined_relative_path(path, why)) {
        if (!path.empty() && path[0] == '/') why = "output paths are relative to the output folder";
        if (why.find("\"..\"") != std::string::npos) why = "output paths may not leave the output folder";
        return false;
    }
    const std::size_t ext = std::strlen(extension);
    if (path.size() <= ext || path.compare(path.size() - ext, ext, extension) != 0) {
        why = std::string("the file must end in ") + extension;
        return false;
    }
    return true;
}

namespace {

// The first line, near mark, indented with a tab: YAML forbids them there
// and the parser's own message does not say so.
int tab_indented_line(const std::string& text, const YAML::Mark& mark) {
    int line = 0;
    for (std::size_t start = 0; start < text.size() && line <= mark.line + 1; ++line) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::size_t indent = text.find_first_not_of(" \t", start);
        if (line >= mark.line - 1 && text.find('\t', start) < std::min(indent, end)) return line;
        start = end + 1;
    }
    return -1;
}

std::string faults_text(const std::string& file, const std::vector<Fault>& faults) {
    std::string out;
    for (const Fault& fault : faults)
        out += (out.empty() ? "" : "\n") + position(file, fault.mark) + ": " + fault.message;
    return out;
}

} // namespace

bool load_scenario_text(const std::string& text, const std::string& file, Scenario& scenario,
                        std::string& error) {
    scenario = Scenario{};
    scenario.file = file;
    if (text.size() > MAX_FILE_BYTES) {
        error = file + ":1:1: larger than " + std::to_string(MAX_FILE_BYTES) + " bytes";
        return false;
    }
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF) ||
        text.find('\0') != std::string::npos) {
        error = file + ":1:1: the file is UTF-16 or holds zero bytes; scenario files are UTF-8";
        return false;
    }
    try {
        const std::vector<YAML::Node> documents = YAML::LoadAll(text);
        if (documents.empty()) {
            error = file + ":1:1: the file is empty";
            return false;
        }
        if (documents.size() > 1) {
            error = position(file, documents[1].Mark()) + ": a second YAML document; one scenario per file";
            return false;
        }
        const YAML::Node& root = documents[0];
        std::size_t nodes = 0;
        check_nodes(root, 0, nodes);
        Loader loader(scenario, text);
        try {
            loader.load(root);
        } catch (const Fault& fault) {
            loader.faults.push_back(fault);
        }
        if (loader.faults.empty()) {
            scenario.source = text;
            return true;
        }
        error = faults_text(file, loader.faults);
    } catch (const Fault& fault) {
        error = position(file, fault.mark) + ": " + fault.message;
    } catch (const YAML::Exception& e) {
        error = position(file, e.mark) + ": YAML: " + e.msg;
        const int tab = tab_indented_line(text, e.mark);
        if (tab >= 0) error += "; a tab indents line " + std::to_string(tab + 1) + ": indent with spaces";
    } catch (const std::exception& e) {
        error = file + ":1:1: " + e.what();
    }
    scenario = Scenario{};
    scenario.file = file;
    return false;
}
