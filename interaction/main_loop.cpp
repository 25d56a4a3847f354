#include "interaction/main_loop.h"

#include "commands/keys.h"
#include "display/renderer.h"
#include "interaction/edit.h"
#include "interaction/flags.h"
#include "interaction/input.h"
#include "interaction/status.h"
#include "interaction/window.h"
#include "interaction/zoom.h"
#include "track/invariants.h"

void main_loop_pass()
{
    update_window_title();
    // A key, or the window's close button, which acts as q; either may have drawn over the view.
    bool commanded = key_waiting();
    if (commanded)
        handle_key();
    if (close_requested()) {
        request_quit(false);
        commanded = true;
    }
    if (commanded) {
        draw_view();
        status_cache = -1;
        check_invariants("a key");
    }
    bool gesture = false;
    if (mouse_buttons() & 1) {
        if (!left_button_held) {
            edit_height_and_gradient();
            check_invariants("a left click");
            gesture = true;
        }
    } else {
        left_button_held = 0;
    }
    if (mouse_buttons() & 2) {
        zoom_by_rectangle();
        check_invariants("a right click");
        gesture = true;
    }
    update_status_line();
    // Only a pass that found nothing to do rests: after a command or a gesture more input may wait.
    if (!commanded && !gesture)
        idle_pass();
}

void run_main_loop()
{
    while (!quit_requested)
        main_loop_pass();
}
