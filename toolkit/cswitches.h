// The button-like controls: each draws one state of a picture strip (states stacked
// vertically) and changes its value from clicks.
#pragma once

#include "toolkit/ccontrol.h"

namespace VSTGUI {

// Two states, one over the other: the upper while the value is at most 0.5. A left
// click toggles between 0 and 1.
class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background);
    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
};

// 1 while held with the pointer over it, back to 0 (with a second notification) on
// release. Listeners act on values above 0.5.
class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
                CBitmap* background, const CPoint& offset = CPoint(0, 0));
    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;

private:
    void track(CDrawContext* context, const CPoint& where);
    long heightOfOneImage;
    CPoint offset;
    float entryState = 0.0f;
};

// A row of positions chosen by where the pointer is, tracked while the button is held.
class CHorizontalSwitch : public CControl {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                      long heightOfOneImage, long iMaxPositions, CBitmap* background,
                      const CPoint& offset = CPoint(0, 0));
    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;

private:
    void track(CDrawContext* context, const CPoint& where);
    long subPixmaps;
    long heightOfOneImage;
    long iMaxPositions;
    CPoint offset;
};

// A rocker with values -1, 0 and +1: pressing one half gives -1 (left or upper) or +1
// and tells the listener once; the release returns to 0 and tells it again. The three
// states of the picture are -1, 0 and +1 from the top.
class CRockerSwitch : public CControl {
public:
    CRockerSwitch(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
                  CBitmap* background, const CPoint& offset = CPoint(0, 0), long style = kHorizontal);
    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;

private:
    void track(CDrawContext* context, const CPoint& where);
    long heightOfOneImage;
    CPoint offset;
    long style;
    float entryState = 0.0f;
    float notified = 0.0f;
};

}  // namespace VSTGUI
