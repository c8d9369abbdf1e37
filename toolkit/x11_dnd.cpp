#include "toolkit/x11_dnd.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

#include "toolkit/cframe.h"

namespace VSTGUI {

namespace {
constexpr long xdnd_version = 5;
constexpr size_t max_name_bytes = 4096;  // PATH_MAX; a longer name is no file we can open

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

x11_dnd::x11_dnd(Display* d, unsigned long w, CFrame* f) : dpy(d), window(w), frame(f) {
    a_enter = XInternAtom(dpy, "XdndEnter", False);
    a_position = XInternAtom(dpy, "XdndPosition", False);
    a_status = XInternAtom(dpy, "XdndStatus", False);
    a_leave = XInternAtom(dpy, "XdndLeave", False);
    a_drop = XInternAtom(dpy, "XdndDrop", False);
    a_finished = XInternAtom(dpy, "XdndFinished", False);
    a_selection = XInternAtom(dpy, "XdndSelection", False);
    a_type_list = XInternAtom(dpy, "XdndTypeList", False);
    a_copy = XInternAtom(dpy, "XdndActionCopy", False);
    a_data = XInternAtom(dpy, "KAVEO_XDND_DATA", False);
    a_uri_list = XInternAtom(dpy, "text/uri-list", False);
    a_utf8_text = XInternAtom(dpy, "text/plain;charset=utf-8", False);
    a_utf8_string = XInternAtom(dpy, "UTF8_STRING", False);
    a_text = XInternAtom(dpy, "text/plain", False);
    a_string = XA_STRING;
    Atom aware = XInternAtom(dpy, "XdndAware", False);
    long version = xdnd_version;
    XChangeProperty(dpy, window, aware, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&version), 1);
}

std::vector<std::string> x11_dnd::parse_uri_list(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0')) line.pop_back();
        if (line.empty() || line[0] == '#' || line.compare(0, 5, "file:") != 0) continue;
        std::string path = line.substr(5);
        if (path.compare(0, 2, "//") == 0) {
            // file://host/path: the host part is this machine (or empty).
            size_t slash = path.find('/', 2);
            if (slash == std::string::npos) continue;
            path = path.substr(slash);
        }
        std::string decoded;
        for (size_t i = 0; i < path.size(); ++i) {
            if (path[i] == '%' && i + 2 < path.size() && hex(path[i + 1]) >= 0 && hex(path[i + 2]) >= 0) {
                decoded += char(hex(path[i + 1]) * 16 + hex(path[i + 2]));
                i += 2;
            } else {
                decoded += path[i];
            }
        }
        if (decoded.empty() || decoded.size() >= max_name_bytes || decoded.find('\0') != std::string::npos) continue;
        names.push_back(decoded);
    }
    return names;
}

void x11_dnd::reply_status(bool accept) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = dpy;
    e.xclient.window = source;
    e.xclient.message_type = a_status;
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(window);
    e.xclient.data.l[1] = accept ? 3 : 2;  // accept, and keep sending positions
    e.xclient.data.l[4] = accept ? long(a_copy) : 0;
    XSendEvent(dpy, source, False, NoEventMask, &e);
}

void x11_dnd::finish(bool accepted) {
    if (!source) return;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = dpy;
    e.xclient.window = source;
    e.xclient.message_type = a_finished;
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(window);
    e.xclient.data.l[1] = accepted ? 1 : 0;
    e.xclient.data.l[2] = accepted ? long(a_copy) : 0;
    XSendEvent(dpy, source, False, NoEventMask, &e);
    XFlush(dpy);
    source = 0;
    type = 0;
}

void x11_dnd::deliver(const std::string& data) {
    bool taken = false;
    if (uri_list) {
        std::vector<std::string> names = parse_uri_list(data);
        if (!names.empty()) {
            std::vector<void*> items;
            for (std::string& n : names) items.push_back(n.data());
            taken = frame->platformDrop(items.data(), long(items.size()), 0, where);
        }
    } else if (!data.empty()) {
        std::string text = data;
        void* item = text.data();
        taken = frame->platformDrop(&item, 1, 1, where);
    }
    finish(taken);
}

bool x11_dnd::handle(const XEvent& event) {
    if (event.type == ClientMessage && event.xclient.window == window) {
        const XClientMessageEvent& m = event.xclient;
        Atom what = m.message_type;
        if (what == a_enter) {
            source = static_cast<unsigned long>(m.data.l[0]);
            std::vector<Atom> offered;
            if (m.data.l[1] & 1) {
                Atom actual;
                int format;
                unsigned long count, rest;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(dpy, source, a_type_list, 0, 1024, False, XA_ATOM, &actual, &format, &count,
                                       &rest, &data) == Success &&
                    data && format == 32) {
                    auto* atoms = reinterpret_cast<Atom*>(data);
                    offered.assign(atoms, atoms + count);
                }
                if (data) XFree(data);
            } else {
                for (int i = 2; i < 5; ++i)
                    if (m.data.l[i]) offered.push_back(Atom(m.data.l[i]));
            }
            type = 0;
            for (Atom want : {a_uri_list, a_utf8_text, a_utf8_string, a_text, a_string}) {
                for (Atom a : offered)
                    if (a == want) type = want;
                if (type) break;
            }
            uri_list = type == a_uri_list;
            return true;
        }
        if (what == a_position) {
            source = static_cast<unsigned long>(m.data.l[0]);
            int root_x = int((m.data.l[2] >> 16) & 0xffff), root_y = int(m.data.l[2] & 0xffff);
            int x = 0, y = 0;
            Window child;
            XTranslateCoordinates(dpy, DefaultRootWindow(dpy), window, root_x, root_y, &x, &y, &child);
            where = CPoint(x, y);
            reply_status(type != 0);
            return true;
        }
        if (what == a_leave) {
            source = 0;
            type = 0;
            return true;
        }
        if (what == a_drop) {
            source = static_cast<unsigned long>(m.data.l[0]);
            if (!type) {
                finish(false);  // nothing we can read
                return true;
            }
            XConvertSelection(dpy, a_selection, type, a_data, window, Time(m.data.l[2]));
            return true;
        }
        return false;
    }
    if (event.type == SelectionNotify && event.xselection.requestor == window &&
        event.xselection.selection == a_selection) {
        std::string data;
        if (event.xselection.property != None) {
            long offset = 0;
            for (;;) {
                Atom actual;
                int format;
                unsigned long count, rest;
                unsigned char* chunk = nullptr;
                if (XGetWindowProperty(dpy, window, a_data, offset, 65536, False, AnyPropertyType, &actual, &format,
                                       &count, &rest, &chunk) != Success)
                    break;
                if (chunk && format == 8) data.append(reinterpret_cast<char*>(chunk), count);
                if (chunk) XFree(chunk);
                if (format != 8 || rest == 0) break;
                offset += long(count / 4);
            }
            XDeleteProperty(dpy, window, a_data);
        }
        deliver(data);
        return true;
    }
    return false;
}

}  // namespace VSTGUI
