// The frame's window inside a host window: opening, drawing, the event procedure
// property, the editor base, and many open and close cycles.
#include <gtest/gtest.h>
#include <malloc.h>

#include <X11/Xatom.h>
#include <cairo.h>
#include <dirent.h>

#include <set>

#include "tests/x11/x11_fixture.h"
#include "tools/toolkit_demo/demo_scene.h"
#include "toolkit/x11_window.h"
#include "vst/aeffguieditor.h"
#include "vst/audioeffect.h"

using namespace VSTGUI;

TEST(X11Frame, OpensInsideTheParentAndShowsTheArtwork) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr) << "no X display";
    long errors = x11_window::error_count();
    {
        CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
        ASSERT_TRUE(frame.isOpen());
        demo::scene scene;
        scene.build(&frame);
        frame.idle();
        auto kids = host.children();
        ASSERT_EQ(kids.size(), 1u);
        EXPECT_EQ(kids[0], frame.getSystemWindow());
        XWindowAttributes a;
        XGetWindowAttributes(host.dpy, kids[0], &a);
        EXPECT_EQ(a.width, 640);
        EXPECT_EQ(a.height, 599);
        EXPECT_EQ(a.map_state, IsViewable);
        xtest::idle_until(frame, [] { return false; });  // let exposures settle
        auto shot = host.screenshot(640, 599);
        ASSERT_EQ(shot.size(), 640u * 599u);
        std::set<uint32_t> colours(shot.begin(), shot.end());
        EXPECT_GT(colours.size(), 50u);  // not blank: the artwork is on screen
        // The screen shows what the frame drew.
        cairo_surface_t* back = frame.getBackBuffer();
        cairo_surface_flush(back);
        int same = 0;
        for (int y = 0; y < 599; y += 7)
            for (int x = 0; x < 640; x += 7) {
                auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(back) +
                                                        y * cairo_image_surface_get_stride(back));
                same += (row[x] & 0xffffffu) == shot[size_t(y * 640 + x)];
            }
        EXPECT_EQ(same, ((599 + 6) / 7) * ((640 + 6) / 7));
    }
    EXPECT_TRUE(host.children().empty());
    EXPECT_EQ(x11_window::error_count(), errors);
}

TEST(X11Frame, NoParentWindowMeansNoFrame) {
    long errors = x11_window::error_count();
    CFrame frame(CRect(0, 0, 64, 64), reinterpret_cast<void*>(uintptr_t(0x7fffff01)), nullptr);
    EXPECT_FALSE(frame.isOpen());
    EXPECT_EQ(frame.getSystemWindow(), 0u);
    EXPECT_EQ(x11_window::error_count(), errors + 1);  // counted, not fatal
    EXPECT_EQ(x11_window::open_count(), 0);
}

TEST(X11Frame, EventProcPropertyDeliversHostForwardedEvents) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
    demo::scene scene;
    scene.build(&frame);
    frame.idle();
    Atom proc = XInternAtom(host.dpy, "_XEventProc", False);
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char* data = nullptr;
    // Read as hosts do: one 32-bit item, used as the function's address.
    ASSERT_EQ(XGetWindowProperty(host.dpy, frame.getSystemWindow(), proc, 0, 1, False, AnyPropertyType, &type, &format,
                                 &count, &rest, &data),
              Success);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(format, 32);
    auto fn = reinterpret_cast<void (*)(XEvent*)>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
    // As a host built on such a framework would: hand over a press and a release.
    XEvent e{};
    e.xbutton.type = ButtonPress;
    e.xbutton.display = host.dpy;
    e.xbutton.window = frame.getSystemWindow();
    e.xbutton.button = Button1;
    e.xbutton.x = 60;
    e.xbutton.y = 36 + 60;  // the OSC 1 button
    fn(&e);
    e.xbutton.type = ButtonRelease;
    e.xbutton.state = Button1Mask;
    fn(&e);
    ASSERT_FALSE(scene.changes.empty());
    EXPECT_EQ(scene.changes.back().first, 41);
}

namespace {
VstIntPtr quiet_host(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

struct test_editor : AEffGUIEditor {
    demo::scene* scene = nullptr;
    int updates = 0;
    explicit test_editor(AudioEffect* fx) : AEffGUIEditor(fx) { rect = {0, 0, 599, 640}; }
    bool open(void* parent) override {
        AEffGUIEditor::open(parent);
        frame = new CFrame(CRect(0, 0, 640, 599), parent, this);
        if (!frame->isOpen()) {
            close();
            return false;
        }
        scene = new demo::scene();
        scene->build(frame);
        return true;
    }
    void close() override {
        delete scene;
        scene = nullptr;
        AEffGUIEditor::close();
    }
    void update() override { ++updates; }
};
}  // namespace

TEST(X11Frame, GuiEditorOpensThroughTheDispatcherAndClosesCleanly) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    AudioEffect effect(quiet_host, 1, 1);
    auto* editor = new test_editor(&effect);  // the effect owns it
    AEffect* e = effect.getAeffect();
    ERect* r = nullptr;
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &r, 0), 1);
    EXPECT_EQ(r->right, 640);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, host.handle(), 0), 1);
    ASSERT_NE(editor->getFrame(), nullptr);
    EXPECT_EQ(host.children().size(), 1u);
    editor->postUpdate();
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->updates, 1);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->updates, 1);
    // Some hosts open twice: the first window goes.
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, host.handle(), 0), 1);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(host.children().size(), 1u);
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0);
    EXPECT_EQ(editor->getFrame(), nullptr);
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0);  // closed twice: nothing happens
    XSync(host.dpy, False);
    EXPECT_TRUE(host.children().empty());
}

TEST(X11Frame, FiftyOpenAndCloseCyclesLeaveNothingBehind) {
    xtest::parent_window host;
    ASSERT_NE(host.dpy, nullptr);
    long errors = x11_window::error_count();
    auto cycle = [&] {
        CFrame frame(CRect(0, 0, 640, 599), host.handle(), nullptr);
        ASSERT_TRUE(frame.isOpen());
        demo::scene scene;
        scene.build(&frame);
        frame.idle();
        frame.idle();
    };
    for (int i = 0; i < 3; ++i) cycle();  // caches of fonts and pictures fill here
    int fds = xtest::open_fds();
    size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 50; ++i) cycle();
    XSync(host.dpy, False);
    EXPECT_TRUE(host.children().empty());
    EXPECT_EQ(x11_window::open_count(), 0);
    EXPECT_EQ(xtest::open_fds(), fds);
    EXPECT_EQ(x11_window::error_count(), errors);
    // Fifty cycles of a whole editor; a leak of even one picture a cycle would be megabytes.
    EXPECT_LT(mallinfo2().uordblks, heap + 256 * 1024);
}
