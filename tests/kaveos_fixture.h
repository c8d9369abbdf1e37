// A Kaveos with a fake host, for tests that play the instrument without loading the
// library: the host answers time info and records automation.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "plugin/kaveos.h"

namespace test {

struct fake_host {
    VstTimeInfo time{};
    bool answer_time = true;
    VstInt32 version = 2400;
    std::vector<std::pair<int, float>> automation;
    int want_midi_calls = 0;

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
};

}  // namespace test
