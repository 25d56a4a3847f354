// The editor's entry: start-up, the first frame, the main loop.
#include <allegro.h>
#include <cstdio>
#include <cstring>

#include "display/graphics.h"
#include "display/renderer.h"
#include "interaction/main_loop.h"
#include "interaction/window.h"
#include "track/descriptors.h"
#include "track/startup.h"

namespace {

const char USAGE[] =
    "Usage: vemora\n"
    "Edits the heights of the track named in vemora.cfg in the working directory, in a\n"
    "window; key h there lists the commands. See vemora(1).\n"
    "  -h, --help  print this text\n"
    "  --version   print the program's name and version\n"
    "Every other argument is ignored.\n";

// The editor reads no arguments but these two, which print and end it at once; the others,
// and everything after "--", are ignored.
bool answered_option(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(USAGE, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vemora %s\n", program_version);
            return true;
        }
    }
    return false;
}

void start_up()
{
    // Each line goes out whole at once, so that whatever ends the program, a pipe or log
    // holds every line printed before.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    load_track();
    init_graphics();
}

} // namespace

int main(int argc, char** argv)
{
    if (!open_standard_descriptors())
        return 1;
    if (answered_option(argc, argv))
        return 0;
    start_up();
    install_close_button();
    draw_view();
    run_main_loop();
    return 0;
}
END_OF_MAIN()
