// The instrument's editor opened without a window: the frame draws into its back buffer,
// and mouse and keys go in through the entry points the X11 layer uses. Points are window
// coordinates.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "editor/kaveos_editor.h"
#include "kaveos_fixture.h"
#include "toolkit/cframe.h"
#include "toolkit/cmodal.h"
#include "toolkit/cparamdisplay.h"

namespace test {

struct open_editor {
    instrument in;
    KaveosEditor& ed;
    explicit open_editor(bool open_now = true) : ed(*static_cast<KaveosEditor*>(in.fx->getEditor())) {
        if (open_now) open();
    }
    ~open_editor() {
        if (ed.is_shown()) ed.close();
    }
    void open() { ed.open(nullptr); }
    VSTGUI::CFrame& frame() { return *ed.getFrame(); }
    void idle() { ed.idle(); }
    // Idles until done() holds or about five seconds have passed.
    bool idle_until(const std::function<bool()>& done) {
        for (int i = 0; i < 1000; ++i) {
            idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    void press(VSTGUI::CPoint p, long buttons = VSTGUI::kLButton) { frame().platformMouseDown(p, buttons); }
    void move(VSTGUI::CPoint p, long buttons = VSTGUI::kLButton) { frame().platformMouseMoved(p, buttons); }
    void release(VSTGUI::CPoint p) { frame().platformMouseUp(p, 0); }
    void click(VSTGUI::CPoint p, long buttons = VSTGUI::kLButton) {
        press(p, buttons);
        release(p);
    }
    void key(unsigned char virt, int32_t character = 0) {
        VSTGUI::CKeyCode k;
        k.virt = virt;
        k.character = character;
        frame().platformKeyDown(k);
    }
    void type(const std::string& text) {
        for (char c : text) key(0, static_cast<unsigned char>(c));
    }
    // The centre of a view shown in the window, in window coordinates.
    static VSTGUI::CPoint centre(const VSTGUI::CView* v) {
        VSTGUI::CRect r = v->getFrameRect();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // A point in a view's parent's coordinates (what its rectangle is in), in the window's.
    static VSTGUI::CPoint in_window(const VSTGUI::CView* v, VSTGUI::CPoint p) {
        VSTGUI::CRect r = v->getFrameRect();
        const VSTGUI::CRect& own = v->getViewSize();
        return {p.h + r.left - own.left, p.v + r.top - own.top};
    }
    static std::string text_of(const VSTGUI::CParamDisplay* d) {
        char t[VSTGUI::CParamDisplay::text_capacity];
        d->getDisplayText(t, sizeof t);
        return t;
    }
    // The message box or question shown over the editor, or null.
    VSTGUI::CModalBox* box() { return dynamic_cast<VSTGUI::CModalBox*>(frame().getTopOverlay()); }
    std::vector<std::pair<int, float>> automation() {
        std::lock_guard<std::mutex> lock(in.host.automation_lock);
        return in.host.automation;
    }
    void forget_automation() {
        std::lock_guard<std::mutex> lock(in.host.automation_lock);
        in.host.automation.clear();
        in.host.gestures.clear();
    }
};

}  // namespace test
