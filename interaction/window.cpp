#include "interaction/window.h"

#include <allegro.h>
#include <cstdio>

#include "interaction/flags.h"
#include "track/model.h"

namespace {

// Set by Allegro's own thread; the main loop takes it.
volatile int close_pressed;
int title_shows = -1; // the unsaved flag the title shows; -1 before the first title

void on_close_button()
{
    close_pressed = 1;
}

} // namespace

void window_title(const char* out_name, const char* in_name, bool unsaved, char* title, size_t size)
{
    std::snprintf(title, size, "Vemora - %s%s", out_name[0] ? out_name : in_name, unsaved ? " *" : "");
}

void install_close_button()
{
    set_close_button_callback(on_close_button);
}

bool take_close_request()
{
    if (!close_pressed)
        return false;
    close_pressed = 0;
    return true;
}

void update_window_title()
{
    if (title_shows == data_modified)
        return;
    title_shows = data_modified;
    char title[FILE_NAME_SIZE + 16];
    window_title(out_file_name, in_file_name, data_modified != 0, title, sizeof title);
    set_window_title(title);
}
