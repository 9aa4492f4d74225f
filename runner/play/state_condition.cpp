#include "runner/play/state_condition.h"

#include "host/panel/device.h"
#include "runner/scenario/state_fields.h"
#include "runner/scenario/vocabulary.h"

namespace {

std::string value_text(const StateField& f, int32_t v) {
    return f.flag ? (v ? "true" : "false") : std::to_string(v);
}

} // namespace

bool state_holds(const Condition& c, std::string& found) {
    bool all = true;
    for (const auto& [field, wanted] : c.state) {
        const StateField& f = STATE_FIELDS[field];
        const int32_t value = f.read();
        if (value == wanted) continue;
        all = false;
        found += std::string(found.empty() ? "" : ", ") + f.name + " " + value_text(f, value);
    }
    for (int i = 0; i < RAW_INPUTS; ++i) {
        if (!c.acknowledged[i]) continue;
        const bool acknowledged = (alarm_ack_flags >> i) & 1u;
        if (acknowledged == *c.acknowledged[i]) continue;
        all = false;
        found += std::string(found.empty() ? "" : ", ") + INPUT_NAMES[i] +
                 (acknowledged ? " acknowledged" : " not acknowledged");
    }
    return all;
}

std::string describe_state(const Condition& c) {
    std::string out = "state";
    for (const auto& [field, wanted] : c.state)
        out += std::string(" ") + STATE_FIELDS[field].name + " " + value_text(STATE_FIELDS[field], wanted);
    for (int i = 0; i < RAW_INPUTS; ++i)
        if (c.acknowledged[i])
            out += std::string(" ") + INPUT_NAMES[i] +
                   (*c.acknowledged[i] ? " acknowledged" : " not acknowledged");
    return out;
}
