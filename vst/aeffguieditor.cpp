#include "vst/aeffguieditor.h"

#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "vst/audioeffectx.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* fx) : AEffEditor(fx) {}

AEffGUIEditor::~AEffGUIEditor() {
    delete frame;
    frame = nullptr;
}

bool AEffGUIEditor::open(void* parent) { return AEffEditor::open(parent); }

void AEffGUIEditor::close() {
    delete frame;
    frame = nullptr;
    AEffEditor::close();
}

void AEffGUIEditor::idle() {
    if (update_flag.exchange(false, std::memory_order_relaxed)) update();
    if (frame) frame->idle();
}

namespace {
VSTGUI::CKeyCode key_code(VstInt32 character, VstInt32 virtual_key, VstInt32 modifiers) {
    VSTGUI::CKeyCode k;
    k.character = character;
    k.virt = static_cast<unsigned char>(virtual_key);
    k.modifier = static_cast<unsigned char>(modifiers);
    return k;
}
}  // namespace

bool AEffGUIEditor::onKeyDown(VstInt32 character, VstInt32 virtual_key, VstInt32 modifiers) {
    return frame && frame->platformKeyDown(key_code(character, virtual_key, modifiers));
}

bool AEffGUIEditor::onKeyUp(VstInt32 character, VstInt32 virtual_key, VstInt32 modifiers) {
    return frame && frame->platformKeyUp(key_code(character, virtual_key, modifiers));
}

bool AEffGUIEditor::onWheel(float distance) {
    return frame &&
           frame->platformWheel(frame->getCurrentMouseLocation(), distance, frame->getCurrentMouseButtons());
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    VSTGUI::CKnob::setKnobMode(mode);
    return true;
}

void AEffGUIEditor::draw(ERect*) {
    if (frame) frame->redraw();
}

void AEffGUIEditor::doIdleStuff() {
    auto now = std::chrono::steady_clock::now();
    if (now - last_idle_step < std::chrono::milliseconds(100)) return;
    last_idle_step = now;
    if (effect && effect->getAudioMaster()) effect->getAudioMaster()(effect->getAeffect(), audioMasterIdle, 0, 0, nullptr, 0.0f);
}

void AEffGUIEditor::beginEdit(VstInt32 tag) {
    // Hosts index their parameter tables with this number.
    auto* fx = dynamic_cast<AudioEffectX*>(effect);
    if (fx && tag >= 0 && tag < fx->getAeffect()->numParams) fx->beginEdit(tag);
}

void AEffGUIEditor::endEdit(VstInt32 tag) {
    auto* fx = dynamic_cast<AudioEffectX*>(effect);
    if (fx && tag >= 0 && tag < fx->getAeffect()->numParams) fx->endEdit(tag);
}
