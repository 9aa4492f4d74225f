// Placeholder until the icon generator lands.
#include "display/icons.h"
const uint8_t icon_warning[] = {1, 0, 1, 0, 0};
const uint8_t icon_question[] = {1, 0, 1, 0, 0};
const uint8_t icon_channel[] = {1, 0, 1, 0, 0};
const uint8_t icon_misc[] = {1, 0, 1, 0, 0};
const uint8_t icon_values[] = {1, 0, 1, 0, 0};
