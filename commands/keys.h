// Keyboard commands.
#pragma once

void handle_key();
// Key q (and the window's close button): quits when nothing is unsaved or `shift` is held,
// otherwise shows the unsaved-data warning for a second.
void request_quit(bool shift);
// Performs the command of one key (an Allegro scancode); `shift` tells whether a shift
// key was held, `pointer_y` is the pointer's screen row, which decides whether the
// keypad keys move the trace range (upper panel) or the section range.
void perform_command(int scancode, bool shift, int pointer_y);
