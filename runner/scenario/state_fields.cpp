#include "runner/scenario/state_fields.h"

#include "host/panel/device.h"
#include "measurement/settings.h"
#include "menus/menu.h"

// Values are the variables' own: selected-channel 0..3 is CH 1..CH 4 and
// pending-key holds a key's code (0 when the slot is empty).
const StateField STATE_FIELDS[] = {
    {"edit-step", 0, 65535, false, [] { return int32_t{edit_step}; }, "the step a numeric edit changes by"},
    {"menu-cursor", 0, 255, false, [] { return int32_t{menu_cursor}; },
     "the menu item under the cursor, from 0"},
    {"menu-scroll", 0, 255, false, [] { return int32_t{menu_scroll}; }, "the first menu item shown, from 0"},
    {"menu-editing", 0, 1, true, [] { return int32_t{menu_editing != 0}; }, "an item is being edited"},
    {"selected-channel", 0, 3, false, [] { return int32_t{selected_channel}; },
     "the channel the menus set up, 0..3 for CH 1..CH 4"},
    {"pending-key", 0, 5, false, [] { return int32_t{pending_key}; },
     "the key in the one-deep slot: 0 none, 1 left, 2 right, 3 knob, 4 up, 5 down"},
    {"display-page", 0, 3, false, [] { return int32_t{display_page}; }, "the run screen's page, 0..3"},
    {"text-cursor", 0, 3, false, [] { return int32_t{text_cursor}; }, "the label character being edited"},
};
const int STATE_FIELD_COUNT = sizeof STATE_FIELDS / sizeof STATE_FIELDS[0];
