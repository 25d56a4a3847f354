// The editor's main loop: keys, the close button, mouse gestures and the status line.
#pragma once

// One pass: a waiting key (or the close button, which acts as q) and the redraw after it, a
// left press that starts an edit, a right press that starts a zoom, the status line; a rest when
// there was nothing to do.
void main_loop_pass();
// Passes until a quit command was accepted.
void run_main_loop();
