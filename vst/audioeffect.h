// The effect base: owns the AEffect record the host sees and maps its calls to virtual
// methods with default answers. Only what an effect answers differently is overridden.
#pragma once

#include "vst/aeffect.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audio_master, VstInt32 num_programs, VstInt32 num_params);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect; }
    audioMasterCallback getAudioMaster() const { return audioMaster; }
    AEffEditor* getEditor() const { return editor; }
    // Takes ownership; a later editor replaces (and deletes) an earlier one.
    void setEditor(AEffEditor* e);

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    // Text arguments point at a buffer of vst::kTextScratch bytes (see vst_text.h).
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = '\0'; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { *label = '\0'; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { *text = '\0'; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { *text = '\0'; }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual VstInt32 getChunk(void** /*data*/, bool /*is_preset*/) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*size*/, bool /*is_preset*/) { return 0; }

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // setParameter, then tell the host so it can record automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*frames*/) {}
    virtual void processReplacing(float** /*inputs*/, float** /*outputs*/, VstInt32 /*frames*/) {}

    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }
    VstInt32 getMasterVersion();

protected:
    // Set-up calls for the constructor of a derived effect.
    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
    void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
    void setInitialDelay(VstInt32 d) { cEffect.initialDelay = d; }
    void canProcessReplacing(bool on) { set_flag(effFlagsCanReplacing, on); }
    void programsAreChunks(bool on) { set_flag(effFlagsProgramChunks, on); }
    void hasVu(bool on) { set_flag(effFlagsHasVu, on); }
    void hasClip(bool on) { set_flag(effFlagsHasClip, on); }
    void canMono(bool on) { set_flag(effFlagsCanMono, on); }
    void isSynth(bool on) { set_flag(effFlagsIsSynth, on); }
    void noTail(bool on) { set_flag(effFlagsNoSoundInStop, on); }
    void set_flag(VstInt32 flag, bool on) {
        cEffect.flags = on ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }

    VstIntPtr host_call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                        void* ptr = nullptr, float opt = 0.0f);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect{};

private:
    VstIntPtr dispatch_editor(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr);
};
