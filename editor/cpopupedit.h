// The program-name field: looks like a text field, but a click opens the modal "Program
// Name" box (prompt, field, OK, Cancel) instead of editing in place. OK hands the typed
// name to the accept handler, which the editor sets to rename the program, together with
// the program that was current when the box opened (the host may switch meanwhile).
#pragma once

#include <functional>
#include <string>

#include "toolkit/ctextedit.h"

class AudioEffect;

class CPopupEdit : public VSTGUI::CTextEdit {
public:
    static constexpr const char* dialog_caption = "Program Name";
    static constexpr const char* dialog_prompt = "Edit program name:";
    static constexpr size_t max_name_bytes = 2048;

    CPopupEdit(const VSTGUI::CRect& size, CControlListener* listener, long tag, const char* text,
               AudioEffect* effect);

    // Called with the dialog's text when the user presses OK.
    using accept_fn = std::function<void(AudioEffect* effect, int program, const std::string& name)>;
    void setAcceptHandler(accept_fn handler) {
        on_accept = std::move(handler);
    }
    // Called with the field's text after each edit in the dialog.
    void setChangeHandler(std::function<void(const std::string& name)> handler) { on_change = std::move(handler); }
    AudioEffect* getEffect() const { return effect; }

    VSTGUI::CMouseResult mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where) override;

private:
    AudioEffect* effect;
    accept_fn on_accept;
    std::function<void(const std::string&)> on_change;
};
