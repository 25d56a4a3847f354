// Flags shared by the main loop, the editors and the commands.
#pragma once
#include <cstdint>

extern uint16_t quit_requested;
extern uint16_t data_modified;    // heights in memory differ from the file last written
extern uint16_t left_button_held; // the current left press has already started an edit
extern int32_t status_cache;      // pointer row of the last status line; -1 forces a redraw

// The only writer of data_modified, after every change of the heights, undo, redo, load and
// save: the flag says whether the undo history's present state is the one the file holds.
void update_data_modified();
