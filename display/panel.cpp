#include "display/panel.h"

#include "display/layout.h"
#include "display/view.h"

const Panel profile_panel{profile_left,     profile_width,    profile_bottom,  profile_height,
                          profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max};
const Panel cross_panel{cross_left,       cross_width,      cross_bottom,  cross_height,
                        cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max};

double Panel::x_position(double value) const
{
    return screen_position(value, x_low, x_high, width, left);
}

double Panel::y_position(double value) const
{
    return screen_position(value, y_low, y_high, height, bottom);
}

int32_t Panel::to_x(float value) const
{
    return map_to_screen(value, x_low, x_high, width, left);
}

int32_t Panel::to_y(float value) const
{
    return map_to_screen(value, y_low, y_high, height, bottom);
}

double Panel::from_x(int32_t x) const
{
    return x_low + ((double)x_high - x_low) * ((x - left) / (double)width);
}

double Panel::from_y(int32_t y) const
{
    return y_low + ((double)y_high - y_low) * ((y - bottom) / (double)height);
}

int32_t Panel::band_row(double share) const
{
    return to_y((float)(y_high - share * ((double)y_high - y_low)));
}

bool Panel::contains(int32_t x, int32_t y) const
{
    return x >= left && x <= right_column() && y <= bottom && y >= top_row();
}
