// A scenario file read as untrusted input: a regular file of at most
// MAX_FILE_BYTES (a FIFO or a device is refused before it could block), then
// loaded from its text.
#pragma once
#include <string>

#include "runner/scenario/loader.h"

bool load_scenario_file(const std::string& path, Scenario& scenario, std::string& error);
