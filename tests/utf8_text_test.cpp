// Text from outside (old banks, file names) is drawn and cut as UTF-8: bad bytes become
// replacement characters, and nothing after them is lost; cuts never split a character.
#include <gtest/gtest.h>

#include <cairo.h>

#include "tests/toolkit_helpers.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/utf8.h"
#include "vst/vst_text.h"

using namespace VSTGUI;

TEST(Utf8Text, BadBytesBecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"Piano", "Piano"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"Caf\xE9", "Caf" + fffd},                       // Latin-1 from an old bank
        {"\xC3", fffd},                                   // cut in the middle
        {"\xC0\xAF", fffd + fffd},                        // overlong
        {"\xED\xA0\x80x", fffd + fffd + fffd + "x"},      // a surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // beyond U+10FFFF
        {"\xF0\x9F\x8E\xB9 keys", "\xF0\x9F\x8E\xB9 keys"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(valid_utf8(in), out) << in;
        EXPECT_EQ(is_valid_utf8(in), in == out) << in;
    }
    EXPECT_EQ(utf8_prefix("Caf\xC3\xA9", 4), 3u);
    EXPECT_EQ(utf8_first_chars("\xC3\xA9t\xC3\xA9 long", 3), "\xC3\xA9t\xC3\xA9");
    char host[5];
    vst::copy_text(host, "Caf\xC3\xA9", sizeof host);  // 4 bytes fit: the é does not
    EXPECT_STREQ(host, "Caf");
}

TEST(Utf8Text, ABadNameDoesNotStopTheTextDrawnAfterIt) {
    test::headless_frame f;
    CDrawContext context(&f.frame, f.frame.getBackBuffer());
    context.setFillColor(kBlackCColor);
    context.fillRect(CRect(0, 0, 200, 40));
    context.setFontColor(kWhiteCColor);
    context.drawString("Old \xE9 name", CRect(0, 0, 200, 20), false, kLeftText);
    context.drawString("MMMMMMMM", CRect(0, 20, 200, 40), false, kLeftText);
    EXPECT_EQ(cairo_status(context.getCairo()), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(f.frame.getBackBuffer());
    const unsigned char* data = cairo_image_surface_get_data(f.frame.getBackBuffer());
    int stride = cairo_image_surface_get_stride(f.frame.getBackBuffer());
    int lit = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 0; x < 100; ++x) lit += (reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xff) > 128;
    EXPECT_GT(lit, 40);  // the second line is there
}
