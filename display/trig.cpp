// Placeholder until the arc lands.
#include "display/trig.h"
float sin_pos[361], cos_pos[361], sin_neg[361], cos_neg[361];
void trig_init() {}
float sin_deg(int16_t) { return 0; }
float cos_deg(int16_t) { return 0; }
void lcd_arc(int16_t, int16_t, int16_t, int16_t, int16_t, uint8_t) {}
