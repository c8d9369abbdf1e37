// Editor base: the host's editor opcodes arrive here through the effect's dispatcher.
#pragma once

#include "vst/aeffect.h"

class AudioEffect;

class AEffEditor {
public:
    // Registers itself with the effect, which then reports an editor to the host and
    // owns (and finally deletes) this object.
    explicit AEffEditor(AudioEffect* effect);
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual bool getRect(ERect** rect);
    // parent is the host's window: an X11 Window id carried in a pointer.
    virtual bool open(void* parent);
    virtual void close();
    virtual void idle() {}
    virtual bool onKeyDown(VstInt32 /*character*/, VstInt32 /*virtual_key*/, VstInt32 /*modifiers*/) {
        return false;
    }
    virtual bool onKeyUp(VstInt32 /*character*/, VstInt32 /*virtual_key*/, VstInt32 /*modifiers*/) {
        return false;
    }
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }

    bool isOpen() const { return opened; }
    AudioEffect* getEffect() const { return effect; }

protected:
    AudioEffect* effect;
    void* system_window = nullptr;
    bool opened = false;
    ERect rect{0, 0, 0, 0};
};
