// Text fields, pop-up menus, message boxes, prompts, drops and displays, driven through
// the frame's platform entry points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/toolkit_helpers.h"
#include "toolkit/ceditfield.h"
#include "toolkit/cmenuview.h"
#include "toolkit/cmodal.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cswitches.h"
#include "toolkit/ctextedit.h"
#include "toolkit/cviewcontainer.h"

using namespace VSTGUI;
using test::headless_frame;
using test::recording_listener;

TEST(TextEdit, TypedTextReplacesAndReturnCommits) {
    headless_frame f;
    recording_listener l;
    CTextEdit t(CRect(24, 30, 210, 44), &l, 203, "Init");
    f.frame.addView(&t);
    f.click(50, 37);
    ASSERT_EQ(f.frame.getNbOverlays(), 1);
    EXPECT_TRUE(t.isEditing());
    f.type("Bass");  // the field opens with everything selected
    f.key(VKEY_BACK);
    f.type("s 1");
    EXPECT_EQ(t.getText(), "Init");  // nothing changes before Return
    f.key(VKEY_RETURN);
    EXPECT_EQ(f.frame.getNbOverlays(), 0);
    EXPECT_EQ(t.getText(), "Bass 1");
    ASSERT_EQ(l.calls.size(), 1u);
    EXPECT_EQ(l.calls[0].tag, 203);
    char out[256];
    t.getText(out);
    EXPECT_STREQ(out, "Bass 1");
}

TEST(TextEdit, EscapeKeepsTheOldTextAndTellsNoOne) {
    headless_frame f;
    recording_listener l;
    CTextEdit t(CRect(24, 30, 210, 44), &l, 203, "Init");
    f.frame.addView(&t);
    f.click(50, 37);
    f.type("xyz");
    f.key(VKEY_ESCAPE);
    EXPECT_EQ(t.getText(), "Init");
    EXPECT_TRUE(l.calls.empty());
    EXPECT_EQ(f.frame.getNbOverlays(), 0);
}

TEST(TextEdit, ClickElsewhereKeepsTheTextAndReachesTheControlThere) {
    headless_frame f;
    recording_listener l;
    CTextEdit t(CRect(24, 30, 210, 44), &l, 203, "Init");
    auto bmp = test::striped_bitmap(40, 20, {0x111111, 0x222222});
    COnOffButton b(CRect(300, 300, 340, 320), &l, 41, bmp.get());
    f.frame.addView(&t);
    f.frame.addView(&b);
    f.click(50, 37);
    f.key(VKEY_END);
    f.type("!");
    f.click(310, 310);
    EXPECT_EQ(t.getText(), "Init!");
    ASSERT_EQ(l.calls.size(), 2u);
    EXPECT_EQ(l.calls[0].tag, 203);
    EXPECT_EQ(l.calls[1].tag, 41);
}

TEST(TextEdit, KeepsAtMost255BytesAndWholeCharacters) {
    headless_frame f;
    CTextEdit t(CRect(0, 0, 100, 20), nullptr, 1, std::string(300, 'a').c_str());
    EXPECT_EQ(t.getText().size(), 255u);
    f.frame.addView(&t);
    f.click(5, 5);
    for (int i = 0; i < 300; ++i) f.key(0, 0xe9);  // two bytes each in UTF-8
    f.key(VKEY_RETURN);
    EXPECT_EQ(t.getText().size(), 254u);
    EXPECT_EQ(t.getText().substr(0, 2), "\xc3\xa9");
    // A name converter keeps 24 characters, for the program name.
    t.setTextEditConvert([](const char* in, char* out, size_t cap) { std::snprintf(out, cap, "%.24s", in); });
    f.click(5, 5);
    f.type("A program name that is far too long");
    f.key(VKEY_RETURN);
    EXPECT_EQ(t.getText(), "A program name that is f");
}

namespace {
struct menu_fixture {
    headless_frame f;
    recording_listener l;
    COptionMenu m{CRect(219, 28, 235, 44), &l, 7001, nullptr, nullptr, 0};
    menu_fixture() {
        for (const char* e : {"Velocity", "Mod wheel", "-", "Note", "LFO1"}) m.addEntry(e);
        f.frame.addView(&m);
    }
    CMenuView* menu() { return dynamic_cast<CMenuView*>(f.frame.getTopOverlay()); }
    CPoint centre(CMenuView* v, long i) {
        CRect r = v->itemRect(i);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};
}  // namespace

TEST(OptionMenu, ClickOnAnEntryChoosesIt) {
    menu_fixture t;
    t.f.click(225, 35);
    CMenuView* v = t.menu();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(t.m.isOpen());
    CPoint p = t.centre(v, 3);
    t.f.click(p.h, p.v);
    EXPECT_EQ(t.f.frame.getNbOverlays(), 0);
    EXPECT_FALSE(t.m.isOpen());
    EXPECT_EQ(t.m.getCurrent(), 3);
    EXPECT_EQ(t.m.getCurrent(nullptr, false), 2);  // not counting the separator
    EXPECT_EQ(t.m.getValue(), 3.0f);
    ASSERT_EQ(t.l.calls.size(), 1u);
    char text[256];
    t.m.getCurrent(text);
    EXPECT_STREQ(text, "Note");
}

TEST(OptionMenu, SeparatorsAreNotChoicesAndEscapeCloses) {
    menu_fixture t;
    t.f.click(225, 35);
    CPoint p = t.centre(t.menu(), 2);
    t.f.click(p.h, p.v);
    EXPECT_EQ(t.f.frame.getNbOverlays(), 1);
    t.f.key(VKEY_ESCAPE);
    EXPECT_EQ(t.f.frame.getNbOverlays(), 0);
    EXPECT_TRUE(t.l.calls.empty());
    EXPECT_EQ(t.m.getCurrent(), -1);
}

TEST(OptionMenu, PressDragReleaseChoosesAndAPlainClickKeepsItOpen) {
    menu_fixture t;
    t.f.press(225, 35);
    t.f.release(225, 35);  // the release of the opening click chooses nothing
    EXPECT_EQ(t.f.frame.getNbOverlays(), 1);
    t.f.key(VKEY_ESCAPE);
    t.f.press(225, 35);
    CPoint p = t.centre(t.menu(), 1);
    t.f.move(p.h, p.v);
    EXPECT_EQ(t.menu()->getHighlight(), 1);
    t.f.release(p.h, p.v);
    EXPECT_EQ(t.m.getCurrent(), 1);
    EXPECT_EQ(t.l.calls.size(), 1u);
}

TEST(OptionMenu, ClickOutsideClosesWithoutAChoice) {
    menu_fixture t;
    t.f.click(225, 35);
    t.f.click(600, 500);
    EXPECT_EQ(t.f.frame.getNbOverlays(), 0);
    EXPECT_TRUE(t.l.calls.empty());
}

TEST(OptionMenu, SubMenuOpensOnHoverAndReportsItsChoice) {
    menu_fixture t;
    COptionMenu sub(CRect(), nullptr, 0);
    sub.addEntry("LFO2");
    sub.addEntry("LFO3");
    t.m.addEntry(&sub, "More LFOs");
    t.f.click(225, 35);
    CPoint p = t.centre(t.menu(), 5);
    t.f.move(p.h, p.v, 0);
    ASSERT_EQ(t.f.frame.getNbOverlays(), 2);
    auto* child = dynamic_cast<CMenuView*>(t.f.frame.getTopOverlay());
    ASSERT_NE(child, nullptr);
    CPoint q = t.centre(child, 1);
    t.f.move(q.h, q.v, 0);
    t.f.click(q.h, q.v);
    EXPECT_EQ(t.f.frame.getNbOverlays(), 0);
    ASSERT_EQ(t.l.calls.size(), 1u);
    EXPECT_EQ(t.l.calls[0].tag, 7001);
    long index = -1;
    EXPECT_EQ(t.m.getLastItemMenu(index), &sub);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(sub.getCurrent(), 1);
}

TEST(OptionMenu, EntryRulesInsertLimitsAndTexts) {
    COptionMenu m(CRect(0, 0, 10, 10), nullptr, 1);
    m.addEntry("a");
    m.addEntry("c");
    m.addEntry("b", 1);
    m.addEntry("d", 99);  // past the end: appended
    char text[256];
    m.getEntry(1, text);
    EXPECT_STREQ(text, "b");
    m.getEntry(3, text);
    EXPECT_STREQ(text, "d");
    EXPECT_TRUE(m.removeEntry(0));
    m.getEntry(0, text);
    EXPECT_STREQ(text, "b");
    m.removeAllEntry();
    for (int i = 0; i < 1024; ++i) ASSERT_TRUE(m.addEntry("x"));
    EXPECT_FALSE(m.addEntry("one too many"));
    m.removeAllEntry();
    m.addEntry(std::string(400, 'n').c_str());
    m.getEntry(0, text);
    EXPECT_EQ(std::strlen(text), 255u);
    EXPECT_FALSE(m.setCurrent(5));
    EXPECT_TRUE(m.setCurrent(0));
}

TEST(OptionMenu, A128EntryMenuStaysInsideTheFrame) {
    headless_frame f;
    recording_listener l;
    COptionMenu m(CRect(219, 64, 235, 80), &l, 7001);
    for (int i = 0; i < 128; ++i) m.addEntry(("Program name number " + std::to_string(i)).c_str(), i);
    f.frame.addView(&m);
    f.click(225, 70);
    auto* v = dynamic_cast<CMenuView*>(f.frame.getTopOverlay());
    ASSERT_NE(v, nullptr);
    CRect r = v->getViewSize();
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, 640);
    EXPECT_LE(r.bottom, 599);
    EXPECT_GE(v->getColumns(), 3);
    CRect last = v->itemRect(127);
    f.click((last.left + last.right) / 2, (last.top + last.bottom) / 2);
    EXPECT_EQ(m.getCurrent(), 127);
}

TEST(MessageBox, IsModalAndClosesWithReturnOrOk) {
    headless_frame f;
    recording_listener l;
    auto bmp = test::striped_bitmap(640, 599, {0x101010});
    COnOffButton behind(CRect(0, 0, 640, 599), &l, 1, bmp.get());
    f.frame.addView(&behind);
    int closed = 0;
    showMessageBox(&f.frame, "Error", "The program could not be loaded.", [&] { ++closed; });
    auto* box = dynamic_cast<CModalBox*>(f.frame.getTopOverlay());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getCaption(), "Error");
    f.click(5, 5);  // outside the box: nothing behind it reacts
    EXPECT_TRUE(l.calls.empty());
    f.key(VKEY_RETURN);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(f.frame.getNbOverlays(), 0);

    showMessageBox(&f.frame, "Error", "Again", [&] { ++closed; });
    box = dynamic_cast<CModalBox*>(f.frame.getTopOverlay());
    CRect ok = box->buttonRects().at(0);
    f.click(ok.left + 5, ok.top + 5);
    EXPECT_EQ(closed, 2);
    EXPECT_TRUE(l.calls.empty());
    showMessageBox(nullptr, "Error", "no frame: written to stderr", [&] { ++closed; });
    EXPECT_EQ(closed, 3);
}

TEST(PromptDialog, OkHandsOverTheTypedTextAndCancelDoesNot) {
    headless_frame f;
    bool ok = false;
    std::string result, last_change;
    showPromptDialog(&f.frame, "Program Name", "Edit program name:", "Init", 2048,
                     [&](const std::string& s) { last_change = s; },
                     [&](bool accepted, const std::string& s) {
                         ok = accepted;
                         result = s;
                     });
    f.type("Pad");
    EXPECT_EQ(last_change, "Pad");
    f.key(VKEY_RETURN);
    EXPECT_TRUE(ok);
    EXPECT_EQ(result, "Pad");
    showPromptDialog(&f.frame, "Program Name", "Edit program name:", "Init", 2048, nullptr,
                     [&](bool accepted, const std::string& s) {
                         ok = accepted;
                         result = s;
                     });
    auto* box = dynamic_cast<CModalBox*>(f.frame.getTopOverlay());
    CRect cancel = box->buttonRects().at(1);
    f.type("Lead");
    f.click(cancel.left + 3, cancel.top + 3);
    EXPECT_FALSE(ok);
}

namespace {
struct drop_probe : CView {
    bool accept;
    int drops = 0;
    std::string first;
    long type = -1;
    drop_probe(const CRect& r, bool a) : CView(r), accept(a) {}
    bool onDrop(void** items, long count, long t, CPoint&) override {
        ++drops;
        type = t;
        if (count > 0) first = static_cast<const char*>(items[0]);
        return accept;
    }
};
}  // namespace

TEST(Drop, OfferedFromTheLastAddedBackwardsUntilTaken) {
    headless_frame f;
    drop_probe under(CRect(0, 0, 100, 100), true), over(CRect(50, 50, 150, 150), false);
    CViewContainer c(CRect(200, 200, 400, 400), nullptr);
    drop_probe inside(CRect(10, 10, 50, 50), true);
    c.addView(&inside);
    f.frame.addView(&under);
    f.frame.addView(&over);
    f.frame.addView(&c);
    std::string name = "/tmp/a sample.wav";
    void* items[] = {name.data()};
    EXPECT_TRUE(f.frame.platformDrop(items, 1, 0, {60, 60}));
    EXPECT_EQ(over.drops, 1);  // asked first, refused
    EXPECT_EQ(under.drops, 1);
    EXPECT_EQ(under.first, name);
    EXPECT_TRUE(f.frame.platformDrop(items, 1, 1, {220, 220}));
    EXPECT_EQ(inside.drops, 1);
    EXPECT_EQ(inside.type, 1);
    EXPECT_FALSE(f.frame.platformDrop(items, 1, 0, {600, 20}));
}

TEST(ParamDisplay, TextFromConverterOrTwoDecimals) {
    CParamDisplay d(CRect(0, 0, 32, 15));
    char text[256];
    d.setValue(0.5f);
    d.getDisplayText(text, sizeof text);
    EXPECT_STREQ(text, "0.50");
    d.setStringConvert([](float v, char* t, size_t cap) { std::snprintf(t, cap, "%+d", int(v * 48 - 24)); });
    d.getDisplayText(text, sizeof text);
    EXPECT_STREQ(text, "+0");
}

TEST(ParamDisplay, BoxColoursAndNoDrawStyle) {
    headless_frame f;
    CParamDisplay d(CRect(10, 10, 60, 30));
    d.setBackColor(CColor{47, 69, 130, 0});
    d.setFrameColor(CColor{170, 0, 0, 0});
    d.setStyle(kNoTextStyle);
    f.frame.addView(&d);
    EXPECT_EQ(f.pixel(20, 20), 0x2f4582u);  // filled in the back colour
    EXPECT_EQ(f.pixel(10, 20), 0xaa0000u);  // outlined in the frame colour
    EXPECT_EQ(f.pixel(59, 29), 0xaa0000u);
    d.setStyle(kNoDrawStyle);
    d.setBackColor(CColor{0, 200, 0, 0});
    EXPECT_EQ(f.pixel(20, 20), 0x000000u);  // nothing drawn over the frame's black
    d.setStyle(0);
    d.setFontColor(CColor{0, 200, 0, 0});
    d.setValue(8.88f);
    f.frame.update();
    // Some pixel of the text is in the font colour.
    bool text_seen = false;
    for (int x = 11; x < 59 && !text_seen; ++x)
        for (int y = 11; y < 29 && !text_seen; ++y) text_seen = f.pixel(x, y) == 0x00c800u;
    EXPECT_TRUE(text_seen);
}
