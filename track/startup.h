// The program's start: banner, settings and every loader in order. The editor brings up the
// graphics after this (interaction/main.cpp); vemora-check needs none.
#pragma once

// The version, the project's (CMakeLists.txt): in the banner, --version and the package.
extern const char program_version[];

void print_banner();
// Everything before graphics: defaults, configuration, track files and derived values.
void load_track();
