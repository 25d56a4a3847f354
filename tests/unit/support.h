// Helpers shared by the unit tests: scratch directories and files, the demo track, drawing
// without a window, and the real executable.
#pragma once
#include <string>

// A fresh directory under the system's temporary directory, removed with its contents on destruction.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string file(const std::string& name) const { return path + "/" + name; }
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// Runs `step` with `dir` as the working directory; returns what it printed.
std::string printed_in(const std::string& dir, int (*step)());

// Writes `text` as the file `name` in a scratch directory, names it in `setting` (unless null)
// and runs `reader` there; returns what the reader printed.
std::string read_text(int (*reader)(), char* setting, const std::string& text, const char* name = "t.txt");

// An empty model with default file names and the given counts.
void fresh_model(int sections, int traces);
// Loads the bundled demo track (without graphics) into the model.
void load_demo_track();
// Memory bitmaps of w x h as the page buffer and the screen, the fonts of the build and
// the layout: everything drawing needs, without a display.
void start_drawing(int w, int h);

// Runs the program in `dir` with no display; returns its exit status and fills `output`.
int run_vemora(const std::string& dir, std::string* output);
