#include "editor/clistbox.h"

#include <cstdio>

#include "editor/palette.h"
#include "toolkit/cdrawcontext.h"

using namespace VSTGUI;

CListbox::CListbox(const CRect& r, CControlListener* l, long t, CBitmap* bitmap, int n)
    : CControl(r, l, t, bitmap), item_height(n > 0 ? 183 / n : 0) {
    for (int i = 0; i < n; ++i) {
        items.emplace_back(r.left + 8, r.top + 26 + i * item_height, r.left + 152, r.top + 26 + (i + 1) * item_height);
        names.emplace_back();
    }
}

void CListbox::setItemName(int index, const char* name) {
    if (index < 0 || index >= getItemCount()) return;
    names[size_t(index)] = name ? name : "";
    setDirty(true);
}

const std::string& CListbox::getItemName(int index) const {
    static const std::string none;
    return index >= 0 && index < getItemCount() ? names[size_t(index)] : none;
}

void CListbox::setCurrentItem(int index) {
    if (index < 0 || index >= getItemCount()) return;
    current = index;
    setDirty(true);
}

CMouseResult CListbox::mouse(CDrawContext* context, CPoint& where) {
    if (!mouse_enabled) return kMouseNotHandled;
    if (context->getMouseButtons() & kLButton) {
        for (int i = 0; i < getItemCount(); ++i) {
            const CRect& r = items[size_t(i)];
            // Neighbouring items share an edge; it belongs to the lower one.
            if (where.h >= r.left && where.h <= r.right && where.v >= r.top && where.v < r.bottom) {
                current = i;
                setDirty(true);
                break;
            }
        }
    }
    notify(context);
    return kMouseHandled;
}

void CListbox::draw(CDrawContext* context) {
    using namespace kaveo_palette;
    if (background) {
        copyBackground(context);
    } else {
        context->setFillColor(black);
        context->fillRect(size);
    }
    if (current >= 0 && current < getItemCount()) {
        context->setFillColor(dark_blue);
        context->fillRect(items[size_t(current)]);
    }
    context->setFont(kNormalFont);
    context->setFontColor(light_blue);
    char text[300];
    for (int i = 0; i < getItemCount(); ++i) {
        std::snprintf(text, sizeof text, "%02d %s", i + 1, names[size_t(i)].c_str());
        CRect r = items[size_t(i)];
        r.left += 1;
        r.right -= 1;
        r.bottom -= 1;
        context->drawString(text, r, false, kLeftText);
    }
    dirty = false;
}
