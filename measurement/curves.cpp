// The built-in sender curves and the name tables of the settings.
//
// A curve point is written as {display value, raw ADC counts}, in the order
// the lookup walks them.
#include "measurement/settings.h"

const SenderCurve orv_ntc_curve = {10,
                                   0,
                                   {{20, 1740},
                                    {30, 1320},
                                    {40, 972},
                                    {50, 703},
                                    {60, 504},
                                    {70, 360},
                                    {80, 264},
                                    {90, 192},
                                    {100, 144},
                                    {110, 106}}};

const SenderCurve vdo150_curve = {10,
                                  0,
                                  {{10, 2000},
                                   {50, 720},
                                   {66, 432},
                                   {80, 280},
                                   {100, 156},
                                   {110, 120},
                                   {120, 92},
                                   {130, 72},
                                   {140, 56},
                                   {150, 44}}};

const SenderCurve westach_curve = {10,
                                   0,
                                   {{10, 3273},
                                    {21, 2880},
                                    {43, 1976},
                                    {60, 1344},
                                    {77, 888},
                                    {88, 672},
                                    {99, 500},
                                    {121, 284},
                                    {149, 144},
                                    {204, 37}}};

const SenderCurve vdo120_curve = {10,
                                  0,
                                  {{10, 1710},
                                   {30, 928},
                                   {50, 472},
                                   {60, 332},
                                   {70, 244},
                                   {80, 179},
                                   {90, 131},
                                   {100, 96},
                                   {110, 72},
                                   {120, 56}}};

// Pressure senders in 0.1 bar. Channel 2's input circuit differs from the
// others, so it has its own set of VDO curves.
const SenderCurve vdo_2bar_curve = {5, 0, {{0, 7}, {5, 162}, {10, 245}, {15, 308}, {20, 452}}};
const SenderCurve vdo_2bar_ch2_curve = {5, 0, {{0, 12}, {5, 240}, {10, 360}, {15, 448}, {20, 644}}};
const SenderCurve vdo_5bar_curve = {6, 0, {{0, 24}, {10, 128}, {20, 212}, {30, 290}, {40, 364}, {50, 424}}};
const SenderCurve vdo_5bar_ch2_curve = {
    6, 0, {{0, 36}, {10, 188}, {20, 312}, {30, 420}, {40, 524}, {50, 607}}};
const SenderCurve vdo_10bar_curve = {6, 0, {{0, 20}, {20, 128}, {40, 216}, {60, 304}, {80, 372}, {100, 433}}};
const SenderCurve vdo_10bar_ch2_curve = {
    6, 0, {{0, 35}, {20, 192}, {40, 320}, {60, 440}, {80, 536}, {100, 620}}};

// UMA transducers: 0.1 psi, psi, inches of mercury, psi, psi.
const SenderCurve uma_t1eu07_curve = {
    8, 0, {{0, 160}, {10, 668}, {20, 1178}, {30, 1686}, {40, 2196}, {50, 2705}, {60, 3213}, {70, 3722}}};
const SenderCurve uma_t1eu35_curve = {
    8, 0, {{0, 160}, {5, 676}, {10, 1203}, {15, 1727}, {20, 2245}, {25, 2770}, {30, 3280}, {35, 3814}}};
const SenderCurve uma_n1eu07_curve = {13,
                                      0,
                                      {{5, 112},
                                       {6, 159},
                                       {10, 389},
                                       {15, 668},
                                       {20, 939},
                                       {25, 1219},
                                       {30, 1498},
                                       {35, 1776},
                                       {40, 2056},
                                       {45, 2336},
                                       {50, 2614},
                                       {55, 2893},
                                       {60, 3173}}};
const SenderCurve uma_n1eu35_curve = {10,
                                      0,
                                      {{0, 160},
                                       {10, 520},
                                       {20, 890},
                                       {30, 1252},
                                       {40, 1612},
                                       {50, 1981},
                                       {60, 2343},
                                       {70, 2704},
                                       {80, 3073},
                                       {90, 3436}}};
const SenderCurve uma_n1eu100_curve = {
    8, 0, {{0, 160}, {20, 668}, {40, 1178}, {60, 1686}, {80, 2196}, {100, 2704}, {120, 3213}, {150, 3977}}};

const char* const channel_mode_names[5] = {"OFF", "PRESSURE", "TEMP", "CURRENT", "VOLTS"};
const char* const pressure_sender_type_names[3] = {"RESISTIVE", "VOLTAGE", "CURRENT"};
const char* const vdo_model_names[3] = {"2 bar", "5 bar", "10 bar"};
const char* const uma_model_names[6] = {"T1EU07", "T1EU35", "T1EU100", "N1EU07", "N1EU35", "N1EU100"};
const char* const pressure_unit_names[3] = {"bar", "psi", "psi"};
// The degree sign is the single character 0xB0; the literal is split so that
// the escape does not swallow the "C" after it.
const char* const temperature_sender_names[6] = {"ORV NTC",
                                                 "VDO 150\xB0"
                                                 "C",
                                                 "LM335",
                                                 "USER",
                                                 "WESTACH",
                                                 "VDO 120\xB0"
                                                 "C"};
const char* const temperature_unit_names[2] = {"\xB0"
                                               "C",
                                               "\xB0"
                                               "F"};
const char* const data_source_names[2] = {"INTERNAL", "ZOLT"};
const char* const switch_state_names[2] = {"OFF", "ON"};
