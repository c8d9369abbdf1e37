// A host's side of an editor window for the X11 tests: a parent window on a connection of
// the test's own, helpers to wait for the frame, and X server reads.
#pragma once

// gtest first: Xlib's macros (None, Bool) would break its templates.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "toolkit/cframe.h"

namespace xtest {

struct parent_window {
    Display* dpy = nullptr;
    Window window = 0;

    parent_window(int w = 640, int h = 599) {
        dpy = XOpenDisplay(nullptr);
        if (!dpy) return;
        window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, unsigned(w), unsigned(h), 0, 0, 0);
        XSelectInput(dpy, window, StructureNotifyMask);
        XMapWindow(dpy, window);
        for (XEvent e;;) {
            XNextEvent(dpy, &e);
            if (e.type == MapNotify) break;
        }
    }
    ~parent_window() {
        if (!dpy) return;
        XDestroyWindow(dpy, window);
        XCloseDisplay(dpy);
    }
    void* handle() const { return reinterpret_cast<void*>(window); }
    std::vector<Window> children() const {
        Window root, parent, *kids = nullptr;
        unsigned n = 0;
        std::vector<Window> out;
        if (XQueryTree(dpy, window, &root, &parent, &kids, &n)) out.assign(kids, kids + n);
        if (kids) XFree(kids);
        return out;
    }
    // The parent's pixels as the X server shows them (children included), 0xRRGGBB.
    std::vector<uint32_t> screenshot(int w, int h) const {
        XSync(dpy, False);
        std::vector<uint32_t> out;
        XImage* image = XGetImage(dpy, window, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
        if (!image) return out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.push_back(uint32_t(XGetPixel(image, x, y)) & 0xffffffu);
        XDestroyImage(image);
        return out;
    }
};

// File descriptors the process holds open.
inline int open_fds() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// Runs the frame's idle until done() or about two seconds have passed.
inline bool idle_until(VSTGUI::CFrame& frame, const std::function<bool()>& done) {
    for (int i = 0; i < 400; ++i) {
        frame.idle();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace xtest
