// A sound: its name, its two user sample sets and its 87 parameter values.
#pragma once

#include <cstdint>
#include <string>

#include "sound/serializable.h"
#include "sound/timbre.h"
#include "sound/waveform.h"

class program : public serializable {
public:
    // The record version this code writes; 0x100 to 0x700 are still read.
    static constexpr int32_t PROGRAM_VERSION = 0x808;

    std::string name = "(empty)";
    wavetable waves;
    timbre params;

    // Version, name, wavetable, timbre.
    void serialize(serializer& out) const override;
    // Reads a record of any known version, converting old ones. An unknown version fails
    // with "program::deserialize - version numbers do not match"; any failure leaves the
    // program as it was. The play samples are not rebuilt: callers set the play rate
    // (wavetable::set_play_rate) once the record is in.
    void deserialize(deserializer& in) override;

    // The bytes serialize writes, counted without writing.
    int64_t record_size() const;

    static bool known_version(int32_t version);

    bool operator==(const program&) const = default;
};
