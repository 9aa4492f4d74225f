// Placeholder until the fonts land.
#include "display/text.h"
int16_t text_start_x, text_end_x;
void lcd_text(int16_t x, int16_t, const char*, uint8_t, uint8_t, uint8_t) { text_start_x = text_end_x = x; }
const uint8_t* font_for_size(uint8_t) { return nullptr; }
