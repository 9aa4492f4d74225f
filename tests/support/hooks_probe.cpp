#include "support/hooks_probe.h"

#include "measurement/settings.h"

HookCounts hook_counts;

void settings_changed() { ++hook_counts.settings_changed; }
void channel_setup_changed() { ++hook_counts.channel_setup_changed; }
void min_max_changed() { ++hook_counts.min_max_changed; }
