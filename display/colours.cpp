#include "display/colours.h"

#include <allegro.h>

int colour(Colour c)
{
    static const unsigned char rgb[][3] = {
        {0, 0, 0},     {211, 211, 211}, {255, 255, 255}, {255, 0, 0}, // black, grey, white, red
        {255, 255, 0}, {0, 0, 255},     {224, 255, 255},              // yellow, blue, light cyan
    };
    return makecol(rgb[c][0], rgb[c][1], rgb[c][2]);
}
