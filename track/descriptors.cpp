#include "track/descriptors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* program_name;
FILE* watched;

void close_watched_output()
{
    const bool lost = std::ferror(watched);
    errno = 0;
    if (std::fclose(watched) == 0 && !lost)
        return;
    const int error = errno;
    std::fprintf(stderr, "%s: write error%s%s\n", program_name, error ? ": " : "", error ? std::strerror(error) : "");
    _exit(1);
}

} // namespace

bool open_standard_descriptors()
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor, which is this one: those below are open by now.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0)
                close(opened);
            return false;
        }
    }
    return true;
}

void check_output_at_exit(const char* program, FILE* output)
{
    if (!watched)
        std::atexit(close_watched_output);
    program_name = program;
    watched = output;
}
