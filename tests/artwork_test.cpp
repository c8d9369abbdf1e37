// The embedded artwork: every picture the pages use, at its size, loadable, and free of
// the keyed-out white.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <utility>

#include "toolkit/artwork.h"
#include "toolkit/cbitmap.h"

using namespace VSTGUI;

namespace {
struct expected_size {
    long id;
    long width;
    long height;
};
// Sizes as the pages place the pictures (stacked states included).
constexpr expected_size sizes[] = {
    {15001, 85, 84},   {15002, 85, 84},   {15003, 94, 40},   {15004, 94, 40},   {15005, 94, 40},
    {15006, 32, 128},  {15007, 58, 38},   {15008, 16, 16},   {15009, 16, 16},   {15010, 168, 20},
    {15011, 168, 20},  {15012, 220, 20},  {15013, 220, 20},  {15014, 587, 226}, {15015, 96, 16},
    {15017, 160, 248}, {15018, 423, 246}, {15019, 640, 36},  {15020, 640, 563}, {15021, 13, 12},
    {15022, 225, 95},  {15023, 32, 10},   {15024, 340, 95},  {15025, 59, 58},   {15026, 5, 5},
    {15027, 56, 42},   {15028, 56, 6},    {15029, 49, 6},    {15031, 273, 196}, {15032, 31, 20},
    {15033, 47, 30},   {15034, 272, 64},  {15035, 65, 40},   {15036, 296, 64},  {15037, 296, 196},
    {15038, 586, 106}, {15039, 589, 70},  {15040, 34, 48},   {15041, 290, 161}, {15042, 354, 161},
    {15043, 354, 161}, {15044, 226, 161}, {15045, 194, 161}, {15046, 17, 34},   {15047, 290, 161},
    {15048, 14, 6},    {15049, 32, 160},
};

uint32_t argb(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x];
}
}  // namespace

TEST(Artwork, EveryPictureHasItsSize) {
    for (const expected_size& e : sizes) {
        CBitmap b(e.id);
        ASSERT_TRUE(b.isLoaded()) << e.id;
        EXPECT_EQ(b.getWidth(), e.width) << e.id;
        EXPECT_EQ(b.getHeight(), e.height) << e.id;
    }
}

TEST(Artwork, UnknownIdsLoadNothingAndDrawNothing) {
    for (long id : {15016L, 15030L, 15050L, 0L, -1L}) {
        CBitmap b(id);
        EXPECT_FALSE(b.isLoaded());
        EXPECT_EQ(b.getWidth(), 0);
        EXPECT_EQ(find_artwork(id).data, nullptr);
    }
}

TEST(Artwork, NoPixelIsTheTransparentWhite) {
    for (const expected_size& e : sizes) {
        CBitmap b(e.id);
        cairo_surface_t* s = b.getSurface();
        for (int y = 0; y < b.getHeight(); ++y)
            for (int x = 0; x < b.getWidth(); ++x) ASSERT_NE(argb(s, x, y), 0xffffffffu) << e.id << " " << x << "," << y;
    }
}

TEST(Artwork, StatesDifferWhereTheControlsExpectThem) {
    // Two-state pictures: the halves differ; the rocker's three states all differ.
    auto differs = [](long id, int state_height, int a, int b) {
        CBitmap bmp(id);
        cairo_surface_t* s = bmp.getSurface();
        for (int y = 0; y < state_height; ++y)
            for (int x = 0; x < bmp.getWidth(); ++x)
                if (argb(s, x, a * state_height + y) != argb(s, x, b * state_height + y)) return true;
        return false;
    };
    EXPECT_TRUE(differs(15001, 42, 0, 1));
    EXPECT_TRUE(differs(15003, 20, 0, 1));
    EXPECT_TRUE(differs(15007, 19, 0, 1));
    EXPECT_TRUE(differs(15032, 10, 0, 1));
    EXPECT_TRUE(differs(15035, 20, 0, 1));
    EXPECT_TRUE(differs(15046, 17, 0, 1));
    EXPECT_TRUE(differs(15040, 16, 0, 1));
    EXPECT_TRUE(differs(15040, 16, 1, 2));
    EXPECT_TRUE(differs(15040, 16, 0, 2));
    EXPECT_TRUE(differs(15033, 10, 0, 1));
    EXPECT_TRUE(differs(15033, 10, 1, 2));
    for (int row = 1; row < 10; ++row) EXPECT_TRUE(differs(15049, 16, 0, row)) << row;
}
