// vemora-check: the editor's check (and, with --fix, its repair and save) of height gaps and
// gradient breaks, for scripts and build pipelines. It starts like the editor, without graphics.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "commands/check.h"
#include "commands/report.h"
#include "track/descriptors.h"
#include "track/model.h"
#include "track/startup.h"
#include "track/trace_data.h"

namespace {

constexpr int CLEAN = 0, FAILED = 1, FAULTY = 2, BAD_ARGUMENT = 64;
constexpr int GO_ON = -1;

const char USAGE[] =
    "Usage: vemora-check [--fix]\n"
    "Checks the track named in vemora.cfg in the working directory for height gaps and\n"
    "gradient breaks where sections meet, and lists them on standard output; the start-up\n"
    "lines, warnings and errors go to standard error.\n"
    "  --fix       also repair every faulty join as key f of the editor does and save OUTFILE\n"
    "  -h, --help  print this text\n"
    "  --version   print the program's name and version\n"
    "Exit status: 0 clean, 2 faults found (or left after --fix), 1 fatal error, failed save\n"
    "or output that could not be written, 64 bad argument.\n";

FILE* report = stdout;

int bad_argument(const char* what, const char* argument)
{
    std::fprintf(stderr, "vemora-check: %s '%s'\nTry 'vemora-check --help' for more information.\n", what,
                 argument);
    return BAD_ARGUMENT;
}

// Sets `fix` from the arguments; GO_ON, or the exit status when there is nothing to check.
int read_arguments(int argc, char** argv, bool* fix)
{
    bool options = true;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--fix") == 0) {
            *fix = true;
        } else if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(USAGE, stdout);
            return CLEAN;
        } else if (options && std::strcmp(a, "--version") == 0) {
            std::printf("vemora-check %s\n", program_version);
            return CLEAN;
        } else {
            return bad_argument(options && a[0] == '-' && a[1] ? "unknown option" : "extra argument", a);
        }
    }
    return GO_ON;
}

// The report alone goes to standard output, so that it can be piped and redirected. Everything
// else printed (start-up lines, warnings, fatal errors, the save's line) goes where standard
// error goes: descriptor 1, which the loaders print to, is pointed there, and the report keeps
// the original one under a number above the standard three. Where a descriptor is closed,
// what would go there is dropped, and its number is not left free for a file opened later.
void split_output()
{
    const int original = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDOUT_FILENO);
        if (null > STDERR_FILENO)
            close(null);
    }
    FILE* kept = original >= 0 ? fdopen(original, "w") : std::fopen("/dev/null", "w");
    if (kept)
        report = kept;
}

// In order with the other lines where both streams go to one place.
void show_report(const CheckReport& r)
{
    std::fflush(stdout);
    print_report(report, r);
    std::fflush(report);
}

void print_saving(const char* file_name)
{
    std::printf("Saving trace data to >%s<\n", file_name);
}

bool faulty(const CheckReport& r)
{
    return r.gap_count || r.kink_count;
}

// Repairs, saves and checks what was saved again.
int fix_and_save()
{
    static CheckReport found, left;
    scan_joins(1, &found);
    show_report(found);
    saving_notice = print_saving;
    if (write_trace_data() != 0)
        return FAILED;
    scan_joins(0, &left);
    if (!faulty(left))
        return CLEAN;
    std::fflush(stdout);
    std::fprintf(report, "Left after the fix:\n");
    show_report(left);
    return FAULTY;
}

int check_only()
{
    static CheckReport found;
    scan_joins(0, &found);
    show_report(found);
    return faulty(found) ? FAULTY : CLEAN;
}

} // namespace

int main(int argc, char** argv)
{
    if (!open_standard_descriptors())
        return FAILED;
    check_output_at_exit("vemora-check", stdout);
    bool fix = false;
    const int answered = read_arguments(argc, argv, &fix);
    if (answered != GO_ON)
        return answered;
    split_output();
    // Each line goes out whole at once, so that a killed run keeps what it printed.
    std::setvbuf(report, nullptr, _IOLBF, BUFSIZ);
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    check_output_at_exit("vemora-check", report);
    load_track();
    int status = fix ? fix_and_save() : check_only();
    std::fflush(stdout);
    return status;
}
