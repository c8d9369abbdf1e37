// A Kaveos with a fake host, for tests that play the instrument without loading the
// library: the host answers time info and records automation.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "plugin/kaveos.h"

#include <array>
#include <initializer_list>

namespace test {

struct fake_host {
    VstTimeInfo time{};
    bool answer_time = true;
    VstInt32 version = 2400;
    // Both threads send automation (program pushes, assigned controllers).
    std::mutex automation_lock;
    std::vector<std::pair<int, float>> automation;
    // Edit gestures: +index for begin, -(index + 1) for end.
    std::vector<int> gestures;
    int want_midi_calls = 0;
    int display_updates = 0;

    fake_host() {
        time.sampleRate = 44100.0;
        time.tempo = 120.0;
        time.timeSigNumerator = 4;
        time.timeSigDenominator = 4;
        time.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;
    }
};

// The fake host in use; tests run one instrument at a time on the test thread.
fake_host*& current_host();

VstIntPtr fake_callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                        void* ptr, float opt);

struct instrument {
    fake_host host;
    std::unique_ptr<Kaveos> fx;

    instrument() {
        current_host() = &host;
        fx = std::make_unique<Kaveos>(fake_callback);
    }
    ~instrument() {
        fx.reset();
        current_host() = nullptr;
    }
    AEffect* effect() { return fx->getAeffect(); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect()->dispatcher(effect(), opcode, index, value, ptr, opt);
    }

    // Playing, as a host does: events go through processEvents, audio through the
    // AEffect's processReplacing (with the host-side denormal handling of the wrapper).
    void send(std::initializer_list<std::array<uint8_t, 3>> messages, int delta = 0);
    void note_on(int note, int velocity = 100, int delta = 0) {
        send({{uint8_t(0x90), uint8_t(note), uint8_t(velocity)}}, delta);
    }
    void note_off(int note, int delta = 0) { send({{uint8_t(0x80), uint8_t(note), 0}}, delta); }
    void controller(int number, int value) {
        send({{uint8_t(0xB0), uint8_t(number), uint8_t(value)}});
    }
    void bend(int value14) {
        send({{uint8_t(0xE0), uint8_t(value14 & 0x7F), uint8_t((value14 >> 7) & 0x7F)}});
    }
    void set(int index, float value) { fx->setParameter(index, value); }
    // A stepped parameter to choice k of n.
    void choose(int index, int k, int n) { fx->setParameter(index, choice_to_value(k, n)); }

    struct block {
        std::vector<float> left, right;
    };
    // Renders frames samples in host blocks of block_size and appends them.
    block render(int frames, int block_size = 512);
    void render_into(block& out, int frames, int block_size = 512);

    // Active pool voices.
    int active_voices() const;
};

// A sound for tests: a built-in wave on OSC1 only, no filter, flat envelope, 0 dB.
void plain_patch(instrument& in, int osc1_wave_choice = 2);

}  // namespace test
