#include "commands/check_screen.h"

#include <allegro.h>

#include "commands/check.h"
#include "commands/report.h"
#include "display/messages.h"
#include "interaction/input.h"

void check_and_fix(int fix)
{
    static CheckReport report;
    char line[64];
    scare_mouse();
    scan_joins(fix, &report);
    for (int i = 0; i < report.gap_count; i++) {
        screen_gap_line(report, i, line, sizeof line);
        message_line(4, 30 + 10 * i, line);
    }
    for (int i = 0; i < report.kink_count; i++) {
        screen_kink_line(report, i, line, sizeof line);
        message_line(150, 30 + 10 * i, line);
    }
    gap_count_line(report, line, sizeof line);
    message_line(4, 10, line);
    kink_count_line(report, line, sizeof line);
    message_line(4, 20, line);
    unscare_mouse();
    pause_for(500);
    if (report.gap_count || report.kink_count)
        pause_for(1000);
}
