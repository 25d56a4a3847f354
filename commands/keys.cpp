#include "commands/keys.h"

#include <allegro.h>
#include <cstdio>

#include "commands/check_screen.h"
#include "commands/help.h"
#include "commands/stretch.h"
#include "display/messages.h"
#include "display/panel.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "interaction/input.h"
#include "track/history.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

// The undo and redo messages by change kind: the word, then the change's number and last section.
const char* const change_texts[] = {"%s: edit of section %d", "%s: fix of %d joins",
                                    "%s: levelling of sections %d to %d", "%s: smoothing of sections %d to %d"};

// Key u (undo) or r: the heights go back or forward by one change, and the unsaved flag
// follows whether they now match the file last read or written.
void step_history(bool undo)
{
    ChangeInfo change;
    char text[64];
    if (!(undo ? history_undo(&change) : history_redo(&change))) {
        show_message(500, {!undo                   ? "Nothing to redo"
                           : history_forgot_older() ? "Nothing more to undo: older changes were forgotten"
                                                    : "Nothing to undo"});
        return;
    }
    update_data_modified();
    std::snprintf(text, sizeof text, change_texts[change.kind], undo ? "Undone" : "Redone", change.number, change.last);
    show_message(500, {text});
}

// Moves one end of the range first..last of 0..count - 1 for a keypad key: an end moves
// inward only while the ends stay more than one apart, outward only up to the last slot.
void move_range(int scancode, int32_t* first, int32_t* last, int32_t count)
{
    switch (scancode) {
    case KEY_7_PAD:
        if (*first + 1 < *last)
            ++*first;
        break;
    case KEY_1_PAD:
        if (*first > 0)
            --*first;
        break;
    case KEY_9_PAD:
        if (*last < count - 1)
            ++*last;
        break;
    case KEY_3_PAD:
        if (*first + 1 < *last)
            --*last;
        break;
    }
}

// The pointer's panel picks the range: traces over the cross-section, else sections. The two
// keys that narrow the section range then pull the selection into it, moved or not.
void move_range_under_pointer(const KeyPress& key)
{
    if (cross_panel.reaches_down_to(key.pointer_y)) {
        move_range(key.scancode, &first_trace, &last_trace, num_traces);
        return;
    }
    move_range(key.scancode, &first_section, &last_section, num_sections);
    if (key.scancode == KEY_7_PAD && selected_section < first_section)
        selected_section = first_section;
    if (key.scancode == KEY_3_PAD && selected_section > last_section)
        selected_section = last_section;
}

// The height limits change by a share of the span, in double precision.
void scale_height_limit(const KeyPress& key)
{
    double span = (double)height_top - height_bottom;
    switch (key.scancode) {
    case KEY_INSERT:
        height_top = to_float(height_bottom + 1.05 * span);
        break;
    case KEY_DEL:
        height_top = to_float(height_bottom + 0.95 * span);
        break;
    case KEY_PGUP:
        height_bottom = to_float(height_top + -0.95 * span);
        break;
    case KEY_PGDN:
        height_bottom = to_float(height_top + -1.05 * span);
        break;
    }
}

void select_trace(const KeyPress& key)
{
    if (key.scancode == KEY_UP && selected_trace < num_traces - 1)
        selected_trace++;
    if (key.scancode == KEY_DOWN && selected_trace > 0)
        selected_trace--;
}

void select_section(const KeyPress& key)
{
    if (key.scancode == KEY_LEFT && selected_section > first_section)
        selected_section--;
    if (key.scancode == KEY_RIGHT && selected_section < last_section)
        selected_section++;
}

// Keys l and s: the stretch the profile panel shows, redrawn before the message names it.
void rewrite_shown_stretch(bool smooth)
{
    if (!(smooth ? smooth_stretch() : level_stretch())) {
        show_message(500, {smooth ? "Nothing to smooth" : "Nothing to level"});
        return;
    }
    draw_view();
    char text[64];
    std::snprintf(text, sizeof text, smooth ? "Smoothed sections %d to %d" : "Levelled sections %d to %d",
                  first_section, last_section);
    show_message(500, {text});
}

} // namespace

const Command commands[] = {
    {"w: Write traces to file", "w", {KEY_W}, [](const KeyPress&) { write_trace_data(); }},
    {"a: Toggle display of angles", "a", {KEY_A}, [](const KeyPress&) { show_angles = show_angles == 0 ? 1 : 0; }},
    {"c: Check altitude and gradient jumps", "c", {KEY_C}, [](const KeyPress&) { check_and_fix(0); }},
    {"f: Fix altitude and gradient jumps", "f", {KEY_F}, [](const KeyPress&) { check_and_fix(1); }},
    {"z: Zoom out to show entire track", "z", {KEY_Z}, [](const KeyPress&) { zoom_to_fit(); }},
    {"q: Quit", "q", {KEY_Q}, [](const KeyPress& key) { request_quit(key.shift); }},
    {"Q: Quit without saving", "Shift+Q", {}, nullptr}, // key q with shift
    {"Cursor up/down: Select trace", "Cursor up|Cursor down", {KEY_UP, KEY_DOWN}, select_trace},
    {"Home: Select centre-line trace", "Home", {KEY_HOME}, [](const KeyPress&) { selected_trace = centre_line_trace; }},
    {"KP 7/1: Select leftmost section or trace (*)", "Keypad 7|Keypad 1", {KEY_7_PAD, KEY_1_PAD},
     move_range_under_pointer},
    {"KP 9/3: Select rightmost section or trace (*)", "Keypad 9|Keypad 3", {KEY_9_PAD, KEY_3_PAD},
     move_range_under_pointer},
    {"Insert/Delete: Zoom upper height limit", "Insert|Delete", {KEY_INSERT, KEY_DEL}, scale_height_limit},
    {"Page Up/Down: Zoom lower height limit", "Page Up|Page Down", {KEY_PGUP, KEY_PGDN}, scale_height_limit},
    {"Left mouse btn: Select section or edit trace", "Left click|Left drag", {}, nullptr},
    {"Right mouse btn: Cancel edit", "Right click", {}, nullptr},
    // Commands that came after the first fifteen lines.
    {"Cursor left/right: Select section", "Cursor left|Cursor right", {KEY_LEFT, KEY_RIGHT}, select_section},
    {"h: Show this list of commands", "h", {KEY_H}, [](const KeyPress&) { show_help(); }},
    {"u: Undo the last change of the heights", "u", {KEY_U}, [](const KeyPress&) { step_history(true); }},
    {"r: Redo the last change undone", "r", {KEY_R}, [](const KeyPress&) { step_history(false); }},
    {"l: Level the shown sections into one ramp", "l", {KEY_L}, [](const KeyPress&) { rewrite_shown_stretch(false); }},
    {"s: Smooth the shown sections (repeatable)", "s", {KEY_S}, [](const KeyPress&) { rewrite_shown_stretch(true); }},
};
const int command_count = sizeof commands / sizeof commands[0];

void request_quit(bool shift)
{
    if (shift || !data_modified)
        quit_requested = 1;
    else
        show_message(1000, {"Data are not saved!", "Press shift Q to quit", "Press w to save"});
}

void perform_command(const KeyPress& key)
{
    for (const Command& c : commands)
        for (int k : c.keys)
            if (k != 0 && k == key.scancode && c.run) {
                c.run(key);
                return;
            }
}

void handle_key()
{
    const int scancode = read_key() >> 8;
    perform_command({scancode, shift_held(), pointer_y()});
}
