// Helpers for the toolkit tests: a frame without a window, a listener that records every
// notification, synthetic pictures and pixel reads.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "toolkit/cbitmap.h"
#include "toolkit/ccontrol.h"
#include "toolkit/cframe.h"

namespace test {

struct recording_listener : CControlListener {
    struct call {
        long tag;
        float value;
    };
    std::vector<call> calls;
    void valueChanged(VSTGUI::CDrawContext*, VSTGUI::CControl* c) override { calls.push_back({c->getTag(), c->getValue()}); }
    std::vector<float> values() const {
        std::vector<float> v;
        for (auto& c : calls) v.push_back(c.value);
        return v;
    }
};

// A 640 x 599 frame drawing into its back buffer only; events go in as the X11 layer
// sends them.
struct headless_frame {
    VSTGUI::CFrame frame{VSTGUI::CRect(0, 0, 640, 599), nullptr, nullptr};

    void press(int x, int y, long buttons = VSTGUI::kLButton) { frame.platformMouseDown({x, y}, buttons); }
    void move(int x, int y, long buttons = VSTGUI::kLButton) { frame.platformMouseMoved({x, y}, buttons); }
    void release(int x, int y, long remaining = 0) { frame.platformMouseUp({x, y}, remaining); }
    void click(int x, int y, long buttons = VSTGUI::kLButton) {
        press(x, y, buttons);
        release(x, y, buttons & ~(VSTGUI::kLButton | VSTGUI::kMButton | VSTGUI::kRButton));
    }
    void key(unsigned char virt, int32_t character = 0) {
        VSTGUI::CKeyCode k;
        k.virt = virt;
        k.character = character;
        frame.platformKeyDown(k);
    }
    void type(const char* text) {
        for (const char* p = text; *p; ++p) key(0, static_cast<unsigned char>(*p));
    }
    // 0xRRGGBB of a back-buffer pixel, after drawing what is dirty.
    uint32_t pixel(int x, int y) {
        frame.update();
        cairo_surface_t* s = frame.getBackBuffer();
        cairo_surface_flush(s);
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
        return row[x] & 0xffffffu;
    }
};

// A picture of states stacked vertically, each a solid colour (0xRRGGBB).
inline std::unique_ptr<VSTGUI::CBitmap> striped_bitmap(int width, int state_height, std::initializer_list<uint32_t> colours) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, state_height * int(colours.size()));
    cairo_t* cr = cairo_create(s);
    int y = 0;
    for (uint32_t c : colours) {
        cairo_set_source_rgb(cr, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
        cairo_rectangle(cr, 0, y, width, state_height);
        cairo_fill(cr);
        y += state_height;
    }
    cairo_destroy(cr);
    auto b = std::make_unique<VSTGUI::CBitmap>(s);
    cairo_surface_destroy(s);
    return b;
}

}  // namespace test
