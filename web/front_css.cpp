// Writes the page's front.css: where the front, the display and the keys' click
// areas sit and the lamp's colours, from host/panel/front_geometry.h, so that the page's stylesheet
// restates none of it and the page lays out in full before its module starts.
// Usage: front_css OUTPUT.css (run by the web build under Node.js);
//        front_css --picture-size prints the size the front picture is shown
//        at twice its picture pixels ("482x498"), to which the build resamples it.
#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "host/panel/front_geometry.h"
#include "host/panel/panel_names.h"

namespace {

// A box in picture pixels, scaled by the page's --unit.
void box(std::FILE* out, const char* selector, int x, int y, int width, int height) {
    std::fprintf(out, "%s {\n", selector);
    if (x >= 0) std::fprintf(out, "  left: calc(%d * var(--unit));\n  top: calc(%d * var(--unit));\n", x, y);
    std::fprintf(out, "  width: calc(%d * var(--unit));\n  height: calc(%d * var(--unit));\n}\n", width,
                 height);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--picture-size") == 0) {
        std::printf("%dx%d\n", 2 * DEVICE_WIDTH, 2 * DEVICE_HEIGHT);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: front_css OUTPUT.css\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "front_css: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(out, "/* Written by the build from host/panel/front_geometry.h: positions in picture\n"
                      "   pixels of the front, so the click areas stay over the keys at any size. */\n");
    // Before the page sets --unit to whole device pixels, the front already
    // takes about the room it will have (the body's padding is 12px), so that
    // nothing shifts when it does.
    std::fprintf(out,
                 ".instrument {\n  --front-width: %d;\n  --front-height: %d;\n"
                 "  --unit: min(2px, calc((100vw - 24px) / %d), calc((100vh - 84px) / %d));\n}\n",
                 DEVICE_WIDTH, DEVICE_HEIGHT, DEVICE_WIDTH, DEVICE_HEIGHT);
    // The sliders, which the page makes at start, have their room from the first layout.
    std::fprintf(out, "#raw-inputs { min-height: calc(%d * var(--slider-row)); }\n", RAW_INPUT_COUNT);
    std::fprintf(out, "#mode-inputs { min-height: calc(%d * var(--slider-row)); }\n", CHANNEL_COUNT);
    box(out, ".front", -1, -1, DEVICE_WIDTH, DEVICE_HEIGHT);
    box(out, ".panel", PANEL_X, PANEL_Y, PANEL_WIDTH, PANEL_HEIGHT);
    // The display covers the panel's top-left corner.
    box(out, "#display", -1, -1, LCD_WIDTH, LCD_HEIGHT);
    for (const KeyArea& area : KEY_AREAS) {
        char selector[64];
        std::snprintf(selector, sizeof selector, ".key-area[data-key=\"%s\"]", key_name(area.key).name);
        box(out, selector, area.x, area.y, area.size, area.size);
    }
    // The lamp's colours, as the window and the device pictures show them.
    std::fprintf(out, ".lamp { background: #%06X; }\n.lamp.dark { background: #%06X; }\n",
                 static_cast<unsigned>(LAMP_BRIGHT_RGB), static_cast<unsigned>(LAMP_DARK_RGB));
    return std::fclose(out) == 0 ? 0 : 1;
}
