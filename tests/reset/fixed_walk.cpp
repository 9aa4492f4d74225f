#include "reset/fixed_walk.h"

#include "display/framebuffer.h"
#include "runner/play/driver.h"
#include "runner/play/flow.h"
#include "runner/play/fnv.h"

namespace {

// The frame as the flows hash it, and the lamp.
uint64_t frame_and_lamp() { return fnv_mix(frame_hash(), front_panel.lamp_bright ? 1u : 0u); }

void wait(Driver& driver, int passes) {
    for (int i = 0; i < passes; ++i) driver.step();
}

void press(Driver& driver, uint8_t key, int times = 1) {
    for (int i = 0; i < times; ++i) {
        driver.press(key);
        driver.settle();
    }
}

} // namespace

std::vector<uint64_t> fixed_walk_frames() {
    std::vector<uint64_t> frames;
    Driver driver;
    driver.after_pass = [&frames] { frames.push_back(frame_and_lamp()); };
    const uint16_t inputs[RAW_INPUT_COUNT] = {216, 156, 2048, 3000, 1440};
    for (int i = 0; i < RAW_INPUT_COUNT; ++i) driver.set_raw(i, inputs[i]);
    driver.power_on();
    wait(driver, 200);
    for (int page = 0; page < 4; ++page) {
        press(driver, KEY_UP);
        wait(driver, 70);
    }
    driver.set_raw(0, 40); // an alarm, then its acknowledgement
    wait(driver, 140);
    press(driver, KEY_RIGHT);
    press(driver, KEY_PUSH); // the main menu, each of its entries and back
    for (int item = 0; item < 6; ++item) {
        press(driver, KEY_PUSH);
        wait(driver, 20);
        press(driver, KEY_DOWN, 2);
        press(driver, KEY_LEFT);
        press(driver, KEY_DOWN);
    }
    press(driver, KEY_LEFT, 3);
    driver.set_zolt(true);
    driver.set_mode(3, MODE_OFF);
    wait(driver, 140);
    driver.power_off();
    wait(driver, 10);
    return frames;
}
