#include "toolkit/cknob.h"

#include <atomic>
#include <cmath>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

namespace VSTGUI {

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr double linear_range_px = 200.0;  // a vertical drag this long covers the range
// Most hosts never send a knob mode; a vertical drag is what players expect by default.
std::atomic<long> knob_mode{kLinearMode};
}  // namespace

void CKnob::setKnobMode(long mode) { knob_mode.store(mode, std::memory_order_relaxed); }
long CKnob::getKnobMode() { return knob_mode.load(std::memory_order_relaxed); }

CKnob::CKnob(const CRect& r, CControlListener* l, long t, CBitmap* bitmap, CBitmap* h, const CPoint& off)
    : CControl(r, l, t, bitmap),
      handle(h),
      offset(off),
      startAngle(float(5.0 * pi / 4.0)),
      rangeAngle(float(-3.0 * pi / 2.0)) {}

CPoint CKnob::valueToPoint() const {
    double alpha = startAngle + normalised() * rangeAngle;
    double cx = size.width() / 2.0;
    double cy = size.height() / 2.0;
    double radius = std::min(cx, cy) - double(inset);
    return CPoint(int32_t(std::floor(cx + std::cos(alpha) * radius)),
                  int32_t(std::floor(cy - std::sin(alpha) * radius)));
}

float CKnob::valueFromPoint(const CPoint& p) const {
    double cx = size.width() / 2.0;
    double cy = size.height() / 2.0;
    double alpha = std::atan2(-(p.v + 0.5 - cy), p.h + 0.5 - cx);
    double span = std::fabs(double(rangeAngle));
    if (span <= 0.0) return vmin;
    // Angle travelled from the start in the knob's direction, 0..2 pi.
    double d = rangeAngle < 0 ? startAngle - alpha : alpha - startAngle;
    d = std::fmod(d, 2.0 * pi);
    if (d < 0) d += 2.0 * pi;
    double n = d / span;
    if (n > 1.0) n = (d - span) < (2.0 * pi - d) ? 1.0 : 0.0;  // the gap: nearer end
    return float(vmin + n * (vmax - vmin));
}

void CKnob::draw(CDrawContext* context) {
    if (background) {
        if (transparent)
            background->drawTransparent(context, size, offset);
        else
            background->draw(context, size, offset);
    }
    drawHandle(context);
    dirty = false;
}

void CKnob::drawHandle(CDrawContext* context) {
    CPoint p = valueToPoint();
    if (handle && handle->getWidth() > 0) {
        long w = handle->getWidth();
        long h = handle->getHeight();
        CRect r(int32_t(p.h - w / 2), int32_t(p.v - h / 2), int32_t(p.h - w / 2 + w), int32_t(p.v - h / 2 + h));
        r.offset(size.left, size.top);
        handle->drawTransparent(context, r);
    } else {
        CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
        context->setFrameColor(colorHandle);
        context->setLineWidth(1);
        context->drawLine(centre, CPoint(size.left + p.h, size.top + p.v));
    }
}

void CKnob::track(CDrawContext* context, const CPoint& where) {
    long buttons = context->getMouseButtons();
    bool fine = (buttons & kShift) != 0;
    float before = value;
    CPoint local(where.h - size.left, where.v - size.top);
    if (linear) {
        if (fine != anchorFine) {
            anchor = where;
            anchorValue = value;
            anchorFine = fine;
        }
        double moved = double(anchor.v - where.v) / linear_range_px;
        if (fine) moved /= zoomFactor;
        value = float(anchorValue + moved * (vmax - vmin));
    } else if (getKnobMode() == kRelativCircularMode) {
        CPoint anchor_local(anchor.h - size.left, anchor.v - size.top);
        value = anchorValue + (valueFromPoint(local) - valueFromPoint(anchor_local));
    } else {
        value = valueFromPoint(local);
    }
    bounceValue();
    if (value != before) {
        setDirty(true);
        notify(context);
    }
}

CMouseResult CKnob::mouse(CDrawContext* context, CPoint& where) {
    long buttons = context->getMouseButtons();
    if (!mouse_enabled || !(buttons & kLButton)) return kMouseNotHandled;
    if (checkDefaultValue(context, buttons)) return kMouseHandled;
    beginEdit();
    linear = getKnobMode() == kLinearMode;
    if (buttons & kAlt) linear = !linear;
    anchor = where;
    anchorValue = value;
    anchorFine = (buttons & kShift) != 0;
    // A circular press turns the knob to the pointer at once.
    if (!linear && getKnobMode() != kRelativCircularMode) track(context, where);
    return kMouseTrack;
}

void CKnob::mouseMoved(CDrawContext* context, CPoint& where) { track(context, where); }

void CKnob::mouseUp(CDrawContext*, CPoint&) { endEdit(); }

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance) {
    return wheel_edit(context, distance, zoomFactor);
}

}  // namespace VSTGUI
