#include "runner/play/reading_inverse.h"

#include <cstdlib>

#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "runner/scenario/scenario.h"
#include "runner/scenario/vocabulary.h"

namespace {

// The reading input gives for raw; false where its conversion gives none.
bool reading_at(int input, uint16_t raw, int32_t& reading) {
    if (input == SUPPLY_INPUT) {
        reading = volts_for_raw(raw);
        return true;
    }
    return channel_reading_for_raw(static_cast<uint8_t>(input), raw, reading);
}

// Why a channel's own input cannot set its reading, or nullptr.
const char* unreadable(int channel) {
    switch (channel_mode[channel]) {
    case MODE_PRESSURE:
        return channel_settings.pressure[channel].data_source != 0 ? "reads the ZOLT unit, not its input"
                                                                   : nullptr;
    case MODE_TEMPERATURE:
        return channel_settings.temperature[channel].data_source != 0 ? "reads the ZOLT unit, not its input"
                                                                      : nullptr;
    case MODE_CURRENT:
        return channel_settings.current[channel].data_source != 0 ? "reads the ZOLT unit, not its input"
                                                                  : nullptr;
    case MODE_VOLTS:
        return "is in volts mode and shows the supply: set volts by its reading";
    default:
        return "is off (every channel is off before the first power-on)";
    }
}

} // namespace

bool raw_for_reading(int input, int32_t wanted, uint16_t& raw, std::string& why) {
    if (input < 0 || input >= RAW_INPUTS) return false;
    if (input < CHANNEL_COUNT) {
        if (const char* reason = unreadable(input)) {
            why = std::string(INPUT_NAMES[input]) + " " + reason;
            return false;
        }
    }
    // Every raw value is tried, lowest first: a conversion need not be
    // monotonic (a user curve), so no bisection could be trusted. Where
    // separate runs give the reading, the lowest is taken.
    int first = -1, last = -1;
    bool has_below = false, has_above = false;
    int32_t below = 0, above = 0;
    for (int r = 0; r <= RAW_MAXIMUM; ++r) {
        int32_t reading = 0;
        if (!reading_at(input, static_cast<uint16_t>(r), reading)) continue;
        if (reading == wanted && (first < 0 || last == r - 1)) {
            if (first < 0) first = r;
            last = r;
        }
        if (reading < wanted && (!has_below || reading > below)) below = reading, has_below = true;
        if (reading > wanted && (!has_above || reading < above)) above = reading, has_above = true;
    }
    if (first >= 0) {
        raw = static_cast<uint16_t>((first + last) / 2);
        return true;
    }
    // The raw values named are where the two nearest readings meet: the
    // closest pair, one of each; with one side only, where it is first reached.
    int below_raw = -1, above_raw = -1, best_below = -1, best_above = -1;
    for (int r = 0; r <= RAW_MAXIMUM; ++r) {
        int32_t reading = 0;
        if (!reading_at(input, static_cast<uint16_t>(r), reading)) continue;
        if (has_below && reading == below) below_raw = r;
        if (has_above && reading == above) above_raw = r;
        if (has_below && has_above) {
            if (below_raw >= 0 && above_raw >= 0 &&
                (best_below < 0 || std::abs(below_raw - above_raw) < std::abs(best_below - best_above)))
                best_below = below_raw, best_above = above_raw;
        } else if (best_below < 0 && best_above < 0) {
            best_below = below_raw, best_above = above_raw;
        }
    }
    const auto side = [](bool has, int32_t reading, int at, const char* none) {
        return has ? std::to_string(reading) + " at raw " + std::to_string(at) : std::string(none);
    };
    why = "no raw value gives " + std::string(INPUT_NAMES[input]) + " the reading " + std::to_string(wanted) +
          "; nearest: " + side(has_below, below, best_below, "none below") + ", " +
          side(has_above, above, best_above, "none above");
    return false;
}
