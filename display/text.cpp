// Bitmap text: lcd_text and the reader of the built-in fonts.
//
// A font is one constant byte string (multi-byte numbers unsigned, low byte first):
//   offset 0, 2 bytes: zero
//   offset 2, 2 bytes: first character code
//   offset 4, 2 bytes: last character code
//   offset 6, 1 byte:  unused
//   offset 7, 1 byte:  height in pixels of every glyph
//   offset 8: one 4-byte entry per code from first to last:
//     byte 0: bits 16..23 of the bitmap offset, byte 1: width in pixels,
//     byte 2: bits 0..7 of the offset, byte 3: bits 8..15 of the offset
//   then the bitmaps: `height` rows, top first, ceil(width / 8) bytes per row,
//   the most significant bit leftmost, 1 = ink.
// Offsets count from the first byte of the font.
//
// A character code outside the selected font's range is skipped: it draws
// nothing and adds no advance (a label whose terminator was edited into code 1
// still draws in the fonts that start at 32). Every read is checked against the
// length of the font, so no entry or bitmap is ever read beyond its end.
//
// The entries are read once per font, on its first use, into a table indexed by
// character code that also keeps the rows of each glyph that hold ink. A glyph
// is clipped once, to the rows that land on the screen under the unsigned
// 16-bit comparisons of lcd_set_pixel and to the groups of eight columns that
// do (a group lies wholly on or off the screen), and each bitmap row is shifted
// into those groups and written eight pixels at a time. The pixels are exactly
// those of setting every ink bit through lcd_set_pixel.
#include "display/text.h"

#include <bit>
#include <cstring>

#include "display/fonts.h"
#include "display/framebuffer.h"
#include "display/text_record.h"

int16_t text_start_x;
int16_t text_end_x;

namespace {

struct FontRecord {
    const uint8_t* data;
    const uint32_t* length;
};

// The fonts in the order of FONT_SIZES: size 8 comes first, and every size not
// listed falls back to it.
const FontRecord font_records[FONT_COUNT] = {
    {font_8, &font_8_size},   {font_9, &font_9_size},   {font_10, &font_10_size},
    {font_12, &font_12_size}, {font_16, &font_16_size}, {font_20, &font_20_size},
    {font_24, &font_24_size}, {font_30, &font_30_size}, {font_34, &font_34_size},
};
static_assert(FONT_SIZES[0] == 8);

// The index into font_records for every size argument, 0 where none matches.
struct FontIndex {
    uint8_t of_size[256];
};

constexpr FontIndex make_font_index() {
    FontIndex index{};
    for (uint8_t i = 0; i < FONT_COUNT; ++i) index.of_size[FONT_SIZES[i]] = i;
    return index;
}

constexpr FontIndex font_index = make_font_index();

// One character code of a font, read from its entry.
struct GlyphInfo {
    uint32_t bitmap;  // offset of the bitmap from the first byte of the font
    uint16_t advance; // pen step after the glyph
    uint8_t width;
    uint8_t row_bytes; // bytes per bitmap row
    uint8_t ink_top;   // rows ink_top to ink_end - 1 hold all the ink; equal when there is
    uint8_t ink_end;   // none or the bitmap would lie outside the font
    bool spare;        // the font has 8 bytes beyond the bitmap: any row may be read 8 bytes at a time
};

struct FontTable {
    bool ready;
    uint8_t height;
    GlyphInfo glyphs[256];
};

FontTable font_tables[FONT_COUNT];

// The bits of the last byte of a row that lie within a width (the rest are padding).
inline unsigned last_byte_mask(unsigned width) { return (0xFF00u >> (((width + 7u) & 7u) + 1u)) & 0xFFu; }

// Reads every entry of a font once. The checks are those a reader of single
// entries would make: an entry beyond the font's end puts the code out of
// range, a bitmap beyond it leaves the glyph without ink.
void build_table(unsigned index) {
    const FontRecord& record = font_records[index];
    FontTable& table = font_tables[index];
    const uint8_t* data = record.data;
    const uint32_t length = *record.length;
    uint16_t first = 1, last = 0; // a font without a header has no code in range
    table.height = 0;
    if (length >= 8) {
        first = uint16_t(data[2] | data[3] << 8);
        last = uint16_t(data[4] | data[5] << 8);
        table.height = data[7];
    }
    for (unsigned code = 0; code < 256; ++code) {
        GlyphInfo& glyph = table.glyphs[code];
        glyph = GlyphInfo{0, 0, 0, 0, 0, 0, false};
        if (code < first || code > last) continue;
        const uint32_t entry = 8u + 4u * uint32_t(code - first);
        if (entry + 4u > length) continue;
        const uint8_t* e = data + entry;
        glyph.width = e[1];
        glyph.advance = FONT_SIZES[index] == 34 ? uint16_t(glyph.width - 1) : uint16_t(glyph.width + 1);
        const uint32_t offset = uint32_t(e[0]) << 16 | uint32_t(e[3]) << 8 | e[2];
        const unsigned row_bytes = (glyph.width + 7u) / 8u;
        glyph.row_bytes = uint8_t(row_bytes);
        const uint32_t bytes = uint32_t(table.height) * row_bytes;
        if (offset > length || bytes > length - offset || row_bytes == 0) continue;
        glyph.bitmap = offset;
        glyph.spare = bytes + 8u <= length - offset;
        const unsigned last_mask = last_byte_mask(glyph.width);
        for (unsigned r = 0; r < table.height; ++r) {
            const uint8_t* row = data + offset + r * row_bytes;
            bool ink = (row[row_bytes - 1] & last_mask) != 0;
            for (unsigned b = 0; b + 1 < row_bytes && !ink; ++b) ink = row[b] != 0;
            if (!ink) continue;
            if (glyph.ink_end == 0) glyph.ink_top = uint8_t(r);
            glyph.ink_end = uint8_t(r + 1);
        }
    }
    table.ready = true;
}

const FontTable& font_table(unsigned index) {
    if (!font_tables[index].ready) build_table(index);
    return font_tables[index];
}

// The eight frame buffer bytes of the pixels of a bitmap byte: 0xFF where the
// bit is ink, most significant bit first (the same order in memory on any host).
struct InkMasks {
    uint8_t of_byte[256][8];
};

constexpr InkMasks make_ink_masks() {
    InkMasks masks{};
    for (unsigned bits = 0; bits < 256; ++bits)
        for (unsigned k = 0; k < 8; ++k) masks.of_byte[bits][k] = (bits & (0x80u >> k)) != 0 ? 0xFF : 0;
    return masks;
}

constexpr InkMasks ink_masks = make_ink_masks();

// Sets the ink pixels of eight bits at p[0..7], leaving the others as they are.
inline void blend_byte(uint8_t* p, unsigned bits, uint64_t colours) {
    uint64_t mask, pixels;
    std::memcpy(&mask, ink_masks.of_byte[bits], 8);
    std::memcpy(&pixels, p, 8);
    pixels = (pixels & ~mask) | (colours & mask);
    std::memcpy(p, &pixels, 8);
}

// The cells start..start+length-1, counted modulo `modulus`, that fall within
// 0..limit-1, as the range lo..hi-1 of cell numbers (empty when lo >= hi). A
// start at or beyond the limit is a negative one that may wrap round to the
// first cells. length + limit stays below the modulus.
inline void visible_span(unsigned start, unsigned length, unsigned limit, unsigned modulus, unsigned& lo,
                         unsigned& hi) {
    if (start < limit) {
        lo = 0;
        hi = limit - start;
    } else {
        lo = modulus - start;
        hi = lo + limit;
    }
    if (hi > length) hi = length;
}

constexpr unsigned SCREEN_WORDS = LCD_WIDTH / 8; // a row in groups of eight columns
constexpr unsigned COLUMN_WORDS = 65536 / 8;     // the 16-bit column space in such groups

// The first CHUNK_BYTES bytes of a bitmap row as bits 63 downwards (bit 63 the
// leftmost column). With WHOLE the row is read as one 8-byte number; the
// bytes beyond the chunk are then whatever follows it in the font, and the
// caller masks them off.
template <unsigned CHUNK_BYTES, bool WHOLE> inline uint64_t row_bits(const uint8_t* row) {
    uint64_t bits = 0;
    if constexpr (WHOLE) {
        std::memcpy(&bits, row, 8);
        if constexpr (std::endian::native == std::endian::little) bits = __builtin_bswap64(bits);
    } else {
        for (unsigned b = 0; b < CHUNK_BYTES; ++b) bits |= uint64_t(row[b]) << (56u - 8u * b);
    }
    return bits;
}

// The top WORDS bytes of bits into as many groups from p on, written out one
// by one: the compiler does not unroll a loop of three or more.
template <unsigned WORDS> inline void blend_words(uint8_t* p, uint64_t bits, uint64_t colours) {
    blend_byte(p, unsigned(bits >> 56), colours);
    if constexpr (WORDS > 1) blend_words<WORDS - 1>(p + 8, bits << 8, colours);
}

// The rows of a chunk whose WORDS groups all lie on the screen, with the
// counts fixed so that the loops unroll.
template <unsigned CHUNK_BYTES, unsigned WORDS, bool WHOLE>
void draw_rows(const uint8_t* row, unsigned row_bytes, unsigned rows, uint8_t* line, uint64_t within,
               unsigned shift, uint64_t colours) {
    for (unsigned r = 0; r < rows; ++r, row += row_bytes, line += LCD_WIDTH)
        blend_words<WORDS>(line, (row_bits<CHUNK_BYTES, WHOLE>(row) & within) >> shift, colours);
}

template <unsigned CHUNK_BYTES, unsigned WORDS>
void draw_rows(const uint8_t* row, unsigned row_bytes, unsigned rows, uint8_t* line, uint64_t within,
               unsigned shift, uint64_t colours, bool spare) {
    // Wider rows are cheaper read whole, where the font has the bytes to spare.
    if (CHUNK_BYTES >= 3 && spare)
        draw_rows<CHUNK_BYTES, WORDS, true>(row, row_bytes, rows, line, within, shift, colours);
    else
        draw_rows<CHUNK_BYTES, WORDS, false>(row, row_bytes, rows, line, within, shift, colours);
}

// Up to seven bitmap bytes of each row, CHUNK_BYTES of them, starting at
// column x. A row's bits are shifted by x's place within its group of eight
// columns and written a group at a time, so every write is one aligned group of
// the frame buffer and a group lies either wholly on the screen or wholly off
// it (the screen and the 16-bit column space are whole numbers of groups): the
// clipping is exact without a test per pixel.
template <unsigned CHUNK_BYTES>
void draw_chunk(const uint8_t* row, unsigned row_bytes, unsigned width, unsigned rows, unsigned first_row,
                uint16_t x, uint64_t colours, bool spare) {
    const unsigned shift = x & 7u;
    const unsigned first_word = x >> 3;
    const unsigned words = (shift + width + 7u) / 8u;
    unsigned k0, k1;
    visible_span(first_word, words, SCREEN_WORDS, COLUMN_WORDS, k0, k1);
    if (k0 >= k1) return;
    // Bit 63 is the leftmost column of the chunk; the bits beyond its width are padding.
    const uint64_t within = ~uint64_t(0) << (64u - width);
    uint8_t* line = FrameBuffer[first_row] + 8u * ((first_word + k0) % COLUMN_WORDS);
    if (k0 == 0 && k1 == words) { // the common case: every group on the screen
        if (words == CHUNK_BYTES)
            draw_rows<CHUNK_BYTES, CHUNK_BYTES>(row, row_bytes, rows, line, within, shift, colours, spare);
        else
            draw_rows<CHUNK_BYTES, CHUNK_BYTES + 1>(row, row_bytes, rows, line, within, shift, colours,
                                                    spare);
        return;
    }
    for (unsigned r = 0; r < rows; ++r, row += row_bytes, line += LCD_WIDTH) {
        uint64_t bits = 0;
        for (unsigned b = 0; b < CHUNK_BYTES; ++b) bits |= uint64_t(row[b]) << (56u - 8u * b);
        bits = (bits & within) >> shift;
        for (unsigned k = k0; k < k1; ++k)
            blend_byte(line + 8u * (k - k0), unsigned(bits >> (56u - 8u * k)) & 0xFFu, colours);
    }
}

// Rows r0 to r1 - 1 of a glyph, which all lie on the screen, in any column.
void draw_glyph(const uint8_t* font, const GlyphInfo& glyph, unsigned r0, unsigned r1, uint16_t x, uint16_t y,
                uint64_t colours) {
    const unsigned first_row = uint16_t(y + r0);
    const unsigned row_bytes = glyph.row_bytes;
    const uint8_t* rows = font + glyph.bitmap + r0 * row_bytes;
    // Glyphs wider than 56 columns (none of the built-in fonts has one) go in chunks.
    for (unsigned from = 0; from < row_bytes; from += 7) {
        const unsigned bytes = row_bytes - from < 7 ? row_bytes - from : 7;
        const unsigned width = glyph.width - 8u * from < 56u ? glyph.width - 8u * from : 56u;
        const uint16_t at = uint16_t(x + 8u * from);
        const uint8_t* row = rows + from;
        switch (bytes) {
        case 1:
            draw_chunk<1>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        case 2:
            draw_chunk<2>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        case 3:
            draw_chunk<3>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        case 4:
            draw_chunk<4>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        case 5:
            draw_chunk<5>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        case 6:
            draw_chunk<6>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        default:
            draw_chunk<7>(row, row_bytes, width, r1 - r0, first_row, at, colours, glyph.spare);
            break;
        }
    }
}

// Rows r0 to r1 - 1 of a glyph of BYTES bytes a row whose columns all lie on
// the screen: no group of eight columns needs clipping.
template <unsigned BYTES>
void draw_inside(const uint8_t* font, const GlyphInfo& glyph, unsigned r0, unsigned r1, uint16_t x,
                 uint16_t y, uint64_t colours) {
    const unsigned shift = x & 7u;
    const uint64_t within = ~uint64_t(0) << (64u - glyph.width);
    const uint8_t* row = font + glyph.bitmap + r0 * BYTES;
    uint8_t* line = FrameBuffer[uint16_t(y + r0)] + (x & ~7u);
    if (shift + glyph.width <= 8u * BYTES)
        draw_rows<BYTES, BYTES>(row, BYTES, r1 - r0, line, within, shift, colours, glyph.spare);
    else
        draw_rows<BYTES, BYTES + 1>(row, BYTES, r1 - r0, line, within, shift, colours, glyph.spare);
}

void draw_inside(const uint8_t* font, const GlyphInfo& glyph, unsigned r0, unsigned r1, uint16_t x,
                 uint16_t y, uint64_t colours) {
    switch (glyph.row_bytes) {
    case 3:
        return draw_inside<3>(font, glyph, r0, r1, x, y, colours);
    case 4:
        return draw_inside<4>(font, glyph, r0, r1, x, y, colours);
    case 5:
        return draw_inside<5>(font, glyph, r0, r1, x, y, colours);
    case 6:
        return draw_inside<6>(font, glyph, r0, r1, x, y, colours);
    case 7:
        return draw_inside<7>(font, glyph, r0, r1, x, y, colours);
    default: // wider than 56 columns: in chunks
        return draw_glyph(font, glyph, r0, r1, x, y, colours);
    }
}

} // namespace

const uint8_t* font_for_size(uint8_t size) { return font_records[font_index.of_size[size]].data; }

void lcd_text(int16_t x, int16_t y, const char* text, uint8_t size, uint8_t align, uint8_t colour) {
    if (text == nullptr) text = "";
    const unsigned index = font_index.of_size[size];
    const FontTable& font = font_table(index);
    const uint8_t* data = font_records[index].data;

    uint16_t pen = uint16_t(x);
    if (align != ALIGN_LEFT) {
        uint16_t total = 0;
        for (const char* c = text; *c != 0; ++c) total = uint16_t(total + font.glyphs[uint8_t(*c)].advance);
        pen = align == ALIGN_RIGHT ? uint16_t(pen - total) : uint16_t(pen - (total >> 1));
    }
    text_start_x = int16_t(pen);

    // Every glyph has the font's height, so the rows on the screen are the same for all.
    unsigned r0, r1;
    visible_span(uint16_t(y), font.height, LCD_HEIGHT, 65536u, r0, r1);
    const uint64_t colours = 0x0101010101010101ull * colour;
    for (const char* c = text; *c != 0; ++c) {
        // A code out of range has no ink rows and no advance.
        const GlyphInfo& glyph = font.glyphs[uint8_t(*c)];
        const unsigned top = r0 > glyph.ink_top ? r0 : glyph.ink_top;
        const unsigned end = r1 < glyph.ink_end ? r1 : glyph.ink_end;
        if (top < end) {
            if (unsigned(pen) + glyph.width > LCD_WIDTH) // across an edge or off the screen
                draw_glyph(data, glyph, top, end, pen, uint16_t(y), colours);
            else if (glyph.row_bytes == 1) // the small fonts and narrow glyphs, kept inline
                draw_inside<1>(data, glyph, top, end, pen, uint16_t(y), colours);
            else if (glyph.row_bytes == 2)
                draw_inside<2>(data, glyph, top, end, pen, uint16_t(y), colours);
            else
                draw_inside(data, glyph, top, end, pen, uint16_t(y), colours);
        }
        pen = uint16_t(pen + glyph.advance);
    }
    text_end_x = int16_t(pen);
    text_record_add(text, x, y, size, align, colour, text_start_x, text_end_x);
}

void text_reset() {
    text_start_x = 0;
    text_end_x = 0;
    text_record_clear();
}

uint16_t glyph_advance(uint8_t size, uint8_t code) {
    return font_table(font_index.of_size[size]).glyphs[code].advance;
}

GlyphShows glyph_shows(uint8_t size, uint8_t code, uint16_t x, uint16_t y, uint8_t colour) {
    const unsigned index = font_index.of_size[size];
    const GlyphInfo& glyph = font_table(index).glyphs[code];
    if (glyph.ink_top >= glyph.ink_end) return GlyphShows::no_ink;
    const uint8_t* row = font_records[index].data + glyph.bitmap + glyph.ink_top * glyph.row_bytes;
    bool seen = false;
    // The same pixels as drawing, under lcd_set_pixel's unsigned 16-bit clipping.
    for (unsigned r = glyph.ink_top; r < glyph.ink_end; ++r, row += glyph.row_bytes) {
        const uint16_t py = uint16_t(y + r);
        if (py >= LCD_HEIGHT) continue;
        for (unsigned col = 0; col < glyph.width; ++col) {
            const uint16_t px = uint16_t(x + col);
            if ((row[col / 8] & (0x80u >> (col % 8))) == 0 || px >= LCD_WIDTH) continue;
            if (FrameBuffer[py][px] != colour) return GlyphShows::no;
            seen = true;
        }
    }
    return seen ? GlyphShows::yes : GlyphShows::no;
}
