// The instrument's assign page in a real window: clicks from the X server reach the delay
// controls and send their exact values, and a controller moved turns the controller text
// yellow on screen at the next editor idle.
#include "tests/x11/x11_fixture.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "editor/assign_page.h"
#include "editor/ctext.h"
#include "editor/kaveos_editor.h"
#include "plugin/kaveos.h"
#include "tests/temp_dir.h"

namespace {

VstIntPtr quiet_host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

int run(const std::string& command) { return std::system(command.c_str()); }

struct hosted {
    AEffect* e;
    void idle() { e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0); }
    bool idle_until(const std::function<bool()>& done) {
        for (int i = 0; i < 400; ++i) {
            idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // A few idle calls, so the redraw reaches the X server.
    void settle() {
        for (int i = 0; i < 40; ++i) {
            idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void controller(int number, int value) {
        VstMidiEvent m{};
        m.type = kVstMidiType;
        m.byteSize = sizeof m;
        m.midiData[0] = char(0xB0);
        m.midiData[1] = char(number);
        m.midiData[2] = char(value);
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&m);
        e->dispatcher(e, effProcessEvents, 0, 0, &list, 0);
        float l[64], r[64];
        float* outs[2] = {l, r};
        e->processReplacing(e, nullptr, outs, 64);
    }
};

// Pixels of a window area that are yellow (antialiased text keeps some near full).
int yellow_pixels(const std::vector<uint32_t>& shot, int width, const VSTGUI::CRect& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            uint32_t p = shot[size_t(y * width + x)];
            n += ((p >> 16) & 0xff) > 200 && ((p >> 8) & 0xff) > 200 && (p & 0xff) < 100;
        }
    return n;
}

}  // namespace

TEST(X11AssignPage, ClicksReachTheDelayAndALearnedControllerShowsYellow) {
    if (run("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    xtest::parent_window window;
    ASSERT_NE(window.dpy, nullptr);
    test::scoped_data_home home;
    auto fx = std::make_unique<Kaveos>(quiet_host);
    hosted host{fx->getAeffect()};
    ASSERT_EQ(host.e->dispatcher(host.e, effEditOpen, 0, 0, window.handle(), 0), 1);
    auto* ed = static_cast<KaveosEditor*>(fx->getEditor());
    const std::string click = "xdotool mousemove --window " + std::to_string(ed->getFrame()->getSystemWindow());
    host.idle();
    ASSERT_EQ(run(click + " 472 17 click 1"), 0);  // the ASSIGN page button
    ASSERT_TRUE(host.idle_until([&] { return ed->current_page() == KaveosEditor::page_assign; }));

    // Delay on at (46, 288)-(77, 298) of the page; the filter's HP third at (77, 399)-(93, 409).
    ASSERT_EQ(run(click + " 61 329 click 1"), 0);
    EXPECT_TRUE(host.idle_until([&] { return fx->getParameter(P_DELAY_ON) == 0.9f; }));
    ASSERT_EQ(run(click + " 86 440 click 1"), 0);
    EXPECT_TRUE(host.idle_until([&] { return fx->getParameter(P_DELAY_FILTER_TYPE) == 0.8333333f; }));

    // The controller text at (315, 295)-(355, 313) of the page.
    const VSTGUI::CRect text_area(315, 331, 355, 349);
    host.settle();
    EXPECT_EQ(yellow_pixels(window.screenshot(640, 599), 640, text_area), 0);
    host.controller(20, 64);
    ASSERT_TRUE(host.idle_until([&] { return ed->assign().controller_text()->getText() == "20"; }));
    host.settle();
    EXPECT_GT(yellow_pixels(window.screenshot(640, 599), 640, text_area), 5);
    host.e->dispatcher(host.e, effEditClose, 0, 0, nullptr, 0);
}
