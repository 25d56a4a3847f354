#include "interaction/zoom.h"

#include <allegro.h>
#include <utility>

#include "display/graphics.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
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

int zoom_by_rectangle()
{
    int x1 = mouse_x, y1 = mouse_y;
    int white = makecol(255, 255, 255);
    scare_mouse();
    textprintf_ex(screen, text_font, 4, 10, white, -1, "First zoom corner set!");
    textprintf_ex(screen, text_font, 4, 20, white, -1, "Now release MBTN2 at other corner");
    unscare_mouse();
    int lx = mouse_x, ly = mouse_y;
    drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
    bool band_shown = false;
    while (mouse_b) {
        if (mouse_x == lx && mouse_y == ly)
            continue;
        scare_mouse();
        if (band_shown)
            rect(screen, x1, y1, lx, ly, white);
        lx = mouse_x;
        ly = mouse_y;
        rect(screen, x1, y1, lx, ly, white);
        band_shown = true;
        unscare_mouse();
    }
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    int result = zoom_to_rectangle(x1, y1, mouse_x, mouse_y);
    if (result != 0) {
        scare_mouse();
        textprintf_ex(screen, text_font, 4, 30, white, -1,
                      result == 1 ? "Section zoom range too small!" : "Height zoom range too small!");
        unscare_mouse();
        rest(500);
    }
    draw_view();
    return 0;
}
