#include "interaction/zoom.h"

#include <allegro.h>
#include <utility>

#include "display/colours.h"
#include "display/messages.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/input.h"
#include "track/model.h"

int zoom_to_rectangle(int x1, int y1, int x2, int y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    int a = nearest_section((float)x_to_distance(x1));
    int b = nearest_section((float)x_to_distance(x2));
    if (a == b)
        return 1;
    float top = (float)y_to_height(y1), bottom = (float)y_to_height(y2);
    if (!(top != bottom))
        return 2;
    first_section = a;
    last_section = b;
    height_top = top;
    height_bottom = bottom;
    if (selected_section < first_section)
        selected_section = first_section;
    if (selected_section > last_section)
        selected_section = last_section;
    return 0;
}

namespace {

// The rubber band from the first corner follows the pointer while any button is down; returns
// where the pointer is when the last one goes up.
void drag_band(int x1, int y1, int* x2, int* y2)
{
    const int white = colour(WHITE);
    int lx = pointer_x(), ly = pointer_y();
    drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
    bool band_shown = false;
    while (mouse_buttons()) {
        poll_input();
        if (pointer_x() == lx && pointer_y() == ly)
            continue;
        scare_mouse();
        if (band_shown)
            rect(screen, x1, y1, lx, ly, white);
        lx = pointer_x();
        ly = pointer_y();
        rect(screen, x1, y1, lx, ly, white);
        band_shown = true;
        unscare_mouse();
    }
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    *x2 = pointer_x();
    *y2 = pointer_y();
}

} // namespace

int zoom_by_rectangle()
{
    int x1 = pointer_x(), y1 = pointer_y(), x2, y2;
    scare_mouse();
    message_line(4, 10, "First zoom corner set!");
    message_line(4, 20, "Now release MBTN2 at other corner");
    unscare_mouse();
    drag_band(x1, y1, &x2, &y2);
    int result = zoom_to_rectangle(x1, y1, x2, y2);
    if (result != 0)
        show_message(500, {result == 1 ? "Section zoom range too small!" : "Height zoom range too small!"}, 30);
    draw_view();
    return 0;
}
