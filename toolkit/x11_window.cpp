#include "toolkit/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "toolkit/cframe.h"
#include "toolkit/x11_dnd.h"

namespace VSTGUI {

namespace {

std::atomic<long> x_errors{0};
std::atomic<long> windows_open{0};

// Windows by id, for the event procedure hosts call with events of their own connection.
std::mutex registry_mutex;
std::map<unsigned long, x11_window*>& registry() {
    static std::map<unsigned long, x11_window*> r;
    return r;
}

// Our connections, so errors on them are counted and not passed to the host's handler
// (whose default ends the process).
std::map<Display*, int>& our_displays() {
    static std::map<Display*, int> d;
    return d;
}

XErrorHandler previous_handler = nullptr;

int on_x_error(Display* d, XErrorEvent* e) {
    {
        std::lock_guard<std::mutex> lock(registry_mutex);
        if (our_displays().count(d)) {
            x_errors.fetch_add(1, std::memory_order_relaxed);
            return 0;
        }
    }
    return previous_handler ? previous_handler(d, e) : 0;
}

// Installs our error handler for the duration of a batch of X calls, then syncs so the
// errors of the batch arrive while it is in place, and puts the host's handler back.
class error_scope {
public:
    explicit error_scope(Display* d) : dpy(d) {
        XErrorHandler old = XSetErrorHandler(on_x_error);
        if (old != on_x_error) previous_handler = old;
        saved = old;
    }
    ~error_scope() {
        XSync(dpy, False);
        XSetErrorHandler(saved == on_x_error ? previous_handler : saved);
    }

private:
    Display* dpy;
    XErrorHandler saved;
};

// Hosts that read _XEventProc call this with events for our window.
void event_proc(XEvent* event) {
    if (!event) return;
    x11_window* w = nullptr;
    {
        std::lock_guard<std::mutex> lock(registry_mutex);
        auto it = registry().find(event->xany.window);
        if (it != registry().end()) w = it->second;
    }
    if (!w) return;
    w->handle(*event);
    w->pump();
}

// Hosts read one 32-bit item of the property and call it as a function pointer, so on
// 64-bit machines the address must fit in 32 bits: a jump to event_proc placed in the
// low 2 GB does. Made once per process; 0 when no such memory can be had.
uintptr_t low_event_proc() {
    static const uintptr_t address = [] {
        uintptr_t result = 0;
#if defined(__x86_64__) && defined(MAP_32BIT)
        void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (page != MAP_FAILED) {
            auto* code = static_cast<unsigned char*>(page);
            uint64_t target = reinterpret_cast<uintptr_t>(&event_proc);
            code[0] = 0x48;  // movabs rax, target
            code[1] = 0xb8;
            std::memcpy(code + 2, &target, sizeof target);
            code[10] = 0xff;  // jmp rax
            code[11] = 0xe0;
            if (mprotect(page, 4096, PROT_READ | PROT_EXEC) == 0)
                result = reinterpret_cast<uintptr_t>(page);
            else
                munmap(page, 4096);
        }
#endif
        return result;
    }();
    return address;
}

long mouse_word(unsigned int state) {
    long b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

long button_bit(unsigned int button) {
    switch (button) {
        case Button1: return kLButton;
        case Button2: return kMButton;
        case Button3: return kRButton;
        default: return 0;
    }
}

CKeyCode key_code(const XKeyEvent& event) {
    XKeyEvent copy = event;
    char text[8] = {};
    KeySym sym = NoSymbol;
    int n = XLookupString(&copy, text, sizeof text, &sym, nullptr);
    CKeyCode k;
    if (event.state & ShiftMask) k.modifier |= MODIFIER_SHIFT;
    if (event.state & ControlMask) k.modifier |= MODIFIER_CONTROL;
    if (event.state & Mod1Mask) k.modifier |= MODIFIER_ALTERNATE;
    switch (sym) {
        case XK_BackSpace: k.virt = VKEY_BACK; return k;
        case XK_Tab: k.virt = VKEY_TAB; return k;
        case XK_Return: k.virt = VKEY_RETURN; return k;
        case XK_KP_Enter: k.virt = VKEY_ENTER; return k;
        case XK_Escape: k.virt = VKEY_ESCAPE; return k;
        case XK_End: case XK_KP_End: k.virt = VKEY_END; return k;
        case XK_Home: case XK_KP_Home: k.virt = VKEY_HOME; return k;
        case XK_Left: case XK_KP_Left: k.virt = VKEY_LEFT; return k;
        case XK_Up: case XK_KP_Up: k.virt = VKEY_UP; return k;
        case XK_Right: case XK_KP_Right: k.virt = VKEY_RIGHT; return k;
        case XK_Down: case XK_KP_Down: k.virt = VKEY_DOWN; return k;
        case XK_Page_Up: k.virt = VKEY_PAGEUP; return k;
        case XK_Page_Down: k.virt = VKEY_PAGEDOWN; return k;
        case XK_Delete: case XK_KP_Delete: k.virt = VKEY_DELETE; return k;
        case XK_space: k.virt = VKEY_SPACE; k.character = ' '; return k;
        default: break;
    }
    if (sym >= 0x20 && sym <= 0xff)
        k.character = int32_t(sym);  // Latin-1 keysyms are their code points
    else if (sym >= 0x01000100 && sym <= 0x0110ffff)
        k.character = int32_t(sym - 0x01000000);  // Unicode keysyms
    else if (n == 1)
        k.character = static_cast<unsigned char>(text[0]);
    return k;
}

}  // namespace

long x11_window::error_count() { return x_errors.load(std::memory_order_relaxed); }
long x11_window::open_count() { return windows_open.load(std::memory_order_relaxed); }

x11_window::x11_window(CFrame* f, Display* d) : frame(f), dpy(d) {}

std::unique_ptr<x11_window> x11_window::open(CFrame* frame, uintptr_t parent, int width, int height) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return nullptr;
    {
        std::lock_guard<std::mutex> lock(registry_mutex);
        our_displays()[dpy] = 1;
    }
    std::unique_ptr<x11_window> w(new x11_window(frame, dpy));
    long errors_before = error_count();
    {
        error_scope scope(dpy);
        int screen = DefaultScreen(dpy);
        XSetWindowAttributes a{};
        a.border_pixel = 0;
        a.background_pixmap = None;  // we paint everything; no flash of a background
        a.colormap = DefaultColormap(dpy, screen);
        a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                       KeyReleaseMask | StructureNotifyMask;
        w->window = XCreateWindow(dpy, Window(parent), 0, 0, unsigned(width), unsigned(height), 0,
                                  DefaultDepth(dpy, screen), InputOutput, DefaultVisual(dpy, screen),
                                  CWBorderPixel | CWBackPixmap | CWColormap | CWEventMask, &a);
    }
    if (error_count() != errors_before || !w->window) {
        w->window = 0;  // the parent was no window: nothing was made
        w.reset();
        return nullptr;
    }
    {
        error_scope scope(dpy);
        XStoreName(dpy, w->window, "Window");
        // Hosts built on some frameworks do not let the plug-in read its own events; they
        // look for this property and call the function in it with each event.
        // Two 32-bit items, low half first: hosts that read one get a callable address
        // (the low jump), hosts that read both can join them.
        Atom proc = XInternAtom(dpy, "_XEventProc", False);
        uintptr_t address = low_event_proc();
        if (!address) address = reinterpret_cast<uintptr_t>(&event_proc);
        long items[2] = {long(address & 0xffffffffu), long(uint64_t(address) >> 32)};
        XChangeProperty(dpy, w->window, proc, proc, 32, PropModeReplace, reinterpret_cast<unsigned char*>(items), 2);
        w->dnd = std::make_unique<x11_dnd>(dpy, w->window, frame);
        XMapRaised(dpy, w->window);
        w->gc = XCreateGC(dpy, w->window, 0, nullptr);
    }
    {
        std::lock_guard<std::mutex> lock(registry_mutex);
        registry()[w->window] = w.get();
    }
    windows_open.fetch_add(1, std::memory_order_relaxed);
    return w;
}

x11_window::~x11_window() {
    if (window) {
        {
            std::lock_guard<std::mutex> lock(registry_mutex);
            registry().erase(window);
        }
        error_scope scope(dpy);
        if (grabbed) XUngrabKeyboard(dpy, CurrentTime);
        dnd.reset();
        if (gc) XFreeGC(dpy, static_cast<GC>(gc));
        XDestroyWindow(dpy, window);
        windows_open.fetch_sub(1, std::memory_order_relaxed);
    }
    XCloseDisplay(dpy);
    std::lock_guard<std::mutex> lock(registry_mutex);
    our_displays().erase(dpy);
}

void x11_window::present(const CRect& area) {
    CRect r = area;
    r.bound(CRect(0, 0, frame->getWidth(), frame->getHeight()));
    if (!gc || r.isEmpty()) return;
    cairo_surface_t* back = frame->getBackBuffer();
    cairo_surface_flush(back);
    auto* data = reinterpret_cast<char*>(cairo_image_surface_get_data(back));
    int stride = cairo_image_surface_get_stride(back);
    int screen = DefaultScreen(dpy);
    Visual* visual = DefaultVisual(dpy, screen);
    int depth = DefaultDepth(dpy, screen);
    // The back buffer is 0x00RRGGBB in 32-bit words, which most displays take as it is;
    // Xlib swaps the bytes for a server of the other byte order.
    if ((depth == 24 || depth == 32) && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
        visual->blue_mask == 0xff) {
        XImage image{};
        image.width = frame->getWidth();
        image.height = frame->getHeight();
        image.format = ZPixmap;
        image.data = data;
        image.byte_order = LSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = LSBFirst;
        image.bitmap_pad = 32;
        image.depth = depth;
        image.bytes_per_line = stride;
        image.bits_per_pixel = 32;
        image.red_mask = visual->red_mask;
        image.green_mask = visual->green_mask;
        image.blue_mask = visual->blue_mask;
        if (XInitImage(&image))
            XPutImage(dpy, window, static_cast<GC>(gc), &image, r.left, r.top, r.left, r.top, unsigned(r.width()),
                      unsigned(r.height()));
    } else {
        // Any other true-colour layout: convert the area pixel by pixel through the masks.
        XImage* image = XCreateImage(dpy, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(r.width()),
                                     unsigned(r.height()), 32, 0);
        if (!image) return;
        image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * size_t(r.height())));
        if (!image->data) {
            XDestroyImage(image);
            return;
        }
        auto channel = [](uint32_t value, unsigned long mask) -> unsigned long {
            if (!mask) return 0;
            int shift = 0, bits = 0;
            while (!((mask >> shift) & 1)) ++shift;
            while ((mask >> (shift + bits)) & 1) ++bits;
            return (((unsigned long)value >> (8 - std::min(bits, 8))) << shift) & mask;
        };
        for (int y = 0; y < r.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + (r.top + y) * stride);
            for (int x = 0; x < r.width(); ++x) {
                uint32_t p = row[r.left + x];
                XPutPixel(image, x, y,
                          channel((p >> 16) & 0xff, visual->red_mask) | channel((p >> 8) & 0xff, visual->green_mask) |
                              channel(p & 0xff, visual->blue_mask));
            }
        }
        XPutImage(dpy, window, static_cast<GC>(gc), image, 0, 0, r.left, r.top, unsigned(r.width()),
                  unsigned(r.height()));
        XDestroyImage(image);
    }
    drawn = true;
}

void x11_window::try_grab() {
    if (!want_grab || grabbed) return;
    grabbed = XGrabKeyboard(dpy, window, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
}

void x11_window::grab_keyboard(bool on) {
    error_scope scope(dpy);
    want_grab = on;
    if (on) {
        try_grab();
    } else if (grabbed) {
        XUngrabKeyboard(dpy, CurrentTime);
        grabbed = false;
    }
}

void x11_window::pump() {
    {
        error_scope scope(dpy);
        try_grab();  // a grab fails while the window is not yet viewable
        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            // Only the last of a run of moves matters.
            if (event.type == MotionNotify) {
                XEvent next;
                while (XCheckTypedWindowEvent(dpy, window, MotionNotify, &next)) event = next;
            }
            handle(event);
        }
    }
    frame->update();
    XFlush(dpy);
}

void x11_window::handle(const XEvent& event) {
    if (dnd && dnd->handle(event)) return;
    if (event.xany.window != window) return;
    switch (event.type) {
        case Expose: {
            if (!drawn) {
                frame->redraw();
                present(CRect(0, 0, frame->getWidth(), frame->getHeight()));
            } else {
                const XExposeEvent& e = event.xexpose;
                present(CRect(e.x, e.y, e.x + e.width, e.y + e.height));
            }
            break;
        }
        case ButtonPress: {
            const XButtonEvent& e = event.xbutton;
            CPoint where(e.x, e.y);
            if (e.button == Button4 || e.button == Button5) {
                frame->platformWheel(where, e.button == Button4 ? 1.0f : -1.0f, mouse_word(e.state));
                break;
            }
            long bit = button_bit(e.button);
            if (!bit) break;
            held_buttons = (mouse_word(e.state) | bit);
            frame->platformMouseDown(where, held_buttons);
            break;
        }
        case ButtonRelease: {
            const XButtonEvent& e = event.xbutton;
            long bit = button_bit(e.button);
            if (!bit) break;
            held_buttons = mouse_word(e.state) & ~bit;
            frame->platformMouseUp(CPoint(e.x, e.y), held_buttons);
            break;
        }
        case MotionNotify: {
            const XMotionEvent& e = event.xmotion;
            held_buttons = mouse_word(e.state);
            frame->platformMouseMoved(CPoint(e.x, e.y), held_buttons);
            break;
        }
        case KeyPress:
            frame->platformKeyDown(key_code(event.xkey));
            break;
        case KeyRelease:
            frame->platformKeyUp(key_code(event.xkey));
            break;
        default:
            break;
    }
}

}  // namespace VSTGUI
