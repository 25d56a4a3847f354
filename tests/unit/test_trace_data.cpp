// The trace data file: what is read, the exact layout written, files and start-ups that are refused,
// and saves that fail, are killed or meet odd targets without harming the data on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <grp.h>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

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
std::string times(int n, const std::string& text) { return n ? text + times(n - 1, text) : ""; }

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
const std::string saved = "result 0, unsaved 0; ";
std::string failed(const std::string& target) { return "result 1, unsaved 1; Warning: Could not save to >" + target + "<\n"; }

TEST(TraceDataFile, ExactLayoutAndRoundTrip)
{
    ScratchDir dir;
    const std::string path = dir.file("trace.txt");
    fresh_model(1, 1);
    section_length[0] = 500;
    trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    ASSERT_EQ(save(path), saved);
    EXPECT_EQ(read_file(path), " 1 1" + times(80, " 0") + "\n 0 500 10 -2 3 4 0.000000" +
                                   times(MAX_TRACES - 1, " 0 0 0 0 0.000000") + "\n");
    for (TracePoint& p : trace_point[0]) // the longest numbers fit the room the formatter asks for
        p = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
    std::string text(2 * trace_data_capacity(), '\0');
    EXPECT_LE(format_trace_data(&text[0], text.size()), (int)trace_data_capacity());
    fill_model(300, 2); // several times the reader's buffer
    ASSERT_EQ(save(path) + save(path) + save("/dev/null"), saved + saved + saved); // a device cannot be synced
    const std::string written = read_file(path);
    EXPECT_TRUE(written == formatted());
    fresh_model(0, 0);
    char why[160] = "";
    ASSERT_EQ(load_trace_data(path.c_str(), why, sizeof why), 0) << why;
    EXPECT_TRUE(formatted() == written); // every stored value came back
}

TEST(TraceDataFile, SeparatorsAndDiscardedValuesOfAnySize)
{
    fill_model(3, 2);
    const std::string canonical = formatted();
    auto joined = [&](const char* separator) {
        return std::regex_replace(canonical, std::regex(" (\\S+)\n?"), std::string("$1") + separator);
    };
    // Header values, section numbers and per-trace floats come back as 0, s and 0.0.
    std::string discarded = std::regex_replace(canonical, std::regex(" 0\\.000000"), " -1.5e300");
    discarded = " 3 2" + times(80, " 4294967295") + std::regex_replace(discarded.substr(discarded.find('\n')),
                                                                        std::regex("\n \\d+ "), "\n -99999999999999999999 ");
    for (const std::string& text : {joined(","), joined(", "), joined(",\r\n"), joined("\r\n"), joined("\t"), discarded, joined(" ,")}) {
        fresh_model(0, 0);
        char why[160] = "";
        FILE* file = fmemopen((void*)text.data(), text.size(), "r");
        const int result = parse_trace_data(file, why, sizeof why);
        std::fclose(file);
        // A comma after white space ends the numbers.
        EXPECT_EQ(std::make_pair(result, result ? canonical : formatted()), std::make_pair((int)(text[1] == ' '), canonical)) << why;
    }
}

// An unusable trace data file ends start-up; geometry and reference files that are devices or pipes do
// not. Either way in bounded memory and time, and with every line printed before on standard output.
TEST(TraceDataFile, StartUpWithUnusableOrEndlessFiles)
{
    fill_model(3, 2);
    const std::string valid = formatted(), zeros = times(80, " 0"), refused = "Fatal error: Trace data file >t.txt< is not usable: ";
    auto not_regular = [](const std::string& name) {
        return "Reading trace-position and radius data from >" + name + "<\nWarning: >" + name + "< is not a regular file; the geometry keeps its defaults\n";
    };
    const std::tuple<std::string, std::string, std::string> cases[] = { // t.txt (a path: linked to), settings, what is printed
        {" 4096 1" + zeros, "", refused + "section count 4096 is not between 1 and 4095\n"},
        {" 1 17" + zeros, "", refused + "trace count 17 is not between 1 and 16\n"},
        {" 1 1 " + std::string(65, '1'), "", refused + "reading stopped at header value 1\n"}, // longer than any number
        {" 1 1" + zeros + " 0 2147483648", "", refused + "reading stopped in section 0\n"},   // a stored value beyond 32 bits
        {valid.substr(0, valid.size() - 20), "", refused + "reading stopped in section 2\n"},
        {"/dev/zero", "", refused + "no section count\n"}, {"/", "", refused + "the file could not be read\n"},
        {valid, "TRKFILE pipe\n", not_regular("pipe")}, {valid, "TRKFILE /dev/zero\n", not_regular("/dev/zero")},
        {valid, "TRACEPOSFILE /dev/zero\nRADIUSFILE /dev/zero\nALTREFFILE /dev/zero\n", "Did not find ><\nReading trace positions "
         "from >/dev/zero<\nReading radius data from >/dev/zero<\nReading altitude reference data from >/dev/zero<\n"},
    };
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
#ifdef __SANITIZE_ADDRESS__
    const std::string limit = ""; // the sanitizer reserves far more address space than that
#else
    const std::string limit = "ulimit -v 400000 && ";
#endif
    for (const auto& [text, settings, printed] : cases) {
        std::filesystem::remove(dir.file("t.txt"));
        text[0] == '/' ? std::filesystem::create_symlink(text, dir.file("t.txt")) : write_file(dir.file("t.txt"), text);
        write_file(dir.file("vemora.cfg"), "INFILE t.txt\n" + settings);
        std::string output;
        FILE* run = popen(("cd '" + dir.path + "' && " + limit + "env -u DISPLAY timeout 20 " VEMORA_BINARY " 2>&1; echo $?").c_str(), "r");
        for (int c; (c = std::fgetc(run)) != EOF;)
            output += (char)c;
        pclose(run);
        const std::string start = "Vemora v. 0.99\nReading config file\nReading trace data from >t.txt<\n";
        EXPECT_EQ(output.substr(0, output.find("Fatal error: Could not start the graphics library")), start + printed + (settings.empty() ? "1\n" : ""));
        EXPECT_EQ(output.substr(output.size() - 2), "1\n") << output;
    }
}

// Failed saves keep the previous file and the unsaved flag; a save keeps what makes the file itself: its place
// behind a link, its other hard links, its owner, group and mode; and it works where only the file may be written.
TEST(TraceDataFile, SavesKeepThePreviousFileOrItsIdentity)
{
    void (*drop_root)() = [] { // root ignores permission bits
        if (setgroups(0, nullptr) || setgid(65534) || setuid(65534))
            _exit(9);
    };
    void (*fail_part_way)() = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const std::tuple<std::string, std::string, void (*)(), std::string> cases[] = { // set-up, file saved, as, t afterwards
        {"", "", nullptr, ""}, {"mkdir adir", "adir", nullptr, ""}, {"", "/dev/full", nullptr, ""},
        {"chmod 555 .", "t", drop_root, ""}, {"chmod 555 .", "new", drop_root, ""}, {"", "t", fail_part_way, ""},
        {"chmod 666 t && chmod 555 .", "t", drop_root, "0:0 666, 1 link"}, {"ln t other", "other", nullptr, "0:0 644, 2 links"},
        {"chown nobody:nogroup t && chmod 640 t", "t", nullptr, "65534:65534 640, 1 link"}, {"ln -s t link", "link", nullptr, "0:0 644, 1 link"},
    };
    fill_model(3, 2);
    for (const auto& [setup, name, as, identity] : cases) {
        ScratchDir dir;
        ASSERT_EQ(std::system(("cd '" + dir.path + "' && chmod 755 . && echo old > t && chmod 644 t && " + (setup.empty() ? ":" : setup)).c_str()), 0);
        const long files = files_in(dir.path);
        const std::string target = name.empty() || name[0] == '/' ? name : dir.file(name);
        EXPECT_EQ(save(target, as), identity.empty() ? failed(target) : saved) << setup;
        struct stat st;
        ASSERT_EQ(stat(dir.file("t").c_str(), &st), 0);
        char seen[80];
        std::snprintf(seen, sizeof seen, "%d:%d %o, %d link%s", (int)st.st_uid, (int)st.st_gid, (unsigned)(st.st_mode & 07777),
                      (int)st.st_nlink, st.st_nlink == 1 ? "" : "s");
        EXPECT_EQ(seen + read_file(dir.file("t")), identity.empty() ? "0:0 644, 1 linkold\n" : identity + formatted()) << setup;
        EXPECT_EQ(files_in(dir.path), files) << setup; // no temporary file left
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

// Where no second copy fits beside the file, new contents that fit in its place are written there,
// as a plain overwrite would; larger ones fail and leave the previous file.
TEST(TraceDataFile, FullFileSystem)
{
    ScratchDir dir;
    const std::string mount_point = dir.file("small"), target = mount_point + "/trace.txt";
    if (std::system(("mkdir '" + mount_point + "' && mount -t tmpfs -o size=64k tmpfs '" + mount_point + "' 2>/dev/null").c_str()))
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::string previous(62000, 'p'); // fills the device
    for (int sections : {300, 3}) { // a file larger than the device, then one that fits
        write_file(target, previous);
        fill_model(sections, 2);
        EXPECT_EQ(save(target), sections == 3 ? saved : failed(target));
        EXPECT_TRUE(read_file(target) == (sections == 3 ? formatted() : previous)) << sections;
        EXPECT_EQ(files_in(mount_point), 1);
    }
    EXPECT_EQ(std::system(("umount '" + mount_point + "'").c_str()), 0);
}

} // namespace
