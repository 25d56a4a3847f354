// The status line: the height under the pointer, at the top left of the screen.
#pragma once

int update_status_line();
// Draws a reading such as "Current height: %6.2f m" at row 60 after erasing the number
// of the previous one: `label` is the text before the number, `padded` the label with the
// number's room. Drawn on the screen in solid mode.
void draw_reading(const char* label, const char* padded, const char* format, double value);
