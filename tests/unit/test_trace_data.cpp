// The trace data file: what is read, the exact layout written, files that are refused, and saves
// that fail or meet odd targets without harming the data on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>

#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"
#include "track/trace_data.h"

// Every trace slot, also those beyond the count, differs.
static void fill_model(int sections, int traces)
{
    fresh_model(sections, traces);
    for (int s = 0, t = 0; s < sections; t = (t + 1) % MAX_TRACES, s += !t)
        section_length[s] = 90000 + 5000 * s, trace_point[s][t] = {1000 * s - 77 * t, -3 * t - s, 11 * t + s, -(t * s) - 1};
    trace_point[1][15] = {INT32_MIN, INT32_MAX, -1, 0};
}
static std::string formatted() { std::string t(trace_data_capacity(), '\0'); return t.resize(format_trace_data(&t[0], t.size())), t; }

static long files_in(const std::string& dir) { return std::distance(std::filesystem::directory_iterator(dir), {}); }
static std::string times(int n, const std::string& text) { return n ? text + times(n - 1, text) : ""; }

// Saves to `target` with unsaved changes pending: tells the result, the unsaved flag afterwards and what was printed.
static std::string save(const std::string& target)
{
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
    data_modified = 1, testing::internal::CaptureStdout();
    const int result = write_trace_data();
    return "result " + std::to_string(result) + ", unsaved " + std::to_string(data_modified) + "; " + testing::internal::GetCapturedStdout();
}
const std::string saved = "result 0, unsaved 0; ";
static std::string failed(const std::string& target) { return "result 1, unsaved 1; Warning: Could not save to >" + target + "<\n"; }

TEST(TraceDataFile, ExactLayout)
{
    fresh_model(1, 1);
    section_length[0] = 500, trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    EXPECT_EQ(formatted(), " 1 1" + times(80, " 0") + "\n 0 500 10 -2 3 4 0.000000" + times(MAX_TRACES - 1, " 0 0 0 0 0.000000") + "\n");
    std::fill_n(&trace_point[0][0].height, 4 * MAX_TRACES, INT32_MIN); // the longest numbers fit the room asked for
    std::string text(2 * trace_data_capacity(), '\0');
    EXPECT_LE(format_trace_data(&text[0], text.size()), (int)trace_data_capacity());
    ScratchDir dir;
    fill_model(MAX_SECTIONS - 1, 2); // the largest model, saved as formatted
    ASSERT_EQ(save(dir.file("t")) + save("/dev/null"), saved + saved); // over the previous file; a device cannot be synced
    EXPECT_TRUE(read_file(dir.file("t")) == formatted());
}

// Every stored value comes back, also with other separators: a comma directly after a number separates,
// one after white space ends the numbers; values read and dropped may have any size. Files that cannot
// be used are refused with the reason, in bounded time also for a device or a directory.
TEST(TraceDataFile, ReadBackOrRefused)
{
    fill_model(300, 2); // several times the reader's buffer
    const std::string canonical = formatted(), zeros = times(80, " 0");
    auto joined = [&](const char* sep) { return std::regex_replace(canonical, std::regex(" (\\S+)\n?"), std::string("$1") + sep); };
    const std::string discarded = " 300 2" + times(80, " 4294967295") + std::regex_replace(std::regex_replace(canonical.substr(
        canonical.find('\n')), std::regex(" 0\\.000000"), " -1.5e300"), std::regex("\n \\d+ "), "\n +99999999999999999999 ");
    const std::pair<std::string, std::string> cases[] = { // the file (a path: opened), the reason for refusing it
        {canonical, ""}, {joined(","), ""}, {joined(", "), ""}, {joined(",\r\n"), ""}, {joined("\r\n"), ""}, {joined("\t"), ""},
        {discarded, ""}, {joined(" ,"), "no trace count"}, {" 4096 1" + zeros, "section count 4096 is not between 1 and 4095"},
        {" 1 17" + zeros, "trace count 17 is not between 1 and 16"}, {"/dev/zero", "no section count"},
        {" 1 1 " + std::string(65, '1'), "reading stopped at header value 1"}, {"/", "the file could not be read"}, // longer than any number
        {" 1 1" + zeros + " 0 2147483648", "reading stopped in section 0"}, // a stored value beyond 32 bits
        {canonical.substr(0, canonical.size() - 20), "reading stopped in section 299"}};
    for (const auto& [text, refused] : cases) {
        char why[160] = "";
        fresh_model(0, 0);
        FILE* file = text[0] == '/' ? std::fopen(text.c_str(), "r") : fmemopen((void*)text.data(), text.size(), "r");
        EXPECT_EQ(parse_trace_data(file, why, sizeof why) ? std::string(why) : formatted(), refused.empty() ? canonical : refused);
        std::fclose(file);
    }
}

// Failed saves keep the previous file and the unsaved flag; a save keeps what makes the file itself: its place
// behind a link, its other hard links, its owner, group and mode; and it works where only the file may be written.
TEST(TraceDataFile, SavesKeepThePreviousFileOrItsIdentity)
{
    enum { ROOT, NOBODY }; // root ignores permission bits
    const std::tuple<std::string, std::string, int, std::string> cases[] = { // set-up, file saved, as, t afterwards
        {"", "", ROOT, ""}, {"mkdir adir", "adir", ROOT, ""}, {"", "/dev/full", ROOT, ""}, {"chmod 555 .", "t", NOBODY, ""},
        {"chmod 555 .", "new", NOBODY, ""}, {"chmod 666 t && chmod 555 .", "t", NOBODY, "0:0 666 1"}, {"ln t other", "other", ROOT, "0:0 644 2"},
        {"chown nobody:nogroup t && chmod 640 t", "t", ROOT, "65534:65534 640 1"}, {"ln -s t link", "link", ROOT, "0:0 644 1"}};
    fill_model(3, 2);
    for (const auto& [setup, name, as, identity] : cases) {
        ScratchDir dir;
        ASSERT_EQ(std::system(("cd '" + dir.path + "' && chmod 755 . && echo old > t && chmod 644 t && " + (setup.empty() ? ":" : setup)).c_str()), 0);
        const long files = files_in(dir.path);
        const std::string target = name.empty() || name[0] == '/' ? name : dir.file(name);
        ASSERT_TRUE(as != NOBODY || (setresgid(65534, 65534, 0) == 0 && setresuid(65534, 65534, 0) == 0));
        const std::string result = save(target);
        ASSERT_TRUE(setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0);
        struct stat st{};
        char seen[80];
        stat(dir.file("t").c_str(), &st); // owner:group mode links
        std::snprintf(seen, sizeof seen, "%d:%d %o %d ", (int)st.st_uid, (int)st.st_gid, (unsigned)(st.st_mode & 07777), (int)st.st_nlink);
        EXPECT_EQ(result + seen + read_file(dir.file("t")),
                  identity.empty() ? failed(target) + "0:0 644 1 old\n" : saved + identity + " " + formatted()) << setup;
        EXPECT_EQ(files_in(dir.path), files) << setup; // no temporary file left
    }
}

// Where no second copy fits beside the file, new contents that fit in its place are written there,
// as a plain overwrite would; larger ones fail and leave the previous file.
TEST(TraceDataFile, FullFileSystem)
{
    ScratchDir dir;
    const std::string mount_point = dir.file("small"), target = mount_point + "/trace.txt", previous(62000, 'p');
    if (std::system(("mkdir '" + mount_point + "' && mount -t tmpfs -o size=64k tmpfs '" + mount_point + "' 2>/dev/null").c_str()))
        GTEST_SKIP() << "cannot mount a small file system here";
    for (int sections : {300, 3}) { // a file larger than the device, then one that fits
        write_file(target, previous); // fills the device
        fill_model(sections, 2);
        EXPECT_EQ(save(target), sections == 3 ? saved : failed(target));
        EXPECT_TRUE(read_file(target) == (sections == 3 ? formatted() : previous) && files_in(mount_point) == 1) << sections;
    }
    EXPECT_EQ(std::system(("umount '" + mount_point + "'").c_str()), 0);
}

// A save killed at any moment of its cycle leaves the previous file or the new one, whole.
TEST(TraceDataFile, KilledSaverLeavesAWholeFile)
{
    ScratchDir dir;
    fill_model(MAX_SECTIONS - 1, MAX_TRACES);
    auto version = [](int v) { return trace_point[0][0].height = v, formatted(); };
    const std::set<std::string> whole = {version(1), version(0)};
    write_file(dir.file("t"), version(0));
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", dir.file("t").c_str());
    for (int round = 0; round < 8; round++) {
        const pid_t child = fork();
        for (int i = 1; child == 0; i++) // saves the versions in turn until killed
            trace_point[0][0].height = i % 2, write_trace_data();
        usleep(5000 + 3000 * round);
        int status = 0;
        ASSERT_TRUE(child > 0 && kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status));
        EXPECT_EQ(whole.count(read_file(dir.file("t"))), 1u) << "round " << round;
    }
}

// In 400 MB of address space an endless trace data file ends start-up at once, an endless track
// file leaves the geometry's defaults; every line printed before stays in the captured output.
TEST(TraceDataFile, StartUpWithEndlessFiles)
{
    ScratchDir dir;
    fill_model(3, 2);
    write_file(dir.file("t.txt"), formatted());
    std::string limit = "ulimit -t 20";
#ifndef __SANITIZE_ADDRESS__ // which reserves far more address space than that
    limit += " && ulimit -v 400000";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"INFILE /dev/zero\n", "Reading trace data from >/dev/zero<\n"
                               "Fatal error: Trace data file >/dev/zero< is not usable: no section count\n"},
        {"INFILE t.txt\nTRKFILE /dev/zero\n", "Reading trace data from >t.txt<\nReading trace-position and radius data from "
                                              ">/dev/zero<\nWarning: >/dev/zero< is not a regular file; the geometry keeps its defaults\n"
                                              "Fatal error: Could not start the graphics library (no display?)\n"}};
    for (const auto& [settings, printed] : cases) {
        write_file(dir.file("vemora.cfg"), settings);
        std::string output; // the limits are set before run_vemora's `cd`
        EXPECT_EQ(run_vemora(dir.path + "' && " + limit + " && cd '" + dir.path, &output), 1);
        EXPECT_EQ(output, "Vemora v. 0.99\nReading config file\n" + printed);
    }
}
