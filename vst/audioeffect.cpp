#include "vst/audioeffect.h"

#include "vst/aeffeditor.h"
#include "vst/vst_text.h"

namespace {

// The plug-in's pointer lives in AEffect::object only: some hosts overwrite `user`.
AudioEffect* self(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

// No exception may cross into the host: every entry catches and answers neutrally.
VstIntPtr dispatch_entry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) {
    AudioEffect* fx = self(e);
    if (!fx) return 0;
    VstIntPtr answer = 0;
    try {
        answer = fx->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        answer = 0;
    }
    if (opcode == effClose) {
        // The host hands the object back with this call and forgets it.
        e->object = nullptr;
        delete fx;
        return 1;
    }
    return answer;
}

void process_entry(AEffect* e, float** in, float** out, VstInt32 frames) {
    AudioEffect* fx = self(e);
    if (!fx || !out || frames <= 0) return;
    try {
        fx->process(in, out, frames);
    } catch (...) {
    }
}

void process_replacing_entry(AEffect* e, float** in, float** out, VstInt32 frames) {
    AudioEffect* fx = self(e);
    if (!fx || !out || frames <= 0) return;
    try {
        fx->processReplacing(in, out, frames);
    } catch (...) {
    }
}

void set_parameter_entry(AEffect* e, VstInt32 index, float value) {
    AudioEffect* fx = self(e);
    if (!fx) return;
    try {
        fx->setParameter(index, value);
    } catch (...) {
    }
}

float get_parameter_entry(AEffect* e, VstInt32 index) {
    AudioEffect* fx = self(e);
    if (!fx) return 0.0f;
    try {
        return fx->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

// Lets a virtual write into a roomy scratch buffer, then hands the host no more than
// its buffer holds.
template <typename Fill>
void write_host_text(void* host_buffer, size_t host_cap, Fill fill) {
    if (!host_buffer) return;
    char scratch[vst::kTextScratch] = {};
    fill(scratch);
    scratch[sizeof scratch - 1] = '\0';
    vst::copy_text(static_cast<char*>(host_buffer), scratch, host_cap);
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audio_master, VstInt32 num_programs,
                         VstInt32 num_params)
    : audioMaster(audio_master), numPrograms(num_programs), numParams(num_params) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatch_entry;
    cEffect.process = process_entry;
    cEffect.setParameter = set_parameter_entry;
    cEffect.getParameter = get_parameter_entry;
    cEffect.numPrograms = num_programs;
    cEffect.numParams = num_params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.user = nullptr;
    cEffect.uniqueID = vst_fourcc('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = process_replacing_entry;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* e) {
    if (editor == e) return;
    delete editor;
    editor = e;
    set_flag(effFlagsHasEditor, e != nullptr);
}

VstIntPtr AudioEffect::host_call(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
    VstInt32 v = VstInt32(host_call(audioMasterVersion));
    return v ? v : 1;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    host_call(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatch_editor(VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void* ptr) {
    if (!editor) return 0;
    switch (opcode) {
        case effEditGetRect:
            return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        case effEditOpen:
            // Some hosts open twice without closing: treat it as a move to the new parent.
            if (editor->isOpen()) editor->close();
            return editor->open(ptr) ? 1 : 0;
        case effEditClose:
            // Some hosts close an editor they never opened.
            if (editor->isOpen()) editor->close();
            return 0;
        case effEditIdle:
            editor->idle();
            return 0;
        case effEditKeyDown:
            return editor->onKeyDown(index, VstInt32(value), 0) ? 1 : 0;
        case effEditKeyUp:
            return editor->onKeyUp(index, VstInt32(value), 0) ? 1 : 0;
        case effSetEditKnobMode:
            return editor->setKnobMode(VstInt32(value)) ? 1 : 0;
        default:
            return 0;
    }
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(VstInt32(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (ptr) {
                char scratch[vst::kTextScratch];
                vst::copy_text(scratch, vst::bounded_view(static_cast<const char*>(ptr),
                                                          sizeof scratch - 1),
                               sizeof scratch);
                setProgramName(scratch);
            }
            return 0;
        case effGetProgramName:
            write_host_text(ptr, kVstMaxProgNameLen, [&](char* t) { getProgramName(t); });
            return 0;
        case effGetParamLabel:
            write_host_text(ptr, kVstMaxParamStrLen, [&](char* t) { getParameterLabel(index, t); });
            return 0;
        case effGetParamDisplay:
            write_host_text(ptr, kVstMaxParamStrLen,
                            [&](char* t) { getParameterDisplay(index, t); });
            return 0;
        case effGetParamName:
            write_host_text(ptr, kVstMaxParamStrLen, [&](char* t) { getParameterName(index, t); });
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(VstInt32(value));
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
        case effEditOpen:
        case effEditClose:
        case effEditIdle:
        case effEditKeyDown:
        case effEditKeyUp:
        case effSetEditKnobMode:
            return dispatch_editor(opcode, index, value, ptr);
        case effIdentify:
            return vst_fourcc('N', 'v', 'E', 'f');
        case effGetChunk:
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            return ptr && value >= 0 ? setChunk(ptr, VstInt32(value), index != 0) : 0;
        default:
            return 0;
    }
}
