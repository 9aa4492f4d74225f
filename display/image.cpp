// Placeholder until the image decoder lands.
#include "display/image.h"
void lcd_draw_image(int16_t, int16_t, const uint8_t*) {}
