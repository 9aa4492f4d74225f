// The test build replaces the instrument's empty notification hooks with these
// counting ones, so tests can see where the hooks are called.
#pragma once

struct HookCounts {
    int settings_changed = 0;
    int channel_setup_changed = 0;
    int min_max_changed = 0;
};

extern HookCounts hook_counts;
