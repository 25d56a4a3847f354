// The window as a desktop window: a title naming the file and whether it is saved, and a
// close button that acts like key q.
#pragma once


// Gives the window its class for the window manager; called before the library starts, which
// creates the window then.
void set_window_class();
// Lets the close button be reported instead of ignored.
void install_close_button();
// Whether the close button was pressed since the last call.
bool take_close_request();
// Sets the title when the unsaved flag differs from the one the title shows.
void update_window_title();
