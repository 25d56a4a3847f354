// What the editor shows, pixel for pixel: frames of the demo track with the status line, and
// the messages drawn on the screen, compared with the images in tests/unit/golden/. Each
// image is an 8-bit PCX whose pixels index COLOURS. VEMORA_UPDATE_GOLDEN=1 writes the images
// anew from what is drawn now; a mismatch writes the drawing beside the build and names the
// first differing pixel. The end-to-end tests compare the real window with the same images.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include <zlib.h>

#include "commands/check.h"
#include "commands/help.h"
#include "commands/keys.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit.h"
#include "interaction/flags.h"
#include "interaction/status.h"
#include "interaction/zoom.h"
#include "support.h"
#include "track/lengths.h"
#include "track/model.h"

static unsigned rested_ms;
// The pauses after messages are added up instead of waited for.
void rest(unsigned int ms) { rested_ms += ms; }

namespace {

const int COLOURS[][3] = {{0, 0, 0},     {211, 211, 211}, {255, 255, 255}, {255, 0, 0},
                          {255, 255, 0}, {0, 0, 255},     {224, 255, 255}};
constexpr int KNOWN = 7, UNKNOWN = 255;

using Pixels = std::vector<uint8_t>; // indices into COLOURS, row by row

Pixels indexed(BITMAP* drawn)
{
    Pixels pixels;
    for (int y = 0; y < drawn->h; y++)
        for (int x = 0; x < drawn->w; x++) {
            int c = getpixel(drawn, x, y), i = 0;
            while (i < KNOWN && c != makecol(COLOURS[i][0], COLOURS[i][1], COLOURS[i][2]))
                i++;
            pixels.push_back(i < KNOWN ? i : UNKNOWN);
        }
    return pixels;
}

std::string be32(uint32_t v)
{
    return {(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}

uint32_t be32_at(const std::string& s, size_t i)
{
    return i + 4 > s.size() ? 0 : (uint32_t)(uint8_t)s[i] << 24 | (uint8_t)s[i + 1] << 16 | (uint8_t)s[i + 2] << 8 | (uint8_t)s[i + 3];
}

// A palette PNG of the pixels, rows unfiltered: small, and any image viewer shows it.
std::string png_of(const Pixels& pixels, int w)
{
    std::string rows, palette, png = "\x89PNG\r\n\x1a\n";
    for (size_t y = 0; y < pixels.size() / w; y++)
        rows += '\0' + std::string(pixels.begin() + y * w, pixels.begin() + (y + 1) * w);
    uLongf size = compressBound(rows.size());
    std::string packed(size, '\0');
    compress2((Bytef*)&packed[0], &size, (const Bytef*)rows.data(), rows.size(), 9);
    packed.resize(size);
    for (const auto& c : COLOURS)
        palette += {(char)c[0], (char)c[1], (char)c[2]};
    const std::pair<const char*, std::string> chunks[] = {
        {"IHDR", be32(w) + be32(pixels.size() / w) + std::string("\x08\x03\0\0\0", 5)},
        {"PLTE", palette}, {"IDAT", packed}, {"IEND", ""}};
    for (const auto& [type, data] : chunks) {
        std::string body = type + data;
        png += be32(data.size()) + body + be32(crc32(0, (const Bytef*)body.data(), body.size()));
    }
    return png;
}

// The pixels of such a PNG; none when it cannot be read.
Pixels pixels_of(const std::string& png, int w)
{
    std::string packed;
    for (size_t i = 8; i + 8 <= png.size(); i += 12 + be32_at(png, i))
        if (png.compare(i + 4, 4, "IDAT") == 0)
            packed += png.substr(i + 8, be32_at(png, i));
    int h = (int)be32_at(png, 20);
    std::string rows((size_t)(w + 1) * h, '\0');
    uLongf size = rows.size();
    if (be32_at(png, 16) != (uint32_t)w ||
        uncompress((Bytef*)&rows[0], &size, (const Bytef*)packed.data(), packed.size()) != Z_OK || size != rows.size())
        return {};
    Pixels pixels;
    for (int y = 0; y < h; y++)
        pixels.insert(pixels.end(), rows.begin() + y * (w + 1) + 1, rows.begin() + (y + 1) * (w + 1));
    return pixels;
}

void expect_golden(const std::string& name, BITMAP* drawn)
{
    const std::string path = VEMORA_SOURCE_DIR "/tests/unit/golden/" + name + ".png";
    const std::string actual = VEMORA_BUILD_DIR "/golden-" + name + ".png";
    const Pixels image = indexed(drawn);
    const int w = drawn->w;
    if (std::getenv("VEMORA_UPDATE_GOLDEN") && std::count(image.begin(), image.end(), UNKNOWN) == 0)
        write_file(path, png_of(image, w));
    const Pixels golden = pixels_of(read_file(path), w);
    if (golden == image)
        return;
    write_file(actual, png_of(image, w));
    size_t at = std::mismatch(image.begin(), image.end(), golden.begin(), golden.end()).first - image.begin();
    ADD_FAILURE() << name << ": "
                  << (golden.size() != image.size() ? "no image of this size"
                                                    : "first difference at (" + std::to_string(at % w) + ", " +
                                                          std::to_string(at / w) + "): colour " +
                                                          std::to_string(image[at]) + " drawn, " +
                                                          std::to_string(golden[at]) + " expected")
                  << "; the drawing is " << actual;
}

class Golden : public ::testing::Test {
protected:
    void TearDown() override { destroy_bitmap(page_buffer), destroy_bitmap(screen), page_buffer = screen = nullptr; }
};

// The demo as at start, drawn once so that the mapping is that of the screen.
void start_on_demo()
{
    start_drawing(640, 480);
    load_demo_track();
    draw_view();
    clear_bitmap(screen);
}

// The start of a session and what keys and a rectangle zoom make of it; each frame with the
// status line for the pointer at the middle row, as the window shows it.
TEST_F(Golden, Frames)
{
    const std::pair<const char*, void (*)()> frames[] = {
        {"whole", [] {}},
        {"angles_off", [] { perform_command(KEY_A, false, 240); }},
        {"keys", [] { // another trace, a narrower trace range, section 3
             for (int key : {KEY_UP, KEY_7_PAD, KEY_7_PAD, KEY_RIGHT, KEY_RIGHT, KEY_RIGHT})
                 perform_command(key, false, key == KEY_7_PAD ? 100 : 240);
         }},
        {"zoomed", [] { EXPECT_EQ(zoom_to_rectangle(300, 200, 450, 400), 0); }},
        {"one_trace", [] { num_traces = 1, compute_trace_lengths(), height_bottom = 3.3f, height_top = 3.4f; }},
    };
    for (const auto& [name, change] : frames) {
        start_on_demo();
        change();
        draw_view();
        blit(page_buffer, screen, 0, 0, 0, 0, 640, 480);
        mouse_y = 240, status_cache = -1;
        update_status_line();
        expect_golden(name, screen);
    }
}

// The messages each on a black screen, and how long each stays.
TEST_F(Golden, Messages)
{
    const std::tuple<const char*, void (*)(), unsigned> messages[] = {
        {"help", show_help, 4000},
        {"check", [] { check_and_fix(0); }, 1500},
        {"clean", [] { static CheckReport fixed; scan_joins(1, &fixed), check_and_fix(0); }, 500},
        {"unsaved", [] { data_modified = 1, perform_command(KEY_Q, false, 0); }, 1000},
        {"refused_zoom", [] { mouse_x = 200, mouse_y = 300, mouse_b = 0, zoom_by_rectangle(); }, 500},
        {"edit_preview", [] { // zoomed, for room
             zoom_to_rectangle(300, 200, 450, 400), draw_view(), draw_edit_preview(40.0f, 0.5f, 9.0f, 75);
         }, 0},
    };
    for (const auto& [name, show, pause] : messages) {
        start_on_demo();
        rested_ms = 0, quit_requested = 0;
        show();
        expect_golden(name, screen);
        EXPECT_EQ(rested_ms, pause) << name;
        EXPECT_EQ(quit_requested, 0) << name;
    }
}

} // namespace
