#include "toolkit/ccontrol.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace VSTGUI {

namespace {
// X11 has no desktop-wide setting for it; this is what most toolkits use.
constexpr long x11_double_click_ms = 400;
}  // namespace

CControl::CControl(const CRect& r, CControlListener* l, long t, CBitmap* bitmap)
    : CView(r), listener(l), tag(t), double_click_ms(x11_double_click_ms) {
    background = bitmap;
}

bool CControl::isDirty() {
    if (oldValue == value && !dirty) return false;
    oldValue = value;
    return true;
}

void CControl::setDirty(bool d) {
    CView::setDirty(d);
    if (d)
        oldValue = value != -1.0f ? -1.0f : 0.0f;
    else
        oldValue = value;
}

void CControl::doIdleStuff() {
    if (CFrame* f = getFrame()) f->doIdleStuff();
}

void CControl::bounceValue() {
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

void CControl::copyBackground(CDrawContext* context) {
    if (!background) return;
    if (transparent)
        background->drawTransparent(context, size, backOffset);
    else
        background->draw(context, size, backOffset);
}

bool CControl::checkDefaultValue(CDrawContext* context, long buttons) {
    if (buttons != (kLButton | kControl)) return false;
    beginEdit();
    value = defaultValue;
    bounceValue();
    setDirty(true);
    notify(context);
    endEdit();
    return true;
}

void CControl::notify(CDrawContext* context) {
    if (listener) listener->valueChanged(context, this);
}

bool CControl::wheel_edit(CDrawContext* context, float distance, float zoom) {
    if (!mouse_enabled) return false;
    float step = distance * wheelInc * (vmax - vmin);
    if (context->getMouseButtons() & kShift) step /= zoom;
    beginEdit();
    value += step;
    bounceValue();
    setDirty(true);
    notify(context);
    endEdit();
    return true;
}

void CControl::beginEdit() {
    if (CFrame* f = getFrame()) f->beginEdit(tag);
}

void CControl::endEdit() {
    if (CFrame* f = getFrame()) f->endEdit(tag);
}

float CControl::normalised() const {
    float span = vmax - vmin;
    if (span == 0.0f) return 0.0f;
    float n = (value - vmin) / span;
    return n < 0.0f ? 0.0f : n > 1.0f ? 1.0f : n;
}

}  // namespace VSTGUI
