// A view that holds other views in its own coordinates (its top-left is their origin),
// over its background picture or colour.
#pragma once

#include "toolkit/cview.h"
#include "toolkit/view_list.h"

namespace VSTGUI {

class CViewContainer : public CView {
public:
    // The frame argument is only for the shape of the call: a container learns its frame
    // when it is added to one.
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    // Leaves the children alone (their holders delete them) but detaches them.
    ~CViewContainer() override;

    virtual bool addView(CView* view);
    virtual bool removeView(CView* view, bool forget = false);
    virtual bool removeAll(bool forget = false);
    virtual bool isChild(const CView* view) const { return children.contains(view); }
    virtual long getNbViews() const { return children.count(); }
    virtual CView* getView(long index) const { return children.at(index); }
    virtual void setBackgroundColor(const CColor& c);
    virtual CColor getBackgroundColor() const { return background_color; }
    virtual void setBackgroundOffset(const CPoint& p);
    virtual const CPoint& getBackgroundOffset() const { return backOffset; }
    // Paints the background inside r (in this container's coordinates).
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& r);
    // Marks the part r (in this container's coordinates) for a redraw.
    virtual void redrawRect(CDrawContext* context, const CRect& r);
    // The child under where (in this container's coordinates), searching nested containers.
    virtual CView* getCurrentView(const CPoint& where) const;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& update) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool onDrop(void** items, long count, long type, CPoint& where) override;
    bool removed(CView* parent) override;
    CViewContainer* asContainer() override { return this; }

    const view_list& childList() const { return children; }

private:
    view_list children;
    CColor background_color = kBlackCColor;
    CView* tracking = nullptr;  // the child that took the press being tracked
};

}  // namespace VSTGUI
