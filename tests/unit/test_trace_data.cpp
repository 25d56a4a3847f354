// The trace data file: what is read, the exact layout written, rejected files and
// saves that fail without harming the file already on disk.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"
#include "track/trace_data.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using Names = std::set<std::string>;

namespace {

void fresh_model()
{
    reset_track_model();
    data_modified = 0;
    saving_notice = nullptr; // no screen here
    saving_pause = nullptr;
}

// Three sections of two traces; every trace slot, also those beyond the count, differs.
void fill_model()
{
    fresh_model();
    num_sections = 3;
    num_traces = 2;
    for (int s = 0; s < 3; s++) {
        section_length[s] = 90000 + 5000 * s;
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t] = {1000 * s - 77 * t, -3 * t - s, 11 * t + s, -(t * s) - 1};
    }
    trace_point[1][15] = {INT32_MIN, INT32_MAX, -1, 0};
}

std::string formatted()
{
    std::string text(trace_data_capacity(), '\0');
    text.resize(format_trace_data(&text[0], text.size()));
    return text;
}

void set_name(char* target, const std::string& name) { std::snprintf(target, FILE_NAME_SIZE, "%s", name.c_str()); }

Names entries(const std::string& dir)
{
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename());
    return names;
}

struct Save {
    int result, modified;
    std::string output;
};

// Saves with unsaved changes pending. `in_child` runs first in a forked child, so that
// dropped privileges or a file size limit do not reach the test process.
Save save(const std::function<void()>& in_child = {})
{
    data_modified = 1;
    Save r{};
    CaptureStdout();
    if (!in_child) {
        r.result = write_trace_data();
        r.modified = data_modified;
    } else if (pid_t pid = fork(); pid == 0) {
        in_child();
        int result = write_trace_data();
        std::fflush(stdout);
        _exit(result * 2 + data_modified);
    } else {
        int status = 0;
        waitpid(pid, &status, 0);
        r.result = WIFEXITED(status) ? WEXITSTATUS(status) / 2 : -1;
        r.modified = WIFEXITED(status) ? WEXITSTATUS(status) % 2 : -1;
    }
    r.output = GetCapturedStdout();
    return r;
}

TEST(TraceDataFile, RoundTripAndSavingOverTheInput)
{
    ScratchDir dir;
    const std::string path = dir.file("trace.txt");
    fill_model();
    const std::vector<TracePoint> written(&trace_point[0][0], &trace_point[3][0]);
    set_name(out_file_name, path);
    ASSERT_EQ(save().result, 0);
    const std::string first = read_file(path);
    ASSERT_EQ(save().result, 0);
    EXPECT_EQ(read_file(path), first);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    fresh_model();
    set_name(in_file_name, path);
    set_name(out_file_name, path);
    CaptureStdout();
    read_trace_data();
    EXPECT_EQ(GetCapturedStdout(), "Reading trace data from >" + path + "<\n");
    EXPECT_EQ(std::vector<int>({num_sections, num_traces, section_length[2]}), std::vector<int>({3, 2, 100000}));
    EXPECT_EQ(std::memcmp(written.data(), trace_point, written.size() * sizeof(TracePoint)), 0);

    trace_point[2][15].cubic = 4242;
    Save r = save();
    EXPECT_EQ(r.result + r.modified, 0) << r.output;
    EXPECT_EQ(read_file(path), formatted());
    EXPECT_NE(read_file(path), first);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(entries(dir.path), Names{"trace.txt"}); // no temporary file left
}

TEST(TraceDataFile, ExactLayoutOfOneSection)
{
    ScratchDir dir;
    fresh_model();
    num_sections = num_traces = 1;
    section_length[0] = 500;
    trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    std::string expected = " 1 1";
    for (int i = 0; i < 80; i++)
        expected += " 0";
    expected += "\n 0 500 10 -2 3 4 0.000000";
    for (int t = 1; t < MAX_TRACES; t++)
        expected += " 0 0 0 0 0.000000";
    set_name(out_file_name, dir.file("one.txt"));
    ASSERT_EQ(save().result, 0);
    EXPECT_EQ(read_file(dir.file("one.txt")), expected + "\n");
}

TEST(TraceDataFile, SeparatorsAndDiscardedValues)
{
    fill_model();
    const std::string canonical = formatted();
    std::vector<std::string> words;
    std::istringstream in(canonical);
    for (std::string w; in >> w;)
        words.push_back(w);
    auto expect_read_as_canonical = [&](const char* separator) {
        std::string text;
        for (const std::string& w : words)
            text += w + separator;
        fresh_model();
        char why[160] = "";
        ASSERT_EQ(parse_trace_data(text.c_str(), why, sizeof why), 0) << why;
        EXPECT_EQ(formatted(), canonical) << testing::PrintToString(separator);
    };
    for (const char* separator : {",", ", ", ",\r\n", "\r\n", "\t"})
        expect_read_as_canonical(separator);
    // Header values, section numbers and per-trace floats come back as 0, s and 0.0.
    for (int i = 2; i < 82; i++)
        words[i] = "7";
    for (int s = 1; s <= 3; s++) {
        words[82 * s] = "9";
        for (int t = 0; t < MAX_TRACES; t++)
            words[82 * s + 6 + 5 * t] = "-1.5e3";
    }
    expect_read_as_canonical(" ");
}

TEST(TraceDataFile, UnusableFilesEndStartUp)
{
    fill_model();
    const std::string valid = formatted();
    std::string zeros;
    for (int i = 0; i < 80; i++)
        zeros += " 0";
    const std::pair<std::string, std::string> cases[] = {
        {" 0 1" + zeros, "section count 0"},      {" 4096 1" + zeros, "section count 4096"},
        {" 1 0" + zeros, "trace count 0"},        {" 1 17" + zeros, "trace count 17"},
        {" 1 1" + zeros + " 0 5 x", "in section 0"}, {" 1 1 ,0" + zeros, "header value 1"},
        {valid.substr(0, valid.size() - 20), "in section 2"},
    };
    ScratchDir dir;
    write_file(dir.file("vemora.cfg"), "INFILE t.txt\nOUTFILE out.txt\n");
    for (const auto& [text, detail] : cases) {
        write_file(dir.file("t.txt"), text);
        std::string output;
        EXPECT_EQ(run_vemora(dir.path, &output), 1) << detail;
        const std::string line = output.substr(std::min(output.find("\nFatal error:"), output.size()));
        EXPECT_NE(line.find(">t.txt<"), std::string::npos) << output;
        EXPECT_NE(line.find(detail), std::string::npos) << output;
        EXPECT_EQ(entries(dir.path), (Names{"t.txt", "vemora.cfg"}));
    }
}

TEST(TraceDataFile, FailedSavesKeepThePreviousFileAndTheUnsavedFlag)
{
    ScratchDir dir;
    fill_model();
    const std::string previous = "previous contents\n", locked = dir.file("locked");
    chmod(dir.path.c_str(), 0755);
    mkdir(locked.c_str(), 0755);
    mkdir(dir.file("adir").c_str(), 0755);
    write_file(locked + "/trace.txt", previous);
    write_file(dir.file("trace.txt"), previous);
    chmod(locked.c_str(), 0555);
    // Root ignores permission bits, so the child becomes an ordinary user first.
    auto drop_root = [] {
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(65534) || setuid(65534)))
            _exit(99);
    };
    auto fail_part_way = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const std::pair<std::string, std::function<void()>> cases[] = {
        {"", {}}, {dir.file("adir"), {}}, {"/dev/full", {}},
        {locked + "/trace.txt", drop_root}, {locked + "/new.txt", drop_root},
        {dir.file("trace.txt"), fail_part_way},
    };
    for (const auto& [target, in_child] : cases) {
        SCOPED_TRACE(target);
        set_name(out_file_name, target);
        Save r = save(in_child);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.modified, 1);
        EXPECT_EQ(r.output, "Warning: Could not save to >" + target + "<\n");
        EXPECT_EQ(read_file(dir.file("trace.txt")), previous);
        EXPECT_EQ(read_file(locked + "/trace.txt"), previous);
        EXPECT_EQ(entries(dir.path), (Names{"adir", "locked", "trace.txt"}));
        EXPECT_EQ(entries(locked), Names{"trace.txt"});
    }
}

} // namespace
