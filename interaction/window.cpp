#include "interaction/window.h"

#include <allegro.h>
#include <cstdio>
#include <xalleg.h>

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

void set_window_class()
{
    xwin_set_window_name("vemora", "Vemora");
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
    // Names the file a save writes; without an OUTFILE the file read, and that w cannot save.
    char title[FILE_NAME_SIZE + 32];
    std::snprintf(title, sizeof title, "Vemora - %s%s%s", out_file_name[0] ? out_file_name : in_file_name,
                  out_file_name[0] ? "" : " (no OUTFILE)", data_modified ? " *" : "");
    set_window_title(title);
}
