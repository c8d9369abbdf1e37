#include "toolkit/text_editing.h"

#include <algorithm>

#include "toolkit/cdrawcontext.h"
#include "toolkit/utf8.h"

namespace VSTGUI {

namespace {
bool continuation(unsigned char c) { return (c & 0xc0) == 0x80; }

std::string utf8(int32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xc0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        s += char(0xe0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3f));
        s += char(0x80 | (cp & 0x3f));
    } else {
        s += char(0xf0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3f));
        s += char(0x80 | ((cp >> 6) & 0x3f));
        s += char(0x80 | (cp & 0x3f));
    }
    return s;
}

// Cuts s to at most max bytes without splitting a character.
void cut(std::string& s, size_t max) { s.resize(utf8_prefix(s, max)); }
}  // namespace

void text_editing::reset(const std::string& t, size_t max) {
    max_bytes = max;
    text = t;
    cut(text, max_bytes);
    caret = text.size();
    all_selected = true;
}

size_t text_editing::previous(size_t at) const {
    if (at == 0) return 0;
    --at;
    while (at > 0 && continuation(static_cast<unsigned char>(text[at]))) --at;
    return at;
}

size_t text_editing::next(size_t at) const {
    if (at >= text.size()) return text.size();
    ++at;
    while (at < text.size() && continuation(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

void text_editing::insert(int32_t cp) {
    if (all_selected) {
        text.clear();
        caret = 0;
        all_selected = false;
    }
    std::string s = utf8(cp);
    if (text.size() + s.size() > max_bytes) return;
    text.insert(caret, s);
    caret += s.size();
}

text_editing::outcome text_editing::key(const CKeyCode& k) {
    switch (k.virt) {
        case VKEY_RETURN:
        case VKEY_ENTER:
        case VKEY_TAB:
            return commit;
        case VKEY_ESCAPE:
            return cancel;
        case VKEY_BACK:
            if (all_selected) {
                text.clear();
                caret = 0;
            } else if (caret > 0) {
                size_t p = previous(caret);
                text.erase(p, caret - p);
                caret = p;
            }
            all_selected = false;
            return changed;
        case VKEY_DELETE:
            if (all_selected) {
                text.clear();
                caret = 0;
            } else if (caret < text.size()) {
                text.erase(caret, next(caret) - caret);
            }
            all_selected = false;
            return changed;
        case VKEY_LEFT:
            caret = all_selected ? 0 : previous(caret);
            all_selected = false;
            return moved;
        case VKEY_RIGHT:
            caret = all_selected ? text.size() : next(caret);
            all_selected = false;
            return moved;
        case VKEY_HOME:
            caret = 0;
            all_selected = false;
            return moved;
        case VKEY_END:
            caret = text.size();
            all_selected = false;
            return moved;
        case VKEY_SPACE:
            insert(' ');
            return changed;
        default:
            break;
    }
    // Printable characters only; Control shortcuts are not typed.
    if (k.character >= 0x20 && k.character != 0x7f && k.character <= 0x10ffff &&
        !(k.modifier & MODIFIER_CONTROL)) {
        insert(k.character);
        return changed;
    }
    return ignored;
}

void text_editing::caret_to(CDrawContext* context, long x) {
    all_selected = false;
    size_t best = 0;
    long best_distance = x < 0 ? -x : x;
    for (size_t at = next(0); at <= text.size() && at > 0; at = next(at)) {
        long w = context->getStringWidth(text.substr(0, at).c_str());
        long d = w > x ? w - x : x - w;
        if (d < best_distance) {
            best = at;
            best_distance = d;
        }
        if (at == text.size()) break;
    }
    caret = best;
}

void text_editing::draw(CDrawContext* context, const CRect& box, const CColor& text_colour,
                        const CColor& back, const CColor& frame, const CColor& highlight) const {
    context->setFillColor(back);
    context->fillRect(box);
    context->setFrameColor(frame);
    context->drawRect(box);
    CRect inner = box;
    inner.inset(3, 1);
    long caret_x = context->getStringWidth(text.substr(0, caret).c_str());
    long full = context->getStringWidth(text.c_str());
    // Scroll so the caret stays inside the field.
    long scroll = std::max(0L, caret_x - (inner.width() - 2));
    CRect text_box(inner.left - int32_t(scroll), inner.top, inner.left - int32_t(scroll) + int32_t(full) + 2,
                   inner.bottom);
    context->pushClip(inner);
    if (all_selected && !text.empty()) {
        context->setFillColor(highlight);
        CRect sel = text_box;
        sel.inset(0, 1);
        context->fillRect(sel);
        context->setFontColor(back);
    } else {
        context->setFontColor(text_colour);
    }
    context->drawString(text.c_str(), text_box, false, kLeftText);
    if (!all_selected) {
        int32_t x = inner.left - int32_t(scroll) + int32_t(caret_x);
        context->setFrameColor(text_colour);
        context->setLineWidth(1);
        context->drawLine(CPoint(x, inner.top + 1), CPoint(x, inner.bottom - 2));
    }
    context->popClip();
}

}  // namespace VSTGUI
