#include "runner/scenario/vocabulary.h"

#include <cstring>

#include "menus/screen_table.h"

namespace {

// The screen table's names in the order of their first entries.
struct GroupedScreens {
    ScreenName names[MAX_SCREEN_NAMES];
    int count = 0;
};

GroupedScreens group_screens() {
    GroupedScreens grouped{};
    for (int i = 0; i < SCREEN_TABLE_SIZE; ++i) {
        const ScreenInfo& screen = SCREEN_TABLE[i];
        int at = 0;
        while (at < grouped.count && std::strcmp(grouped.names[at].name, screen.name) != 0) ++at;
        if (at == grouped.count) grouped.names[grouped.count++].name = screen.name;
        for (ScreenHandler& slot : grouped.names[at].handlers)
            if (slot == nullptr) {
                slot = screen.handler;
                break;
            }
    }
    return grouped;
}

const GroupedScreens grouped_screens = group_screens();

} // namespace

const ScreenName* const SCREEN_NAMES = grouped_screens.names;
const int SCREEN_NAME_COUNT = grouped_screens.count;

int index_of_name(const char* const* names, int count, const char* name) {
    for (int i = 0; i < count; ++i)
        if (std::strcmp(names[i], name) == 0) return i;
    return -1;
}

bool utf8_to_latin1(const std::string& utf8, std::string& latin1) {
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

std::string latin1_to_utf8(const char* latin1) {
    std::string out;
    for (const char* p = latin1; *p != 0; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
