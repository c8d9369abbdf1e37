// Opens a plain X window, puts a frame with one of each control inside it and saves a
// screenshot: kaveo-toolkit-demo SCREENSHOT.png [--menu]
// (--menu opens the source menu first). Run it under Xvfb for a clean picture:
//   xvfb-run -a build/kaveo-toolkit-demo docs/toolkit_demo.png
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tools/toolkit_demo/demo_scene.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kaveo-toolkit-demo SCREENSHOT.png [--menu]\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "kaveo-toolkit-demo: no X display\n");
        return 1;
    }
    int screen = DefaultScreen(dpy);
    Window parent = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 640, 599, 0, 0, 0);
    XStoreName(dpy, parent, "Kaveo toolkit");
    XSelectInput(dpy, parent, StructureNotifyMask);
    XMapWindow(dpy, parent);
    for (XEvent e;;) {
        XNextEvent(dpy, &e);
        if (e.type == MapNotify) break;
    }
    {
        VSTGUI::CFrame frame(VSTGUI::CRect(0, 0, 640, 599), reinterpret_cast<void*>(parent), nullptr);
        if (!frame.isOpen()) {
            std::fprintf(stderr, "kaveo-toolkit-demo: the frame did not open\n");
            return 1;
        }
        demo::scene scene;
        scene.build(&frame);
        if (argc > 2 && std::strcmp(argv[2], "--menu") == 0) {
            frame.platformMouseDown({400, 36 + 518}, VSTGUI::kLButton);
            frame.platformMouseUp({400, 36 + 518}, 0);
        }
        for (int i = 0; i < 20; ++i) {
            frame.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        XSync(dpy, False);
        XImage* image = XGetImage(dpy, parent, 0, 0, 640, 599, AllPlanes, ZPixmap);
        if (!image) return 1;
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 640, 599);
        cairo_surface_flush(s);
        for (int y = 0; y < 599; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
            for (int x = 0; x < 640; ++x) row[x] = uint32_t(XGetPixel(image, x, y)) & 0xffffff;
        }
        cairo_surface_mark_dirty(s);
        XDestroyImage(image);
        cairo_status_t st = cairo_surface_write_to_png(s, argv[1]);
        cairo_surface_destroy(s);
        if (st != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "kaveo-toolkit-demo: cannot write %s\n", argv[1]);
            return 1;
        }
    }
    XDestroyWindow(dpy, parent);
    XCloseDisplay(dpy);
    return 0;
}
