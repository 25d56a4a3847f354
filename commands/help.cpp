#include "commands/help.h"

#include <allegro.h>

#include "display/graphics.h"

const char* const help_lines[15] = {
    "w: Write traces to file",
    "a: Toggle display of angles",
    "c: Check altitude and gradient jumps",
    "f: Fix altitude and gradient jumps",
    "z: Zoom out to show entire track",
    "q: Quit",
    "Q: Quit without saving",
    "Cursor up/down: Select trace",
    "Home: Select centre-line trace",
    "KP 7/1: Select leftmost section or trace (*)",
    "KP 9/3: Select rightmost section or trace (*)",
    "Insert/Delete: Zoom upper height limit",
    "Page Up/Down: Zoom lower height limit",
    "Left mouse btn: Select section or edit trace",
    "Right mouse btn: Cancel edit",
};

void show_help()
{
    scare_mouse();
    rectfill(screen, 2, 5, 450, 160, makecol(0, 0, 255));
    for (int i = 0; i < 15; i++)
        textprintf_ex(screen, text_font, 4, 10 + 10 * i, makecol(255, 255, 255), -1, "%s", help_lines[i]);
    unscare_mouse();
    rest(4000);
}
