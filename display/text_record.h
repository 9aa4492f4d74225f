// The record of the texts drawn since the last lcd_clear: what each lcd_text
// call asked for and where its text landed. Tests and the scenario runner read
// it to assert on what the screen says; the runner checks the frame buffer
// only for whether each character is still visible where it was drawn.
#pragma once

#include <cstdint>

constexpr uint8_t TEXT_RECORD_CAPACITY = 64; // calls kept per frame
constexpr uint8_t TEXT_RECORD_CHARS = 32;    // characters kept per text

struct TextRecordEntry {
    char text[TEXT_RECORD_CHARS + 1]; // cut at TEXT_RECORD_CHARS, always terminated
    int16_t x;                        // the call's arguments
    int16_t y;
    uint8_t size;
    uint8_t align;
    uint8_t colour;
    int16_t start_x; // text_start_x and text_end_x after the call
    int16_t end_x;
};

extern TextRecordEntry text_record[TEXT_RECORD_CAPACITY];
extern uint8_t text_record_count;     // entries in use, at most TEXT_RECORD_CAPACITY
extern uint16_t text_record_overflow; // calls that found the record full (saturates)

// Empties the record; lcd_clear calls it.
void text_record_clear();
// Appends one lcd_text call; a full record only counts the overflow.
void text_record_add(const char* text, int16_t x, int16_t y, uint8_t size, uint8_t align, uint8_t colour,
                     int16_t start_x, int16_t end_x);
