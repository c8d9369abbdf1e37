// Loads a VST 2.x plug-in as a host does, opens its editor in a window of this program's
// own, plays the user's part with the mouse and saves what the X server shows:
//   kaveo-editor-shot OUT.png [-p PLUGIN] [--program N] [--param I=V]... [--click X,Y]...
//                             [--drop X,Y,FILE]...
// Clicks and drops are window coordinates, sent in the order given, each followed by idle
// calls; a drop drags FILE onto the point through XDND, as a file manager does. Run it
// under Xvfb for a clean picture:
//   xvfb-run -a build/tools/editor_shot/kaveo-editor-shot docs/timbre_page.png
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/vst_host.h"
#include "host/xdnd_source.h"

namespace {

// A click at (x, y), or a drop of file there.
struct action {
    int x, y;
    std::string file;
};

void idle_for(host::plugin& p, int ms) {
    for (int i = 0; i < ms / 10; ++i) {
        p.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The deepest child window under (x, y) of parent, which is what the X server would
// deliver a real click to.
Window window_at(Display* dpy, Window parent, int x, int y, int& wx, int& wy) {
    Window w = parent, child = 0;
    wx = x;
    wy = y;
    for (;;) {
        int cx, cy;
        if (!XTranslateCoordinates(dpy, parent, w, x, y, &cx, &cy, &child)) return w;
        wx = cx;
        wy = cy;
        if (!child) return w;
        w = child;
    }
}

void send_click(Display* dpy, Window parent, const action& c) {
    int wx, wy;
    Window target = window_at(dpy, parent, c.x, c.y, wx, wy);
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.display = dpy;
        e.xbutton.window = target;
        e.xbutton.root = DefaultRootWindow(dpy);
        e.xbutton.x = wx;
        e.xbutton.y = wy;
        e.xbutton.button = Button1;
        e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        e.xbutton.same_screen = True;
        XSendEvent(dpy, target, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    }
    XFlush(dpy);
}

// file:// and the path, with what a URI may not hold escaped.
std::string file_uri(const std::string& path) {
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-_.~", c)) {
            uri += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri + "\r\n";
}

// Drags a file onto the window under the point as a file manager does (XDND): enter,
// position, drop, the selection handed over when asked; true when the drop was taken.
bool send_drop(host::plugin& p, Display* dpy, Window parent, const action& d) {
    int wx, wy;
    Window target = window_at(dpy, parent, d.x, d.y, wx, wy);
    int rx, ry;
    Window child;
    XTranslateCoordinates(dpy, parent, DefaultRootWindow(dpy), d.x, d.y, &rx, &ry, &child);
    host::drag_source source(dpy, file_uri(d.file));
    source.send(target, source.enter, 5L << 24, long(source.uri_list), 0, 0);
    source.send(target, source.position, 0, (long(rx) << 16) | long(ry), CurrentTime, 0);
    bool taken = false, status_seen = false, dropped = false;
    for (int i = 0; i < 300; ++i) {
        if (source.serve(&taken, &status_seen)) break;
        if (status_seen && !dropped) {
            source.send(target, source.drop, 0, CurrentTime, 0, 0);
            dropped = true;
        }
        idle_for(p, 10);
    }
    return taken;
}

bool save_png(Display* dpy, Window w, int width, int height, const char* file) {
    XSync(dpy, False);
    XImage* image = XGetImage(dpy, w, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(s);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
        for (int x = 0; x < width; ++x) row[x] = uint32_t(XGetPixel(image, x, y)) & 0xffffff;
    }
    cairo_surface_mark_dirty(s);
    XDestroyImage(image);
    bool ok = cairo_surface_write_to_png(s, file) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

int usage() {
    std::fprintf(stderr,
                 "usage: kaveo-editor-shot OUT.png [-p PLUGIN] [--program N] [--param I=V]... [--click X,Y]...\n"
                 "                         [--drop X,Y,FILE]...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const char* out = argv[1];
    std::string path = host::default_plugin_path();
    int program = -1;
    std::vector<std::pair<int, float>> params;
    std::vector<action> actions;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        std::string v = argv[++i];
        if (a == "-p" || a == "--plugin") {
            path = v;
        } else if (a == "--program") {
            program = std::atoi(v.c_str());
        } else if (a == "--param") {
            size_t eq = v.find('=');
            if (eq == std::string::npos) return usage();
            params.emplace_back(std::atoi(v.substr(0, eq).c_str()), std::strtof(v.c_str() + eq + 1, nullptr));
        } else if (a == "--click" || a == "--drop") {
            action c{};
            int used = 0;
            if (std::sscanf(v.c_str(), "%d,%d%n", &c.x, &c.y, &used) != 2) return usage();
            if (a == "--drop") {
                if (v[size_t(used)] != ',' || v.size() <= size_t(used) + 1) return usage();
                c.file = v.substr(size_t(used) + 1);
            }
            actions.push_back(c);
        } else {
            return usage();
        }
    }
    std::string error;
    auto p = host::plugin::load(path, error);
    if (!p) {
        std::fprintf(stderr, "kaveo-editor-shot: %s\n", error.c_str());
        return 1;
    }
    p->start(44100.0, 512);
    if (program >= 0) p->dispatch(effSetProgram, 0, program);
    for (auto [index, value] : params) p->effect()->setParameter(p->effect(), index, value);
    ERect* rect = nullptr;
    if (!p->dispatch(effEditGetRect, 0, 0, &rect) || !rect) {
        std::fprintf(stderr, "kaveo-editor-shot: the plug-in has no editor\n");
        return 1;
    }
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "kaveo-editor-shot: no X display\n");
        return 1;
    }
    Window parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, unsigned(width), unsigned(height), 0, 0, 0);
    XSelectInput(dpy, parent, StructureNotifyMask);
    XMapWindow(dpy, parent);
    for (XEvent e;;) {
        XNextEvent(dpy, &e);
        if (e.type == MapNotify) break;
    }
    int rc = 0;
    if (!p->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent))) {
        std::fprintf(stderr, "kaveo-editor-shot: the editor did not open\n");
        rc = 1;
    } else {
        idle_for(*p, 200);
        for (const action& c : actions) {
            if (c.file.empty()) {
                send_click(dpy, parent, c);
            } else if (!send_drop(*p, dpy, parent, c)) {
                std::fprintf(stderr, "kaveo-editor-shot: the editor refused the drop of %s\n", c.file.c_str());
                rc = 1;
            }
            idle_for(*p, c.file.empty() ? 200 : 1500);  // a dropped sample takes a moment to load
        }
        if (!save_png(dpy, parent, width, height, out)) {
            std::fprintf(stderr, "kaveo-editor-shot: cannot write %s\n", out);
            rc = 1;
        }
        p->dispatch(effEditClose);
    }
    XDestroyWindow(dpy, parent);
    XCloseDisplay(dpy);
    return rc;
}
