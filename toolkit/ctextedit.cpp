#include "toolkit/ctextedit.h"

#include <cstring>
#include <memory>

#include "toolkit/cdrawcontext.h"
#include "toolkit/ceditfield.h"
#include "toolkit/cframe.h"
#include "toolkit/utf8.h"

namespace VSTGUI {

CTextEdit::CTextEdit(const CRect& r, CControlListener* l, long t, const char* txt, CBitmap* bitmap, long st)
    : CParamDisplay(r, bitmap, st) {
    listener = l;
    tag = t;
    setText(txt);
}

CTextEdit::~CTextEdit() {
    // The frame closes the edit box when this view leaves it; forget it either way.
    editor = nullptr;
}

std::string CTextEdit::converted(const char* input) const {
    std::string s = input ? input : "";
    s.resize(utf8_prefix(s, max_text_bytes));
    if (editConvert) {
        char out[max_text_bytes + 1] = {};
        editConvert(s.c_str(), out, sizeof out);
        out[max_text_bytes] = '\0';
        s = out;
        s.resize(utf8_prefix(s, max_text_bytes));
    }
    return s;
}

void CTextEdit::setText(const char* txt) {
    std::string s = converted(txt);
    if (s != text) setDirty(true);
    text = std::move(s);
}

void CTextEdit::getText(char* out) const {
    if (!out) return;
    std::memcpy(out, text.c_str(), text.size() + 1);
}

void CTextEdit::setTextEditConvert(CTextEditConvert c) {
    editConvert = c;
    setText(text.c_str());
}

void CTextEdit::draw(CDrawContext* context) {
    drawText(context, text.c_str());
    dirty = false;
}

CMouseResult CTextEdit::mouse(CDrawContext* context, CPoint&) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    takeFocus(context);
    return kMouseHandled;
}

void CTextEdit::takeFocus(CDrawContext*) {
    CFrame* f = getFrame();
    if (!f || editor) return;
    CEditField::look look;
    look.font = fontID;
    look.text = fontColor;
    look.back = backColor;
    look.frame = fontColor;
    auto field = std::make_unique<CEditField>(
        getFrameRect(), text, max_text_bytes, look,
        [this](const std::string& typed) {
            editor = nullptr;
            edited(typed);
        },
        [this] { editor = nullptr; });
    editor = field.get();
    f->showOverlay(std::move(field), this);
}

void CTextEdit::looseFocus(CDrawContext*) {
    if (editor) editor->commit();
}

void CTextEdit::edited(const std::string& typed) {
    setText(typed.c_str());
    setDirty(true);
    beginEdit();
    if (CFrame* f = getFrame()) {
        CDrawContext context(f, f->getBackBuffer());
        notify(&context);
    } else {
        notify(nullptr);
    }
    endEdit();
}

}  // namespace VSTGUI
