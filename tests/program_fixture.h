// Material for the tests of programs, banks and chunks through the plug-in: banks of
// distinguishable programs, a program that plays a recorded sine, and an editor that
// counts the effect's notifications.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "editor/kaveos_editor.h"
#include "kaveos_fixture.h"
#include "sample_fixture.h"
#include "sound/bank.h"
#include "sound/serializer.h"

namespace test {

// Values that make OSC1 alone sound at 0 dB with a flat envelope and no filter; wave is
// the OSC1 waveform choice (0 "UserA", 2 "Saw", ...).
inline void plain_values(timbre& t, int wave = 0) {
    t.set_value(P_OSC1_WAVE, choice_to_value(wave, 6));
    t.set_value(P_OSC_BALANCE, 0.0f);
    t.set_value(P_FILTER_TYPE, choice_to_value(0, 7));
    t.set_value(P_EG_ATTACK, 0.0f);
    t.set_value(P_EG_DECAY, 0.0f);
    t.set_value(P_EG_SUSTAIN, 1.0f);
    t.set_value(P_EG_RELEASE, 0.0f);
    t.set_value(P_GAIN, 54.0f / 66.0f);  // 0 dB
    t.set_value(P_OSC_GAIN, 0.5f);       // 0 dB
    t.set_value(P_PAN, 0.5f);
}

// A program whose OSC1 plays a recorded sine of hz (stored at 44.1 kHz) on every key.
inline program sine_program(const std::string& name, double hz, double seconds = 1.0) {
    program p;
    p.name = name;
    p.waves.names[0] = "sine";
    p.waves.waves[0].samples[0] = sine_sample(hz, seconds, 44100, 0.5);
    p.waves.waves[0].names[0] = "sine.wav";
    plain_values(p.params, 0);
    return p;
}

// n programs "P0", "P1", ... with gain 0.01·i; program 2 holds a recorded sine.
inline std::vector<program> numbered_programs(int n) {
    std::vector<program> v;
    for (int i = 0; i < n; ++i) {
        program p = i == 2 ? sine_program("", 441.0, 0.5) : program{};
        p.name = "P";
        p.name += std::to_string(i);  // (g++ 12 warns falsely on "P" + string)
        p.params.set_value(P_GAIN, 0.01f * float(i));
        v.push_back(std::move(p));
    }
    return v;
}

// A bank file's bytes, as the factory bank is carried.
inline std::vector<std::byte> bank_bytes(const std::vector<program>& programs) {
    countizer c;
    write_bank(c, programs);
    std::vector<std::byte> out(size_t(c.count()));
    mem_serializer m(out.data(), int64_t(out.size()));
    write_bank(m, programs);
    return out;
}

// No factory bank: what every instrument in the test binary starts with.
inline std::span<const std::byte> no_factory_bank() { return {}; }

// Makes `bytes` the factory bank of the instruments built while it lives.
class scoped_factory_bank {
public:
    explicit scoped_factory_bank(std::vector<std::byte> bytes) {
        held() = std::move(bytes);
        Kaveos::set_factory_bank_source([] { return std::span<const std::byte>(held()); });
    }
    ~scoped_factory_bank() {
        Kaveos::set_factory_bank_source(no_factory_bank);
        held().clear();
    }
    scoped_factory_bank(const scoped_factory_bank&) = delete;
    scoped_factory_bank& operator=(const scoped_factory_bank&) = delete;

private:
    static std::vector<std::byte>& held() {
        static std::vector<std::byte> bytes;
        return bytes;
    }
};

// Counts what the effect tells its editor.
struct recording_editor : KaveosEditor {
    int full_redraws = 0, program_updates = 0, bank_changes = 0;
    explicit recording_editor(Kaveos* fx) : KaveosEditor(fx) {}
    void setParameter(int index, float) override { full_redraws += index == -1 ? 1 : 0; }
    void update_program() override { ++program_updates; }
    void bank_has_changed() override { ++bank_changes; }
};

// The stored part of a program (what records keep), for comparisons that do not care
// which rate the play samples were made for.
inline bool same_stored(const program& a, const program& b) {
    if (a.name != b.name || a.waves.names != b.waves.names || !(a.params == b.params)) return false;
    for (size_t w = 0; w < 2; ++w) {
        const waveform &x = a.waves.waves[w], &y = b.waves.waves[w];
        if (x.samples != y.samples || x.names != y.names || x.keymap != y.keymap) return false;
    }
    return true;
}

}  // namespace test
