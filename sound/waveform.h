// A multi-sample: eight slots of recorded samples and the key map that picks one per key.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sound/sample_data.h"
#include "sound/serializable.h"

class waveform : public serializable {
public:
    static constexpr int slots = 8;
    static constexpr int keys = 128;

    waveform();

    double play_rate = 44100.0;  // the rate play_samples were made for (the host's)
    std::array<sample_data, slots> samples;       // as imported or stored; what is saved
    std::array<sample_data, slots> play_samples;  // samples at play_rate; what is played
    std::array<std::string, slots> names;         // "(empty)" until a sample is imported
    std::array<int32_t, keys> keymap{};           // key -> slot 0..7

    // The slot a key plays; keys outside 0..127 and stray map entries give slot 0.
    int slot_for_key(int key) const {
        if (key < 0 || key >= keys) return 0;
        int s = keymap[size_t(key)];
        return s >= 0 && s < slots ? s : 0;
    }

    static bool valid_slot(int slot) { return slot >= 0 && slot < slots; }

    // Eight slots (frames, rate, xpose, finetune, values, period map, pitch marks, name),
    // then the 128-entry key map. Only `samples` are written, never the play samples.
    void serialize(serializer& out) const override;
    // Reads that layout into samples, names and key map; play_rate and play_samples are
    // left for the caller to rebuild with resample. Nothing changes when the read fails.
    void deserialize(deserializer& in) override;
    // The 0x200 layout: each slot's values are one raw block and no analysis is stored,
    // so every slot is analysed as it is read.
    void deserialize_0x200(deserializer& in);

    // Rebuilds play sample `slot` from stored sample `slot` for play_rate.
    void resample(int slot);
    // What resample makes of a stored sample for a play rate (Hz): the values converted
    // (or copied when the rates match), with its tuning and its analysis in play frames.
    static sample_data play_sample(const sample_data& stored, double play_rate);
    // Takes a new play rate and rebuilds all eight play samples.
    void set_play_rate(double rate);

    // Slot editing. The waveform takes the sample, replaces the slot's stored sample and
    // at once rebuilds its play sample. False (and nothing changes) for a slot outside 0..7.
    bool set_sample(int slot, sample_data sample);
    bool set_slot_name(int slot, std::string name);
    const std::string& slot_name(int slot) const;

    // Takes the stored part (samples, names, key map) of another waveform, keeping this
    // one's play rate and play samples.
    void take_stored(waveform&& other);

    bool operator==(const waveform&) const = default;
};

// The program's two user sample sets, "UserA" (0) and "UserB" (1).
class wavetable : public serializable {
public:
    std::array<std::string, 2> names;
    std::array<waveform, 2> waves;

    // For each set: its wave name, then the waveform.
    void serialize(serializer& out) const override;
    void deserialize(deserializer& in) override;

    // Slot editing on set `wave` (0 or 1); false when wave or slot is out of range.
    bool set_sample(int wave, int slot, sample_data sample);
    bool set_slot_name(int wave, int slot, std::string name);
    // Both sets to a new play rate, all slots rebuilt.
    void set_play_rate(double rate);

    bool operator==(const wavetable&) const = default;
};
