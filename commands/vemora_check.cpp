// vemora-check: the editor's check (and, with --fix, its repair and save) of height gaps and
// gradient breaks, for scripts and build pipelines. It starts like the editor, without graphics.
#include <cstdio>
#include <cstring>

#include "commands/check.h"
#include "commands/report.h"
#include "track/descriptors.h"
#include "track/model.h"
#include "track/startup.h"
#include "track/trace_data.h"

namespace {

constexpr int CLEAN = 0, FAILED = 1, FAULTY = 2, BAD_ARGUMENT = 64;

const char USAGE[] =
    "Usage: vemora-check [--fix]\n"
    "Checks the track named in vemora.cfg in the working directory for height gaps and\n"
    "gradient breaks where sections meet, and lists them.\n"
    "  --fix   also repair every faulty join as key f of the editor does and save OUTFILE\n"
    "  --help  print this text\n"
    "Exit status: 0 clean, 2 faults found (or left after --fix), 1 fatal error or failed\n"
    "save, 64 bad argument.\n";

bool faulty(const CheckReport& r)
{
    return r.gap_count || r.kink_count;
}

void print_saving(const char* file_name)
{
    std::printf("Saving trace data to >%s<\n", file_name);
}

// Repairs, saves and checks what was saved again.
int fix_and_save()
{
    static CheckReport found, left;
    scan_joins(1, &found);
    print_report(stdout, found);
    saving_notice = print_saving;
    if (write_trace_data() != 0)
        return FAILED;
    scan_joins(0, &left);
    if (!faulty(left))
        return CLEAN;
    std::printf("Left after the fix:\n");
    print_report(stdout, left);
    return FAULTY;
}

int check_only()
{
    static CheckReport found;
    scan_joins(0, &found);
    print_report(stdout, found);
    return faulty(found) ? FAULTY : CLEAN;
}

} // namespace

int main(int argc, char** argv)
{
    if (!open_standard_descriptors())
        return FAILED;
    // Each line goes out whole at once, so that a killed run keeps what it printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    check_standard_output_at_exit("vemora-check");
    const char* option = argc == 2 ? argv[1] : "";
    if (std::strcmp(option, "--help") == 0) {
        std::fputs(USAGE, stdout);
        return CLEAN;
    }
    bool fix = std::strcmp(option, "--fix") == 0;
    if (argc > 2 || (argc == 2 && !fix)) {
        std::fputs(USAGE, stderr);
        return BAD_ARGUMENT;
    }
    load_track();
    int status = fix ? fix_and_save() : check_only();
    std::fflush(stdout);
    return status;
}
