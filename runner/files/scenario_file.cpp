#include "runner/files/scenario_file.h"

#include "runner/files/confined_files.h"

bool load_scenario_file(const std::string& path, Scenario& scenario, std::string& error) {
    std::string text, why;
    if (!read_regular_file(path, MAX_FILE_BYTES, text, why)) {
        scenario = Scenario{};
        scenario.file = path;
        error = path + ": cannot be read: " + why;
        return false;
    }
    return load_scenario_text(text, path, scenario, error);
}
