// The page's instrument while the scenario toolkit drives it (scenario_api.cpp):
// a scenario playing, or a recording. Then simulated time is the driver's, as
// in qd5run, and the front panel's actions also go to the recording.
#pragma once

// Whether the driver has the instrument (rather than the page's own clock).
bool driven();
// On or Off through the driver; the pass result bits of On.
int driven_power(bool on);
// A click, slider or box the page passed to the front panel, for the recording.
void driven_noted_click(int code);
void driven_noted_input(int input);
void driven_noted_mode(int channel);
void driven_noted_zolt();

// The display's text alternative, made again from the record of drawn texts.
void describe_screen();
