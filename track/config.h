// Start-up defaults and the configuration file "vemora.cfg".
#pragma once
#include <cstdio>

void set_default_file_names();
// Reads "vemora.cfg" from the working directory; ends the program when it is missing.
int read_configuration();
// Applies every line of an open configuration file to the settings.
void apply_configuration(FILE* file);
// Applies one line (at most 239 characters); the buffer is modified.
void apply_configuration_line(char* line);
