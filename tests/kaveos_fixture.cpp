#include "kaveos_fixture.h"

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
        case audioMasterAutomate: h->automation.emplace_back(index, opt); return 0;
        case audioMasterWantMidi: ++h->want_midi_calls; return 1;
        case audioMasterGetTime:
            return h->answer_time ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
        default: return 0;
    }
}

}  // namespace test
