// Plain value types of the toolkit: points, rectangles, colours, the mouse button word and
// key codes. Everything here is copied by value.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
    int32_t h = 0;  // x, pixels
    int32_t v = 0;  // y, pixels

    constexpr CPoint() = default;
    constexpr CPoint(int32_t x, int32_t y) : h(x), v(y) {}
    constexpr CPoint& offset(int32_t dx, int32_t dy) {
        h += dx;
        v += dy;
        return *this;
    }
    constexpr bool operator==(const CPoint&) const = default;
};

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(const CPoint& origin, const CPoint& size)
        : left(origin.h), top(origin.v), right(origin.h + size.h), bottom(origin.v + size.v) {}

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr CPoint topLeft() const { return {left, top}; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }

    constexpr CRect& offset(int32_t dx, int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    constexpr CRect& moveTo(int32_t x, int32_t y) { return offset(x - left, y - top); }
    constexpr CRect& inset(int32_t dx, int32_t dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    // Both edges count: a point on the right or bottom edge is inside.
    constexpr bool pointInside(const CPoint& p) const {
        return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom;
    }
    // Pixel rectangles [left, right) x [top, bottom) that share at least one pixel.
    constexpr bool rectOverlap(const CRect& r) const {
        return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
    }
    constexpr CRect& bound(const CRect& r) {  // intersection
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::min(right, r.right);
        bottom = std::min(bottom, r.bottom);
        if (right < left) right = left;
        if (bottom < top) bottom = top;
        return *this;
    }
    constexpr CRect& unite(const CRect& r) {
        if (r.isEmpty()) return *this;
        if (isEmpty()) return *this = r;
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
        return *this;
    }
    constexpr bool operator==(const CRect&) const = default;
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t unused = 0;  // carried along, never used in drawing
    constexpr bool operator==(const CColor& c) const {
        return red == c.red && green == c.green && blue == c.blue;
    }
};

inline constexpr CColor kTransparentCColor{255, 255, 255, 0};
inline constexpr CColor kBlackCColor{0, 0, 0, 0};
inline constexpr CColor kWhiteCColor{255, 255, 255, 0};
inline constexpr CColor kGreyCColor{127, 127, 127, 0};
inline constexpr CColor kRedCColor{255, 0, 0, 0};
inline constexpr CColor kGreenCColor{0, 255, 0, 0};
inline constexpr CColor kBlueCColor{0, 0, 255, 0};
inline constexpr CColor kYellowCColor{255, 255, 0, 0};

// The mouse button word.
enum CButton : long {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kDoubleClick = 1 << 6,
};

// Horizontal text alignment.
enum CHoriTxtAlign { kLeftText = 0, kCenterText = 1, kRightText = 2 };

// Key codes as the host passes them: a character and a virtual key (numbered as the VST
// virtual keys), with the modifier bits below.
enum VirtualKey : unsigned char {
    VKEY_NONE = 0,
    VKEY_BACK = 1,
    VKEY_TAB = 2,
    VKEY_RETURN = 4,
    VKEY_ESCAPE = 6,
    VKEY_SPACE = 7,
    VKEY_END = 9,
    VKEY_HOME = 10,
    VKEY_LEFT = 11,
    VKEY_UP = 12,
    VKEY_RIGHT = 13,
    VKEY_DOWN = 14,
    VKEY_PAGEUP = 15,
    VKEY_PAGEDOWN = 16,
    VKEY_ENTER = 19,
    VKEY_DELETE = 22,
};
enum KeyModifier : unsigned char { MODIFIER_SHIFT = 1, MODIFIER_ALTERNATE = 2, MODIFIER_CONTROL = 8 };

struct CKeyCode {
    int32_t character = 0;  // Unicode code point, 0 for a pure virtual key
    unsigned char virt = VKEY_NONE;
    unsigned char modifier = 0;
};

// What a view did with a mouse press: kMouseTrack asks for the moves and the release
// that follow (the frame delivers them to this view until the buttons are released).
enum CMouseResult { kMouseNotHandled = 0, kMouseHandled = 1, kMouseTrack = 2 };

}  // namespace VSTGUI
