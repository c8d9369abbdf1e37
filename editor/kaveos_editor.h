// The instrument's editor as the effect sees it: a window of 640 x 599 and the
// notifications the effect sends when parameters, programs or the bank change.
#pragma once

#include "vst/aeffeditor.h"

class Kaveos;

class KaveosEditor : public AEffEditor {
public:
    static constexpr int width = 640;
    static constexpr int height = 599;

    explicit KaveosEditor(Kaveos* effect);

    // index -1 asks for a full redraw (after a program rename).
    virtual void setParameter(int /*index*/, float /*value*/) {}
    virtual void update_program() {}
    virtual void bank_has_changed() {}
    virtual void set_scan_pct(double /*fraction*/) {}
    virtual void show_last_controller(int /*controller*/) {}
};
