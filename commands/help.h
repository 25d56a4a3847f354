// The help box: the list of commands over the top left of the view for four seconds.
#pragma once

void show_help();
