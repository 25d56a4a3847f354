#include "commands/help.h"

#include <allegro.h>

#include "commands/keys.h"
#include "display/colours.h"
#include "display/messages.h"
#include "interaction/input.h"

// A blue box from (2, 5) that holds a line every 10 rows from row 10, the command table's
// help lines in order; 15 lines fill it down to row 160.
void show_help()
{
    scare_mouse();
    rectfill(screen, 2, 5, 450, 10 * command_count + 10, colour(BLUE));
    for (int i = 0; i < command_count; i++)
        message_line(4, 10 + 10 * i, commands[i].help);
    unscare_mouse();
    pause_for(4000);
}
