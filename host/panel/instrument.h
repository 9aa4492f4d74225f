// Every header of the instrument logic, for tests, tools and benchmarks.
#pragma once

#include "display/fonts.h"
#include "display/framebuffer.h"
#include "display/icons.h"
#include "display/image.h"
#include "display/palette.h"
#include "display/text.h"
#include "display/trig.h"
#include "host/panel/device.h"
#include "measurement/sampling.h"
#include "measurement/settings.h"
#include "menus/menu.h"
#include "menus/menu_screens.h"
#include "menus/screen_table.h"
#include "screens/run_screen.h"
