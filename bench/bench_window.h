// The host's window for the editor benchmarks, made once per process; without an X
// display dpy is null and the benchmarks draw into the frame's back buffer or skip.
#pragma once

#include <X11/Xlib.h>

namespace bench {

struct host_window {
    Display* dpy = nullptr;
    Window window = 0;
    host_window() {
        dpy = XOpenDisplay(nullptr);
        if (!dpy) return;
        window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 640, 599, 0, 0, 0);
        XMapWindow(dpy, window);
        XSync(dpy, False);
    }
    void* parent() const { return dpy ? reinterpret_cast<void*>(window) : nullptr; }
};

inline host_window& host() {
    static host_window h;
    return h;
}

}  // namespace bench
