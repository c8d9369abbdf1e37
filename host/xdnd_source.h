// The source side of an XDND drag, as a file manager plays it: enter, position and drop
// sent to the target, its selection requests answered with the payload. Used by
// kaveo-editor-shot and the X11 tests (which include gtest before this: Xlib's macros
// break its templates).
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <utility>

namespace host {

struct drag_source {
    Display* dpy;
    Window window;
    Atom enter, position, status, drop, finished, selection, uri_list, aware;
    std::string payload;

    explicit drag_source(Display* d, std::string data) : dpy(d), payload(std::move(data)) {
        window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
        enter = XInternAtom(dpy, "XdndEnter", False);
        position = XInternAtom(dpy, "XdndPosition", False);
        status = XInternAtom(dpy, "XdndStatus", False);
        drop = XInternAtom(dpy, "XdndDrop", False);
        finished = XInternAtom(dpy, "XdndFinished", False);
        selection = XInternAtom(dpy, "XdndSelection", False);
        uri_list = XInternAtom(dpy, "text/uri-list", False);
        aware = XInternAtom(dpy, "XdndAware", False);
        XSetSelectionOwner(dpy, selection, window, CurrentTime);
    }
    ~drag_source() { XDestroyWindow(dpy, window); }

    void send(Window target, Atom type, long l1, long l2, long l3, long l4) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = target;
        e.xclient.message_type = type;
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(window);
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(dpy, target, False, NoEventMask, &e);
        XFlush(dpy);
    }
    // Answers the target's requests; true once XdndFinished arrived (accepted in *ok).
    bool serve(bool* accepted, bool* status_seen) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == ClientMessage && Atom(e.xclient.message_type) == status) {
                *status_seen = (e.xclient.data.l[1] & 1) != 0;
            } else if (e.type == ClientMessage && Atom(e.xclient.message_type) == finished) {
                *accepted = (e.xclient.data.l[1] & 1) != 0;
                return true;
            } else if (e.type == SelectionRequest) {
                XSelectionRequestEvent& r = e.xselectionrequest;
                XChangeProperty(dpy, r.requestor, r.property, r.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(payload.data()), int(payload.size()));
                XEvent reply{};
                reply.xselection.type = SelectionNotify;
                reply.xselection.requestor = r.requestor;
                reply.xselection.selection = r.selection;
                reply.xselection.target = r.target;
                reply.xselection.property = r.property;
                reply.xselection.time = r.time;
                XSendEvent(dpy, r.requestor, False, NoEventMask, &reply);
                XFlush(dpy);
            }
        }
        return false;
    }
};

}  // namespace host
