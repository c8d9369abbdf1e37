#include "toolkit/cview.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/cviewcontainer.h"

namespace VSTGUI {

CView::CView(const CRect& r) : size(r), mouseable(r) {}

CView::~CView() {
    if (parent) {
        if (CViewContainer* c = parent->asContainer())
            c->removeView(this, false);
        else if (CFrame* f = dynamic_cast<CFrame*>(parent))
            f->removeView(this, false);
    }
}

void CView::draw(CDrawContext* context) {
    if (background) {
        if (transparent)
            background->drawTransparent(context, size, backOffset);
        else
            background->draw(context, size, backOffset);
    }
    dirty = false;
}

void CView::drawRect(CDrawContext* context, const CRect& update) {
    if (update.rectOverlap(size)) draw(context);
}

CMouseResult CView::mouse(CDrawContext*, CPoint&) { return kMouseNotHandled; }
void CView::mouseMoved(CDrawContext*, CPoint&) {}
void CView::mouseUp(CDrawContext*, CPoint&) {}
long CView::onKeyDown(const CKeyCode&) { return -1; }
long CView::onKeyUp(const CKeyCode&) { return -1; }
bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }
void CView::onDragEnter(CDrawContext*, const CPoint&) {}
void CView::onDragLeave(CDrawContext*, const CPoint&) {}
void CView::onDragMove(CDrawContext*, const CPoint&) {}
bool CView::onDrop(void**, long, long, CPoint&) { return false; }
void CView::looseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}

bool CView::isDirty() { return dirty; }
void CView::setDirty(bool d) { dirty = d; }

void CView::setViewSize(const CRect& r, bool invalidate) {
    // The old place must be repainted too.
    if (CFrame* f = getFrame()) f->invalidRect(getFrameRect());
    size = r;
    mouseable = r;
    if (invalidate) setDirty(true);
}

bool CView::attached(CView* p) {
    parent = p;
    dirty = true;
    return true;
}

bool CView::removed(CView*) {
    if (CFrame* f = getFrame()) f->viewRemoved(this);
    parent = nullptr;
    return true;
}

void CView::setBackground(CBitmap* bitmap) {
    background = bitmap;
    setDirty(true);
}

bool CView::hitTest(const CPoint& where, long) { return mouseable.pointInside(where); }

CFrame* CView::getFrame() const { return parent ? parent->getFrame() : nullptr; }

AEffGUIEditor* CView::getEditor() const {
    CFrame* f = getFrame();
    return f ? f->getEditor() : nullptr;
}

CRect CView::getFrameRect() const {
    CRect r = size;
    for (const CView* p = parent; p && p->parent; p = p->parent) r.offset(p->size.left, p->size.top);
    return r;
}

bool CView::isDescendantOf(const CView* ancestor) const {
    for (const CView* v = this; v; v = v->parent)
        if (v == ancestor) return true;
    return false;
}

}  // namespace VSTGUI
