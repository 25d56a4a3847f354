// The help box: a list of the commands over the top left of the view for four seconds.
#pragma once

extern const char* const help_lines[15];
void show_help();
