// The base of everything drawn in the editor: a rectangle in its parent's coordinates that
// draws itself, may take the mouse, keys and drops, and is redrawn when marked dirty.
#pragma once

#include "toolkit/cgeometry.h"

class AEffGUIEditor;

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;

class CView {
public:
    explicit CView(const CRect& size);
    // Leaves the container it is in, so a holder may delete a view at any time.
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    virtual void draw(CDrawContext* context);
    // Draws the part of the view inside update (in the parent's coordinates).
    virtual void drawRect(CDrawContext* context, const CRect& update);
    // A button press at where (in the parent's coordinates). kMouseTrack asks for the
    // moves and the release that follow.
    virtual CMouseResult mouse(CDrawContext* context, CPoint& where);
    virtual void mouseMoved(CDrawContext* context, CPoint& where);
    virtual void mouseUp(CDrawContext* context, CPoint& where);
    // Keys: 1 when taken, -1 when not.
    virtual long onKeyDown(const CKeyCode& key);
    virtual long onKeyUp(const CKeyCode& key);
    // distance in wheel steps, positive away from the user.
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual void onDragEnter(CDrawContext* context, const CPoint& where);
    virtual void onDragLeave(CDrawContext* context, const CPoint& where);
    virtual void onDragMove(CDrawContext* context, const CPoint& where);
    // A drop at where: items are file names (type 0) or one text (type 1). True when the
    // view took it, which ends the search for a taker.
    virtual bool onDrop(void** items, long count, long type, CPoint& where);
    virtual void looseFocus(CDrawContext* context);
    virtual void takeFocus(CDrawContext* context);

    virtual bool isDirty();
    virtual void setDirty(bool dirty = true);
    virtual bool getMouseEnabled() const { return mouse_enabled; }
    virtual void setMouseEnabled(bool on) { mouse_enabled = on; }
    virtual void getViewSize(CRect& r) const { r = size; }
    virtual void setViewSize(const CRect& r, bool invalidate = true);
    virtual void getMouseableArea(CRect& r) const { r = mouseable; }
    virtual void setMouseableArea(const CRect& r) { mouseable = r; }
    virtual bool attached(CView* parent);
    virtual bool removed(CView* parent);
    virtual void setBackground(CBitmap* bitmap);
    virtual CBitmap* getBackground() const { return background; }
    virtual void setTransparency(bool on) { transparent = on; }
    virtual bool getTransparency() const { return transparent; }
    virtual bool hitTest(const CPoint& where, long buttons = 0);
    // Marks the view for a redraw at the next idle.
    virtual void invalid() { setDirty(true); }
    virtual CFrame* getFrame() const;
    virtual AEffGUIEditor* getEditor() const;
    // The container this view is in, when it is in one.
    virtual CViewContainer* asContainer() { return nullptr; }

    CView* getParentView() const { return parent; }
    const CRect& getViewSize() const { return size; }
    // The view's rectangle in the frame's coordinates.
    CRect getFrameRect() const;
    // True when this view is ancestor or the view itself.
    bool isDescendantOf(const CView* ancestor) const;

    int32_t getWidth() const { return size.width(); }
    int32_t getHeight() const { return size.height(); }

protected:
    CRect size;
    CRect mouseable;
    bool dirty = false;
    bool mouse_enabled = true;
    bool transparent = false;
    CBitmap* background = nullptr;
    CView* parent = nullptr;
    CPoint backOffset;
};

}  // namespace VSTGUI
