#include "commands/keys.h"

#include <allegro.h>
#include <cstdio>

#include "commands/check.h"
#include "commands/help.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "track/history.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

void warn_unsaved()
{
    int white = makecol(255, 255, 255);
    scare_mouse();
    textprintf_ex(screen, text_font, 4, 10, white, -1, "Data are not saved!");
    textprintf_ex(screen, text_font, 4, 20, white, -1, "Press shift Q to quit");
    textprintf_ex(screen, text_font, 4, 30, white, -1, "Press w to save");
    unscare_mouse();
    rest(1000);
}

void show_message(const char* text)
{
    scare_mouse();
    textprintf_ex(screen, text_font, 4, 10, makecol(255, 255, 255), -1, "%s", text);
    unscare_mouse();
    rest(500);
}

// Key u (undo) or r: the heights go back or forward by one change, and the unsaved flag
// follows whether they now match the file last read or written.
void step_history(bool undo)
{
    ChangeInfo change;
    char text[64];
    if (!(undo ? history_undo(&change) : history_redo(&change))) {
        show_message(undo ? "Nothing to undo" : "Nothing to redo");
        return;
    }
    data_modified = history_unsaved() ? 1 : 0;
    std::snprintf(text, sizeof text, change.kind == CHANGE_EDIT ? "%s: edit of section %d" : "%s: fix of %d joins",
                  undo ? "Undone" : "Redone", change.number);
    show_message(text);
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
void move_range_under_pointer(int scancode, int pointer_y)
{
    if (pointer_y <= cross_bottom) {
        move_range(scancode, &first_trace, &last_trace, num_traces);
        return;
    }
    move_range(scancode, &first_section, &last_section, num_sections);
    if (scancode == KEY_7_PAD && selected_section < first_section)
        selected_section = first_section;
    if (scancode == KEY_3_PAD && selected_section > last_section)
        selected_section = last_section;
}

// The height limits change by a share of the span, in double precision.
void scale_height_limit(int scancode)
{
    double span = (double)height_top - height_bottom;
    switch (scancode) {
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

} // namespace

void request_quit(bool shift)
{
    if (shift || !data_modified)
        quit_requested = 1;
    else
        warn_unsaved();
}

void perform_command(int scancode, bool shift, int pointer_y)
{
    switch (scancode) {
    case KEY_A:
        show_angles = show_angles == 0 ? 1 : 0;
        break;
    case KEY_C:
        check_and_fix(0);
        break;
    case KEY_F:
        check_and_fix(1);
        break;
    case KEY_H:
        show_help();
        break;
    case KEY_Q:
        request_quit(shift);
        break;
    case KEY_R:
        step_history(false);
        break;
    case KEY_U:
        step_history(true);
        break;
    case KEY_W:
        write_trace_data();
        break;
    case KEY_Z:
        zoom_to_fit();
        break;
    case KEY_1_PAD:
    case KEY_3_PAD:
    case KEY_7_PAD:
    case KEY_9_PAD:
        move_range_under_pointer(scancode, pointer_y);
        break;
    case KEY_INSERT:
    case KEY_DEL:
    case KEY_PGUP:
    case KEY_PGDN:
        scale_height_limit(scancode);
        break;
    case KEY_HOME:
        selected_trace = centre_line_trace;
        break;
    case KEY_LEFT:
        if (selected_section > first_section)
            selected_section--;
        break;
    case KEY_RIGHT:
        if (selected_section < last_section)
            selected_section++;
        break;
    case KEY_UP:
        if (selected_trace < num_traces - 1)
            selected_trace++;
        break;
    case KEY_DOWN:
        if (selected_trace > 0)
            selected_trace--;
        break;
    default:
        break;
    }
}

void handle_key()
{
    int scancode = readkey() >> 8;
    perform_command(scancode, (key_shifts & KB_SHIFT_FLAG) != 0, mouse_y);
}
