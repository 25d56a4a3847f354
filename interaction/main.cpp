// The editor's entry and main loop: keys, mouse gestures and the status line.
#include <allegro.h>

#include "commands/keys.h"
#include "display/renderer.h"
#include "interaction/edit.h"
#include "interaction/flags.h"
#include "interaction/status.h"
#include "interaction/window.h"
#include "interaction/zoom.h"
#include "track/startup.h"

int main(int, char**)
{
    start_up();
    install_close_button();
    draw_view();
    while (!quit_requested) {
        update_window_title();
        if (keypressed()) {
            handle_key();
            draw_view();
            status_cache = -1;
        }
        if (take_close_request()) {
            request_quit(false);
            draw_view();
            status_cache = -1;
        }
        if (mouse_b & 1) {
            if (!left_button_held)
                edit_height_and_gradient();
        } else {
            left_button_held = 0;
        }
        if (mouse_b & 2)
            zoom_by_rectangle();
        update_status_line();
        // Polls again at once; only hands the processor to others that are waiting.
        rest(0);
    }
    return 0;
}
END_OF_MAIN()
