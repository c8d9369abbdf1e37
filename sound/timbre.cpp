#include "sound/timbre.h"

#include <algorithm>
#include <cmath>

#include "sound/persist_error.h"

timbre::timbre() : serializable() {
    for (int i = 0; i < count; ++i) set_value(i, fresh_value(i));
}

timbre::timbre(const timbre& other) : serializable() { *this = other; }

timbre& timbre::operator=(const timbre& other) {
    if (this != &other)
        for (int i = 0; i < count; ++i) set_value(i, other.value(i));
    return *this;
}

void timbre::reset_to_initial() {
    for (int i = 0; i < count; ++i) set_value(i, param_info(i).initial);
}

bool timbre::operator==(const timbre& other) const {
    for (int i = 0; i < count; ++i)
        if (value(i) != other.value(i)) return false;
    return true;
}

void timbre::serialize(serializer& out) const {
    out.put_long(count);
    for (int i = 0; i < count; ++i) out.put_float(value(i));
}

namespace {

enum class reader_kind { current, old_a, old_b };

bool is_lfo_sync(int i) { return i == P_LFO1_SYNC || i == P_LFO2_SYNC || i == P_LFO3_SYNC; }

bool is_assign_amount(int i) { return i >= P_ASSIGN1_AMOUNT && i <= P_ASSIGN8_AMOUNT && (i - P_ASSIGN1_AMOUNT) % 3 == 0; }

// Reads the timbre part into `values` (which hold the builder's values on entry).
void read_values(deserializer& in, reader_kind kind, std::array<float, timbre::count>& values) {
    int32_t stored = in.get_long();
    if (stored < 0) stored = 0;  // no values; the records keep their defaults
    in.check_count(stored, 4, "get_float failed");
    for (int32_t i = 0; i < stored; ++i) {
        float v = in.get_float();
        if (i >= timbre::count) continue;  // more than this timbre holds: read and dropped
        // A value that is not a number would reach every voice; the record keeps its
        // default instead.
        bool usable = std::isfinite(v);
        float& r = values[size_t(i)];
        switch (kind) {
            case reader_kind::current:
                if (usable) r = v;
                break;
            case reader_kind::old_a:
                if (is_lfo_sync(i))
                    r = choice_to_value(0, 3);  // these records had another meaning: "Off"
                else if (i == P_TEMPO_SOURCE)
                    r = 0.75f;  // "Host"
                else if (i == P_OSC1_PITCHABLE || i == P_OSC2_PITCHABLE)
                    r = 0.75f;  // "On"
                else if (is_assign_amount(i)) {
                    if (usable) r = (v - 0.5f) * 0.5f + 0.5f;  // old amounts reached twice as far
                } else if (usable)
                    r = v;
                break;
            case reader_kind::old_b:
                if (is_lfo_sync(i))
                    // A two-way off/on becomes the same choice among three ("Off", "Tempo").
                    r = choice_to_value(usable && v >= 0.5f ? 1 : 0, 3);
                else if (usable)
                    r = v;
                break;
        }
    }
    if (kind == reader_kind::current) return;
    // Records the old versions did not have.
    for (int i = std::max<int32_t>(stored, 0); i < timbre::count; ++i) {
        if (i == P_OSC1_SYNC || i == P_OSC2_SYNC) values[size_t(i)] = 0.25f;  // "Off"
        if (i == P_OSC1_PITCHABLE || i == P_OSC2_PITCHABLE) values[size_t(i)] = 0.75f;  // "On"
        if (i == P_LFO_COMPAT && kind == reader_kind::old_b) values[size_t(i)] = 0.75f;  // "On"
    }
}

void read_into(timbre& t, deserializer& in, reader_kind kind) {
    std::array<float, timbre::count> values;
    for (int i = 0; i < timbre::count; ++i) values[size_t(i)] = param_info(i).initial;
    read_values(in, kind, values);
    for (int i = 0; i < timbre::count; ++i) t.set_value(i, values[size_t(i)]);
}

}  // namespace

void timbre::deserialize(deserializer& in) { read_into(*this, in, reader_kind::current); }

void timbre::deserialize_old(deserializer& in, old_reader which) {
    read_into(*this, in, which == old_reader::A ? reader_kind::old_a : reader_kind::old_b);
}
