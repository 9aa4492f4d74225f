// Where the front picture, the display panel and the keys' click areas lie, in
// window pixels: the window places its widgets by it, make_front draws the
// picture by it, the runner sets the display into its device pictures by it,
// and the page's stylesheet is written from it, so that all of them agree.
#pragma once

#include <cstdint>

#include "host/panel/device.h"

constexpr int DEVICE_WIDTH = 241; // the front picture, at the window's top left
constexpr int DEVICE_HEIGHT = 249;
constexpr int PANEL_X = 40; // the display panel: 160 by 128 plus a spare row and columns
constexpr int PANEL_Y = 57;
constexpr int PANEL_WIDTH = 163;
constexpr int PANEL_HEIGHT = 129;
// The alarm lamp below the front picture: a disc, bright while a channel
// alarm is not acknowledged, dark otherwise.
constexpr int LAMP_X = 8;
constexpr int LAMP_Y = 264;
constexpr int LAMP_SIZE = 33;
constexpr uint32_t LAMP_BRIGHT_RGB = 0xFF0000;
constexpr uint32_t LAMP_DARK_RGB = 0x800000;

// A click area: the square around a round key of the picture.
struct KeyArea {
    uint8_t key; // the key code a click sends
    int x, y, size;
};
inline constexpr KeyArea KEY_AREAS[] = {
    {KEY_LEFT, 52, 192, 33},
    {KEY_PUSH, 100, 196, 41},
    {KEY_RIGHT, 154, 192, 33},
};

// The area of a key on the picture (KEY_LEFT, KEY_PUSH or KEY_RIGHT).
constexpr const KeyArea& key_area(uint8_t key) {
    for (const KeyArea& area : KEY_AREAS)
        if (area.key == key) return area;
    return KEY_AREAS[0];
}
