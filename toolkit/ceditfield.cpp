#include "toolkit/ceditfield.h"

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace VSTGUI {

CEditField::CEditField(const CRect& r, const std::string& text, size_t max_bytes, const look& a,
                       std::function<void(const std::string&)> commit_fn, std::function<void()> cancel_fn)
    : CView(r), appearance(a), on_commit(std::move(commit_fn)), on_cancel(std::move(cancel_fn)) {
    state.reset(text, max_bytes);
}

CEditField::~CEditField() {
    if (grabbed) grabbed->grabKeyboard(false);
}

bool CEditField::attached(CView* p) {
    CView::attached(p);
    if (!grabbed)
        if ((grabbed = getFrame())) grabbed->grabKeyboard(true);
    return true;
}

void CEditField::draw(CDrawContext* context) {
    context->setFont(appearance.font);
    state.draw(context, size, appearance.text, appearance.back, appearance.frame, appearance.highlight);
    dirty = false;
}

void CEditField::finish() {
    done = true;
    if (CFrame* f = getFrame()) f->closeOverlay(this);
}

void CEditField::commit() {
    if (done) return;
    finish();
    if (on_commit) on_commit(state.text);
}

void CEditField::cancel() {
    if (done) return;
    finish();
    if (on_cancel) on_cancel();
}

CMouseResult CEditField::mouse(CDrawContext* context, CPoint& where) {
    if (!size.pointInside(where)) {
        // Losing focus keeps what was typed; the click then goes on to what is under it.
        commit();
        return kMouseNotHandled;
    }
    context->setFont(appearance.font);
    state.caret_to(context, where.h - size.left - 3);
    setDirty(true);
    return kMouseHandled;
}

long CEditField::onKeyDown(const CKeyCode& key) {
    switch (state.key(key)) {
        case text_editing::commit: commit(); break;
        case text_editing::cancel: cancel(); break;
        case text_editing::ignored: return -1;
        default: setDirty(true); break;
    }
    return 1;
}

}  // namespace VSTGUI
