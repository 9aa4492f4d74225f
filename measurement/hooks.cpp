// Notification hooks. A device would store its settings and recorded values
// here; the simulator keeps everything in memory, so they do nothing.
// This file holds nothing else: the test build links its own counting hooks
// in their place.
#include "measurement/settings.h"

void settings_changed() {}
void channel_setup_changed() {}
void min_max_changed() {}
