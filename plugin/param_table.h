// The 87 sound parameters: identifiers, names, value texts and the stepped-value encoding.
// Every value is normalised to 0..1; what it means is up to its consumer, this table only
// knows how to show it.
#pragma once

#include <cstddef>
#include <vector>

enum param_id : int {
    P_PLACEHOLDER = 0,
    P_UNISON_VOICES,
    P_UNISON_DETUNE,
    P_LEGATO,
    P_PORTA_SPEED,
    P_OSC_BALANCE,
    P_BEND_RANGE,
    P_OSC1_WAVE,
    P_OSC1_XPOSE,
    P_OSC1_LOOP,
    P_TEMPO_SOURCE,
    P_OSC1_FINE,
    P_OSC1_OFFSET,
    P_OSC1_LOOP_BEGIN,
    P_OSC1_LOOP_LENGTH,
    P_OSC1_SPEED,
    P_OSC2_WAVE,
    P_OSC2_XPOSE,
    P_OSC2_LOOP,
    P_OSC2_RELEASE,
    P_OSC2_FINE,
    P_OSC2_OFFSET,
    P_OSC2_LOOP_BEGIN,
    P_OSC2_LOOP_LENGTH,
    P_OSC2_SPEED,
    P_FILTER_TYPE,
    P_FILTER_CUTOFF,
    P_FILTER_RES,
    P_FILTER_ENV,
    P_FEG_ATTACK,
    P_FEG_DECAY,
    P_FEG_SUSTAIN,
    P_FEG_RELEASE,
    P_OSC_GAIN,
    P_GAIN,
    P_PAN,
    P_EG_ATTACK,
    P_EG_DECAY,
    P_EG_SUSTAIN,
    P_EG_RELEASE,
    P_LFO1_SYNC,
    P_LFO1_SHAPE,
    P_LFO1_FREQ,
    P_LFO2_SYNC,
    P_LFO2_SHAPE,
    P_LFO2_FREQ,
    P_LFO3_SYNC,
    P_LFO3_SHAPE,
    P_LFO3_FREQ,
    P_ASSIGN1_SRC,
    P_ASSIGN1_DEST,
    P_ASSIGN1_AMOUNT,
    P_ASSIGN2_SRC,
    P_ASSIGN2_DEST,
    P_ASSIGN2_AMOUNT,
    P_ASSIGN3_SRC,
    P_ASSIGN3_DEST,
    P_ASSIGN3_AMOUNT,
    P_ASSIGN4_SRC,
    P_ASSIGN4_DEST,
    P_ASSIGN4_AMOUNT,
    P_ASSIGN5_SRC,
    P_ASSIGN5_DEST,
    P_ASSIGN5_AMOUNT,
    P_ASSIGN6_SRC,
    P_ASSIGN6_DEST,
    P_ASSIGN6_AMOUNT,
    P_ASSIGN7_SRC,
    P_ASSIGN7_DEST,
    P_ASSIGN7_AMOUNT,
    P_ASSIGN8_SRC,
    P_ASSIGN8_DEST,
    P_ASSIGN8_AMOUNT,
    P_DELAY_ON,
    P_DELAY_TYPE,
    P_DELAY_SYNC,
    P_DELAY_FILTER_TYPE,
    P_DELAY_TEMPO,
    P_DELAY_LENGTH,
    P_DELAY_WET,
    P_DELAY_FEEDBACK,
    P_DELAY_CUTOFF,
    P_OSC1_SYNC,
    P_OSC2_SYNC,
    P_OSC1_PITCHABLE,
    P_OSC2_PITCHABLE,
    P_LFO_COMPAT,
    NUM_PARAMS
};
static_assert(P_OSC1_WAVE == 7 && P_DELAY_ON == 73 && P_LFO_COMPAT == 86 && NUM_PARAMS == 87);

// Writes the text for value x into text (at most cap bytes with the NUL).
using display_fn = void (*)(float x, char* text, size_t cap);

void display_raw(float x, char* text, size_t cap);
void display_percent(float x, char* text, size_t cap);
void display_percent_squared(float x, char* text, size_t cap);
void display_percent_200(float x, char* text, size_t cap);
void display_bipolar_percent(float x, char* text, size_t cap);
void display_cents(float x, char* text, size_t cap);
void display_semitones(float x, char* text, size_t cap);
void display_voice_count(float x, char* text, size_t cap);
void display_bend_range(float x, char* text, size_t cap);
void display_0_to_64(float x, char* text, size_t cap);
void display_on_off(float x, char* text, size_t cap);
void display_tempo_source(float x, char* text, size_t cap);
void display_delay_type(float x, char* text, size_t cap);
void display_balance(float x, char* text, size_t cap);
void display_pan(float x, char* text, size_t cap);
void display_gain(float x, char* text, size_t cap);
void display_osc_gain(float x, char* text, size_t cap);
void display_level(float x, char* text, size_t cap);
void display_lfo_rate(float x, char* text, size_t cap);
void display_delay_tempo(float x, char* text, size_t cap);
void display_delay_length(float x, char* text, size_t cap);
void display_osc_wave(float x, char* text, size_t cap);
void display_filter_type(float x, char* text, size_t cap);
void display_delay_filter(float x, char* text, size_t cap);
void display_lfo_shape(float x, char* text, size_t cap);
void display_lfo_sync(float x, char* text, size_t cap);
// Not in any record: the editor's display lookup substitutes these (see display_function).
void display_blank(float x, char* text, size_t cap);
void display_sync_beats_15(float x, char* text, size_t cap);
void display_sync_beats_23(float x, char* text, size_t cap);

// One record of the table. `initial` is the table builder's value, which stored-timbre
// readers start from; a fresh timbre differs from it on the delay records (fresh_value).
struct timbre_param {
    const char* long_name = "xxx";
    const char* short_name = "xyz";
    display_fn display = display_raw;
    bool modulatable = false;
    float initial = 0.0f;
    int steps = 1;  // 1 for continuous, else the number of choices
};

// The record for index 0..86 (the same for every timbre; only values differ per timbre).
const timbre_param& param_info(int index);
// What a newly constructed timbre holds for index.
float fresh_value(int index);

// Choice k of n is stored as (k + 0.5) / n in single precision, and read back truncated.
float choice_to_value(int k, int n);
int value_to_choice(float x, int n);

// 1 / steps, or 0 for a record with fewer than one step.
float param_step(int index);
// Indices whose records may be modulation destinations, ascending.
const std::vector<int>& modulatable_params();
