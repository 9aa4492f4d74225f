// The instrument's own variables that the state condition reads, by the
// names of the variables: one table for the loader's names and ranges, the
// check and the docs.
#pragma once

#include <cstdint>

struct StateField {
    const char* name;
    int32_t low; // the range the loader accepts
    int32_t high;
    bool flag;         // given as true or false
    int32_t (*read)(); // the variable's present value
    const char* meaning;
};
extern const StateField STATE_FIELDS[];
extern const int STATE_FIELD_COUNT;
