#include "toolkit/cslider.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

namespace VSTGUI {

CSlider::CSlider(const CRect& r, CControlListener* l, long t, const CPoint& offHandle, long range,
                 CBitmap* h, CBitmap* bitmap, const CPoint& off, long st)
    : CControl(r, l, t, bitmap), offset(off), offsetHandle(offHandle), style(st), rangeHandle(range) {
    setHandle(h);
    minPos = isVertical() ? offHandle.v : offHandle.h;
}

CSlider::CSlider(const CRect& r, CControlListener* l, long t, long iMinPos, long iMaxPos, CBitmap* h,
                 CBitmap* bitmap, const CPoint& off, long st)
    : CControl(r, l, t, bitmap), offset(off), style(st) {
    setHandle(h);
    minPos = iMinPos - (isVertical() ? r.top : r.left);
    rangeHandle = iMaxPos - iMinPos;
    offsetHandle = isVertical() ? CPoint(0, int32_t(minPos)) : CPoint(int32_t(minPos), 0);
}

void CSlider::setHandle(CBitmap* h) {
    handle = h;
    widthOfSlider = h ? h->getWidth() : 0;
    heightOfSlider = h ? h->getHeight() : 0;
    setDirty(true);
}

void CSlider::setOffsetHandle(const CPoint& p) {
    // The cross-axis part places the handle; the travel start stays where it is.
    if (isVertical())
        offsetHandle.h = p.h;
    else
        offsetHandle.v = p.v;
    setDirty(true);
}

float CSlider::travelForValue() const {
    float n = normalised();
    bool reversed = isVertical() ? (style & kBottom) != 0 : (style & kRight) != 0;
    return reversed ? 1.0f - n : n;
}

void CSlider::setValueFromTravel(float travel) {
    if (travel < 0.0f) travel = 0.0f;
    if (travel > 1.0f) travel = 1.0f;
    bool reversed = isVertical() ? (style & kBottom) != 0 : (style & kRight) != 0;
    float n = reversed ? 1.0f - travel : travel;
    value = vmin + n * (vmax - vmin);
}

CRect CSlider::handleRect() const {
    long at = minPos + long(travelForValue() * float(rangeHandle) + 0.5f);
    CRect h;
    if (isVertical())
        h = CRect(int32_t(offsetHandle.h), int32_t(at), int32_t(offsetHandle.h + widthOfSlider),
                  int32_t(at + heightOfSlider));
    else
        h = CRect(int32_t(at), int32_t(offsetHandle.v), int32_t(at + widthOfSlider),
                  int32_t(offsetHandle.v + heightOfSlider));
    return h.offset(size.left, size.top);
}

void CSlider::draw(CDrawContext* context) {
    if (background) {
        if (transparent)
            background->drawTransparent(context, size, offset);
        else
            background->draw(context, size, offset);
    }
    drawHandle(context);
    dirty = false;
}

void CSlider::drawHandle(CDrawContext* context) {
    if (!handle) return;
    CRect h = handleRect();
    context->pushClip(size);
    if (transparentHandle)
        handle->drawTransparent(context, h);
    else
        handle->draw(context, h);
    context->popClip();
}

void CSlider::track(CDrawContext* context, const CPoint& where) {
    bool fine = (context->getMouseButtons() & kShift) != 0;
    if (fine != anchorFine) {
        // Shift pressed or let go mid-drag: carry on from here at the new speed.
        anchorPos = along(where);
        anchorValue = value;
        anchorFine = fine;
    }
    float before = value;
    if (rangeHandle > 0) {
        value = anchorValue;
        float travel = travelForValue();
        float moved = float(along(where) - anchorPos) / float(rangeHandle);
        if (fine) moved /= zoomFactor;
        setValueFromTravel(travel + moved);
    }
    if (value != before) {
        setDirty(true);
        notify(context);
    }
}

CMouseResult CSlider::mouse(CDrawContext* context, CPoint& where) {
    long buttons = context->getMouseButtons();
    if (!mouse_enabled || !(buttons & kLButton)) return kMouseNotHandled;
    if (checkDefaultValue(context, buttons)) return kMouseHandled;
    beginEdit();
    anchorFine = (buttons & kShift) != 0;
    CRect h = handleRect();
    float before = value;
    if (freeClick && !anchorFine && !h.pointInside(where) && rangeHandle > 0) {
        // Centre the handle on the pointer, then drag from there.
        long length = isVertical() ? heightOfSlider : widthOfSlider;
        long start = along(where) - (isVertical() ? size.top : size.left) - length / 2 - minPos;
        setValueFromTravel(float(start) / float(rangeHandle));
    }
    anchorPos = along(where);
    anchorValue = value;
    if (value != before) {
        setDirty(true);
        notify(context);
    }
    return kMouseTrack;
}

void CSlider::mouseMoved(CDrawContext* context, CPoint& where) { track(context, where); }

void CSlider::mouseUp(CDrawContext*, CPoint&) { endEdit(); }

bool CSlider::onWheel(CDrawContext* context, const CPoint&, float distance) {
    return wheel_edit(context, distance, zoomFactor);
}

CVerticalSlider::CVerticalSlider(const CRect& r, CControlListener* l, long t, long iMinPos, long iMaxPos,
                                 CBitmap* h, CBitmap* bitmap, const CPoint& off, long st)
    : CSlider(r, l, t, iMinPos, iMaxPos, h, bitmap, off, (st & ~kHorizontal) | kVertical) {}

CVerticalSlider::CVerticalSlider(const CRect& r, CControlListener* l, long t, const CPoint& offHandle,
                                 long range, CBitmap* h, CBitmap* bitmap, const CPoint& off, long st)
    : CSlider(r, l, t, offHandle, range, h, bitmap, off, (st & ~kHorizontal) | kVertical) {}

CHorizontalSlider::CHorizontalSlider(const CRect& r, CControlListener* l, long t, long iMinPos,
                                     long iMaxPos, CBitmap* h, CBitmap* bitmap, const CPoint& off, long st)
    : CSlider(r, l, t, iMinPos, iMaxPos, h, bitmap, off, (st & ~kVertical) | kHorizontal) {}

CHorizontalSlider::CHorizontalSlider(const CRect& r, CControlListener* l, long t, const CPoint& offHandle,
                                     long range, CBitmap* h, CBitmap* bitmap, const CPoint& off, long st)
    : CSlider(r, l, t, offHandle, range, h, bitmap, off, (st & ~kVertical) | kHorizontal) {}

}  // namespace VSTGUI
