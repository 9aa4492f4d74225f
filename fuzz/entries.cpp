#include "entries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/panel/front_panel.h"
#include "host/panel/instrument.h"
#include "soak/invariants.h"

namespace {

// Reads the input front to back; past its end every read gives zeros.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    void fill(void* target, size_t length) {
        auto* bytes = static_cast<uint8_t*>(target);
        for (size_t i = 0; i < length; ++i) bytes[i] = byte();
    }
    bool done() const { return at >= size; }
};

} // namespace

void fuzz_text(const uint8_t* data, size_t size) {
    Reader in{data, size};
    const auto x = static_cast<int16_t>(in.word());
    const auto y = static_cast<int16_t>(in.word());
    const uint8_t font = in.byte();
    const uint8_t align = in.byte();
    const uint8_t colour = static_cast<uint8_t>(in.byte() % PALETTE_SIZE);
    char text[300];
    size_t length = 0;
    while (!in.done() && length < sizeof text - 1) text[length++] = static_cast<char>(in.byte());
    text[length] = 0;
    lcd_text(x, y, text, font, align, colour);
}

void fuzz_sampling(const uint8_t* data, size_t size) {
    Reader in{data, size};
    SenderCurve curve;
    in.fill(&curve, sizeof curve);
    const uint16_t raw = in.word();
    (void)curve_lookup(curve, raw);
    const uint8_t channel = in.byte() % CHANNEL_COUNT;
    adc_input[channel] = static_cast<uint16_t>(in.word() % (RAW_MAXIMUM + 1));
    supply_adc = static_cast<uint16_t>(in.word() % (RAW_MAXIMUM + 1));
    current_zero[channel] = in.word();
    volts_cal_percent = in.byte();
    PressureChannelConfig pressure;
    TemperatureChannelConfig temperature;
    CurrentChannelConfig current;
    VoltsChannelConfig volts;
    in.fill(&pressure, sizeof pressure);
    in.fill(&temperature, sizeof temperature);
    in.fill(&current, sizeof current);
    in.fill(&volts, sizeof volts);
    sample_pressure(channel, pressure);
    sample_temperature(channel, temperature);
    sample_current(channel, current);
    sample_volts(channel, volts);
}

void fuzz_screens(const uint8_t* data, size_t size) {
    Reader in{data, size};
    front_panel_reset();
    front_panel_power_on();
    in.fill(&channel_settings, sizeof channel_settings);
    display_page = in.byte();
    security_on = in.byte() & 1;
    for (int input = 0; input < RAW_INPUT_COUNT; ++input)
        front_panel_set_raw(input, in.word() % (RAW_MAXIMUM + 1));
    while (!in.done()) {
        const uint8_t event = in.byte();
        if (event <= KEY_LAST - KEY_FIRST)
            front_panel_click(KEY_FIRST + event);
        else if (event < 8)
            for (int i = 0; i < 11; ++i) front_panel_timer_tick();
        else if (event == 8)
            front_panel_set_zolt(!front_panel.zolt_checked);
        const PassContext context = before_pass();
        front_panel_pass();
        char message[160];
        if (!check_invariants(context, message, sizeof message)) {
            std::fprintf(stderr, "invariant broken: %s\n", message);
            std::abort();
        }
    }
}
