// The frame's X11 side: a child window inside the host's window on a display connection
// of our own. Events are read when the frame's idle runs (the host's editor-idle calls) or
// when a host calls the function published in the window's _XEventProc property; each
// batch of events ends with the dirty views redrawn and shown.
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/cgeometry.h"

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace VSTGUI {

class CFrame;
class x11_dnd;

class x11_window {
public:
    // A window of width x height at (0, 0) inside parent, or null when there is no
    // display or the parent is not a window.
    static std::unique_ptr<x11_window> open(CFrame* frame, uintptr_t parent, int width, int height);
    ~x11_window();
    x11_window(const x11_window&) = delete;
    x11_window& operator=(const x11_window&) = delete;

    unsigned long id() const { return window; }
    Display* display() const { return dpy; }
    // Copies r of the frame's back buffer to the window.
    void present(const CRect& r);
    // Handles every pending event, then lets the frame redraw.
    void pump();
    // Handles one event (from our connection or handed over by a host).
    void handle(const XEvent& event);
    void grab_keyboard(bool on);

    // X errors seen on the toolkit's connections since the process started (tests).
    static long error_count();
    // How many toolkit windows exist now (tests).
    static long open_count();

private:
    x11_window(CFrame* frame, Display* dpy);
    void try_grab();

    CFrame* frame;
    Display* dpy;
    unsigned long window = 0;
    void* gc = nullptr;  // the window's graphics context (GC)
    std::unique_ptr<x11_dnd> dnd;
    long held_buttons = 0;  // buttons down in our window, as the mouse word
    bool want_grab = false;
    bool grabbed = false;
    bool drawn = false;
};

}  // namespace VSTGUI
