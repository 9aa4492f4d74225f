// The state condition: the instrument's own variables, and which alarms are
// acknowledged.
#pragma once

#include <string>

#include "runner/scenario/scenario.h"

bool state_holds(const Condition& condition, std::string& found);
std::string describe_state(const Condition& condition);
