#include "display/messages.h"

#include <allegro.h>

#include "display/colours.h"
#include "display/graphics.h"
#include "interaction/input.h"

void message_line(int x, int y, const char* text)
{
    textout_ex(screen, text_font, text, x, y, colour(WHITE), -1);
}

void show_message(unsigned ms, std::initializer_list<const char*> lines, int first_row)
{
    scare_mouse();
    int row = first_row;
    for (const char* line : lines) {
        message_line(4, row, line);
        row += 10;
    }
    unscare_mouse();
    pause_for(ms);
}
