// One page of the editor: it builds its controls into the page's container, follows the
// effect's values and handles its own controls' changes. The editor calls every hook on
// the host's user-interface thread.
#pragma once

#include "editor/page_views.h"

class Kaveos;
class KaveosEditor;
class CControlListener;

namespace VSTGUI {
class CControl;
class CDrawContext;
class CFrame;
}  // namespace VSTGUI

class editor_page {
public:
    virtual ~editor_page() = default;

    // Builds the page into container; whatever it built before is deleted first.
    virtual void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) = 0;
    // Takes the page's controls out of container; they are kept until the next show.
    virtual void hide(VSTGUI::CViewContainer& container) { views.remove_from(container); }
    // Deletes the controls (the window is closing).
    virtual void release() { views.clear(); }
    // A parameter's value as the effect now holds it.
    virtual void setParameter(int /*index*/, float /*value*/, Kaveos& /*effect*/) {}
    // A control of this page changed (the editor routes by tag to the page shown).
    virtual void valueChanged(Kaveos& /*effect*/, VSTGUI::CFrame* /*frame*/, VSTGUI::CDrawContext* /*context*/,
                              VSTGUI::CControl* /*control*/) {}
    // The current program was replaced (a switch, paste, reset, import or state).
    virtual void program_changed(Kaveos& /*effect*/) {}
    // The program name changed.
    virtual void name_changed(Kaveos& /*effect*/) {}
    // Names in the bank changed (a store, a new bank...).
    virtual void bank_changed(Kaveos& /*effect*/) {}

    size_t control_count() const { return views.count(); }

protected:
    page_views views;
};
