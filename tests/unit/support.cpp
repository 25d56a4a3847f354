#include "support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "interaction/flags.h"
#include "track/config.h"
#include "track/model.h"
#include "track/startup.h"

ScratchDir::ScratchDir()
{
    char name[] = "/tmp/vemora-test-XXXXXX";
    path = mkdtemp(name);
}

ScratchDir::~ScratchDir()
{
    std::string command = "chmod -R u+w '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

int run_vemora(const std::string& dir, std::string* output)
{
    std::string command = "cd '" + dir + "' && env -u DISPLAY " VEMORA_BINARY " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    output->clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output->append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void load_demo_track()
{
    reset_track_model();
    data_modified = 0;
    char previous[4096];
    if (!getcwd(previous, sizeof previous) || chdir(VEMORA_SOURCE_DIR "/examples/demo") != 0)
        std::abort();
    std::FILE* saved = stdout;
    stdout = std::fopen("/dev/null", "w");
    load_track();
    std::fclose(stdout);
    stdout = saved;
    if (chdir(previous) != 0)
        std::abort();
}

void fresh_model(int sections, int traces)
{
    reset_track_model();
    data_modified = 0;
    set_default_file_names();
    num_sections = sections;
    num_traces = traces;
}
