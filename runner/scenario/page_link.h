// The web page's link to a scenario, as the page reads it (web/scenario.js):
// PAGE#scenario=TEXT&file=NAME, TEXT the base64url of the raw-deflated UTF-8
// scenario; &speed=max&at=LINE opens it at the step on LINE with the
// controls handed over. The report's "Open live" links and the Python
// module's page_link() write it here.
#pragma once

#include <string>

// "scenario=...&file=..." for a scenario's text and the file it names in messages.
std::string scenario_fragment(const std::string& text, const std::string& file);
// The fragment that opens at line, played as fast as possible up to it.
std::string fragment_at(const std::string& fragment, int line);
// text with every byte but letters, digits and those of kept percent-encoded:
// a path or a value that stays one part of a link.
std::string percent_encoded(const std::string& text, const char* kept);
// Whether text is a fragment scenario_fragment() could have written.
bool is_scenario_fragment(const std::string& text);
