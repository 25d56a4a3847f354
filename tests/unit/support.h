// Helpers shared by the unit tests: scratch directories, files and the real executable.
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

// Runs the program in `dir` with no display; returns its exit status and fills `output`.
int run_vemora(const std::string& dir, std::string* output);

// Writes `text` as the file `name` in a scratch directory, names it in `setting` (unless null)
// and runs `reader` there; returns what the reader printed.
std::string read_text(int (*reader)(), char* setting, const std::string& text, const char* name = "t.txt");

// Loads the bundled demo track (without graphics) into the model.
void load_demo_track();

// An empty model with default file names and the given counts.
void fresh_model(int sections, int traces);
