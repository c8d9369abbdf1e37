// The editor's own controls: keyboard notes, list items, waveform columns, labels and the
// program-name field.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "editor/ckeyboard.h"
#include "editor/clistbox.h"
#include "editor/cpopupedit.h"
#include "editor/ctext.h"
#include "editor/cwaveview.h"
#include "sound/sample_data.h"
#include "tests/toolkit_helpers.h"
#include "toolkit/cmodal.h"

using namespace VSTGUI;
using test::headless_frame;
using test::recording_listener;

namespace {
// The sample page's keyboard.
const CRect keyboard_rect(193, 292, 592, 340);
constexpr int white_semitones[7] = {0, 2, 4, 5, 7, 9, 11};
}  // namespace

TEST(Keyboard, SixOctavesOn399PixelsHave43KeysOf9) {
    CKeyboard k(keyboard_rect, nullptr, 30, nullptr, 6);
    EXPECT_EQ(k.whiteKeys(), 43);
    EXPECT_EQ(k.whiteKeyWidth(), 9);
    EXPECT_EQ(k.firstNote(), 24);
    EXPECT_EQ(k.lastNote(), 96);
}

TEST(Keyboard, EveryKeyGivesItsNote) {
    headless_frame f;
    recording_listener l;
    CKeyboard k(keyboard_rect, &l, 30, nullptr, 6);
    f.frame.addView(&k);
    // Keys start 12 pixels down (a quarter of 48) and are 36 high; black keys are
    // 6 x 22, the first starting 6 pixels into the octave.
    const int left = 193, keys_top = 304, bottom = 340;
    int clicks = 0;
    for (int white = 0; white < 43; ++white) {
        int octave = white / 7;
        int expected = 24 + 12 * octave + white_semitones[white % 7];
        int x = left + white * 9 + 4;
        f.click(x, bottom - 2);  // below the black keys
        ++clicks;
        EXPECT_EQ(k.getSelectedNote(), expected) << "white key " << white;
    }
    const int black_offsets[5] = {6, 15, 33, 42, 51};
    const int black_semitones[5] = {1, 3, 6, 8, 10};
    for (int octave = 0; octave < 6; ++octave)
        for (int b = 0; b < 5; ++b) {
            int x0 = left + octave * 63 + black_offsets[b];
            for (int x : {x0, x0 + 5}) {
                f.click(x, keys_top + 10);
                ++clicks;
                EXPECT_EQ(k.getSelectedNote(), 24 + 12 * octave + black_semitones[b]) << octave << " " << b;
            }
        }
    EXPECT_EQ(int(l.calls.size()), clicks);
    EXPECT_EQ(k.getValue(), 0.0f);  // the value is not the note
    f.click(250, 295);  // in the label band: no note
    EXPECT_EQ(k.getSelectedNote(), -1);
    f.click(left + 42 * 9 + 8, keys_top + 3);  // the top C's right corner is still the C
    EXPECT_EQ(k.getSelectedNote(), 96);
    f.click(200, 310, kRButton);
    EXPECT_EQ(int(l.calls.size()), clicks + 2);
}

TEST(Keyboard, DrawsSlotNumbersOnTheKeys) {
    headless_frame f;
    CKeyboard k(keyboard_rect, nullptr, 30, nullptr, 6);
    f.frame.addView(&k);
    EXPECT_EQ(f.pixel(193 + 4, 310), 0x2f4582u);  // white key fill
    EXPECT_EQ(f.pixel(193 + 8, 310), 0xd3e6fau);  // black key C#
    EXPECT_EQ(f.pixel(193, 320), 0xd3e6fau);      // a key's left edge
    int map[127] = {};
    for (int i = 0; i < 127; ++i) map[i] = 7;  // all "8": the number's pixels change
    auto count_text = [&]() {
        int n = 0;
        for (int x = 194; x < 202; ++x)
            for (int y = 331; y < 339; ++y) n += f.pixel(x, y) != 0x2f4582u;
        return n;
    };
    int before = count_text();
    k.setKeyMap(map);
    EXPECT_NE(count_text(), before);
}

TEST(Listbox, EightItems22HighAndClicks) {
    headless_frame f;
    recording_listener l;
    CListbox b(CRect(8, 112, 168, 360), &l, 10, nullptr, 8);
    f.frame.addView(&b);
    EXPECT_EQ(b.itemHeight(), 22);
    EXPECT_EQ(b.itemRect(0), CRect(16, 138, 160, 160));
    EXPECT_EQ(b.itemRect(7), CRect(16, 292, 160, 314));
    f.click(50, 138 + 3 * 22 + 5);
    EXPECT_EQ(b.getCurrentItem(), 3);
    f.click(50, 138 + 5 * 22);  // the shared edge belongs to the lower item
    EXPECT_EQ(b.getCurrentItem(), 5);
    f.click(50, 120);  // the title band: no item, still told
    EXPECT_EQ(b.getCurrentItem(), 5);
    f.click(50, 150, kRButton);  // a right click selects nothing but is told
    EXPECT_EQ(b.getCurrentItem(), 5);
    EXPECT_EQ(l.calls.size(), 4u);
    b.setItemName(3, "kick.wav");
    EXPECT_EQ(b.getItemName(3), "kick.wav");
    EXPECT_EQ(f.pixel(100, 138 + 5 * 22 + 1), 0x2f4582u);  // the current item's fill
    EXPECT_EQ(f.pixel(150, 138 + 2 * 22 + 20), 0x000000u);  // black without a picture
}

namespace {
CWaveview make_view() { return CWaveview(CRect(176, 112, 599, 358), nullptr, 20, nullptr); }
}  // namespace

TEST(Waveview, PictureIsInsetAndColumnsFollowTheFormula) {
    CWaveview v = make_view();
    EXPECT_EQ(v.pictureRect(), CRect(188, 124, 587, 286));
    const int W = 399, H = 162;
    // A long sample: 399 columns of 100 values, a sine of rising amplitude.
    std::vector<float> s(39900);
    for (size_t i = 0; i < s.size(); ++i) s[i] = float(std::sin(double(i) * 0.3) * double(i) / 39900.0);
    v.loadColumns(s.data(), long(s.size()));
    for (int i = 0; i < W; i += 37) {
        float lo = 1, hi = -1;
        for (int j = i * 100; j < (i + 1) * 100; ++j) {
            lo = std::min(lo, s[size_t(j)]);
            hi = std::max(hi, s[size_t(j)]);
        }
        EXPECT_EQ(v.columnTop(i), int(std::trunc((1 - (hi + 1) * 0.5) * H))) << i;
        EXPECT_EQ(v.columnBottom(i), int(std::trunc((1 - (lo + 1) * 0.5) * H))) << i;
    }
    float full[] = {1.0f, -1.0f};
    v.loadColumns(full, 2);
    EXPECT_EQ(v.columnTop(0), 0);
    EXPECT_EQ(v.columnBottom(0), 0);  // the first half shows only the 1.0
    EXPECT_EQ(v.columnTop(398), 162);
}

TEST(Waveview, ShortSamplesRepeatAndEmptyOnesAreFlat) {
    CWaveview v = make_view();
    float s[4] = {0.5f, -0.5f, 1.0f, 0.0f};
    v.loadColumns(s, 4);
    // Every column covers one value: 399 / 4 columns each.
    for (int i = 0; i < 399; ++i) {
        float value = s[i * 4 / 399];
        int expected = int(std::trunc((1 - (value + 1) * 0.5) * 162));
        ASSERT_EQ(v.columnTop(i), expected) << i;
        ASSERT_EQ(v.columnBottom(i), expected) << i;
    }
    v.loadColumns(nullptr, 0);
    for (int i = 0; i < 399; ++i) {
        ASSERT_EQ(v.columnTop(i), 81);
        ASSERT_EQ(v.columnBottom(i), 81);
    }
    sample_data d(3, 44100);
    d.data = {0.25f, 0.25f, 0.25f};
    v.loadColumns(d);
    EXPECT_EQ(v.columnTop(200), int(std::trunc((1 - 1.25 * 0.5) * 162)));
}

TEST(Waveview, ScanFractionLimitsTheColumnsDrawn) {
    headless_frame f;
    CWaveview v = make_view();
    f.frame.addView(&v);
    std::vector<float> loud(1000, 0.9f);
    v.loadColumns(loud.data(), long(loud.size()));
    v.setScanFraction(0.5);
    EXPECT_EQ(v.visibleColumns(), 199);
    // The waveform (a line 8 pixels down) shows on the left only.
    EXPECT_EQ(f.pixel(188 + 50, 124 + 8), 0xd3e6fau);
    EXPECT_EQ(f.pixel(188 + 300, 124 + 8), 0x2f4582u);
    EXPECT_EQ(f.pixel(188 + 300, 124 + 81), 0xaa0000u);  // the centre line
    v.setScanFraction(2.0);
    EXPECT_EQ(v.getScanFraction(), 1.0);
    EXPECT_EQ(f.pixel(188 + 300, 124 + 8), 0xd3e6fau);
    v.setScanFraction(-1.0);
    EXPECT_EQ(v.getScanFraction(), 1.0);
    v.setScanFraction(std::nan(""));
    EXPECT_EQ(v.getScanFraction(), 1.0);
    v.setScanFraction(0.0);
    EXPECT_EQ(v.visibleColumns(), 0);
}

TEST(Text, SwallowsDropsAndShowsItsText) {
    headless_frame f;
    CText t(CRect(0, 0, 300, 60), "", true);
    auto panel = test::striped_bitmap(300, 60, {0x2f4582});
    t.setBackground(panel.get());
    f.frame.addView(&t);
    EXPECT_EQ(f.pixel(150, 30), 0x2f4582u);  // a transparent panel still shows its picture
    std::string name = "/tmp/x.wav";
    void* items[] = {name.data()};
    EXPECT_TRUE(f.frame.platformDrop(items, 1, 0, {10, 10}));
    t.setText("version 1.2.2");
    EXPECT_TRUE(t.isDirty());
    EXPECT_EQ(t.getText(), "version 1.2.2");
    CText opaque(CRect(300, 0, 400, 30), "", false);
    opaque.setBackColor(CColor{170, 0, 0, 0});
    f.frame.addView(&opaque);
    EXPECT_EQ(f.pixel(350, 15), 0xaa0000u);
}

TEST(PopupEdit, ClickOpensTheProgramNameBoxAndOkRenames) {
    headless_frame f;
    recording_listener l;
    CPopupEdit e(CRect(24, 30, 210, 44), &l, 203, "Init", nullptr);
    std::string renamed;
    e.setAcceptHandler([&](AudioEffect*, int, const std::string& name) { renamed = name; });
    f.frame.addView(&e);
    f.click(40, 37);
    auto* box = dynamic_cast<CModalBox*>(f.frame.getTopOverlay());
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(e.isEditing());  // no inline box
    EXPECT_EQ(box->getCaption(), "Program Name");
    EXPECT_EQ(box->getLines().at(0), "Edit program name:");
    f.type("Warm pad");
    f.key(VKEY_RETURN);
    EXPECT_EQ(renamed, "Warm pad");
    EXPECT_TRUE(l.calls.empty());
}
