// Where the window shows the front picture and the display panel, in window
// pixels: shared by the window and by the scenario runner's device pictures,
// so that both set the display into the front at the same place.
#pragma once

#include <cstdint>

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
