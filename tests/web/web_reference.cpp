// The native side of the web page tests: runs the instrument through the same
// C API as the page, as the page's host would, from commands on stdin, and
// prints the frames the page must show. Commands, one a line:
//   input I V   slider of raw input I (0..3 channels, 4 supply) moved to V
//   mode C M    mode slider of channel C moved to M
//   zolt B      ZOLT box ticked (1) or not (0)
//   key K       key code K (1..5)
//   on | off    the On and Off buttons
//   tick N      N ticks of the 100 ms timer
//   pass N      N passes of the run loop
//   dump        prints "lamp B" (1 bright) and "frame " with 160x128 RGB hex
#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "web/web_api.h"

namespace {

constexpr int RAW_INPUTS = 5;
constexpr int CHANNELS = 4;

int raw_slider[RAW_INPUTS];
int zolt_box;
int lamp_bright = 1; // bright red until the first pass

void run_passes(int count) {
    for (int i = 0; i < count; ++i) {
        if (qd5_off_requested()) return;
        lamp_bright = qd5_lamp_bright();
        qd5_pass(zolt_box);
    }
}

// The page's On: power-on, the channel sliders re-read, the mode sliders
// moved to the modes in force, then the first pass.
void power_on() {
    qd5_power_on();
    for (int c = 0; c < CHANNELS; ++c) qd5_set_input(c, raw_slider[c]);
    for (int c = 0; c < CHANNELS; ++c) qd5_set_mode(c, qd5_mode(c));
    run_passes(1);
}

void dump() {
    const uint8_t* frame = qd5_frame();
    const uint32_t* palette = qd5_palette();
    std::printf("lamp %d\nframe ", lamp_bright);
    for (int i = 0; i < LCD_WIDTH * LCD_HEIGHT; ++i) {
        const uint32_t rgb = frame[i] < qd5_palette_size() ? palette[frame[i]] : 0;
        std::printf("%06x", static_cast<unsigned>(rgb));
    }
    std::printf("\n");
}

void set_input(int input, int value) {
    if (input < 0 || input >= RAW_INPUTS) return;
    raw_slider[input] = value;
    qd5_set_input(input, value);
}
void set_zolt(int ticked, int) { zolt_box = ticked != 0; }
void press(int code, int) { qd5_key(code); }
void on(int, int) { power_on(); }
void off(int, int) { qd5_power_off(); }
void ticks(int count, int) {
    for (int i = 0; i < count; ++i) qd5_timer_tick();
}
void passes(int count, int) { run_passes(count); }
void print_frame(int, int) { dump(); }

struct Command {
    const char* name;
    int arguments;
    void (*run)(int, int);
};
constexpr Command COMMANDS[] = {
    {"input", 2, set_input},
    {"mode", 2, qd5_set_mode},
    {"zolt", 1, set_zolt},
    {"key", 1, press},
    {"on", 0, on},
    {"off", 0, off},
    {"tick", 1, ticks},
    {"pass", 1, passes},
    {"dump", 0, print_frame},
};

bool run_command(const char* line) {
    char word[16] = {};
    int a = 0;
    int b = 0;
    const int fields = std::sscanf(line, "%15s %d %d", word, &a, &b);
    if (fields < 1) return true;
    for (const Command& command : COMMANDS)
        if (std::strcmp(word, command.name) == 0 && fields == command.arguments + 1) {
            command.run(a, b);
            return true;
        }
    std::fprintf(stderr, "unknown command: %s", line);
    return false;
}

} // namespace

int main() {
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr)
        if (!run_command(line)) return 2;
    return 0;
}
