#include "toolkit/view_list.h"

#include <algorithm>

#include "toolkit/cview.h"

namespace VSTGUI {

bool view_list::add(CView* v, CView* owner) {
    if (!v || contains(v)) return false;
    // A view lives in one place at a time.
    if (CView* old = v->getParentView(); old && old != owner) return false;
    views.push_back(v);
    v->attached(owner);
    return true;
}

bool view_list::remove(CView* v, CView* owner, bool forget) {
    auto it = std::find(views.begin(), views.end(), v);
    if (it == views.end()) return false;
    views.erase(it);
    v->removed(owner);
    if (forget) delete v;
    return true;
}

void view_list::remove_all(CView* owner, bool forget) {
    while (!views.empty()) remove(views.back(), owner, forget);
}

bool view_list::contains(const CView* v) const {
    return std::find(views.begin(), views.end(), v) != views.end();
}

CView* view_list::hit(const CPoint& p) const {
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->getMouseEnabled() && (*it)->hitTest(p)) return *it;
    return nullptr;
}

void view_list::draw(CDrawContext* context, const CRect& update) const {
    for (CView* v : views)
        if (v->getViewSize().rectOverlap(update)) v->drawRect(context, update);
}

bool view_list::drop(void** items, long count, long type, const CPoint& where) const {
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        CView* v = *it;
        if (!v->getViewSize().pointInside(where)) continue;
        CPoint p = where;
        if (v->onDrop(items, count, type, p)) return true;
    }
    return false;
}

}  // namespace VSTGUI
