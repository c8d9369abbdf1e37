// Input from the X server: a click synthesized with xdotool, typing into a text field
// while the keyboard is grabbed, and a file dropped through XDND.
#include <gtest/gtest.h>
#include <X11/Xatom.h>

#include <cstdlib>
#include <string>

#include "tests/x11/x11_fixture.h"
#include "host/xdnd_source.h"
#include "tools/toolkit_demo/demo_scene.h"
#include "toolkit/x11_window.h"

using namespace VSTGUI;

namespace {
int run(const std::string& command) { return std::system(command.c_str()); }

bool have_xdotool() { return run("command -v xdotool >/dev/null 2>&1") == 0; }

std::string window_arg(const CFrame& frame) { return std::to_string(frame.getSystemWindow()); }
}  // namespace

TEST(X11Input, XdotoolClickReachesAControl) {
    if (!have_xdotool()) GTEST_SKIP() << "xdotool is not installed (tools/deps.sh installs it)";
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
    demo::scene scene;
    scene.build(&frame);
    frame.idle();
    ASSERT_EQ(scene.osc1->getValue(), 0.0f);
    // The OSC 1 button sits at (26, 40)-(111, 82) of the page, 36 pixels down.
    ASSERT_EQ(run("xdotool mousemove --window " + window_arg(frame) + " 60 96 click 1"), 0);
    EXPECT_TRUE(xtest::idle_until(frame, [&] { return !scene.changes.empty(); }));
    ASSERT_FALSE(scene.changes.empty());
    EXPECT_EQ(scene.changes.back().first, 41);
    EXPECT_EQ(scene.osc1->getValue(), 1.0f);
    // A drag on a keyboard key: a press and release there select the note.
    ASSERT_EQ(run("xdotool mousemove --window " + window_arg(frame) + " 197 374 click 1"), 0);
    EXPECT_TRUE(xtest::idle_until(frame, [&] { return scene.changes.back().first == 30; }));
    EXPECT_EQ(scene.keyboard->getSelectedNote(), 24);
}

TEST(X11Input, TypingReachesAnOpenTextFieldThroughTheGrab) {
    if (!have_xdotool()) GTEST_SKIP() << "xdotool is not installed";
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
    demo::scene scene;
    scene.build(&frame);
    frame.idle();
    // The text field at (398, 534)-(510, 552) of the page; the host keeps the focus.
    ASSERT_EQ(run("xdotool mousemove --window " + window_arg(frame) + " 420 579 click 1"), 0);
    ASSERT_TRUE(xtest::idle_until(frame, [&] { return scene.text_edit->isEditing(); }));
    frame.idle();
    ASSERT_EQ(run("xdotool type --delay 5 'Bass 1'"), 0);
    ASSERT_EQ(run("xdotool key Return"), 0);
    EXPECT_TRUE(xtest::idle_until(frame, [&] { return !scene.text_edit->isEditing(); }));
    EXPECT_EQ(scene.text_edit->getText(), "Bass 1");
    EXPECT_EQ(scene.changes.back().first, 300);
}

namespace {
struct drop_catcher : CView {
    std::vector<std::string> names;
    long type = -1;
    explicit drop_catcher(const CRect& r) : CView(r) {}
    bool onDrop(void** items, long count, long t, CPoint&) override {
        type = t;
        for (long i = 0; i < count; ++i) names.emplace_back(static_cast<const char*>(items[i]));
        return true;
    }
};
}  // namespace

TEST(X11Input, FilesDroppedThroughXdndReachTheViewUnderThePointer) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
    drop_catcher catcher(CRect(100, 100, 300, 300));
    frame.addView(&catcher);
    frame.idle();
    Window target = frame.getSystemWindow();
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char* data = nullptr;
    XGetWindowProperty(host.dpy, target, XInternAtom(host.dpy, "XdndAware", False), 0, 1, False, XA_ATOM, &type,
                       &format, &count, &rest, &data);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*reinterpret_cast<long*>(data), 5);
    XFree(data);

    host::drag_source source(host.dpy, "file:///home/me/samples/piano%20C4.wav\r\n# a comment\r\nfile://localhost/tmp/b.aif\r\n");
    source.send(target, source.enter, 5L << 24, long(source.uri_list), 0, 0);
    source.send(target, source.position, 0, (150L << 16) | 160L, CurrentTime, 0);
    bool accepted = false, status_seen = false;
    xtest::idle_until(frame, [&] {
        source.serve(&accepted, &status_seen);
        return status_seen;
    });
    EXPECT_TRUE(status_seen);
    source.send(target, source.drop, 0, CurrentTime, 0, 0);
    bool done = xtest::idle_until(frame, [&] { return source.serve(&accepted, &status_seen); });
    EXPECT_TRUE(done);
    EXPECT_TRUE(accepted);
    ASSERT_EQ(catcher.names.size(), 2u);
    EXPECT_EQ(catcher.names[0], "/home/me/samples/piano C4.wav");
    EXPECT_EQ(catcher.names[1], "/tmp/b.aif");
    EXPECT_EQ(catcher.type, 0);
}
