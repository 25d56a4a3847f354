// The program's start: banner, settings, every loader in order, then graphics.
#pragma once

void print_banner();
// Everything before graphics: defaults, configuration, track files and derived values.
void load_track();
void start_up();
