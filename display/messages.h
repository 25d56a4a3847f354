// Messages drawn straight on the screen over the view, in the message font, white, with the
// view showing through between the letters. They stay for a pause; the next redraw of the
// view removes them.
#pragma once
#include <initializer_list>

// One line with its top left corner at (x, y); the caller hides the pointer.
void message_line(int x, int y, const char* text);
// Lines at x 4 from `first_row` down, one every 10 rows, left on the screen for `ms` milliseconds.
void show_message(unsigned ms, std::initializer_list<const char*> lines, int first_row = 10);
