// The standard controls' values from synthesized mouse events, container routing and
// redrawing, on a frame without a window.
#include <gtest/gtest.h>

#include <memory>

#include "tests/toolkit_helpers.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cfont.h"
#include "toolkit/cknob.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"
#include "toolkit/cviewcontainer.h"

using namespace VSTGUI;
using test::headless_frame;
using test::recording_listener;

TEST(ToolkitGeometry, RectEdgesCountAsInside) {
    CRect r(10, 20, 30, 40);
    EXPECT_EQ(r.width(), 20);
    EXPECT_EQ(r.height(), 20);
    EXPECT_TRUE(r.pointInside({30, 40}));
    EXPECT_TRUE(r.pointInside({10, 20}));
    EXPECT_FALSE(r.pointInside({31, 40}));
    EXPECT_FALSE(r.pointInside({30, 41}));
    EXPECT_FALSE(r.pointInside({9, 25}));
}

TEST(ToolkitGeometry, FontSlotsAndOutOfRangeNumbers) {
    EXPECT_STREQ(font_slot_for(9).face, "Arial");
    EXPECT_EQ(font_slot_for(9).size_px, 12);
    EXPECT_TRUE(font_slot_for(9).always_bold);
    EXPECT_TRUE(font_slot_for(-1).always_bold);
    EXPECT_EQ(font_slot_for(1).size_px, 18);
    EXPECT_EQ(font_slot_for(6).size_px, 9);
    EXPECT_STREQ(font_slot_for(7).face, "Symbol");
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    {
        CDrawContext c(nullptr, s);
        c.setFont(CFont(9));
        EXPECT_EQ(c.getFont(), kSystemFont);
        EXPECT_EQ(c.getFontSize(), 12);
        c.setFont(kNormalFontSmall, 0, kItalicFace);
        EXPECT_EQ(c.getFontSize(), 11);
        c.setFont(kNormalFontSmall, 20);
        EXPECT_EQ(c.getFontSize(), 20);
    }
    cairo_surface_destroy(s);
}

TEST(OnOffButton, ClickTogglesAndTwoClicksReturn) {
    headless_frame f;
    recording_listener l;
    auto bmp = test::striped_bitmap(40, 20, {0xff0000, 0x00ff00});
    COnOffButton b(CRect(300, 300, 340, 320), &l, 41, bmp.get());
    f.frame.addView(&b);
    EXPECT_EQ(f.pixel(310, 310), 0xff0000u);  // upper state at value 0
    f.click(310, 310);
    EXPECT_EQ(b.getValue(), 1.0f);
    EXPECT_EQ(f.pixel(310, 310), 0x00ff00u);  // lower state above 0.5
    f.click(310, 310);
    EXPECT_EQ(b.getValue(), 0.0f);
    EXPECT_EQ(l.values(), (std::vector<float>{1.0f, 0.0f}));
    f.click(310, 310, kRButton);  // only the left button toggles
    EXPECT_EQ(l.calls.size(), 2u);
    b.setMouseEnabled(false);
    f.click(310, 310);
    EXPECT_EQ(l.calls.size(), 2u);
}

TEST(KickButton, OneWhileHeldInsideAndZeroOnRelease) {
    headless_frame f;
    recording_listener l;
    auto bmp = test::striped_bitmap(17, 17, {0x0000ff, 0xff0000});
    CKickButton b(CRect(10, 10, 27, 27), &l, 200, 17, bmp.get());
    f.frame.addView(&b);
    f.press(15, 15);
    EXPECT_EQ(f.pixel(15, 15), 0xff0000u);  // the state one height lower while pressed
    f.move(100, 100);                        // outside: back to the entry value
    f.move(20, 20);
    f.release(20, 20);
    EXPECT_EQ(l.values(), (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(f.pixel(15, 15), 0x0000ffu);

    l.calls.clear();
    f.press(15, 15);
    f.move(200, 15);
    f.release(200, 15);  // released outside: nothing acts on a value above 0.5 again
    EXPECT_EQ(l.values(), (std::vector<float>{1.0f, 0.0f, 0.0f}));
}

TEST(KickButton, OffsetPicksTheStates) {
    headless_frame f;
    auto bmp = test::striped_bitmap(10, 10, {0x0000ff, 0xff0000, 0x00ff00});
    CKickButton b(CRect(0, 0, 10, 10), nullptr, 1, 10, bmp.get(), CPoint(0, 10));
    f.frame.addView(&b);
    EXPECT_EQ(f.pixel(5, 5), 0xff0000u);
    b.setValue(0.3f);  // any value other than 0 shows the next state
    EXPECT_EQ(f.pixel(5, 5), 0x00ff00u);
}

TEST(HorizontalSwitch, PositionFromPointerAndDefault) {
    headless_frame f;
    recording_listener l;
    auto bmp = test::striped_bitmap(47, 10, {0x111111, 0x222222, 0x333333});
    CHorizontalSwitch s(CRect(46, 399, 93, 409), &l, 2076, 3, 10, 3, bmp.get());
    f.frame.addView(&s);
    f.press(46, 404);
    EXPECT_EQ(s.getValue(), 0.0f);
    f.move(62, 404);  // 16 pixels: the second of three 15.67-pixel positions
    EXPECT_EQ(s.getValue(), 0.5f);
    EXPECT_EQ(f.pixel(70, 404), 0x222222u);
    f.move(93, 404);  // the right edge counts and the value stops at 1
    EXPECT_EQ(s.getValue(), 1.0f);
    f.move(20, 404);  // left of the switch: clamped to 0
    EXPECT_EQ(s.getValue(), 0.0f);
    f.release(20, 404);
    EXPECT_EQ(l.values(), (std::vector<float>{0.5f, 1.0f, 0.0f}));
    s.setDefaultValue(0.5f);
    s.setValue(1.0f);
    f.click(50, 404, kLButton | kControl);
    EXPECT_EQ(s.getValue(), 0.5f);
}

TEST(RockerSwitch, PressAndReleaseInsideOneHalfNotifyOnceEach) {
    headless_frame f;
    recording_listener l;
    CRockerSwitch r(CRect(237, 29, 271, 45), &l, 7000, 16, nullptr, CPoint(0, 0), kHorizontal);
    f.frame.addView(&r);
    f.press(240, 37);
    f.move(241, 38);
    f.release(241, 38);
    EXPECT_EQ(l.values(), (std::vector<float>{-1.0f, 0.0f}));
    EXPECT_EQ(r.getValue(), 0.0f);

    l.calls.clear();
    f.press(268, 37);
    f.move(245, 37);  // crossing into the other half
    f.release(245, 37);
    EXPECT_EQ(l.values(), (std::vector<float>{1.0f, -1.0f, 0.0f}));

    l.calls.clear();
    f.press(240, 37);
    f.move(240, 90);  // off the rocker: the entry value
    f.release(240, 90);
    EXPECT_EQ(l.values(), (std::vector<float>{-1.0f, 0.0f, 0.0f}));
}

TEST(RockerSwitch, VerticalHalvesAndStates) {
    headless_frame f;
    recording_listener l;
    auto bmp = test::striped_bitmap(20, 10, {0xaa0000, 0x00aa00, 0x0000aa});
    CRockerSwitch r(CRect(0, 0, 20, 10), &l, 1, 10, bmp.get(), CPoint(0, 0), kVertical);
    f.frame.addView(&r);
    EXPECT_EQ(f.pixel(5, 5), 0x00aa00u);  // 0: the middle state
    f.press(5, 2);
    EXPECT_EQ(f.pixel(5, 5), 0xaa0000u);  // -1: the top state
    f.move(5, 8);
    EXPECT_EQ(f.pixel(5, 5), 0x0000aau);  // +1: the bottom state
    f.release(5, 8);
    EXPECT_EQ(l.values(), (std::vector<float>{-1.0f, 1.0f, 0.0f}));
}

namespace {
// The timbre page's slider group: 32 x 128 track, 10-pixel handle, travel y+1 to y+117.
struct slider_fixture {
    headless_frame f;
    recording_listener l;
    std::unique_ptr<CBitmap> handle = test::striped_bitmap(32, 10, {0xd3e6fa});
    std::unique_ptr<CBitmap> track = test::striped_bitmap(32, 128, {0x2f4582});
    CVerticalSlider s{CRect(100, 100, 132, 228), &l, 1026, 101, 217, handle.get(), track.get(), CPoint(0, 0), kBottom};
    slider_fixture() { f.frame.addView(&s); }
};
}  // namespace

TEST(Slider, HandleFollowsTheValueBottomUp) {
    slider_fixture t;
    t.s.setValue(0.0f);
    EXPECT_EQ(t.s.handleRect(), CRect(100, 217, 132, 227));
    t.s.setValue(1.0f);
    EXPECT_EQ(t.s.handleRect(), CRect(100, 101, 132, 111));
    EXPECT_EQ(t.f.pixel(116, 105), 0xd3e6faU);
    EXPECT_EQ(t.f.pixel(116, 220), 0x2f4582U);
}

TEST(Slider, DragMovesTheValueByPixelsOverTheTravel) {
    slider_fixture t;
    t.s.setValue(0.5f);  // handle at 159..169
    t.f.press(116, 164);
    EXPECT_TRUE(t.l.calls.empty());  // grabbing the handle does not move it
    t.f.move(116, 135);
    EXPECT_NEAR(t.s.getValue(), 0.75f, 1e-6);
    t.f.move(116, 20);  // past the end
    EXPECT_EQ(t.s.getValue(), 1.0f);
    t.f.move(116, 193);
    EXPECT_NEAR(t.s.getValue(), 0.25f, 1e-6);
    t.f.release(116, 193);
    EXPECT_EQ(t.l.calls.size(), 3u);
}

TEST(Slider, ShiftDragsTenTimesSlower) {
    slider_fixture t;
    t.s.setValue(0.5f);
    t.f.press(116, 164, kLButton | kShift);
    t.f.move(116, 106, kLButton | kShift);  // 58 pixels: half the travel
    EXPECT_NEAR(t.s.getValue(), 0.55f, 1e-6);
    t.f.move(116, 106, kLButton);  // Shift let go: full speed from here
    EXPECT_NEAR(t.s.getValue(), 0.55f, 1e-6);
    t.f.move(116, 77, kLButton);
    EXPECT_NEAR(t.s.getValue(), 0.8f, 1e-6);
    t.f.release(116, 77);
}

TEST(Slider, FreeClickJumpsAndControlClickSetsDefault) {
    slider_fixture t;
    t.s.setValue(0.5f);
    t.f.press(116, 120);  // the handle centres on the pointer
    EXPECT_NEAR(t.s.getValue(), 1.0f - 14.0f / 116.0f, 1e-6);
    t.f.release(116, 120);
    t.s.setDefaultValue(0.3f);
    t.f.click(116, 200, kLButton | kControl);
    EXPECT_FLOAT_EQ(t.s.getValue(), 0.3f);
    EXPECT_FLOAT_EQ(t.l.calls.back().value, 0.3f);
}

TEST(Slider, HorizontalLeftStyleAndHandleOffset) {
    headless_frame f;
    recording_listener l;
    auto handle = test::striped_bitmap(13, 12, {0xaa0000});
    // The assign page's amount slider: x = 29, handle from x + 397 to x + 478.
    CHorizontalSlider s(CRect(425, 37, 521, 52), &l, 1051, 426, 507, handle.get(), nullptr);
    s.setOffsetHandle(CPoint(0, 3));
    f.frame.addView(&s);
    s.setValue(0.0f);
    EXPECT_EQ(s.handleRect(), CRect(426, 40, 439, 52));
    s.setValue(1.0f);
    EXPECT_EQ(s.handleRect(), CRect(507, 40, 520, 52));
    f.press(512, 45);
    f.move(471, 45);  // 41 of 81 pixels to the left
    EXPECT_NEAR(s.getValue(), 1.0f - 41.0f / 81.0f, 1e-6);
    f.release(471, 45);
}

TEST(Knob, LinearDragCoversTheRangeIn200Pixels) {
    headless_frame f;
    recording_listener l;
    CKnob::setKnobMode(kLinearMode);
    CKnob k(CRect(273, 28, 332, 86), &l, 22, nullptr, nullptr);
    f.frame.addView(&k);
    k.setValue(0.25f);
    f.press(300, 60);
    f.move(300, 10);  // 50 pixels up
    EXPECT_NEAR(k.getValue(), 0.5f, 1e-6);
    f.move(300, 10, kLButton | kShift);  // Shift from here: ten times slower
    f.move(300, -90, kLButton | kShift);
    EXPECT_NEAR(k.getValue(), 0.55f, 1e-6);
    f.release(300, -90);
    f.press(300, 60);
    f.move(300, 400);
    EXPECT_EQ(k.getValue(), 0.0f);
    f.release(300, 400);
    k.setDefaultValue(0.5f);
    f.click(300, 60, kLButton | kControl);
    EXPECT_EQ(k.getValue(), 0.5f);
}

TEST(Knob, CircularModeFollowsTheAngleAndAltSwapsModes) {
    headless_frame f;
    CKnob k(CRect(0, 0, 59, 58), nullptr, 22, nullptr, nullptr);
    // Default angles: 225 degrees (lower left) for 0, clockwise over 270 degrees.
    EXPECT_NEAR(k.valueFromPoint({5, 53}), 0.0f, 0.02f);
    EXPECT_NEAR(k.valueFromPoint({29, 2}), 0.5f, 0.02f);
    EXPECT_NEAR(k.valueFromPoint({54, 53}), 1.0f, 0.02f);
    EXPECT_NEAR(k.valueFromPoint({29, 56}), 1.0f, 0.001f);  // in the gap: nearer end
    f.frame.addView(&k);
    CKnob::setKnobMode(kLinearMode);
    f.press(29, 2, kLButton | kAlt);  // Alt: circular; the knob jumps to the pointer
    EXPECT_NEAR(k.getValue(), 0.5f, 0.02f);
    f.release(29, 2);
    CKnob::setKnobMode(kCircularMode);
    f.press(54, 53);
    EXPECT_NEAR(k.getValue(), 1.0f, 0.02f);
    f.release(54, 53);
    CKnob::setKnobMode(kLinearMode);
}

TEST(Knob, HandleSitsOnTheCircleOfTheValue) {
    CKnob k(CRect(0, 0, 59, 58), nullptr, 22, nullptr, nullptr);
    k.setStartAngle(4.107632f);
    k.setRangeAngle(-5.0736723f);
    k.setValue(0.5f);  // the middle of the sample page's knob points straight up
    CPoint p = k.valueToPoint();
    EXPECT_NEAR(p.h, 29, 1);
    EXPECT_NEAR(p.v, 3, 1);
}

namespace {
struct probe : CView {
    CPoint last{-1, -1};
    int presses = 0;
    explicit probe(const CRect& r) : CView(r) {}
    CMouseResult mouse(CDrawContext*, CPoint& where) override {
        last = where;
        ++presses;
        return kMouseHandled;
    }
};
}  // namespace

TEST(ViewContainer, RoutesToTheLastAddedChildUnderThePoint) {
    headless_frame f;
    CViewContainer c(CRect(100, 100, 300, 300), &f.frame);
    probe a(CRect(10, 10, 60, 60)), b(CRect(30, 30, 80, 80));
    c.addView(&a);
    c.addView(&b);
    f.frame.addView(&c);
    f.click(140, 140);  // both hold it: the last added wins
    EXPECT_EQ(b.presses, 1);
    EXPECT_EQ(a.presses, 0);
    EXPECT_EQ(b.last, CPoint(40, 40));  // in the container's coordinates
    f.click(115, 115);
    EXPECT_EQ(a.presses, 1);
    b.setMouseEnabled(false);
    f.click(140, 140);
    EXPECT_EQ(a.presses, 2);
    EXPECT_EQ(b.presses, 1);
    // Nested containers translate again.
    CViewContainer inner(CRect(100, 100, 200, 200), nullptr);
    probe deep(CRect(0, 0, 50, 50));
    inner.addView(&deep);
    c.addView(&inner);
    f.click(205, 210);
    EXPECT_EQ(deep.last, CPoint(5, 10));
    // Removing never destroys, and a view deleted while inside leaves its container.
    EXPECT_TRUE(c.removeView(&inner));
    EXPECT_FALSE(c.isChild(&inner));
    {
        probe temporary(CRect(0, 0, 5, 5));
        c.addView(&temporary);
        EXPECT_EQ(c.getNbViews(), 3);
    }
    EXPECT_EQ(c.getNbViews(), 2);
}

TEST(Frame, IdleWithNothingDirtyDrawsNothing) {
    headless_frame f;
    auto bmp = test::striped_bitmap(40, 20, {0xff0000, 0x00ff00});
    COnOffButton b(CRect(0, 0, 40, 20), nullptr, 1, bmp.get());
    f.frame.addView(&b);
    f.frame.idle();
    long passes = f.frame.getDrawPasses();
    EXPECT_GE(passes, 1);
    for (int i = 0; i < 5; ++i) f.frame.idle();
    EXPECT_EQ(f.frame.getDrawPasses(), passes);
    b.setValue(1.0f);
    f.frame.idle();
    EXPECT_EQ(f.frame.getDrawPasses(), passes + 1);
    f.frame.idle();
    EXPECT_EQ(f.frame.getDrawPasses(), passes + 1);
}

TEST(Frame, ContainerColourAndRemovedViewsRepaint) {
    headless_frame f;
    CViewContainer c(CRect(10, 10, 110, 110), nullptr);
    c.setBackgroundColor(CColor{12, 34, 56, 0});
    f.frame.addView(&c);
    auto bmp = test::striped_bitmap(20, 20, {0xffff00, 0});
    COnOffButton b(CRect(5, 5, 25, 25), nullptr, 1, bmp.get());
    c.addView(&b);
    EXPECT_EQ(f.pixel(50, 50), 0x0c2238u);
    EXPECT_EQ(f.pixel(20, 20), 0xffff00u);
    c.removeView(&b);
    EXPECT_EQ(f.pixel(20, 20), 0x0c2238u);
}

TEST(Frame, RedrawingOneViewLeavesTheViewsBesideItOverTheSamePanel) {
    headless_frame f;
    CViewContainer page(CRect(0, 36, 640, 599), nullptr);
    page.setBackgroundColor(CColor{0, 0, 0, 0});
    f.frame.addView(&page);
    // A panel first, then two controls on it, as the pages build them.
    const std::pair<CRect, CColor> views[] = {{CRect(0, 0, 300, 300), CColor{200, 0, 0, 0}},
                                              {CRect(10, 10, 30, 30), CColor{0, 0, 200, 0}},
                                              {CRect(100, 100, 120, 120), CColor{0, 200, 0, 0}}};
    std::vector<std::unique_ptr<CParamDisplay>> shown;
    for (const auto& [r, colour] : views) {
        shown.push_back(std::make_unique<CParamDisplay>(r, nullptr, kNoFrame | kNoTextStyle));
        shown.back()->setBackColor(colour);
        page.addView(shown.back().get());
    }
    EXPECT_EQ(f.pixel(20, 56), 0x0000c8u);
    shown[2]->setBackColor(CColor{0, 100, 0, 0});  // only the second control is redrawn
    EXPECT_EQ(f.pixel(110, 146), 0x006400u);
    EXPECT_EQ(f.pixel(20, 56), 0x0000c8u);
    EXPECT_EQ(f.pixel(200, 236), 0xc80000u);
}
