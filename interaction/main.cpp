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
        // A key, or the window's close button, which acts as q; either may have drawn over the view.
        bool commanded = keypressed();
        if (commanded)
            handle_key();
        if (take_close_request()) {
            request_quit(false);
            commanded = true;
        }
        if (commanded) {
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
