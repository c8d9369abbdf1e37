#include "toolkit/cswitches.h"

#include <cmath>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

namespace VSTGUI {

namespace {
void draw_state(CBitmap* bitmap, CDrawContext* context, const CRect& size, CPoint where, bool keyed) {
    if (!bitmap) return;
    if (keyed)
        bitmap->drawTransparent(context, size, where);
    else
        bitmap->draw(context, size, where);
}
}  // namespace

// COnOffButton

COnOffButton::COnOffButton(const CRect& r, CControlListener* l, long t, CBitmap* bitmap)
    : CControl(r, l, t, bitmap) {}

void COnOffButton::draw(CDrawContext* context) {
    CPoint where(0, value > 0.5f ? size.height() : 0);
    draw_state(background, context, size, where, transparent);
    dirty = false;
}

CMouseResult COnOffButton::mouse(CDrawContext* context, CPoint&) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    beginEdit();
    value = value > 0.5f ? 0.0f : 1.0f;
    setDirty(true);
    notify(context);
    endEdit();
    return kMouseHandled;
}

// CKickButton

CKickButton::CKickButton(const CRect& r, CControlListener* l, long t, long height, CBitmap* bitmap,
                         const CPoint& off)
    : CControl(r, l, t, bitmap), heightOfOneImage(height), offset(off) {}

void CKickButton::draw(CDrawContext* context) {
    CPoint where = offset;
    if (value != 0.0f) where.v += heightOfOneImage;
    draw_state(background, context, size, where, transparent);
    dirty = false;
}

void CKickButton::track(CDrawContext* context, const CPoint& where) {
    float before = value;
    value = size.pointInside(where) ? 1.0f : entryState;
    if (value != before) {
        setDirty(true);
        notify(context);
    }
}

CMouseResult CKickButton::mouse(CDrawContext* context, CPoint& where) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    entryState = value;
    beginEdit();
    track(context, where);
    return kMouseTrack;
}

void CKickButton::mouseMoved(CDrawContext* context, CPoint& where) { track(context, where); }

void CKickButton::mouseUp(CDrawContext* context, CPoint&) {
    value = 0.0f;
    setDirty(true);
    notify(context);
    endEdit();
}

// CHorizontalSwitch

CHorizontalSwitch::CHorizontalSwitch(const CRect& r, CControlListener* l, long t, long sub,
                                     long height, long positions, CBitmap* bitmap, const CPoint& off)
    : CControl(r, l, t, bitmap),
      subPixmaps(sub < 1 ? 1 : sub),
      heightOfOneImage(height),
      iMaxPositions(positions < 1 ? 1 : positions),
      offset(off) {}

void CHorizontalSwitch::draw(CDrawContext* context) {
    long image = long(normalised() * float(iMaxPositions - 1) + 0.5f);
    if (image > subPixmaps - 1) image = subPixmaps - 1;
    CPoint where(offset.h, offset.v + image * heightOfOneImage);
    draw_state(background, context, size, where, transparent);
    dirty = false;
}

void CHorizontalSwitch::track(CDrawContext* context, const CPoint& where) {
    // Positions are as wide as the picture divided by their number.
    double picture = background && background->getWidth() > 0 ? double(background->getWidth())
                                                              : double(size.width());
    double coef = picture / double(iMaxPositions);
    float before = value;
    if (iMaxPositions < 2) {
        value = 0.0f;
    } else {
        double k = std::trunc(double(where.h - size.left) / coef);
        value = float(k / double(iMaxPositions - 1));
    }
    if (value > 1.0f) value = 1.0f;
    if (value < 0.0f) value = 0.0f;
    value = vmin + value * (vmax - vmin);
    if (value != before) {
        setDirty(true);
        notify(context);
    }
}

CMouseResult CHorizontalSwitch::mouse(CDrawContext* context, CPoint& where) {
    long buttons = context->getMouseButtons();
    if (!mouse_enabled || !(buttons & kLButton)) return kMouseNotHandled;
    if (checkDefaultValue(context, buttons)) return kMouseHandled;
    beginEdit();
    track(context, where);
    return kMouseTrack;
}

void CHorizontalSwitch::mouseMoved(CDrawContext* context, CPoint& where) { track(context, where); }

void CHorizontalSwitch::mouseUp(CDrawContext*, CPoint&) { endEdit(); }

// CRockerSwitch

CRockerSwitch::CRockerSwitch(const CRect& r, CControlListener* l, long t, long height, CBitmap* bitmap,
                             const CPoint& off, long st)
    : CControl(r, l, t, bitmap), heightOfOneImage(height), offset(off), style(st) {
    vmin = -1.0f;
    vmax = 1.0f;
    value = 0.0f;
    defaultValue = 0.0f;
}

void CRockerSwitch::draw(CDrawContext* context) {
    CPoint where = offset;
    bounceValue();
    if (value == vmax)
        where.v += 2 * heightOfOneImage;
    else if (value == (vmax + vmin) / 2.0f)
        where.v += heightOfOneImage;
    draw_state(background, context, size, where, transparent);
    dirty = false;
}

void CRockerSwitch::track(CDrawContext* context, const CPoint& where) {
    const CRect& r = size;
    if (style & kHorizontal) {
        int32_t mid = r.left + r.width() / 2;
        bool rows = where.v >= r.top && where.v <= r.bottom;
        if (rows && where.h >= r.left && where.h <= mid)
            value = -1.0f;
        else if (rows && where.h >= mid && where.h <= r.right)
            value = 1.0f;
        else
            value = entryState;
    } else {
        int32_t mid = r.top + r.height() / 2;
        bool columns = where.h >= r.left && where.h <= r.right;
        if (columns && where.v >= r.top && where.v <= mid)
            value = -1.0f;
        else if (columns && where.v >= mid && where.v <= r.bottom)
            value = 1.0f;
        else
            value = entryState;
    }
    if (value != notified) {
        notified = value;
        setDirty(true);
        notify(context);
    }
}

CMouseResult CRockerSwitch::mouse(CDrawContext* context, CPoint& where) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    entryState = value;
    notified = value;
    beginEdit();
    track(context, where);
    return kMouseTrack;
}

void CRockerSwitch::mouseMoved(CDrawContext* context, CPoint& where) { track(context, where); }

void CRockerSwitch::mouseUp(CDrawContext* context, CPoint&) {
    endEdit();
    value = 0.0f;
    notified = 0.0f;
    notify(context);
    setDirty(true);
}

}  // namespace VSTGUI
