// The children of a container or of the frame, in the order added: drawn first to last,
// asked for the mouse and for drops last to first.
#pragma once

#include <vector>

#include "toolkit/cgeometry.h"

namespace VSTGUI {

class CDrawContext;
class CView;

class view_list {
public:
    // Adds v (once) after the others and tells it its parent.
    bool add(CView* v, CView* owner);
    // Takes v out; deletes it when forget is set.
    bool remove(CView* v, CView* owner, bool forget);
    void remove_all(CView* owner, bool forget);
    bool contains(const CView* v) const;
    long count() const { return long(views.size()); }
    CView* at(long i) const { return i >= 0 && i < count() ? views[size_t(i)] : nullptr; }
    // The last-added child that is mouse-enabled and whose rectangle holds p.
    CView* hit(const CPoint& p) const;
    // Draws the children that meet update (in the children's coordinates).
    void draw(CDrawContext* context, const CRect& update) const;
    // Offers a drop to the children from the last-added backwards; true when one took it.
    bool drop(void** items, long count, long type, const CPoint& where) const;
    const std::vector<CView*>& all() const { return views; }

private:
    std::vector<CView*> views;
};

}  // namespace VSTGUI
