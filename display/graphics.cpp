#include "display/graphics.h"

#include <allegro.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "display/layout.h"
#include "display/messages.h"
#include "interaction/input.h"
#include "interaction/window.h"
#include "track/model.h"
#include "track/trace_data.h"

BITMAP* page_buffer;
DATAFILE* fonts_datafile;
FONT *font_8x8, *font_7x8, *font_5x6;
FONT *text_font, *small_font, *medium_font, *big_font;

namespace {

[[noreturn]] void fail_in_text_mode(const char* message)
{
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    allegro_message("%s", message);
    std::exit(1);
}

FONT* font_object(DATAFILE* data, const char* name)
{
    DATAFILE* object = find_datafile_object(data, name);
    return object && object->type == DAT_FONT ? (FONT*)object->dat : nullptr;
}

// A configured font file replaces one of the defaults; `kind` names it in messages
// ("" for the message font, "small " and so on for the others).
FONT* configured_font(const char* file_name, const char* kind, FONT* fallback)
{
    if (file_name[0] == '\0')
        return fallback;
    FILE* test = std::fopen(file_name, "r");
    if (!test) {
        std::printf("Fatal error: Did not find defined %sfont file >%s<\n", kind, file_name);
        std::fflush(stdout);
        std::exit(1);
    }
    std::fclose(test);
    PALETTE palette;
    FONT* loaded = load_font(file_name, palette, nullptr);
    if (!loaded) {
        char message[FILE_NAME_SIZE + 40];
        std::snprintf(message, sizeof message, "Unable to load %sfont %s.\n", kind, file_name);
        fail_in_text_mode(message);
    }
    return loaded;
}

bool file_exists(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

void show_saving_message(const char* file_name)
{
    char text[FILE_NAME_SIZE + 32];
    std::snprintf(text, sizeof text, "Saving trace data to >%s<", file_name);
    show_message(0, {text});
}

void pause_after_saving()
{
    pause_for(500);
}

// Where "fonts.dat" is looked for, in order: the working directory, beside the executable (a
// build tree), and the data directory of an install, found from the executable so that an
// install works under any prefix and after a move. Returns the number of places.
char fonts_places[3][PATH_MAX];
int find_fonts_places()
{
    std::snprintf(fonts_places[0], PATH_MAX, "fonts.dat");
    char dir[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    if (n <= 0 || n == (ssize_t)sizeof dir - 1)
        return 1; // the executable's place is unknown, or too long to tell
    dir[n] = '\0';
    *std::strrchr(dir, '/') = '\0'; // the kernel gives an absolute path
    int count = 1;
    if (std::snprintf(fonts_places[count], PATH_MAX, "%s/fonts.dat", dir) < PATH_MAX)
        count++;
    if (std::snprintf(fonts_places[count], PATH_MAX, "%s/%s/fonts.dat", dir, VEMORA_DATA_FROM_BIN) < PATH_MAX)
        count++;
    return count;
}

} // namespace

void show_saving_failure(const char* file_name, const char* reason)
{
    char text[FILE_NAME_SIZE + 32];
    std::snprintf(text, sizeof text, file_name[0] ? "Could not save to >%s<" : "Could not save", file_name);
    show_page(); // without the saving message under it
    show_message(1000, {text, reason});
}

const char* choose_fonts_path()
{
    const int count = find_fonts_places();
    for (int i = 0; i < count; i++)
        if (file_exists(fonts_places[i]))
            return fonts_places[i];
    for (int i = 0; i < count; i++)
        std::printf("Did not find >%s<\n", fonts_places[i]);
    std::fflush(stdout);
    return nullptr;
}

bool load_font_datafile(const char* path)
{
    fonts_datafile = load_datafile(path);
    if (!fonts_datafile)
        return false;
    font_8x8 = font_object(fonts_datafile, "fnt8x8");
    font_7x8 = font_object(fonts_datafile, "fnt7x8");
    font_5x6 = font_object(fonts_datafile, "fnt5x6");
    return font_8x8 && font_7x8 && font_5x6;
}

bool create_page_buffer()
{
    page_buffer = create_bitmap(SCREEN_W, SCREEN_H);
    return page_buffer != nullptr;
}

int set_graphics_mode()
{
    set_color_depth(desktop_color_depth());
    // A window on the desktop; the full-screen driver only where no window can be opened. Sizes
    // no window can have are refused here: the library would abort on some of them.
    if (!window_size_possible(screen_width, screen_height) ||
        (set_gfx_mode(GFX_AUTODETECT_WINDOWED, screen_width, screen_height, 0, 0) != 0 &&
         set_gfx_mode(GFX_AUTODETECT, screen_width, screen_height, 0, 0) != 0)) {
        allegro_message("Unable to set graphics mode.\n");
        std::exit(1);
    }
    set_display_switch_mode(SWITCH_PAUSE);
    if (!create_page_buffer())
        fail_in_text_mode("Unable to initialize page flipping.\n");
    compute_layout(SCREEN_W, SCREEN_H);
    set_palette(default_palette);
    // Every text of the program is drawn with a transparent background; the calls
    // pass -1 as background too, this sets the library's default to match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    text_mode(-1);
#pragma GCC diagnostic pop
    return 0;
}

void init_graphics()
{
    std::fflush(stdout);
    set_window_class();
    if (allegro_init() != 0) {
        std::printf("Fatal error: Could not start the graphics library%s%s\n",
                    allegro_error[0] ? ": " : " (no display?)", allegro_error);
        std::fflush(stdout);
        std::exit(1);
    }
    install_keyboard();
    // Ctrl+Alt+End would kill the editor at once, losing unsaved edits: only quitting ends it.
    three_finger_flag = FALSE;
    install_timer();
    update_window_title(); // before the window is first shown
    set_graphics_mode();
    install_mouse();
    set_mouse_range(0, 0, SCREEN_W - 1, SCREEN_H - 1);
    position_mouse(SCREEN_W / 2, SCREEN_H / 2);
    const char* fonts_path = choose_fonts_path();
    if (!fonts_path || !load_font_datafile(fonts_path))
        fail_in_text_mode("Error loading fonts\n");
    text_font = configured_font(font_file_name, "", font);
    small_font = configured_font(small_font_file_name, "small ", font_5x6);
    medium_font = configured_font(medium_font_file_name, "medium ", font_7x8);
    big_font = configured_font(big_font_file_name, "big ", font_8x8);
    saving_notice = show_saving_message;
    saving_pause = pause_after_saving;
    saving_failed = show_saving_failure;
}

void show_page()
{
    if (!screen)
        return; // drawn off screen only, as in the tests
    show_mouse(nullptr);
    blit(page_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    show_mouse(screen);
}
