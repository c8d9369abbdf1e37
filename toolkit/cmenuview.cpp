#include "toolkit/cmenuview.h"

#include <cairo.h>

#include <algorithm>
#include <memory>

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/coptionmenu.h"

namespace VSTGUI {

namespace {
// The editor's palette: light blue ground, dark blue text and highlight.
constexpr CColor menu_back{211, 230, 250, 0};
constexpr CColor menu_text{47, 69, 130, 0};
constexpr CColor menu_border{47, 69, 130, 0};
constexpr CFont menu_font = kNormalFontSmall;
constexpr int check_width = 16;  // room for the check mark
constexpr int arrow_width = 14;  // room for the sub-menu arrow
constexpr int move_slop = 3;     // pixels a press may wander and still count as a click

long measure(const std::string& s) {
    // A scratch context measures the texts before the level has a place to draw.
    cairo_surface_t* s1 = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    long w;
    {
        CDrawContext context(nullptr, s1);
        context.setFont(menu_font);
        w = context.getStringWidth(s.c_str());
    }
    cairo_surface_destroy(s1);
    return w;
}
}  // namespace

CMenuView::CMenuView(COptionMenu* r, COptionMenu* m, CMenuView* p, const CPoint& at, const CRect& b,
                     const CPoint& pr, int above)
    : CView(CRect()), root(r), menu(m), parentLevel(p), bounds(b), press(pr) {
    layout(at, b, above);
    // The current entry starts highlighted, as in native menus.
    long current = m->getCurrent();
    if (selectable(current)) highlight = current;
}

void CMenuView::layout(const CPoint& at, const CRect& b, int above) {
    long n = menu->getNbEntries();
    int max_height = std::max(item_height, b.height() - 4);
    // Columns: fill each down to the frame's height.
    std::vector<int> column_of(size_t(n), 0);
    std::vector<int> y_of(size_t(n), 0);
    int col = 0, y = 0, tallest = 0;
    long widest = 40;
    for (long i = 0; i < n; ++i) {
        int h = menu->isSeparator(i) ? separator_height : item_height;
        if (y + h > max_height && y > 0) {
            ++col;
            y = 0;
        }
        column_of[size_t(i)] = col;
        y_of[size_t(i)] = y;
        y += h;
        tallest = std::max(tallest, y);
        if (!menu->isSeparator(i)) widest = std::max(widest, measure(menu->entryText(i)));
    }
    columns = col + 1;
    int column_width = int(widest) + check_width + arrow_width;
    // Very long names are cut rather than letting the menu leave the frame.
    column_width = std::min(column_width, std::max(60, (b.width() - 2) / columns));
    int width = columns * column_width + 2;
    int height = tallest + 4;
    int x = at.h, top = at.v;
    if (x + width > b.right) x = b.right - width;
    if (x < b.left) x = b.left;
    if (top + height > b.bottom) top = (above >= 0 && above - height >= b.top) ? above - height : b.bottom - height;
    if (top < b.top) top = b.top;
    size = CRect(x, top, x + width, top + height);
    mouseable = size;
    items.clear();
    for (long i = 0; i < n; ++i) {
        int h = menu->isSeparator(i) ? separator_height : item_height;
        int left = x + 1 + column_of[size_t(i)] * column_width;
        int t = top + 2 + y_of[size_t(i)];
        items.emplace_back(left, t, left + column_width, t + h);
    }
}

long CMenuView::itemAt(const CPoint& p) const {
    for (size_t i = 0; i < items.size(); ++i) {
        const CRect& r = items[i];
        if (p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom) return long(i);
    }
    return -1;
}

bool CMenuView::selectable(long i) const {
    return i >= 0 && i < menu->getNbEntries() && !menu->isSeparator(i);
}

void CMenuView::draw(CDrawContext* context) {
    context->setFillColor(menu_back);
    context->fillRect(size);
    context->setFrameColor(menu_border);
    context->drawRect(size);
    context->setFont(menu_font);
    for (size_t i = 0; i < items.size(); ++i) {
        const CRect& r = items[i];
        long index = long(i);
        if (menu->isSeparator(index)) {
            context->setFrameColor(menu_border);
            int y = r.top + r.height() / 2;
            context->drawLine(CPoint(r.left + 4, y), CPoint(r.right - 5, y));
            continue;
        }
        bool lit = index == highlight;
        if (lit) {
            context->setFillColor(menu_text);
            context->fillRect(r);
        }
        CColor ink = lit ? menu_back : menu_text;
        context->setFontColor(ink);
        CRect text(r.left + check_width, r.top, r.right - arrow_width, r.bottom);
        context->drawString(menu->entryText(index).c_str(), text, false, kLeftText);
        context->setFillColor(ink);
        context->setFrameColor(ink);
        if (menu->isCheckEntry(index)) {
            int cx = r.left + 4, cy = r.top + r.height() / 2;
            context->setLineWidth(2);
            context->drawLine(CPoint(cx, cy), CPoint(cx + 2, cy + 3));
            context->drawLine(CPoint(cx + 2, cy + 3), CPoint(cx + 7, cy - 3));
            context->setLineWidth(1);
        }
        if (menu->getSubMenu(index)) {
            int ax = r.right - 10, ay = r.top + r.height() / 2;
            CPoint arrow[3] = {CPoint(ax, ay - 4), CPoint(ax + 5, ay), CPoint(ax, ay + 4)};
            context->fillPolygon(arrow, 3);
        }
    }
    dirty = false;
}

CMenuView* CMenuView::levelAt(const CPoint& p) {
    for (CMenuView* l = deepest(); l; l = l->parentLevel)
        if (l->size.pointInside(p)) return l;
    return nullptr;
}

void CMenuView::openChild(long index) {
    COptionMenu* sub = menu->getSubMenu(index);
    if (!sub || sub->getNbEntries() == 0) return;
    CFrame* f = getFrame();
    if (!f) return;
    const CRect& r = items[size_t(index)];
    auto level = std::make_unique<CMenuView>(root, sub, this, CPoint(size.right - 1, r.top - 2), bounds, press);
    CRect placed = level->getViewSize();
    if (placed.left < size.right - 1) {
        // No room on the right: open to the left of this level.
        CPoint left(size.left - placed.width() + 1, r.top - 2);
        level = std::make_unique<CMenuView>(root, sub, this, left, bounds, press);
    }
    child = level.get();
    f->showOverlay(std::move(level), root);
}

void CMenuView::closeChild() {
    if (!child) return;
    child->closeChild();
    if (CFrame* f = getFrame()) f->closeOverlay(child);
    child = nullptr;
}

void CMenuView::hover(const CPoint& p) {
    CMenuView* level = levelAt(p);
    if (!level) return;
    long index = level->itemAt(p);
    if (index != level->highlight) {
        level->highlight = level->selectable(index) ? index : -1;
        level->setDirty(true);
    }
    if (level->child && level->child->menu != level->menu->getSubMenu(index)) level->closeChild();
    if (!level->child && level->menu->getSubMenu(index)) level->openChild(index);
}

void CMenuView::choose(CMenuView* level, long index) {
    CMenuView* top = rootLevel();
    if (top->finished) return;
    top->finished = true;
    COptionMenu* chosen = level->menu;
    top->closeChild();
    if (CFrame* f = top->getFrame()) f->closeOverlay(top);
    root->takeChoice(chosen, index);
}

void CMenuView::cancel() {
    CMenuView* top = rootLevel();
    if (top->finished) return;
    top->finished = true;
    top->closeChild();
    if (CFrame* f = top->getFrame()) f->closeOverlay(top);
    root->menuClosed();
}

CMouseResult CMenuView::mouse(CDrawContext*, CPoint& where) {
    CMenuView* top = rootLevel();
    top->press = where;
    top->moved = false;
    CMenuView* level = levelAt(where);
    if (!level) {
        cancel();  // a press outside the menu closes it and goes no further
        return kMouseHandled;
    }
    long index = level->itemAt(where);
    if (level->selectable(index) && !level->menu->getSubMenu(index)) {
        choose(level, index);
        return kMouseHandled;
    }
    hover(where);
    return kMouseTrack;
}

void CMenuView::mouseMoved(CDrawContext*, CPoint& where) {
    CMenuView* top = rootLevel();
    if (std::abs(where.h - top->press.h) > move_slop || std::abs(where.v - top->press.v) > move_slop)
        top->moved = true;
    hover(where);
}

void CMenuView::mouseUp(CDrawContext*, CPoint& where) {
    CMenuView* top = rootLevel();
    if (!top->moved) return;  // the release of the press that opened the menu
    CMenuView* level = levelAt(where);
    if (!level) return;
    long index = level->itemAt(where);
    if (level->selectable(index) && !level->menu->getSubMenu(index)) choose(level, index);
}

long CMenuView::onKeyDown(const CKeyCode& key) {
    CMenuView* level = deepest();
    long n = level->menu->getNbEntries();
    auto step = [&](int dir) {
        long i = level->highlight;
        for (long k = 0; k < n; ++k) {
            i = (i + dir + n) % n;
            if (level->selectable(i)) break;
        }
        level->highlight = i;
        level->setDirty(true);
    };
    switch (key.virt) {
        case VKEY_ESCAPE: cancel(); return 1;
        case VKEY_DOWN: if (n) step(1); return 1;
        case VKEY_UP: if (n) step(-1); return 1;
        case VKEY_RIGHT:
            if (level->menu->getSubMenu(level->highlight)) level->openChild(level->highlight);
            return 1;
        case VKEY_LEFT:
            if (level->parentLevel) level->parentLevel->closeChild();
            return 1;
        case VKEY_RETURN:
        case VKEY_ENTER:
            if (level->selectable(level->highlight)) {
                if (level->menu->getSubMenu(level->highlight))
                    level->openChild(level->highlight);
                else
                    choose(level, level->highlight);
            }
            return 1;
        default: return 1;  // the menu is modal: other keys go nowhere
    }
}

}  // namespace VSTGUI
