// A fixed list filled by lcd_text: one short copy per call, no allocation.
#include "display/text_record.h"

TextRecordEntry text_record[TEXT_RECORD_CAPACITY];
uint8_t text_record_count;
uint16_t text_record_overflow;

void text_record_clear() {
    text_record_count = 0;
    text_record_overflow = 0;
}

void text_record_add(const char* text, int16_t x, int16_t y, uint8_t size, uint8_t align, uint8_t colour,
                     int16_t start_x, int16_t end_x) {
    if (text_record_count >= TEXT_RECORD_CAPACITY) {
        if (text_record_overflow != UINT16_MAX) ++text_record_overflow;
        return;
    }
    TextRecordEntry& entry = text_record[text_record_count++];
    uint8_t n = 0;
    if (text != nullptr)
        for (; n < TEXT_RECORD_CHARS && text[n] != 0; ++n) entry.text[n] = text[n];
    entry.text[n] = 0;
    entry.x = x;
    entry.y = y;
    entry.size = size;
    entry.align = align;
    entry.colour = colour;
    entry.start_x = start_x;
    entry.end_x = end_x;
}
