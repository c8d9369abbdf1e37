#include "toolkit/cviewcontainer.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& r, CFrame*, CBitmap* bitmap) : CView(r) {
    background = bitmap;
}

CViewContainer::~CViewContainer() {
    // The views stay with their holders; they only forget this container.
    while (children.count()) children.remove(children.at(0), this, false);
}

bool CViewContainer::addView(CView* v) {
    return children.add(v, this);
}

bool CViewContainer::removeView(CView* v, bool forget) {
    CRect gone = v ? v->getFrameRect() : CRect();
    if (v == tracking) tracking = nullptr;
    CFrame* f = getFrame();
    if (!children.remove(v, this, forget)) return false;
    if (f) f->invalidRect(gone);
    return true;
}

bool CViewContainer::removeAll(bool forget) {
    while (getNbViews()) removeView(getView(getNbViews() - 1), forget);
    return true;
}

void CViewContainer::setBackgroundColor(const CColor& c) {
    background_color = c;
    setDirty(true);
}

void CViewContainer::setBackgroundOffset(const CPoint& p) {
    backOffset = p;
    setDirty(true);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& r) {
    if (transparent) return;
    if (background) {
        background->draw(context, r, CPoint(backOffset.h + r.left, backOffset.v + r.top));
    } else {
        context->setFillColor(background_color);
        context->fillRect(r);
    }
}

void CViewContainer::redrawRect(CDrawContext*, const CRect& r) {
    if (CFrame* f = getFrame()) {
        CRect fr = r;
        CRect me = getFrameRect();
        f->invalidRect(fr.offset(me.left, me.top));
    }
}

CView* CViewContainer::getCurrentView(const CPoint& where) const {
    CPoint local(where.h - size.left, where.v - size.top);
    CView* v = children.hit(local);
    if (v && v->asContainer()) {
        if (CView* inner = v->asContainer()->getCurrentView(local)) return inner;
    }
    return v;
}

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size); }

void CViewContainer::drawRect(CDrawContext* context, const CRect& update) {
    CRect area = size;
    area.bound(update);
    if (area.isEmpty()) return;
    context->pushClip(area);
    CPoint saved = context->getOffset();
    context->setOffset(CPoint(saved.h + size.left, saved.v + size.top));
    CRect local = area;
    local.offset(-size.left, -size.top);
    drawBackgroundRect(context, local);
    children.draw(context, local);
    context->setOffset(saved);
    context->popClip();
    dirty = false;
}

CMouseResult CViewContainer::mouse(CDrawContext* context, CPoint& where) {
    tracking = nullptr;
    CPoint local(where.h - size.left, where.v - size.top);
    CView* v = children.hit(local);
    if (!v) return kMouseNotHandled;
    CPoint saved = context->getOffset();
    context->setOffset(CPoint(saved.h + size.left, saved.v + size.top));
    CMouseResult r = v->mouse(context, local);
    context->setOffset(saved);
    if (r == kMouseTrack && children.contains(v)) tracking = v;
    return r;
}

void CViewContainer::mouseMoved(CDrawContext* context, CPoint& where) {
    if (!tracking) return;
    CPoint local(where.h - size.left, where.v - size.top);
    CPoint saved = context->getOffset();
    context->setOffset(CPoint(saved.h + size.left, saved.v + size.top));
    tracking->mouseMoved(context, local);
    context->setOffset(saved);
}

void CViewContainer::mouseUp(CDrawContext* context, CPoint& where) {
    CView* v = tracking;
    tracking = nullptr;
    if (!v) return;
    CPoint local(where.h - size.left, where.v - size.top);
    CPoint saved = context->getOffset();
    context->setOffset(CPoint(saved.h + size.left, saved.v + size.top));
    v->mouseUp(context, local);
    context->setOffset(saved);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    CPoint local(where.h - size.left, where.v - size.top);
    CView* v = children.hit(local);
    if (!v) return false;
    CPoint saved = context->getOffset();
    context->setOffset(CPoint(saved.h + size.left, saved.v + size.top));
    bool taken = v->onWheel(context, local, distance);
    context->setOffset(saved);
    return taken;
}

bool CViewContainer::onDrop(void** items, long count, long type, CPoint& where) {
    CPoint local(where.h - size.left, where.v - size.top);
    return children.drop(items, count, type, local);
}

bool CViewContainer::removed(CView* p) {
    tracking = nullptr;
    return CView::removed(p);
}

}  // namespace VSTGUI
