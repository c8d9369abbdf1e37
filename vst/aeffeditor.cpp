#include "vst/aeffeditor.h"

#include "vst/audioeffect.h"

AEffEditor::AEffEditor(AudioEffect* fx) : effect(fx) {
    if (effect) effect->setEditor(this);
}

bool AEffEditor::getRect(ERect** r) {
    if (!r) return false;
    *r = &rect;
    return true;
}

bool AEffEditor::open(void* parent) {
    system_window = parent;
    opened = true;
    return true;
}

void AEffEditor::close() {
    system_window = nullptr;
    opened = false;
}
