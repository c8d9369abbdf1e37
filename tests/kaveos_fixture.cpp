#include "kaveos_fixture.h"

#include <algorithm>

namespace test {

fake_host*& current_host() {
    static fake_host* h = nullptr;
    return h;
}

VstIntPtr fake_callback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/,
                        void* /*ptr*/, float opt) {
    fake_host* h = current_host();
    if (!h) return opcode == audioMasterVersion ? 2400 : 0;
    switch (opcode) {
        case audioMasterVersion: return h->version;
        case audioMasterAutomate: {
            std::lock_guard<std::mutex> lock(h->automation_lock);
            h->automation.emplace_back(index, opt);
            return 0;
        }
        case audioMasterWantMidi: ++h->want_midi_calls; return 1;
        case audioMasterBeginEdit: h->gestures.push_back(index); return 1;
        case audioMasterEndEdit: h->gestures.push_back(-(index + 1)); return 1;
        case audioMasterUpdateDisplay: ++h->display_updates; return 1;
        case audioMasterGetTime:
            return h->answer_time ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
        default: return 0;
    }
}

void instrument::send(std::initializer_list<std::array<uint8_t, 3>> messages, int delta) {
    std::vector<VstMidiEvent> midi;
    for (const auto& m : messages) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = delta;
        e.midiData[0] = char(m[0]);
        e.midiData[1] = char(m[1]);
        e.midiData[2] = char(m[2]);
        midi.push_back(e);
    }
    std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = VstInt32(midi.size());
    for (size_t i = 0; i < midi.size(); ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    dispatch(effProcessEvents, 0, 0, list);
}

instrument::block instrument::render(int frames, int block_size) {
    block out;
    render_into(out, frames, block_size);
    return out;
}

void instrument::render_into(block& out, int frames, int block_size) {
    std::vector<float> l(static_cast<size_t>(block_size)), r(static_cast<size_t>(block_size));
    while (frames > 0) {
        int n = std::min(frames, block_size);
        float* outs[2] = {l.data(), r.data()};
        effect()->processReplacing(effect(), nullptr, outs, n);
        out.left.insert(out.left.end(), l.begin(), l.begin() + n);
        out.right.insert(out.right.end(), r.begin(), r.begin() + n);
        frames -= n;
    }
}

int instrument::active_voices() const {
    int n = 0;
    for (int v = 0; v < Kaveos::MAX_VOICES; ++v) n += fx->pool_voice(v).active ? 1 : 0;
    return n;
}

void plain_patch(instrument& in, int wave) {
    in.choose(P_OSC1_WAVE, wave, 6);
    in.set(P_OSC_BALANCE, 0.0f);  // OSC1 only
    in.choose(P_FILTER_TYPE, 0, 7);
    in.set(P_EG_ATTACK, 0.0f);
    in.set(P_EG_DECAY, 0.0f);
    in.set(P_EG_SUSTAIN, 1.0f);
    in.set(P_EG_RELEASE, 0.0f);
    in.set(P_GAIN, 54.0f / 66.0f);     // 0 dB
    in.set(P_OSC_GAIN, 0.5f);          // 0 dB
    in.set(P_PAN, 0.5f);
}

}  // namespace test
