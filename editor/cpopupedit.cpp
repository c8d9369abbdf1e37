#include "editor/cpopupedit.h"

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/cmodal.h"
#include "vst/audioeffect.h"

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
    const int program = fx ? int(fx->getProgram()) : 0;
    showPromptDialog(
        f, dialog_caption, dialog_prompt, text, max_name_bytes, on_change,
        [accept, fx, program](bool ok, const std::string& name) {
            if (ok && accept) accept(fx, program, name);
        });
    return kMouseHandled;
}
