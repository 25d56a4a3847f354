// Everything the editor reads from the user goes through here: the pointer and its buttons,
// the key queue, the window's close button, and the pauses in which it waits. By default they
// come from the graphics library; tests put in a scripted source and run the real handlers.
#pragma once

struct InputSource {
    int (*pointer_x)();
    int (*pointer_y)();
    int (*buttons)();          // bit 1 the left button, 2 the right, 4 the middle one
    bool (*key_waiting)();
    int (*read_key)();         // the next key: its scancode in the high byte, as readkey gives
    bool (*shift_held)();
    bool (*close_requested)(); // the close button was pressed since the last call
    void (*pause)(unsigned ms); // a message stays on the screen meanwhile
    void (*poll)();            // one turn of a gesture's loop: the state may have changed
    void (*idle)();            // a pass of the main loop that found nothing to do
};

// The source in use; the library's until a test replaces it.
extern const InputSource* input_source;
extern const InputSource library_input;

inline int pointer_x() { return input_source->pointer_x(); }
inline int pointer_y() { return input_source->pointer_y(); }
inline int mouse_buttons() { return input_source->buttons(); }
inline bool key_waiting() { return input_source->key_waiting(); }
inline int read_key() { return input_source->read_key(); }
inline bool shift_held() { return input_source->shift_held(); }
inline bool close_requested() { return input_source->close_requested(); }
inline void pause_for(unsigned ms) { input_source->pause(ms); }
inline void poll_input() { input_source->poll(); }
inline void idle_pass() { input_source->idle(); }
