// Sliders: a handle picture moved along a track picture. The value follows the handle;
// Shift drags at 1/zoom of the speed; a Control-click sets the default value.
#pragma once

#include "toolkit/ccontrol.h"

namespace VSTGUI {

class CSlider : public CControl {
public:
    // offsetHandle: the handle's top-left at the start of its travel (relative to the
    // slider); rangeHandle: how far it travels in pixels.
    CSlider(const CRect& size, CControlListener* listener, long tag, const CPoint& offsetHandle,
            long rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
            long style = kLeft | kHorizontal);
    // iMinPos and iMaxPos: the first and last position of the handle's leading edge, in the
    // parent's coordinates (x for horizontal sliders, y for vertical ones).
    CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
            CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
            long style = kLeft | kHorizontal);

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    virtual void drawHandle(CDrawContext* context);
    virtual void setOffsetHandle(const CPoint& p);
    virtual const CPoint& getOffsetHandle() const { return offsetHandle; }
    // Offset of the track picture.
    virtual void setOffset(const CPoint& p) { offset = p; }
    virtual const CPoint& getOffset() const { return offset; }
    virtual void setHandle(CBitmap* bitmap);
    virtual CBitmap* getHandle() const { return handle; }
    virtual void setZoomFactor(float f) { zoomFactor = f > 0.0f ? f : 1.0f; }
    virtual float getZoomFactor() const { return zoomFactor; }
    // With free click a press away from the handle moves the handle there first.
    virtual void setFreeClick(bool on) { freeClick = on; }
    virtual bool getFreeClick() const { return freeClick; }
    // The handle is drawn with its white pixels left out (on by default).
    void setDrawTransparentHandle(bool on) { transparentHandle = on; }

    // The handle's rectangle for the current value, in the parent's coordinates.
    CRect handleRect() const;

protected:
    bool isVertical() const { return (style & kVertical) != 0; }
    // The fraction along the travel (0 at the start) for a value, and back.
    float travelForValue() const;
    void setValueFromTravel(float travel);
    long along(const CPoint& p) const { return isVertical() ? p.v : p.h; }
    void track(CDrawContext* context, const CPoint& where);

    CPoint offset;
    CPoint offsetHandle;
    CBitmap* handle = nullptr;
    long style;
    long minPos = 0;       // handle start along the travel, relative to the slider
    long rangeHandle = 0;  // pixels of travel
    long widthOfSlider = 0;
    long heightOfSlider = 0;
    float zoomFactor = 10.0f;
    bool freeClick = true;
    bool transparentHandle = true;
    // Drag state: the pointer and value when the drag (or its fine part) began.
    long anchorPos = 0;
    float anchorValue = 0.0f;
    bool anchorFine = false;
};

// style kBottom puts value 0 at the bottom, kTop at the top.
class CVerticalSlider : public CSlider {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
                    CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                    long style = kBottom);
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, const CPoint& offsetHandle,
                    long rangeHandle, CBitmap* handle, CBitmap* background,
                    const CPoint& offset = CPoint(0, 0), long style = kBottom);
};

// style kLeft puts value 0 at the left, kRight at the right.
class CHorizontalSlider : public CSlider {
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
                      CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                      long style = kLeft);
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, const CPoint& offsetHandle,
                      long rangeHandle, CBitmap* handle, CBitmap* background,
                      const CPoint& offset = CPoint(0, 0), long style = kLeft);
};

}  // namespace VSTGUI
