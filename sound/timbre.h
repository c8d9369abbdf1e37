// The 87 normalised parameter values of one sound.
#pragma once

#include <array>
#include <atomic>

#include "plugin/param_table.h"

class timbre {
public:
    static constexpr int count = NUM_PARAMS;

    timbre();  // fresh values
    timbre(const timbre& other);
    timbre& operator=(const timbre& other);

    // Values are read by the host and the audio thread while the editor writes them, so
    // each one is an atomic; out-of-range indices read 0 and are not written.
    float value(int index) const {
        return in_range(index) ? values[size_t(index)].load(std::memory_order_relaxed) : 0.0f;
    }
    void set_value(int index, float v) {
        if (in_range(index)) values[size_t(index)].store(v, std::memory_order_relaxed);
    }
    // The table record (names, text, steps); the same for every timbre.
    static const timbre_param& record(int index) { return param_info(index); }

    // Every value back to the table builder's own, where stored-timbre readers start.
    void reset_to_initial();

    bool operator==(const timbre& other) const;

    static bool in_range(int index) { return index >= 0 && index < count; }

private:
    std::array<std::atomic<float>, count> values;
};
