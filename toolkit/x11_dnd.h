// Drops from other programs through the XDND protocol (version 5): the window announces
// itself as a drop target, answers the source's position messages, and on the drop asks
// for the data and offers it to the frame: a file list as names (type 0), else plain
// text (type 1).
#pragma once

#include <string>
#include <vector>

#include "toolkit/cgeometry.h"

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace VSTGUI {

class CFrame;

class x11_dnd {
public:
    x11_dnd(Display* dpy, unsigned long window, CFrame* frame);
    // True when the event belonged to a drag and was handled.
    bool handle(const XEvent& event);

    // The file names in a text/uri-list (file: URIs only, decoded), for tests.
    static std::vector<std::string> parse_uri_list(const std::string& list);

private:
    void reply_status(bool accept);
    void finish(bool accepted);
    void deliver(const std::string& data);

    Display* dpy;
    unsigned long window;
    CFrame* frame;
    unsigned long source = 0;  // the window of the drag source, 0 when no drag
    unsigned long type = 0;    // the data type chosen from the source's offer
    bool uri_list = false;
    CPoint where;  // last position, window coordinates
    unsigned long a_enter, a_position, a_status, a_leave, a_drop, a_finished, a_selection, a_type_list,
        a_copy, a_data, a_uri_list, a_utf8_text, a_utf8_string, a_text, a_string;
};

}  // namespace VSTGUI
