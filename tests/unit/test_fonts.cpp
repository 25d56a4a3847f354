// The generated fonts.dat as the editor uses it: loaded through Allegro, looked up by name,
// measured and drawn.
#include <allegro.h>
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

TEST(Fonts, CellSizesAndDistinctDigits)
{
    if (!system_driver) // memory bitmaps only: no display needed
        install_allegro(SYSTEM_NONE, &errno, atexit);
    DATAFILE* data = load_datafile(VEMORA_BUILD_DIR "/fonts.dat");
    ASSERT_NE(data, nullptr);
    const std::tuple<const char*, int, int> fonts[] = {{"fnt8x8", 8, 8}, {"fnt7x8", 7, 8}, {"fnt5x6", 5, 6}};
    for (const auto& [name, w, h] : fonts) {
        DATAFILE* object = find_datafile_object(data, name);
        ASSERT_TRUE(object && object->type == DAT_FONT) << name;
        FONT* f = static_cast<FONT*>(object->dat);
        EXPECT_EQ(std::vector<int>({text_height(f), text_length(f, "0"), text_length(f, "-12.34 m")}),
                  std::vector<int>({h, w, 8 * w})) << name;
        std::set<std::vector<int>> shapes; // of the digits, the sign and the point
        BITMAP* cell = create_bitmap_ex(8, w, h);
        for (const char* glyph : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "-", "."}) {
            clear_to_color(cell, 0);
            textout_ex(cell, f, glyph, 0, 0, 1, -1);
            shapes.insert(std::vector<int>(cell->line[0], cell->line[0] + w * h));
        }
        destroy_bitmap(cell);
        EXPECT_EQ(shapes.size(), 12u) << name;
    }
    unload_datafile(data);
}
