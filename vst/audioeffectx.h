// The 2.x extension of the effect base: events, time info, names and capabilities.
#pragma once

#include "vst/audioeffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audio_master, VstInt32 num_programs, VstInt32 num_params);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/) {
        return false;
    }
    virtual bool copyProgram(VstInt32 /*destination*/) { return false; }
    virtual bool getInputProperties(VstInt32 /*index*/, VstPinProperties* /*props*/) { return false; }
    virtual bool getOutputProperties(VstInt32 /*index*/, VstPinProperties* /*props*/) { return false; }
    virtual VstPlugCategory getPlugCategory() {
        return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
    }
    // Text arguments point at a buffer of vst::kTextScratch bytes.
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 canDo(const char* /*text*/) { return 0; }
    virtual VstInt32 getTailSize() { return 0; }
    virtual bool setBypass(bool /*on*/) { return false; }
    virtual VstInt32 getVstVersion() { return 2300; }
    virtual VstInt32 getMidiProgramName(VstInt32 /*channel*/, MidiProgramName* /*record*/) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, MidiProgramName* /*record*/) {
        return -1;
    }
    virtual VstInt32 getMidiProgramCategory(VstInt32 /*channel*/, MidiProgramCategory* /*record*/) {
        return 0;
    }
    virtual bool hasMidiProgramsChanged(VstInt32 /*channel*/) { return false; }
    virtual bool getMidiKeyName(VstInt32 /*channel*/, MidiKeyName* /*record*/) { return false; }
    // Records the numbers only; the sample rate reaches the effect through setSampleRate.
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }

    // Calls to the host.
    void wantEvents(VstInt32 filter = 1);
    // The host's time record for the fields named in filter, or null.
    VstTimeInfo* getTimeInfo(VstInt32 filter);
    bool canHostDo(const char* text);
    bool updateDisplay();
    bool beginEdit(VstInt32 index);
    bool endEdit(VstInt32 index);
    bool sizeWindow(VstInt32 width, VstInt32 height);
};
