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

void move_section_range(int scancode)
{
    switch (scancode) {
    case KEY_7_PAD:
        if (first_section < last_section - 1)
            first_section++;
        if (selected_section < first_section)
            selected_section = first_section;
        break;
    case KEY_1_PAD:
        if (first_section > 0)
            first_section--;
        break;
    case KEY_9_PAD:
        if (last_section < num_sections - 1)
            last_section++;
        break;
    case KEY_3_PAD:
        if (first_section + 1 < last_section)
            last_section--;
        if (selected_section > last_section)
            selected_section = last_section;
        break;
    }
}

void move_trace_range(int scancode)
{
    switch (scancode) {
    case KEY_7_PAD:
        if (first_trace < last_trace - 1)
            first_trace++;
        break;
    case KEY_1_PAD:
        if (first_trace > 0)
            first_trace--;
        break;
    case KEY_9_PAD:
        if (last_trace < num_traces - 1)
            last_trace++;
        break;
    case KEY_3_PAD:
        if (first_trace + 1 < last_trace)
            last_trace--;
        break;
    }
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
        if (pointer_y <= cross_bottom)
            move_trace_range(scancode);
        else
            move_section_range(scancode);
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
