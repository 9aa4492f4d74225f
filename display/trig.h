// Degree tables and the arc drawn from them.
#pragma once

#include <cstdint>

// Single-precision sine and cosine of 0..360 degrees and of 0..-360 degrees.
extern float sin_pos[361];
extern float cos_pos[361];
extern float sin_neg[361];
extern float cos_neg[361];

void trig_init();
// The tables empty, as before the first power-on.
void trig_reset();
float sin_deg(int16_t degrees);
float cos_deg(int16_t degrees);

// Points from start_deg up to, not including, end_deg; 0 degrees points right,
// 90 points down.
void lcd_arc(int16_t cx, int16_t cy, int16_t radius, int16_t start_deg, int16_t end_deg, uint8_t colour);
