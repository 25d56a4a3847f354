#include "interaction/input.h"

#include <allegro.h>

#include "interaction/window.h"

namespace {

int library_pointer_x() { return mouse_x; }
int library_pointer_y() { return mouse_y; }
int library_buttons() { return mouse_b; }
bool library_key_waiting() { return keypressed(); }
int library_read_key() { return readkey(); }
bool library_shift_held() { return (key_shifts & KB_SHIFT_FLAG) != 0; }
void library_pause(unsigned ms) { rest(ms); }
// The library updates the mouse state in the background; a gesture reads it again at once.
void library_poll() {}
// Polling again at once would keep a core busy while the editor waits for the user; 5 ms
// delay the answer to a key or a click by far less than a frame.
void library_idle() { rest(5); }

} // namespace

const InputSource library_input = {library_pointer_x, library_pointer_y, library_buttons,
                                   library_key_waiting, library_read_key, library_shift_held,
                                   take_close_request, library_pause, library_poll, library_idle};
const InputSource* input_source = &library_input;
