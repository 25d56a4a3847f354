// The trace data file: what is read, the exact layout written, rejected files and saves
// that fail, or are killed, without harming the file already on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

// Every trace slot, also those beyond the count, differs; versions differ in every height.
void fill_model(int sections, int traces, int version = 0)
{
    fresh_model(sections, traces);
    for (int s = 0; s < sections; s++) {
        section_length[s] = 90000 + 5000 * s;
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t] = {1000 * s - 77 * t + version, -3 * t - s, 11 * t + s, -(t * s) - 1};
    }
    trace_point[1][15] = {INT32_MIN, INT32_MAX, -1, 0};
}

std::string formatted()
{
    std::string text(trace_data_capacity(), '\0');
    text.resize(format_trace_data(&text[0], text.size()));
    return text;
}

long files_in(const std::string& dir) { return std::distance(std::filesystem::directory_iterator(dir), {}); }

// Saves to `target` in a forked child with unsaved changes pending, after `in_child` (dropped
// privileges or a file size limit stay there); tells the result, the unsaved flag afterwards and the output.
std::string save(const std::string& target, void (*in_child)() = nullptr)
{
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
    data_modified = 1;
    testing::internal::CaptureStdout();
    const pid_t pid = fork();
    if (pid == 0) {
        if (in_child)
            in_child();
        const int code = write_trace_data() * 2 + data_modified;
        std::fflush(stdout);
        _exit(code);
    }
    int status = 0;
    const int code = waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : 8;
    return "result " + std::to_string(code / 2) + ", unsaved " + std::to_string(code % 2) + "; " +
           testing::internal::GetCapturedStdout();
}

std::string times(int n, const std::string& text) { return n ? text + times(n - 1, text) : ""; }
const std::string saved = "result 0, unsaved 0; ";
std::string failed(const std::string& target) { return "result 1, unsaved 1; Warning: Could not save to >" + target + "<\n"; }

TEST(TraceDataFile, ExactLayoutRoundTripAndSavingOverTheInput)
{
    ScratchDir dir;
    const std::string path = dir.file("trace.txt");
    fresh_model(1, 1);
    section_length[0] = 500;
    trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    ASSERT_EQ(save(path), saved);
    EXPECT_EQ(read_file(path), " 1 1" + times(80, " 0") + "\n 0 500 10 -2 3 4 0.000000" +
                                   times(MAX_TRACES - 1, " 0 0 0 0 0.000000") + "\n");

    fill_model(3, 2);
    const std::vector<TracePoint> written(&trace_point[0][0], &trace_point[3][0]);
    ASSERT_EQ(save(path) + save(path), saved + saved);
    EXPECT_EQ(read_file(path), formatted());
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    fresh_model(0, 0);
    char why[160] = "";
    ASSERT_EQ(load_trace_data(path.c_str(), why, sizeof why), 0) << why;
    EXPECT_EQ(std::memcmp(written.data(), trace_point, written.size() * sizeof(TracePoint)), 0);
    trace_point[2][15].cubic = 4242;
    EXPECT_EQ(save(path), saved);
    EXPECT_EQ(read_file(path), formatted());
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(files_in(dir.path), 1); // no temporary file left
}

TEST(TraceDataFile, SeparatorsAndDiscardedValues)
{
    fill_model(3, 2);
    const std::string canonical = formatted();
    auto joined = [&](const char* separator) {
        return std::regex_replace(canonical, std::regex(" (\\S+)\n?"), std::string("$1") + separator);
    };
    // Header values, section numbers and per-trace floats come back as 0, s and 0.0.
    std::string discarded = std::regex_replace(canonical, std::regex(" 0\\.000000"), " -1.5e3");
    discarded = " 3 2" + times(80, " 7") + std::regex_replace(discarded.substr(discarded.find('\n')), std::regex("\n \\d+ "), "\n 9 ");
    for (const std::string& text : {joined(","), joined(", "), joined(",\r\n"), joined("\r\n"), joined("\t"), discarded}) {
        fresh_model(0, 0);
        char why[160] = "";
        EXPECT_EQ(parse_trace_data(text.c_str(), why, sizeof why), 0) << why;
        EXPECT_EQ(formatted(), canonical) << testing::PrintToString(text.substr(0, 30));
    }
}

TEST(TraceDataFile, UnusableFilesEndStartUp)
{
    fill_model(3, 2);
    const std::string valid = formatted(), zeros = times(80, " 0");
    const std::pair<std::string, std::string> cases[] = {
        {" 0 1" + zeros, "section count 0"},         {" 4096 1" + zeros, "section count 4096"},
        {" 1 0" + zeros, "trace count 0"},           {" 1 17" + zeros, "trace count 17"},
        {" 1 1" + zeros + " 0 5 x", "in section 0"}, {" 1 1 ,0" + zeros, "header value 1"},
        {valid.substr(0, valid.size() - 20), "in section 2"},
    };
    ScratchDir dir;
    write_file(dir.file("vemora.cfg"), "INFILE t.txt\nOUTFILE out.txt\n");
    for (const auto& [text, detail] : cases) {
        write_file(dir.file("t.txt"), text);
        std::string output;
        EXPECT_EQ(run_vemora(dir.path, &output), 1) << detail;
        const size_t fatal = output.find("\nFatal error: Trace data file >t.txt< is not usable: ");
        EXPECT_NE(output.find(detail, fatal), std::string::npos) << output;
    }
}

TEST(TraceDataFile, FailedSavesKeepThePreviousFileAndTheUnsavedFlag)
{
    ScratchDir dir;
    fill_model(3, 2);
    const std::string previous = "previous\n", locked = dir.file("locked");
    ASSERT_EQ(std::system(("cd '" + dir.path + "' && chmod 755 . && mkdir adir locked && echo previous | tee trace.txt > "
                           "locked/trace.txt && chmod 555 locked").c_str()), 0);
    // Root ignores permission bits, so the child becomes an ordinary user first.
    void (*drop_root)() = [] {
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(65534) || setuid(65534)))
            _exit(9);
    };
    void (*fail_part_way)() = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const std::pair<std::string, void (*)()> cases[] = {
        {"", nullptr}, {dir.file("adir"), nullptr}, {"/dev/full", nullptr}, {locked + "/trace.txt", drop_root},
        {locked + "/new.txt", drop_root}, {dir.file("trace.txt"), fail_part_way},
    };
    for (const auto& [target, in_child] : cases) {
        EXPECT_EQ(save(target, in_child), failed(target));
        EXPECT_EQ(read_file(dir.file("trace.txt")) + read_file(locked + "/trace.txt"), previous + previous);
        EXPECT_EQ(files_in(dir.path) + files_in(locked), 3 + 1) << target; // no temporary files
    }
}

TEST(TraceDataFile, PreviousFileStaysWholeWhenTheSaverIsKilledMidway)
{
    ScratchDir dir;
    const std::string target = dir.file("trace.txt");
    std::string versions[2];
    for (int v : {1, 0}) {
        fill_model(MAX_SECTIONS - 1, MAX_TRACES, v);
        versions[v] = formatted();
    }
    write_file(target, versions[0]);
    for (int round = 0; round < 12; round++) {
        int first_saved[2];
        ASSERT_EQ(pipe(first_saved), 0);
        const pid_t child = fork();
        for (int i = 1; child == 0; i++) { // saves the versions in turn until killed
            fill_model(MAX_SECTIONS - 1, MAX_TRACES, i % 2);
            std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
            if (write_trace_data() != 0 || (i == 1 && close(first_saved[1]) != 0))
                _exit(1);
        }
        char byte;
        EXPECT_TRUE(close(first_saved[1]) == 0 && read(first_saved[0], &byte, 1) == 0 && close(first_saved[0]) == 0);
        usleep(2000 * round); // a different moment of the save cycle each round, once one save is done
        int status = 0;
        ASSERT_TRUE(child > 0 && kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status));
        EXPECT_NE(std::find(versions, versions + 2, read_file(target)), versions + 2) << "round " << round;
    }
}

TEST(TraceDataFile, FullFileSystemKeepsThePreviousFile)
{
    ScratchDir dir;
    const std::string mount_point = dir.file("small"), target = mount_point + "/trace.txt";
    if (std::system(("mkdir '" + mount_point + "' && mount -t tmpfs -o size=64k tmpfs '" + mount_point + "' 2>/dev/null").c_str()))
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::string previous(62000, 'p'); // fills the device: the new file cannot be written beside it
    write_file(target, previous);
    fill_model(3, 2);
    EXPECT_EQ(save(target), failed(target));
    EXPECT_EQ(read_file(target), previous);
    EXPECT_EQ(files_in(mount_point), 1);
    EXPECT_EQ(std::system(("umount '" + mount_point + "'").c_str()), 0);
}

} // namespace
