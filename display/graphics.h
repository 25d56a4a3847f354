// Graphics start-up: the library, input devices, the window, the page buffer and the fonts.
#pragma once

struct BITMAP;
struct DATAFILE;
struct FONT;

extern BITMAP* page_buffer;
extern DATAFILE* fonts_datafile;
extern FONT *font_8x8, *font_7x8, *font_5x6;
extern FONT *text_font, *small_font, *medium_font, *big_font;

void init_graphics();
int set_graphics_mode();
bool create_page_buffer();
// Puts the finished page on the screen.
void show_page();
// Shows on the last frame that a save failed, and why, for a second (the saving_failed hook).
void show_saving_failure(const char* file_name, const char* reason);

// Loads the three fonts of "fonts.dat"; false when the file or one of them is missing.
bool load_font_datafile(const char* path);

// Where the installed "fonts.dat" lies, fixed when the program is built.
extern const char* const installed_fonts_path;
// The font datafile to load: the working directory's when it is there, else the installed
// one; with neither, the working directory's name, so that loading fails as it always did.
const char* choose_fonts_path(bool in_working_dir, bool installed);
