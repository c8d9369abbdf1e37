// The editor base for editors drawn with the toolkit: it owns the CFrame while the window
// is open, pumps the window's events from the host's idle calls and passes keys, the wheel
// and the knob mode to the frame. A derived editor builds its frame in open().
#pragma once

#include <atomic>
#include <chrono>

#include "vst/aeffeditor.h"

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // Records the parent; a derived editor then creates the frame inside it:
    //   if (!AEffGUIEditor::open(parent)) return false;
    //   frame = new CFrame(CRect(0, 0, w, h), parent, this);
    bool open(void* parent) override;
    // Deletes the frame (after the derived editor has taken its views out).
    void close() override;
    // Runs update when postUpdate asked for it, then the frame's idle: window events,
    // finished dialogs, redrawing what is dirty.
    void idle() override;
    virtual void update() {}
    // May be called from any thread: only raises a flag for the next idle.
    virtual void postUpdate() { update_flag.store(true, std::memory_order_relaxed); }
    bool onKeyDown(VstInt32 character, VstInt32 virtual_key, VstInt32 modifiers) override;
    bool onKeyUp(VstInt32 character, VstInt32 virtual_key, VstInt32 modifiers) override;
    virtual bool onWheel(float distance);
    bool setKnobMode(VstInt32 mode) override;
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual void draw(ERect* rect);
    // The idle step used while a control works: at most every 100 ms it lets the host
    // run its idle (audioMasterIdle).
    virtual void doIdleStuff();
    // Edits of a control, forwarded to the host as begin/end of an automation gesture.
    // The tag is passed on only when it is a parameter index of the effect; an editor whose
    // tags are not parameter indices maps them here.
    virtual void beginEdit(VstInt32 tag);
    virtual void endEdit(VstInt32 tag);

    VSTGUI::CFrame* getFrame() const { return frame; }

protected:
    VSTGUI::CFrame* frame = nullptr;
    std::atomic<bool> update_flag{false};

private:
    std::chrono::steady_clock::time_point last_idle_step{};
};
