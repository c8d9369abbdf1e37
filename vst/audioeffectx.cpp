#include "vst/audioeffectx.h"

#include "vst/vst_text.h"

AudioEffectX::AudioEffectX(audioMasterCallback audio_master, VstInt32 num_programs,
                           VstInt32 num_params)
    : AudioEffect(audio_master, num_programs, num_params) {}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    // Text answers go through a scratch buffer and are cut to the host's limit.
    auto text_answer = [&](size_t host_cap, auto fill) -> VstIntPtr {
        if (!ptr) return 0;
        char scratch[vst::kTextScratch] = {};
        bool ok = fill(scratch);
        scratch[sizeof scratch - 1] = '\0';
        if (ok) vst::copy_text(static_cast<char*>(ptr), scratch, host_cap);
        return ok ? 1 : 0;
    };
    switch (opcode) {
        case effProcessEvents:
            return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effGetProgramNameIndexed:
            return text_answer(kVstMaxProgNameLen, [&](char* t) {
                return getProgramNameIndexed(VstInt32(value), index, t);
            });
        case effCopyProgram:
            return copyProgram(index) ? 1 : 0;
        case effGetInputProperties:
            return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effGetEffectName:
            return text_answer(kVstMaxEffectNameLen, [&](char* t) { return getEffectName(t); });
        case effGetVendorString:
            return text_answer(kVstMaxVendorStrLen, [&](char* t) { return getVendorString(t); });
        case effGetProductString:
            return text_answer(kVstMaxProductStrLen, [&](char* t) { return getProductString(t); });
        case effGetVendorVersion:
            return getVendorVersion();
        case effCanDo:
            return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
        case effGetTailSize:
            return getTailSize();
        case effSetBypass:
            return setBypass(value != 0) ? 1 : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effGetMidiProgramName:
            return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
        case effHasMidiProgramsChanged:
            return hasMidiProgramsChanged(index) ? 1 : 0;
        case effGetMidiKeyName:
            return ptr && getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
        case effSetBlockSizeAndSampleRate:
            setBlockSizeAndSampleRate(VstInt32(value), opt);
            return 0;
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::wantEvents(VstInt32 filter) { host_call(audioMasterWantMidi, 0, filter); }

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(host_call(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::canHostDo(const char* text) {
    return host_call(audioMasterCanDo, 0, 0, const_cast<char*>(text)) == 1;
}

bool AudioEffectX::updateDisplay() { return host_call(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::beginEdit(VstInt32 index) { return host_call(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(VstInt32 index) { return host_call(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return host_call(audioMasterSizeWindow, width, height) != 0;
}
