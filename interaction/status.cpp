#include "interaction/status.h"

#include <allegro.h>

#include "display/colours.h"
#include "display/graphics.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "interaction/input.h"

void draw_reading(const char* label, const char* padded, const char* format, double value)
{
    int left = 4 + text_length(medium_font, label), right = 4 + text_length(medium_font, padded);
    rectfill(screen, left, 60, right, 60 + text_height(medium_font), colour(BLACK));
    textprintf_ex(screen, medium_font, 4, 60, colour(WHITE), -1, format, value);
}

int update_status_line()
{
    int row = pointer_y();
    float h = (float)y_to_height(row);
    if (row == status_cache)
        return 0;
    status_cache = row;
    scare_mouse();
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    draw_reading("Current height:", "Current height:       ", "Current height: %6.2f m", h);
    unscare_mouse();
    return 0;
}
