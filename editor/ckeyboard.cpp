#include "editor/ckeyboard.h"

#include <cstdio>

#include "editor/palette.h"
#include "toolkit/cdrawcontext.h"

using namespace VSTGUI;

namespace {
constexpr int white_semitones[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int black_semitones[5] = {1, 3, 6, 8, 10};
// Black key k sits this many white keys after the C#'s place.
constexpr int black_steps[5] = {0, 1, 3, 4, 5};
}  // namespace

CKeyboard::CKeyboard(const CRect& r, CControlListener* l, long t, CBitmap* bitmap, int n)
    : CControl(r, l, t, bitmap),
      octaves(n < 1 ? 1 : n),
      base_label(4 - octaves / 2),
      w((r.width() - 1) / (7 * octaves + 1)),
      band(r.height() / 4),
      h(r.height() - r.height() / 4),
      first_note(60 - (octaves / 2) * 12) {}

void CKeyboard::setKeyMap(const int* map) {
    if (!map) return;
    for (int i = 0; i < map_size; ++i) key_map[size_t(i)] = map[i];
    setDirty(true);
}

int CKeyboard::black_x(int k) const { return w - w * 3 / 8 + black_steps[k] * w; }

int CKeyboard::noteAt(const CPoint& p) const {
    int top = size.top + band;
    int octave = -1;
    for (int a = 0; a < octaves && octave < 0; ++a)
        if (CRect(size.left + a * 7 * w, top, size.left + (a + 1) * 7 * w - 1, size.bottom).pointInside(p))
            octave = a;
    bool top_c = false;
    if (octave < 0 && CRect(size.left + octaves * 7 * w, top, size.left + w * (octaves * 7 + 1), size.bottom).pointInside(p)) {
        octave = octaves;
        top_c = true;
    }
    if (octave < 0) return -1;
    int x = p.h - (size.left + octave * 7 * w);
    int y = p.v - top;
    int key = -1;
    // The top C has no black key above it: a click there is the C.
    if (!top_c)
        for (int k = 0; k < 5; ++k) {
            int bx = black_x(k);
            if (x >= bx && x < bx + w * 3 / 4 && y >= 0 && y < h * 5 / 8) key = black_semitones[k];
        }
    if (key < 0) {
        key = 0;
        if (y >= 0 && y < h && x >= 0 && x < 7 * w && w > 0) key = white_semitones[x / w];
    }
    return 12 * (base_label + octave + 1) + key;
}

bool CKeyboard::isBlackKey(int note) const {
    int s = ((note % 12) + 12) % 12;
    return s == 1 || s == 3 || s == 6 || s == 8 || s == 10;
}

CRect CKeyboard::keyRect(int note) const {
    if (note < first_note || note > lastNote()) return CRect();
    int a = (note - first_note) / 12;
    int s = (note - first_note) % 12;
    int ox = size.left + a * 7 * w;
    int top = size.top + band;
    for (int k = 0; k < 5; ++k)
        if (black_semitones[k] == s) return CRect(ox + black_x(k), top, ox + black_x(k) + w * 3 / 4, top + h * 5 / 8);
    int white = 0;
    for (int k = 0; k < 7; ++k)
        if (white_semitones[k] == s) white = k;
    return CRect(ox + white * w, top, ox + (white + 1) * w, size.bottom);
}

CMouseResult CKeyboard::mouse(CDrawContext* context, CPoint& where) {
    if (!mouse_enabled || !(context->getMouseButtons() & kLButton)) return kMouseNotHandled;
    selected_note = noteAt(where);
    setDirty(true);
    notify(context);
    return kMouseHandled;
}

void CKeyboard::draw(CDrawContext* context) {
    using namespace kaveo_palette;
    if (background) copyBackground(context);
    int top = size.top + band;
    int right = size.left + whiteKeys() * w;
    context->setFillColor(dark_blue);
    context->fillRect(CRect(size.left, top, right, size.bottom));
    context->setLineWidth(1);
    context->setFrameColor(light_blue);
    for (int k = 0; k < whiteKeys(); ++k) {
        int x = size.left + k * w;
        context->drawLine(CPoint(x, top), CPoint(x, size.bottom - 1));
        context->drawLine(CPoint(x, size.bottom - 1), CPoint(x + w, size.bottom - 1));
    }
    context->drawLine(CPoint(right, top), CPoint(right, size.bottom - 1));
    context->drawLine(CPoint(size.left, top - 1), CPoint(right, top - 1));
    context->setFillColor(light_blue);
    for (int a = 0; a < octaves; ++a)
        for (int k = 0; k < 5; ++k) {
            int x = size.left + a * 7 * w + black_x(k);
            CRect key(x, top, x + w * 3 / 4, top + h * 5 / 8);
            context->fillRect(key);
            context->drawRect(key);
        }
    char text[16];
    context->setFont(kNormalFontVerySmall);
    context->setFontColor(light_blue);
    for (int a = 0; a <= octaves; ++a) {
        int x = size.left + a * 7 * w;
        std::snprintf(text, sizeof text, "%d", base_label + a);
        context->drawString(text, CRect(x, top - 1 - w, x + w, top - 1), false, kCenterText);
    }
    for (int note = first_note; note <= lastNote() && note < map_size; ++note) {
        CRect key = keyRect(note);
        if (!size.pointInside(CPoint(key.left, key.bottom))) continue;
        int kw = key.width();
        std::snprintf(text, sizeof text, "%d", key_map[size_t(note)] + 1);
        context->setFontColor(isBlackKey(note) ? blue_grey : light_blue);
        context->drawString(text, CRect(key.left, key.bottom - kw, key.right, key.bottom), false, kCenterText);
    }
    dirty = false;
}
