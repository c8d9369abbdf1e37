// The sample page: the two sample sets of the current program, slot by slot.
#pragma once

#include "editor/editor_page.h"

class sample_page : public editor_page {
public:
    void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) override;
    // Progress of the pitch analysis of a sample being imported, 0 to 1.
    void set_scan_fraction(double fraction);
};
