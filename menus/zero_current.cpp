// The question that takes the channel's present raw input as the zero point
// of its current sensor.
#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/text.h"
#include "measurement/sampling.h"
#include "menus/channel_setup_items.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"

namespace {

// The channel setup's "ZERO SENSOR" item.
constexpr uint8_t ZERO_SENSOR_ITEM = 10;

// The zero point is kept in 1/16 counts in 16 bits. A full-scale input of
// 4096 would wrap to 0 and the current would then read 40.9 A at that very
// input; it is held at 0xFFFF instead, which reads 0 there.
uint16_t zero_point_of(uint16_t adc) {
    const uint32_t zero = uint32_t(adc) * 16;
    return zero > 0xFFFF ? 0xFFFF : uint16_t(zero);
}

void zero_sensor() {
    const uint8_t channel = setup_channel();
    current_zero[channel] = zero_point_of(adc_input[channel]);
    channel_setup_changed();
    message_next_screen = channel_setup_screen;
    current_screen = message_screen;
    menu_cursor = ZERO_SENSOR_ITEM;
}

} // namespace

void zero_current_screen() {
    draw_question("ZERO", "CURRENT", "SENSOR?");
    if (pending_key == KEY_LEFT) {
        current_screen = channel_setup_screen;
        menu_reset(ZERO_SENSOR_ITEM);
    } else if (pending_key == KEY_RIGHT) {
        zero_sensor();
    }
    pending_key = KEY_NONE;
}
