// Texts from scenario files on their way to the terminal and the JUnit report:
// valid UTF-8 on one line, with no byte that a terminal or XML 1.0 would take
// as anything but text.
#pragma once

#include <cstddef>
#include <string>

// s with control characters (newlines, tabs and ESC too, C1 controls) and
// bytes that are not UTF-8 shown as \xNN.
std::string printable(const std::string& s);
// s cut to at most bytes, never inside a UTF-8 character.
std::string cut_utf8(const std::string& s, std::size_t bytes);
// s as printable() shows it, escaped for HTML text and attribute values.
std::string html_escaped(const std::string& s);

// What a message quotes of its input: at most this many bytes of it.
constexpr std::size_t LONGEST_QUOTE = 100;
// s inside a message: printable, cut to LONGEST_QUOTE bytes ("..." marks a
// cut) and in single quotes, so that a hostile key makes no huge line.
std::string quoted_input(const std::string& s);
