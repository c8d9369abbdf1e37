// The 87 normalised parameter values of one sound.
#pragma once

#include <array>
#include <atomic>

#include "plugin/param_table.h"
#include "sound/serializable.h"

class timbre : public serializable {
public:
    static constexpr int count = NUM_PARAMS;

    // The two readers of the timbre part of old program records: A for versions 0x100 to
    // 0x500, B for 0x600 and 0x700.
    enum class old_reader { A, B };

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

    // Count 87, then the 87 values in index order.
    void serialize(serializer& out) const override;
    // The current reader: a count, then that many values into records 0, 1, 2, ...;
    // records not read keep the builder's values, values past record 86 are read and
    // dropped. Nothing changes when the read fails.
    void deserialize(deserializer& in) override;
    void deserialize_old(deserializer& in, old_reader which);

    bool operator==(const timbre& other) const;

    static bool in_range(int index) { return index >= 0 && index < count; }

private:
    std::array<std::atomic<float>, count> values;
};
