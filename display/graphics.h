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

// The font datafile to load: the first "fonts.dat" found in the working directory, beside the
// executable, or in the installed data directory relative to it ("../share/vemora"). With
// none, prints the places looked at on standard output and returns nullptr.
const char* choose_fonts_path();
