// Keyboard commands, dispatched from one table that also gives the help box its lines.
#pragma once

// A key as a command sees it: the Allegro scancode, whether a shift key was held, and the
// pointer's screen row, which decides whether the keypad keys move the trace range (upper
// panel) or the section range.
struct KeyPress {
    int scancode;
    bool shift;
    int pointer_y;
};

struct Command {
    const char* help;  // its line in the help box
    const char* names; // the keys (or buttons) as the README and the manual name them, "|" between
    int keys[2];       // the scancodes that run it; none for what only the help box explains
    void (*run)(const KeyPress& key);
};

// In the order of the help box.
extern const Command commands[];
extern const int command_count;

// Reads one key and performs its command; keys without one are consumed and ignored.
void handle_key();
void perform_command(const KeyPress& key);
// Key q (and the window's close button): quits when nothing is unsaved or `shift` is held,
// otherwise shows the unsaved-data warning for a second.
void request_quit(bool shift);
