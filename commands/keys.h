// Keyboard commands.
#pragma once

void handle_key();
// Performs the command of one key (an Allegro scancode); `shift` tells whether a shift
// key was held, `pointer_y` is the pointer's screen row, which decides whether the
// keypad keys move the trace range (upper panel) or the section range.
void perform_command(int scancode, bool shift, int pointer_y);
