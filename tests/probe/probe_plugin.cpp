#include "tests/probe/probe_plugin.h"

#include <cstring>

namespace probe {

namespace {

#ifndef PROBE_WITHOUT_CHUNKS
constexpr size_t chunk_header = 12;  // "PRB", kind, program, parameter 0

std::vector<uint8_t> make_chunk(const state* s, bool preset) {
    std::vector<uint8_t> c = {'P', 'R', 'B', uint8_t(preset ? 'P' : 'B')};
    c.resize(chunk_header);
    int32_t program = s->program;
    std::memcpy(&c[4], &program, 4);
    std::memcpy(&c[8], &s->release_seconds, 4);
    for (int b = 0; b < 256; ++b) c.push_back(uint8_t(b));
    if (!preset) c.insert(c.end(), {'b', 'a', 'n', 'k'});
    return c;
}

bool apply_chunk(state* s, const uint8_t* data, size_t size, bool preset) {
    std::vector<uint8_t> expected = make_chunk(s, preset);
    if (!data || size != expected.size() ||
        std::memcmp(data, expected.data(), 4) != 0 ||
        std::memcmp(data + chunk_header, expected.data() + chunk_header, size - chunk_header) != 0)
        return false;
    int32_t program;
    std::memcpy(&program, data + 4, 4);
    std::memcpy(&s->release_seconds, data + 8, 4);
    s->program = program;
    return true;
}
#endif

VstIntPtr dispatcher(AEffect* fx, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                     float opt) {
    state* s = of(fx);
    s->calls.push_back({opcode, index, value, opt, s->frames});
    switch (opcode) {
        case effClose:
            delete s;
            return 1;
        case effSetProgram:
            s->program = int(value);
            return 1;
        case effGetProgram:
            return s->program;
        case effSetSampleRate:
            s->sample_rate = opt;
            return 1;
        case effProcessEvents: {
            auto* list = static_cast<VstEvents*>(ptr);
            s->last_events = list;
            s->last_copy.clear();
            for (int i = 0; i < list->numEvents; ++i) {
                auto* e = reinterpret_cast<VstMidiEvent*>(list->events[i]);
                if (e->type != kVstMidiType) continue;
                s->last_copy.push_back(*e);
                event rec{s->frames + e->deltaFrames, e->deltaFrames, {}};
                std::memcpy(rec.bytes, e->midiData, 3);
                s->events.push_back(rec);
            }
            return 1;
        }
#ifndef PROBE_WITHOUT_CHUNKS
        case effGetChunk:
            s->chunk = make_chunk(s, index != 0);
            *static_cast<void**>(ptr) = s->chunk.data();
            return VstIntPtr(s->chunk.size());
        case effSetChunk: {
            auto* bytes = static_cast<const uint8_t*>(ptr);
            chunk_call c{index != 0, {}, false};
            if (bytes && value > 0) c.bytes.assign(bytes, bytes + value);
            c.accepted = apply_chunk(s, bytes, size_t(value), index != 0);
            s->chunks_set.push_back(c);
            return c.accepted ? 1 : 0;
        }
#endif
        case effGetEffectName:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "Probe");
            return 1;
        case effCanDo:
            return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0;
        default:
            return 0;
    }
}

void set_parameter(AEffect* fx, VstInt32 index, float value) {
    state* s = of(fx);
    s->params.push_back({index, value, s->frames, s->calls.size()});
    if (index == 0) s->release_seconds = value;
}
float get_parameter(AEffect* fx, VstInt32 index) {
    return index == 0 ? of(fx)->release_seconds : 0.0f;
}

void note(state* s, const VstMidiEvent& e) {
    int kind = e.midiData[0] & 0xF0;
    int velocity = uint8_t(e.midiData[2]);
    if (kind == 0x90 && velocity > 0) {
        ++s->held;
    } else if ((kind == 0x80 || kind == 0x90) && s->held > 0) {
        if (--s->held == 0) {
            s->release_length = int64_t(s->release_seconds * s->sample_rate);
            s->release_left = s->release_length;
        }
    }
}

void render(AEffect* fx, float** outputs, VstInt32 frames, bool add) {
    state* s = of(fx);
    block b{s->frames, frames, true, false, {}};
    // The list handed to effProcessEvents must still be there while the block renders.
    if (s->last_events) {
        VstEvents* list = s->last_events;
        b.events_intact = list->numEvents == VstInt32(s->last_copy.size());
        for (size_t i = 0; b.events_intact && i < s->last_copy.size(); ++i)
            b.events_intact =
                std::memcmp(list->events[i], &s->last_copy[i], sizeof(VstMidiEvent)) == 0;
    }
    if (auto* t = reinterpret_cast<VstTimeInfo*>(s->host(fx, audioMasterGetTime, 0, 0, nullptr, 0))) {
        b.have_time = true;
        b.time = *t;
    }
    s->blocks.push_back(b);
    size_t next = 0;
    for (VstInt32 i = 0; i < frames; ++i) {
        float impulse = 0.0f;
        for (; next < s->last_copy.size() && s->last_copy[next].deltaFrames <= i; ++next) {
            note(s, s->last_copy[next]);
            if ((s->last_copy[next].midiData[0] & 0xF0) == 0x90)
                impulse = float(uint8_t(s->last_copy[next].midiData[2])) / 127.0f;
        }
        double left = 0.25 * s->held;
        if (s->held == 0 && s->release_left > 0) {
            left = 0.25 * double(s->release_left) / double(s->release_length);
            --s->release_left;
        }
        outputs[0][i] = (add ? outputs[0][i] : 0.0f) + float(left);
        outputs[1][i] = (add ? outputs[1][i] : 0.0f) + impulse;
    }
    s->last_events = nullptr;
    s->last_copy.clear();
    s->frames += frames;
}

void process_replacing(AEffect* fx, float**, float** outputs, VstInt32 frames) {
    render(fx, outputs, frames, false);
}
void process(AEffect* fx, float**, float** outputs, VstInt32 frames) {
    render(fx, outputs, frames, true);
}

}  // namespace

}  // namespace probe

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    auto* s = new probe::state;
    s->host = host;
    AEffect& fx = s->effect;
    fx.magic = kEffectMagic;
    fx.dispatcher = probe::dispatcher;
    fx.process = probe::process;
    fx.processReplacing = probe::process_replacing;
    fx.setParameter = probe::set_parameter;
    fx.getParameter = probe::get_parameter;
    fx.numPrograms = 16;
    fx.numParams = 4;  // only parameter 0 does something
    fx.numInputs = 0;
    fx.numOutputs = 2;
    fx.flags = effFlagsIsSynth | effFlagsCanReplacing;
#ifndef PROBE_WITHOUT_CHUNKS
    fx.flags |= effFlagsProgramChunks;
#endif
    fx.ioRatio = 1.0f;
    fx.object = s;
    fx.uniqueID = vst_fourcc('k', 'P', 'r', 'b');
    fx.version = 1;
    return &fx;
}
