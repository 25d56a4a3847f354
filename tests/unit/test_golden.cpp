// What the editor shows, pixel for pixel: frames of the demo track with the status line, and
// the messages drawn on the screen, compared with the images in tests/unit/golden/ (640 x 480
// PNGs, read and written through ImageMagick). VEMORA_UPDATE_GOLDEN=1 writes the images anew
// from what is drawn now; a mismatch writes the drawing beside the build and names the first
// differing row. The end-to-end tests compare the real window with the same images.
#include <allegro.h>
#include <gtest/gtest.h>
#include <cstring>
#include <sys/stat.h>

#include "commands/keys.h"
#include "display/graphics.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "interaction/status.h"
#include "interaction/zoom.h"
#include "track/history.h"
#include "track/invariants.h"
#include "track/lengths.h"
#include "track/trace_data.h"

#include "support.h"

namespace {

// The bitmap as RGB bytes, row by row.
std::string rgb_of(BITMAP* drawn)
{
    std::string rgb;
    for (int y = 0; y < drawn->h; y++)
        for (int x = 0, c; x < drawn->w; x++)
            c = getpixel(drawn, x, y), rgb += {(char)getr(c), (char)getg(c), (char)getb(c)};
    return rgb;
}

// Through ImageMagick, from and to a PNG of at most 256 colours.
std::string convert(const std::string& command, const std::string& rgb = "")
{
    FILE* pipe = popen(("convert -depth 8 " + command).c_str(), rgb.empty() ? "r" : "w");
    std::string out(rgb.empty() ? 640 * 480 * 3 + 1 : 0, '\0');
    out.resize(rgb.empty() ? std::fread(&out[0], 1, out.size(), pipe) : std::fwrite(rgb.data(), 1, rgb.size(), pipe));
    return pclose(pipe) == 0 ? out : "";
}

void expect_golden(const std::string& name, BITMAP* drawn)
{
    const std::string path = VEMORA_SOURCE_DIR "/tests/unit/golden/" + name + ".png", rgb = rgb_of(drawn);
    const std::string actual = VEMORA_BUILD_DIR "/golden-" + name + ".png", size = "-size 640x480 rgb:- png8:";
    if (std::getenv("VEMORA_UPDATE_GOLDEN"))
        convert(size + path, rgb);
    const std::string golden = convert(path + " rgb:-");
    const size_t at = std::mismatch(rgb.begin(), rgb.end(), golden.begin(), golden.end()).first - rgb.begin();
    if (golden != rgb && !convert(size + actual, rgb).empty())
        ADD_FAILURE() << name << " differs from row " << at / (3 * 640) << " on; the drawing is " << actual;
}

// The demo as at start, drawn once so that the mapping is that of the screen.
void start_on_demo() { start_drawing(640, 480), load_demo_track(), draw_view(); }

// The pointer and the pauses are scripted.
ScriptedInput input;

struct Golden : ::testing::Test {
    void SetUp() override { input = ScriptedInput{}, use_script(&input); }
    void TearDown() override
    {
        EXPECT_EQ(broken_invariant(), nullptr);
        destroy_bitmap(page_buffer), destroy_bitmap(screen), page_buffer = screen = nullptr;
    }
};

// The start of a session and what keys, a rectangle zoom and an edit make of it, as the end-to-end
// tests do them; each frame with the status line for the pointer on the middle row.
TEST_F(Golden, Frames)
{
    const std::pair<const char*, void (*)()> frames[] = {
        {"whole", [] {}},
        {"angles_off", [] { perform_command({KEY_A, false, 240}); }},
        {"keys", [] { // another trace, a narrower trace range, section 3
             for (int key : {KEY_UP, KEY_7_PAD, KEY_7_PAD, KEY_RIGHT, KEY_RIGHT, KEY_RIGHT})
                 perform_command({key, false, key == KEY_7_PAD ? 100 : 240});
         }},
        {"zoomed", [] { EXPECT_EQ(zoom_to_rectangle(300, 200, 450, 400), 0); }},
        {"edited", [] { // select at column 400, drag its start to row 260, click the gradient towards (445, 215)
             play(&input, {{400, 330, 1}, {400, 330, 0}, {400, 330, 1}, {400, 300, 1}, {400, 260, 1}, {400, 260, 0},
                           {430, 230, 0}, {445, 215, 0}, {445, 215, 1}, {445, 215, 0}});
         }},
        {"one_trace", [] { num_traces = 1, compute_trace_lengths(), height_bottom = 3.3f, height_top = 3.4f; }},
    };
    for (const auto& [name, change] : frames) {
        start_on_demo(), change(), draw_view();
        blit(page_buffer, screen, 0, 0, 0, 0, 640, 480);
        for (int row : {100, 240}) // the second reading erases the first
            input.steps = {{320, row, 0}}, input.next = 0, update_status_line();
        expect_golden(name, screen);
    }
}

// Each message on a black screen, how long it stays, and what it leaves changed.
TEST_F(Golden, Messages)
{
    const struct { const char* image; void (*show)(); unsigned pause; int modified; } messages[] = {
        {"help", [] { perform_command({KEY_H, false, 0}); }, 4000, 0},
        {"check", [] { perform_command({KEY_C, false, 0}); }, 1500, 0},
        {"check", [] { perform_command({KEY_F, false, 0}); }, 1500, 1}, // the faults as found, now repaired
        {"clean", [] { perform_command({KEY_C, false, 0}); }, 500, 1},
        {"unsaved", [] { perform_command({KEY_Q, false, 0}); }, 1000, 1},
        {"refused_zoom", [] { input.steps = {{200, 300, 0}}, input.next = 0, zoom_by_rectangle(); }, 500, 1},
        {"save_failed", [] { // to a FIFO that no process reads: the reason, where the saving message was
             ScratchDir dir;
             clear_bitmap(page_buffer), mkfifo(dir.file("fifo").c_str(), 0600), std::strcpy(out_file_name, "fifo");
             saving_failed = show_saving_failure;
             printed_in(dir.path, [] { return perform_command({KEY_W, false, 0}), 0; });
             saving_failed = nullptr;
         }, 1000, 1},
        {"forgotten", [] { // undone as far as the history goes, after it ran full (the two oldest changes cancel out)
             for (int i = 0; i < HISTORY_CHANGES + 2; i++) {
                 history_begin(), history_touch(1, 0), trace_point[1][0].height += i % 2 ? -1 : 1;
                 history_end(CHANGE_EDIT, 1);
             }
             for (ChangeInfo info; history_undo(&info);) {}
             perform_command({KEY_U, false, 0});
         }, 500, 1},
        {"edit_preview", [] { // zoomed, for room
             zoom_to_rectangle(300, 200, 450, 400), draw_view(), draw_edit_preview(40.0f, 0.5f, 9.0f, 75);
         }, 0, 1},
    };
    start_on_demo();
    for (const auto& m : messages) {
        clear_bitmap(screen), input.paused_ms = 0, m.show();
        expect_golden(m.image, screen);
        EXPECT_EQ(std::make_tuple(input.paused_ms, data_modified, quit_requested),
                  std::make_tuple(m.pause, m.modified, 0)) << m.image;
    }
}

} // namespace
