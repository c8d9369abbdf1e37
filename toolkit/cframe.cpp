#include "toolkit/cframe.h"

#include <cairo.h>

#include <algorithm>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cviewcontainer.h"
#include "toolkit/x11_window.h"
#include "vst/aeffguieditor.h"

namespace VSTGUI {

namespace {
// Beyond this many separate areas one bounding rectangle is cheaper to redraw.
constexpr size_t max_damage_rects = 8;
}  // namespace

CFrame::CFrame(const CRect& r, void* parent, AEffGUIEditor* ed) : CView(r), editor(ed) {
    back_buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(1, r.width()),
                                             std::max(1, r.height()));
    if (parent) {
        window = x11_window::open(this, reinterpret_cast<uintptr_t>(parent), r.width(), r.height());
        open_ok = window != nullptr;
    }
    dirty = true;
}

CFrame::~CFrame() {
    idle_tasks.clear();
    overlays.clear();
    closing.clear();
    focus = nullptr;
    tracking = nullptr;
    children.remove_all(this, false);
    if (keyboard_grabs && window) window->grab_keyboard(false);
    window.reset();
    cairo_surface_destroy(back_buffer);
}

unsigned long CFrame::getSystemWindow() const { return window ? window->id() : 0; }

bool CFrame::addView(CView* v) { return children.add(v, this); }

bool CFrame::removeView(CView* v, bool forget) {
    CRect gone = v ? v->getViewSize() : CRect();
    if (!children.remove(v, this, forget)) return false;
    invalidRect(gone);
    return true;
}

bool CFrame::removeAll(bool forget) {
    while (getNbViews()) removeView(getView(getNbViews() - 1), forget);
    return true;
}

CView* CFrame::getCurrentView(const CPoint& where) const {
    CView* v = children.hit(where);
    if (v && v->asContainer())
        if (CView* inner = v->asContainer()->getCurrentView(where)) return inner;
    return v;
}

void CFrame::draw(CDrawContext* context) { drawRect(context, size); }

void CFrame::drawRect(CDrawContext* context, const CRect& update) {
    CRect area = CRect(0, 0, size.width(), size.height()).bound(update);
    if (area.isEmpty()) return;
    context->pushClip(area);
    if (background) {
        background->draw(context, area, CPoint(area.left + backOffset.h, area.top + backOffset.v));
    } else {
        context->setFillColor(kBlackCColor);
        context->fillRect(area);
    }
    children.draw(context, area);
    for (auto& o : overlays)
        if (o.view->getViewSize().rectOverlap(area)) o.view->drawRect(context, area);
    context->popClip();
}

void CFrame::invalidRect(const CRect& r) {
    CRect area = CRect(0, 0, size.width(), size.height()).bound(r);
    if (!area.isEmpty()) pending.push_back(area);
}

void CFrame::collect_dirty(CView* v, std::vector<CRect>& damage) {
    CViewContainer* c = v->asContainer();
    if (v->isDirty()) {
        damage.push_back(v->getFrameRect());
        v->setDirty(false);
        // Everything inside is redrawn with it.
        if (c)
            for (CView* child : c->childList().all()) {
                std::vector<CRect> ignored;
                collect_dirty(child, ignored);
            }
        return;
    }
    if (c)
        for (CView* child : c->childList().all()) collect_dirty(child, damage);
}

void CFrame::update() {
    if (in_update) return;
    in_update = true;
    std::vector<CRect> damage;
    damage.swap(pending);
    if (isDirty()) {
        damage.assign(1, CRect(0, 0, size.width(), size.height()));
        setDirty(false);
        std::vector<CRect> ignored;
        for (CView* v : children.all()) collect_dirty(v, ignored);
        for (auto& o : overlays) collect_dirty(o.view.get(), ignored);
    } else {
        for (CView* v : children.all()) collect_dirty(v, damage);
        for (auto& o : overlays) collect_dirty(o.view.get(), damage);
    }
    if (damage.empty()) {
        in_update = false;
        return;
    }
    if (damage.size() > max_damage_rects) {
        CRect all;
        for (const CRect& r : damage) all.unite(r);
        damage.assign(1, all);
    }
    CDrawContext context(this, back_buffer);
    for (const CRect& r : damage) drawRect(&context, r);
    cairo_surface_flush(back_buffer);
    ++draw_passes;
    if (window)
        for (const CRect& r : damage) window->present(r);
    in_update = false;
}

void CFrame::redraw() {
    setDirty(true);
    update();
}

void CFrame::idle() {
    if (window) window->pump();
    for (size_t i = 0; i < idle_tasks.size();) {
        // A task may add tasks; copy it out before running it.
        auto task = idle_tasks[i];
        if (task())
            ++i;
        else
            idle_tasks.erase(idle_tasks.begin() + long(i));
    }
    closing.clear();
    update();
}

void CFrame::addIdleTask(std::function<bool()> task) { idle_tasks.push_back(std::move(task)); }

void CFrame::beginEdit(long tag) {
    if (editor) editor->beginEdit(tag);
}

void CFrame::endEdit(long tag) {
    if (editor) editor->endEdit(tag);
}

void CFrame::doIdleStuff() {
    if (editor) editor->doIdleStuff();
}

void CFrame::setFocusView(CView* v) {
    if (v == focus) return;
    CDrawContext context(this, back_buffer);
    CView* old = focus;
    focus = v;
    if (old) old->looseFocus(&context);
    if (focus) focus->takeFocus(&context);
}

long CFrame::onKeyDown(const CKeyCode& key) {
    if (!overlays.empty()) return overlays.back().view->onKeyDown(key);
    return focus ? focus->onKeyDown(key) : -1;
}

long CFrame::onKeyUp(const CKeyCode& key) {
    if (!overlays.empty()) return overlays.back().view->onKeyUp(key);
    return focus ? focus->onKeyUp(key) : -1;
}

bool CFrame::onDrop(void** items, long count, long type, CPoint& where) {
    if (!overlays.empty()) return false;  // nothing is dropped behind a pop-up
    return children.drop(items, count, type, where);
}

CView* CFrame::showOverlay(std::unique_ptr<CView> overlay, CView* owner) {
    if (!overlay) return nullptr;
    CView* v = overlay.get();
    v->attached(this);
    overlays.push_back({std::move(overlay), owner});
    v->setDirty(true);
    return v;
}

void CFrame::closeOverlay(CView* v) {
    auto it = std::find_if(overlays.begin(), overlays.end(), [v](auto& o) { return o.view.get() == v; });
    if (it == overlays.end()) return;
    invalidRect(v->getViewSize());
    if (tracking == v) tracking = nullptr;
    std::unique_ptr<CView> gone = std::move(it->view);
    overlays.erase(it);
    closing.push_back(std::move(gone));
}

void CFrame::closeAllOverlays() {
    while (!overlays.empty()) closeOverlay(overlays.back().view.get());
}

CView* CFrame::getTopOverlay() const { return overlays.empty() ? nullptr : overlays.back().view.get(); }

void CFrame::grabKeyboard(bool on) {
    int before = keyboard_grabs;
    keyboard_grabs = std::max(0, keyboard_grabs + (on ? 1 : -1));
    if (window && (before == 0) != (keyboard_grabs == 0)) window->grab_keyboard(keyboard_grabs > 0);
}

void CFrame::viewRemoved(CView* v) {
    if (!v) return;
    if (focus && focus->isDescendantOf(v)) focus = nullptr;
    if (tracking && tracking->isDescendantOf(v)) tracking = nullptr;
    for (size_t i = overlays.size(); i-- > 0;)
        if (overlays[i].owner && overlays[i].owner->isDescendantOf(v)) closeOverlay(overlays[i].view.get());
}

void CFrame::after_event(CDrawContext& context) {
    // A listener may have drawn straight into the back buffer: show all of it.
    if (context.getDrawCount() > 0) invalidRect(size);
    update();
    closing.clear();
}

void CFrame::platformMouseDown(const CPoint& where, long buttons) {
    mouse_location = where;
    mouse_buttons = buttons;
    if (tracking) return;  // a second button during a drag changes nothing
    CDrawContext context(this, back_buffer);
    auto is_overlay = [this](CView* v) {
        return std::any_of(overlays.begin(), overlays.end(), [v](auto& o) { return o.view.get() == v; });
    };
    // A pop-up that closes on a press outside it (the edit box) passes the press on.
    for (int pass = 0; pass < 4; ++pass) {
        CPoint p = where;
        bool from_overlay = !overlays.empty();
        size_t count_before = overlays.size();
        CView* target = from_overlay ? getTopOverlay() : children.hit(p);
        if (!target) break;
        CMouseResult r = target->mouse(&context, p);
        CView* top_after = getTopOverlay();
        if (overlays.size() > count_before && top_after != target) {
            // The press opened a pop-up (a menu): it takes the rest of the gesture.
            tracking = top_after;
            break;
        }
        bool still_here = children.contains(target) || is_overlay(target);
        if (r == kMouseTrack && still_here) tracking = target;
        if (r == kMouseNotHandled && from_overlay && !is_overlay(target)) continue;
        break;
    }
    after_event(context);
}

void CFrame::platformMouseMoved(const CPoint& where, long buttons) {
    mouse_location = where;
    mouse_buttons = buttons;
    CDrawContext context(this, back_buffer);
    CPoint p = where;
    if (tracking)
        tracking->mouseMoved(&context, p);
    else if (!overlays.empty())
        overlays.back().view->mouseMoved(&context, p);  // hover in menus
    after_event(context);
}

void CFrame::platformMouseUp(const CPoint& where, long buttons) {
    mouse_location = where;
    mouse_buttons = buttons;
    CDrawContext context(this, back_buffer);
    CPoint p = where;
    if (tracking && !(buttons & (kLButton | kMButton | kRButton))) {
        CView* v = tracking;
        tracking = nullptr;
        v->mouseUp(&context, p);
    }
    after_event(context);
}

bool CFrame::platformWheel(const CPoint& where, float distance, long buttons) {
    mouse_location = where;
    mouse_buttons = buttons;
    if (!overlays.empty() || tracking) return false;
    CDrawContext context(this, back_buffer);
    bool taken = false;
    if (CView* v = children.hit(where)) taken = v->onWheel(&context, where, distance);
    after_event(context);
    return taken;
}

bool CFrame::platformKeyDown(const CKeyCode& key) {
    CDrawContext context(this, back_buffer);
    bool taken = onKeyDown(key) == 1;
    after_event(context);
    return taken;
}

bool CFrame::platformKeyUp(const CKeyCode& key) {
    CDrawContext context(this, back_buffer);
    bool taken = onKeyUp(key) == 1;
    after_event(context);
    return taken;
}

bool CFrame::platformDrop(void** items, long count, long type, const CPoint& where) {
    CDrawContext context(this, back_buffer);
    CPoint p = where;
    bool taken = onDrop(items, count, type, p);
    after_event(context);
    return taken;
}

}  // namespace VSTGUI
