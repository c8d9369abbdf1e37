// The instrument's editor in a host's window on a real X server: the timbre page shown and
// clicked through the server, and many open and close cycles while audio plays.
#include <gtest/gtest.h>
#include <malloc.h>

#include <dirent.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "editor/kaveos_editor.h"
#include "editor/timbre_page.h"
#include "tests/kaveos_fixture.h"
#include "tests/x11/x11_fixture.h"
#include "toolkit/cframe.h"
#include "toolkit/cswitches.h"
#include "toolkit/x11_window.h"

using namespace VSTGUI;

namespace {

KaveosEditor& editor_of(test::instrument& in) { return *static_cast<KaveosEditor*>(in.fx->getEditor()); }

// Renders and turns a knob from two threads, as a playing host does, until stopped.
struct playing_host {
    test::instrument& in;
    std::atomic<bool> stop{false};
    std::thread audio, automation;
    explicit playing_host(test::instrument& i) : in(i) {
        in.note_on(60);
        audio = std::thread([this] {
            std::vector<float> l(256), r(256);
            float* outs[2] = {l.data(), r.data()};
            while (!stop) in.effect()->processReplacing(in.effect(), nullptr, outs, 256);
        });
        automation = std::thread([this] {
            for (int i = 0; !stop; ++i) {
                in.fx->setParameter(P_FILTER_CUTOFF, float(i % 100) / 100.0f);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    ~playing_host() {
        stop = true;
        audio.join();
        automation.join();
    }
};

}  // namespace

TEST(X11Editor, TheTimbrePageOpensInTheHostsWindowAndTakesClicks) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    test::instrument in;
    KaveosEditor& ed = editor_of(in);
    ASSERT_EQ(in.dispatch(effEditOpen, 0, 0, host.handle()), 1);
    in.dispatch(effEditIdle);
    ASSERT_EQ(host.children().size(), 1u);
    // The name field's dark blue, seen on the server.
    std::vector<uint32_t> shot = host.screenshot(640, 599);
    ASSERT_EQ(shot.size(), 640u * 599u);
    EXPECT_EQ(shot[size_t(36 + 40) * 640 + 150], 0x2f4582u);

    if (std::system("command -v xdotool >/dev/null 2>&1") == 0) {
        in.choose(P_OSC1_WAVE, 0, 6);
        CRect r = ed.timbre().rocker(P_OSC1_WAVE)->getFrameRect();
        std::string at = std::to_string(r.right - 4) + " " + std::to_string((r.top + r.bottom) / 2);
        std::string window = std::to_string(ed.getFrame()->getSystemWindow());
        ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " " + at + " click 1").c_str()), 0);
        EXPECT_TRUE(xtest::idle_until(*ed.getFrame(), [&] {
            return in.fx->getParameter(P_OSC1_WAVE) == choice_to_value(1, 6);
        }));
    }
    in.dispatch(effEditClose);
    XSync(host.dpy, False);
    EXPECT_TRUE(host.children().empty());
}

TEST(X11Editor, FiftyOpenAndCloseCyclesWithAudioRunningLeaveNothingBehind) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    test::instrument in;
    const long errors = x11_window::error_count();
    auto cycle = [&] {
        ASSERT_EQ(in.dispatch(effEditOpen, 0, 0, host.handle()), 1);
        in.dispatch(effEditIdle);
        in.dispatch(effEditIdle);
        in.dispatch(effEditClose);
    };
    playing_host playing(in);
    for (int i = 0; i < 3; ++i) cycle();  // font and picture caches fill here
    const int fds = xtest::open_fds();
    const size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 50; ++i) cycle();
    XSync(host.dpy, False);
    EXPECT_TRUE(host.children().empty());
    EXPECT_EQ(x11_window::open_count(), 0);
    EXPECT_EQ(xtest::open_fds(), fds);
    EXPECT_EQ(x11_window::error_count(), errors);
    // The whole editor is rebuilt every cycle: a leak of one control a cycle shows here.
    EXPECT_LT(mallinfo2().uordblks, heap + 256 * 1024);
}
