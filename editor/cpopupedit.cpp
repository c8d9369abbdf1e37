#include "editor/cpopupedit.h"

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/cmodal.h"

using namespace VSTGUI;

CPopupEdit::CPopupEdit(const CRect& r, CControlListener* l, long t, const char* txt, AudioEffect* fx)
    : CTextEdit(r, l, t, txt, nullptr, 0), effect(fx) {}

CMouseResult CPopupEdit::mouse(CDrawContext* context, CPoint&) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    CFrame* f = getFrame();
    if (!f) return kMouseHandled;
    // The handlers are copied: the control may be gone when the box closes.
    auto accept = on_accept;
    AudioEffect* fx = effect;
    showPromptDialog(
        f, dialog_caption, dialog_prompt, text, max_name_bytes, on_change,
        [accept, fx](bool ok, const std::string& name) {
            if (ok && accept) accept(fx, name);
        });
    return kMouseHandled;
}
