// The clipped line routine must give exactly the pixels of the library's own `line`,
// in every octant and direction, with any clip rectangle and in any drawing mode.

#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "display/lines.h"

namespace {

constexpr int W = 64, H = 48;

struct Bitmaps {
    BITMAP* expected;
    BITMAP* actual;
    explicit Bitmaps(int depth) : expected(create_bitmap_ex(depth, W, H)), actual(create_bitmap_ex(depth, W, H)) {}
    ~Bitmaps()
    {
        destroy_bitmap(expected);
        destroy_bitmap(actual);
    }
    // The same noise in both (so that exclusive-or shows a pixel plotted twice or missed)
    // and the same clip: the whole bitmap or a random part of it.
    void prepare(std::mt19937& rng)
    {
        solid_mode();
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                int c = (int)(rng() & 0xff);
                putpixel(expected, x, y, c);
                putpixel(actual, x, y, c);
            }
        int l = (int)(rng() % 20), t = (int)(rng() % 16), r = l + (int)(rng() % (W - l)), b = t + (int)(rng() % (H - t));
        if (rng() % 4 == 0)
            l = t = 0, r = W - 1, b = H - 1;
        set_clip_rect(expected, l, t, r, b);
        set_clip_rect(actual, l, t, r, b);
    }
    // First differing pixel, "" when the bitmaps are equal.
    std::string difference() const
    {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (getpixel(expected, x, y) != getpixel(actual, x, y))
                    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return "";
    }
};

class Lines : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!system_driver)
            install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(32);
    }
    void TearDown() override { solid_mode(); }
};

// Short lines about the bitmap, lines reaching a few thousand pixels out, and exactly
// horizontal, vertical and diagonal ones; each drawn in both directions.
void compare_lines(int depth, bool exclusive_or, unsigned seed, int count)
{
    Bitmaps b(depth);
    std::mt19937 rng(seed);
    auto near = [&] { return (int)(rng() % 96) - 16; };
    auto far = [&] { return (int)(rng() % 6001) - 3000; };
    for (int i = 0; i < count; i++) {
        int kind = (int)(rng() % 6);
        int x1 = kind == 2 ? far() : near(), y1 = kind == 2 ? far() : near();
        bool short_line = kind == 0 || (kind > 2 && rng() % 2);
        int x2 = short_line ? near() : far(), y2 = short_line ? near() : far();
        if (kind == 3)
            y2 = y1;
        if (kind == 4)
            x2 = x1;
        if (kind == 5)
            y2 = y1 + (rng() % 2 ? x2 - x1 : x1 - x2);
        int colour = (int)(rng() % 200) + 1;
        for (int reversed = 0; reversed < 2; reversed++) {
            if (reversed) {
                std::swap(x1, x2);
                std::swap(y1, y2);
            }
            b.prepare(rng);
            xor_mode(exclusive_or);
            line(b.expected, x1, y1, x2, y2, colour);
            draw_line(b.actual, x1, y1, x2, y2, colour);
            ASSERT_EQ(b.difference(), "") << "line (" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2
                                          << ") clip " << b.expected->cl << "," << b.expected->ct << " - "
                                          << b.expected->cr << "," << b.expected->cb;
        }
    }
}

TEST_F(Lines, SolidMatchesLibrary) { compare_lines(32, false, 1, 2000); }
TEST_F(Lines, ExclusiveOrPlotsEveryPixelOnce) { compare_lines(32, true, 2, 1000); }
TEST_F(Lines, PaletteAndHighColourMatchLibrary)
{
    compare_lines(8, false, 3, 500);
    compare_lines(16, true, 4, 500);
}

// End points as far out as the mapping puts them: only the clipped part may be walked,
// yet the pixels inside must be those of the whole line.
TEST_F(Lines, EndpointsAtMappingLimitMatchLibrary)
{
    const int far = 1 << 24;
    const int cases[][4] = {{-far, 20, far, 30},       {10, -far, 11, far},      {-far, -far + 7, far, far},
                            {far, -far / 3, -far, 40}, {5, 5, far - 1, far / 2}, {-far / 2, far, 30, -far}};
    Bitmaps b(32);
    std::mt19937 rng(7);
    for (auto& s : cases) {
        b.prepare(rng);
        line(b.expected, s[0], s[1], s[2], s[3], 7);
        draw_line(b.actual, s[0], s[1], s[2], s[3], 7);
        EXPECT_EQ(b.difference(), "") << s[0] << "," << s[1] << " " << s[2] << "," << s[3];
    }
}

// A polyline that dwells in one column for many points, as a whole-track profile does,
// must look exactly like its segments drawn one by one.
TEST_F(Lines, PolylineEqualsItsSegments)
{
    Bitmaps b(32);
    std::mt19937 rng(5);
    for (int round = 0; round < 300; round++) {
        int n = 2 + (int)(rng() % 200);
        std::vector<int32_t> xs(n), ys(n);
        int x = (int)(rng() % 80) - 8, y = (int)(rng() % 60) - 6;
        for (int i = 0; i < n; i++) {
            int r = (int)(rng() % 16);
            x += r < 11 ? 0 : r < 14 ? 1 : r == 14 ? -1 : (int)(rng() % 41) - 20;
            y += rng() % 8 == 0 ? (int)(rng() % 4001) - 2000 : (int)(rng() % 11) - 5;
            xs[i] = x;
            ys[i] = y;
        }
        b.prepare(rng);
        for (int i = 0; i + 1 < n; i++)
            line(b.expected, xs[i], ys[i], xs[i + 1], ys[i + 1], 0xabcdef);
        draw_polyline(b.actual, xs.data(), ys.data(), n, 0xabcdef);
        ASSERT_EQ(b.difference(), "") << "round " << round;
    }
}

// The closed form must agree with walking the error term step by step, and a line must
// end on its end point.
TEST(LineSteps, ClosedFormMatchesStepping)
{
    auto check = [](int64_t a, int64_t b) {
        int64_t error = 2 * b - a, steps = 0;
        for (int64_t k = 0; k <= a; k++) {
            ASSERT_EQ(line_secondary_steps(k, a, b), steps) << "k " << k << " a " << a << " b " << b;
            if (error >= 0) {
                steps++;
                error += 2 * b - 2 * a;
            } else {
                error += 2 * b;
            }
        }
        ASSERT_EQ(line_secondary_steps(a, a, b), b);
    };
    for (int64_t a = 1; a <= 60; a++)
        for (int64_t b = 0; b <= a; b++)
            check(a, b);
    std::mt19937 rng(6);
    for (int i = 0; i < 20; i++) {
        int64_t a = 50000 + rng() % 100000;
        check(a, (int64_t)(rng() % (a + 1)));
    }
}

} // namespace
