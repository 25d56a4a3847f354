// Checks the generated fonts.dat the way the editor uses it: loaded through
// Allegro, looked up by name, measured and drawn.

#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// The build writes fonts.dat into the build directory; without VEMORA_BUILD_DIR
// the tests must be run from there.
#ifndef VEMORA_FONTS_DAT
#ifdef VEMORA_BUILD_DIR
#define VEMORA_FONTS_DAT VEMORA_BUILD_DIR "/fonts.dat"
#else
#define VEMORA_FONTS_DAT "fonts.dat"
#endif
#endif

namespace {

struct FontCell {
    const char* name;
    int w, h;
};

const FontCell kFonts[] = {{"fnt8x8", 8, 8}, {"fnt7x8", 7, 8}, {"fnt5x6", 5, 6}};

// Ink mask of `text` drawn at (x, y) on a cleared bw x bh 8-bit bitmap.
std::vector<bool> render(FONT* f, const std::string& text, int bw, int bh, int x = 0, int y = 0) {
    BITMAP* bmp = create_bitmap_ex(8, bw, bh);
    clear_to_color(bmp, 0);
    textout_ex(bmp, f, text.c_str(), x, y, 1, -1);
    std::vector<bool> ink(size_t(bw) * bh);
    for (int py = 0; py < bh; ++py)
        for (int px = 0; px < bw; ++px) ink[size_t(py) * bw + px] = getpixel(bmp, px, py) != 0;
    destroy_bitmap(bmp);
    return ink;
}

class Fonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Memory bitmaps only: no display needed, so this runs in CI.
        if (!system_driver) install_allegro(SYSTEM_NONE, &errno, atexit);
        dat_ = load_datafile(VEMORA_FONTS_DAT);
    }
    static void TearDownTestSuite() {
        if (dat_) unload_datafile(dat_);
        dat_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(dat_, nullptr) << "cannot load " VEMORA_FONTS_DAT; }

    static FONT* font(const char* name) {
        DATAFILE* obj = find_datafile_object(dat_, name);
        return obj && obj->type == DAT_FONT ? static_cast<FONT*>(obj->dat) : nullptr;
    }

    static DATAFILE* dat_;
};

DATAFILE* Fonts::dat_ = nullptr;

TEST_F(Fonts, AreFoundByNameAndMeasureToTheirCell) {
    for (const FontCell& c : kFonts) {
        SCOPED_TRACE(c.name);
        FONT* f = font(c.name);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(text_height(f), c.h);
        EXPECT_EQ(text_length(f, " "), c.w);
        EXPECT_EQ(text_length(f, "0"), c.w);
        // Fixed pitch: columns of numbers line up.
        EXPECT_EQ(text_length(f, "-12.34 m"), 8 * c.w);
        EXPECT_EQ(text_length(f, "Wi"), 2 * c.w);
    }
}

TEST_F(Fonts, EveryPrintableGlyphHasInkInsideItsCellOnly) {
    for (const FontCell& c : kFonts) {
        FONT* f = font(c.name);
        ASSERT_NE(f, nullptr) << c.name;
        // Draw in the middle of a 3x3-cell canvas so stray bits would show.
        const int bw = 3 * c.w, bh = 3 * c.h;
        for (int ch = 32; ch <= 126; ++ch) {
            SCOPED_TRACE(std::string(c.name) + " char " + std::to_string(ch));
            std::vector<bool> ink = render(f, std::string(1, char(ch)), bw, bh, c.w, c.h);
            int inside = 0, outside = 0;
            for (int y = 0; y < bh; ++y)
                for (int x = 0; x < bw; ++x) {
                    bool in_cell = x >= c.w && x < 2 * c.w && y >= c.h && y < 2 * c.h;
                    (in_cell ? inside : outside) += ink[size_t(y) * bw + x];
                }
            EXPECT_EQ(outside, 0);
            if (ch == ' ')
                EXPECT_EQ(inside, 0);
            else
                EXPECT_GT(inside, 0);
        }
    }
}

TEST_F(Fonts, DigitsSignAndPointAreAllDistinct) {
    const std::string chars = "0123456789-.";
    for (const FontCell& c : kFonts) {
        FONT* f = font(c.name);
        ASSERT_NE(f, nullptr) << c.name;
        std::vector<std::vector<bool>> shapes;
        for (char ch : chars) shapes.push_back(render(f, std::string(1, ch), c.w, c.h));
        for (size_t i = 0; i < shapes.size(); ++i)
            for (size_t j = i + 1; j < shapes.size(); ++j)
                EXPECT_NE(shapes[i], shapes[j]) << c.name << ": '" << chars[i] << "' vs '" << chars[j] << "'";
    }
}

TEST_F(Fonts, GlyphsAreNotFlippedOrMirrored) {
    for (const FontCell& c : kFonts) {
        SCOPED_TRACE(c.name);
        FONT* f = font(c.name);
        ASSERT_NE(f, nullptr);
        auto top_row = [&](const std::vector<bool>& ink) {
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x)
                    if (ink[size_t(y) * c.w + x]) return y;
            return c.h;
        };
        // An apostrophe hangs from the top, a point sits near the baseline.
        EXPECT_LT(top_row(render(f, "'", c.w, c.h)), c.h / 2);
        EXPECT_GE(top_row(render(f, ".", c.w, c.h)), c.h / 2);

        // '/' leans right: its topmost ink is right of its bottommost ink.
        std::vector<bool> slash = render(f, "/", c.w, c.h);
        int top_x = -1, bottom_x = -1;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if (slash[size_t(y) * c.w + x]) {
                    if (top_x < 0) top_x = x;
                    bottom_x = x;
                }
        EXPECT_GT(top_x, bottom_x);
    }
}

}  // namespace
