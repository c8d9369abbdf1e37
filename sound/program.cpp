#include "sound/program.h"

#include <utility>

#include "sound/persist_error.h"

bool program::known_version(int32_t v) {
    switch (v) {
        case 0x100: case 0x200: case 0x300: case 0x400: case 0x500: case 0x600: case 0x700:
        case PROGRAM_VERSION:
            return true;
        default:
            return false;
    }
}

void program::serialize(serializer& out) const {
    out.put_long(PROGRAM_VERSION);
    out.put_string(name);
    waves.serialize(out);
    params.serialize(out);
}

void program::deserialize(deserializer& in) {
    int32_t version = in.get_long();
    if (!known_version(version)) throw persist_error("program::deserialize - version numbers do not match");

    // Everything is read aside first, so a record that ends early or is malformed changes
    // nothing.
    std::string new_name = in.get_string();
    wavetable fresh;
    if (version == 0x100) {
        // Eight sets were kept then; the first two are "UserA" and "UserB".
        for (int e = 0; e < 8; ++e) {
            std::string wave_name = in.get_string();
            waveform w;
            w.deserialize(in);
            if (e < 2) {
                fresh.names[size_t(e)] = std::move(wave_name);
                fresh.waves[size_t(e)].take_stored(std::move(w));
            }
        }
    } else if (version == 0x200) {
        for (size_t e = 0; e < 2; ++e) {
            fresh.names[e] = in.get_string();
            fresh.waves[e].deserialize_0x200(in);
        }
    } else {
        fresh.deserialize(in);
    }
    timbre values;
    if (version == PROGRAM_VERSION)
        values.deserialize(in);
    else
        values.deserialize_old(in, version <= 0x500 ? timbre::old_reader::A : timbre::old_reader::B);

    name = std::move(new_name);
    waves.names = std::move(fresh.names);
    for (size_t w = 0; w < waves.waves.size(); ++w) waves.waves[w].take_stored(std::move(fresh.waves[w]));
    params = values;
}

int64_t program::record_size() const {
    countizer c;
    serialize(c);
    return c.count();
}
