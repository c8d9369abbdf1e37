// A rotary control: a background picture with a handle picture (or a line) placed on a
// circle by the value. Dragging changes the value either vertically (200 pixels for the
// whole range) or by the pointer's angle, by the global knob mode; Alt swaps the two.
#pragma once

#include "toolkit/ccontrol.h"

namespace VSTGUI {

enum CKnobMode { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background, CBitmap* handle,
          const CPoint& offset = CPoint(0, 0));

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    virtual void drawHandle(CDrawContext* context);
    // Radians, counter-clockwise from three o'clock; the range is negative for a knob that
    // turns clockwise as the value grows.
    virtual void setStartAngle(float a) { startAngle = a; setDirty(true); }
    virtual float getStartAngle() const { return startAngle; }
    virtual void setRangeAngle(float a) { rangeAngle = a; setDirty(true); }
    virtual float getRangeAngle() const { return rangeAngle; }
    // Distance of the handle's centre from the knob's edge, in pixels.
    virtual void setInsetValue(long i) { inset = i; setDirty(true); }
    virtual long getInsetValue() const { return inset; }
    virtual void setHandleBitmap(CBitmap* h) { handle = h; setDirty(true); }
    virtual void setColorHandle(const CColor& c) { colorHandle = c; setDirty(true); }
    virtual void setZoomFactor(float f) { zoomFactor = f > 0.0f ? f : 1.0f; }
    virtual float getZoomFactor() const { return zoomFactor; }

    // The handle's centre for the current value, relative to the knob's top-left.
    CPoint valueToPoint() const;
    // The value for a point relative to the knob's top-left (circular mode).
    float valueFromPoint(const CPoint& p) const;

    // The mode all knobs follow (set by the host through the editor).
    static void setKnobMode(long mode);
    static long getKnobMode();

private:
    void track(CDrawContext* context, const CPoint& where);

    CBitmap* handle;
    CPoint offset;
    float startAngle;
    float rangeAngle;
    long inset = 3;
    float zoomFactor = 10.0f;
    CColor colorHandle = kWhiteCColor;
    // Drag state.
    bool linear = true;
    CPoint anchor;
    float anchorValue = 0.0f;
    bool anchorFine = false;
};

}  // namespace VSTGUI
