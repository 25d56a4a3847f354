// The editor's entry: start-up, the first frame, the main loop.
#include <allegro.h>
#include <cstdio>

#include "display/graphics.h"
#include "display/renderer.h"
#include "interaction/main_loop.h"
#include "interaction/window.h"
#include "track/descriptors.h"
#include "track/startup.h"

namespace {

void start_up()
{
    // Each line goes out whole at once, so that whatever ends the program, a pipe or log
    // holds every line printed before.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    load_track();
    init_graphics();
}

} // namespace

int main(int, char**)
{
    if (!open_standard_descriptors())
        return 1;
    start_up();
    install_close_button();
    draw_view();
    run_main_loop();
    return 0;
}
END_OF_MAIN()
