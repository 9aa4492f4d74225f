// Placeholder until the channel settings land.
#include "measurement/settings.h"
ChannelSettings channel_settings;
uint8_t backlight_level, security_on, display_page, volts_cal_percent;
uint16_t security_code, current_zero[4];
void load_default_settings() {}
void reset_calibration() {}
