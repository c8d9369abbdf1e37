// The assign page: the modulation matrix, the delay, MIDI controllers and the banks.
#pragma once

#include "editor/editor_page.h"

class assign_page : public editor_page {
public:
    void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) override;
    // The last MIDI controller the effect received.
    void show_last_controller(int controller);
};
