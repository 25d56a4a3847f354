// The colours of everything the editor draws, named once.
#pragma once

enum Colour { BLACK, GREY, WHITE, RED, YELLOW, BLUE, LIGHT_CYAN };

// The colour's value in the colour depth of the screen and the page buffer.
int colour(Colour c);
