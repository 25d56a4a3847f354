// Saving the trace data: failed saves that say why and leave the previous file (or tell the history that they
// did not), the file's owner, mode, links, ACL and attributes kept, FIFOs, full disks, killed savers, the
// directory synced; and vemora-check with its standard descriptors closed or its output unwritable.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <regex>
#include <set>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "support.h"
#include "track/model.h"
#include "track/trace_data.h"

static long files_in(const std::string& dir) { return std::distance(std::filesystem::directory_iterator(dir), {}); }
// Saves to `name` with `dir` as the working directory.
static std::string save_there(const std::string& dir, const std::string& name)
{
    char cwd[4096];
    EXPECT_TRUE(getcwd(cwd, sizeof cwd) && chdir(dir.c_str()) == 0);
    const std::string said = save(name);
    EXPECT_EQ(chdir(cwd), 0);
    return said;
}
static std::string contents(const std::string& path) // also of a file that its owner may not read
{
    struct stat st{};
    stat(path.c_str(), &st), chmod(path.c_str(), st.st_mode | 0400);
    const std::string text = read_file(path);
    chmod(path.c_str(), st.st_mode & 07777);
    return text;
}
static std::string in(const std::string& dir) { return "cd '" + dir + "' && "; } // a shell command's start
// A track for vemora-check in `dir`: t.txt of the model filled with `sections` (its text returned), and OUTFILE.
static std::string track_for_check(const std::string& dir, int sections, const std::string& out_file)
{
    write_file(dir + "/vemora.cfg", "INFILE t.txt\nOUTFILE " + out_file + "\n");
    fill_model(sections, 2), write_file(dir + "/t.txt", formatted());
    return formatted();
}
static std::string run(const std::string& command) // its standard output
{
    std::string out(1 << 12, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    out.resize(pipe ? std::fread(&out[0], 1, out.size(), pipe) : 0);
    return pipe && pclose(pipe) == 0 ? out : "failed: " + command;
}
static const bool root = geteuid() == 0;
static pid_t fork_child() // which never outlives the test
{
    const pid_t child = fork();
    if (child == 0) prctl(PR_SET_PDEATHSIG, SIGKILL);
    return child;
}
static void become(uid_t user) { ASSERT_TRUE(setresgid(user, user, 0) == 0 && setresuid(user, user, 0) == 0); }
static void back_to_root() { ASSERT_TRUE(setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0); }

// Runs `setup` in a scratch directory holding t, then saves the model (60 sections) there to `name`: as nobody,
// who then owns the directory and t, when run as root (`as_root` keeps root), with `limit` as the largest file
// size allowed. Returns what the save said, and whether t holds the previous contents, the new or neither, and
// whether it kept its owner, group, mode, links, ACL and attributes. No temporary file may be left behind.
static std::string save_in(const std::string& setup, const std::string& name, rlim_t limit, bool as_root = false)
{
    ScratchDir dir;
    const uid_t user = root && !as_root ? 65534 : geteuid();
    const std::string owner = std::to_string(user) + ":" + std::to_string(root ? user : getegid());
    EXPECT_EQ(std::system((in(dir.path) + "echo old > t && chmod 755 . && chmod 644 t && chown -R " + owner + " . && " +
                           (setup.empty() ? ":" : setup)).c_str()), 0);
    const std::string describe = in(dir.path) + "stat -c '%u:%g %a %h' t && getfacl -c t && getfattr -d t",
                      identity = run(describe), before = contents(dir.file("t"));
    const long files = files_in(dir.path);
    rlimit unlimited{};
    fill_model(60, 2), getrlimit(RLIMIT_FSIZE, &unlimited), signal(SIGXFSZ, SIG_IGN);
    if (user != geteuid()) become(user);
    rlimit limited{limit, unlimited.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    std::string said = save_there(dir.path, name);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    if (root && user != 0) back_to_root();
    const std::string after = contents(dir.file("t"));
    said += after == before ? "t old" : after == formatted() ? "t new" : "t cut";
    return said + (run(describe) == identity ? "" : ", other identity") +
           (files_in(dir.path) == files ? "" : ", files left");
}

// A failed save says why and leaves the previous file or, where it may have changed it, no state counts as saved.
// A save keeps what makes the file itself: its place behind a link, its other hard links, its owner, group, mode,
// ACL and extended attributes; and it works where only the file may be written, in place. In place nothing is cut
// short: what was overwritten is put back, a file too large to keep in memory is refused.
TEST(TraceDataFile, SavesKeepThePreviousFileOrItsIdentity)
{
    const rlim_t any = RLIM_INFINITY;
    // Set-up, file saved, largest file size, what the save says (t then holds the new contents, the old or neither).
    const std::tuple<std::string, std::string, rlim_t, std::string> cases[] = {
        {"", "", any, "kept; Warning: Could not save: no OUTFILE is configured\n"},
        {"mkdir adir", "adir", any, "kept; Warning: Could not save to >adir<: Is a directory\n"},
        {"", "/dev/full", any, "kept; Warning: Could not save to >/dev/full<: No space left on device\n"},
        {"chmod 444 t", "t", any, "kept; Warning: Could not save to >t<: Permission denied\n"},
        {"chmod 555 .", "new", any, "kept; Warning: Could not save to >new<: Permission denied\n"},
        {"chmod 555 .", "t", any, "saved; "}, {"ln t other", "other", any, "saved; "},
        {"ln -s t link", "link", any, "saved; "},
        {"setfacl -m u:nobody:rw t && setfattr -n user.origin -v demo t", "t", any, "saved; "},
        {"printf %40000s > t && ln t other", "other", 20000, // written part-way, put back
         "kept; Warning: Could not save to >other<: File too large\n"},
        {"printf %40000s > t && chmod 200 t && ln t other", "other", 20000, // not readable: nothing to put back
         "changed; Warning: Could not save to >other<: File too large\n"},
        {"printf %10000s > t && chmod 200 t && ln t other", "other", 20000, // no room reserved: nothing written
         "kept; Warning: Could not save to >other<: File too large\n"},
        {"truncate -s 33M t && ln t other", "other", any,
         "kept; Warning: Could not save to >other<: the file is larger than 32 MiB, too large to be saved in place\n"}};
    for (const auto& [setup, name, limit, said] : cases) {
        const char* holds = said[0] == 's' ? "t new" : said[0] == 'k' ? "t old" : "t cut";
        EXPECT_EQ(save_in(setup, name, limit), said + holds) << setup;
    }
}

// Another user's file, as root through the temporary file, as nobody in place.
TEST(TraceDataFile, SavesAnotherUsersFile)
{
    if (!root)
        GTEST_SKIP() << "needs root, to own files for another user";
    EXPECT_EQ(save_in("chmod 640 t", "t", RLIM_INFINITY, true), "saved; t new");
    EXPECT_EQ(save_in("chown 0:0 t && chmod 666 t", "t", RLIM_INFINITY), "saved; t new");
}

// Where no second copy fits beside the file, new contents that fit in its place are written there; larger ones
// fail and leave the previous file, also where it must be written in place (another hard link).
TEST(TraceDataFile, FullFileSystem)
{
    ScratchDir dir;
    const std::string mount_point = dir.file("small"), target = mount_point + "/trace.txt", previous(62000, 'p');
    if (std::system((in(dir.path) + "mkdir small && mount -t tmpfs -o size=64k tmpfs small 2>/dev/null").c_str()))
        GTEST_SKIP() << "cannot mount a small file system here";
    for (int links : {1, 2})
        for (int sections : {300, 3}) { // a file larger than the device, then one that fits
            fill_model(sections, 2), write_file(target, previous); // which fills the device
            if (links == 2) std::filesystem::create_hard_link(target, mount_point + "/link");
            const bool fits = sections == 3;
            const std::string full = "kept; Warning: Could not save to >" + target + "<: No space left on device\n";
            EXPECT_EQ(save(target), fits ? "saved; " : full);
            EXPECT_TRUE(read_file(target) == (fits ? formatted() : previous)) << links;
            EXPECT_EQ(files_in(mount_point), links);
            std::filesystem::remove(mount_point + "/link");
        }
    EXPECT_EQ(std::system(("umount '" + mount_point + "'").c_str()), 0);
}

// A FIFO is written while its reader reads; one that no process reads, or whose reader leaves, fails the save
// at once, and the program goes on.
TEST(TraceDataFile, SavesToAFifoNeverWait)
{
    fill_model(300, 2); // more than a pipe holds
    const std::pair<int, std::string> cases[] = { // bytes the reader takes (-1: no reader, 0: all), what the save says
        {-1, "kept; Warning: Could not save to >fifo<: no process is reading the FIFO\n"},
        {0, "saved; "}, {1, "changed; Warning: Could not save to >fifo<: Broken pipe\n"}};
    struct Alarm { // a save that waits for ever ends the test
        Alarm() { alarm(60); }
        ~Alarm() { alarm(0); }
    } alarm_clock;
    for (const auto& [takes, said] : cases) {
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
        const int fd = takes < 0 ? -1 : open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
        const pid_t reader = takes < 0 ? -1 : fork_child();
        if (reader == 0) { // waits for the data, then takes it
            pollfd in{fd, POLLIN, 0};
            std::string got;
            char buffer[1 << 16];
            if (poll(&in, 1, -1) != 1 || fcntl(fd, F_SETFL, 0) != 0)
                _exit(2);
            for (ssize_t n; (!takes || got.empty()) && (n = read(fd, buffer, takes ? 1 : sizeof buffer)) > 0;)
                got.append(buffer, n);
            _exit(takes ? got.size() != 1 : got != formatted());
        }
        close(fd);
        EXPECT_EQ(save_there(dir.path, "fifo"), said);
        int status = 0;
        EXPECT_TRUE(reader < 0 || (waitpid(reader, &status, 0) == reader && status == 0)) << takes;
    }
}

// A save killed at any moment of its cycle leaves the previous file or the new one, whole. A signal that can be
// handled also leaves no temporary file, and ends the saver as it would have; one killed outright leaves at most
// temporary files hidden and named after the file.
TEST(TraceDataFile, KilledSaverLeavesAWholeFile)
{
    ScratchDir dir;
    fill_model(MAX_SECTIONS - 1, MAX_TRACES);
    auto version = [](int v) { return trace_point[0][0].height = v, formatted(); };
    const std::set<std::string> whole = {version(1), version(0)};
    ASSERT_EQ(save(dir.file("t")), "saved; "); // version 0
    for (int round = 0; round < 12; round++) {
        const int signal = std::vector<int>{SIGKILL, SIGTERM, SIGINT, SIGHUP}[round % 4];
        const pid_t child = fork_child();
        if (child == 0) // with the signals' own actions, even where the test runs with some ignored
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
        for (int i = 1; child == 0; i++) // saves in turn until ended
            trace_point[0][0].height = i % 2, write_trace_data();
        usleep(5000 + 2000 * round);
        int status = 0;
        ASSERT_TRUE(child > 0 && kill(child, signal) == 0 && waitpid(child, &status, 0) == child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << round;
        EXPECT_EQ(whole.count(read_file(dir.file("t"))), 1u) << "round " << round;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path))
            if (entry.path().filename() != "t") {
                const std::string name = entry.path().filename();
                const bool hidden = std::regex_match(name, std::regex("\\.t\\.vemora-\\w{6}"));
                EXPECT_TRUE(signal == SIGKILL && hidden) << entry.path() << " left by signal " << signal;
                std::filesystem::remove(entry.path());
            }
    }
}

// After the rename the directory is synced, so that a power cut cannot bring the previous file back.
TEST(TraceDataFile, DirectorySyncedAfterRename)
{
    if (std::system("strace -o /dev/null true 2>/dev/null") != 0)
        GTEST_SKIP() << "strace is missing or may not trace here";
    ScratchDir dir;
    track_for_check(dir.path, 3, "t.txt");
    ASSERT_EQ(std::system((in(dir.path) + "strace -f -o log -e trace=openat,rename,renameat,renameat2,fsync "
                           VEMORA_BUILD_DIR "/vemora-check --fix >/dev/null").c_str()), 0);
    const std::string log = read_file(dir.file("log"));
    std::smatch opened, renamed; // the directory, then the temporary file over t.txt
    const std::regex directory(dir.path + "\", O_RDONLY[A-Z_|]*O_DIRECTORY.*= (\\d+)");
    ASSERT_TRUE(std::regex_search(log, opened, directory)) << log;
    ASSERT_TRUE(std::regex_search(log, renamed, std::regex("rename.*/\\.t\\.txt\\.vemora-\\w{6}\", .*/t\\.txt\".*= 0")))
        << log;
    const std::regex synced("fsync\\(" + opened[1].str() + "\\) += 0");
    EXPECT_TRUE(std::regex_search(log.substr(renamed.position(0)), synced)) << log;
}

// vemora-check started with standard descriptors closed saves exactly the trace data, also where INFILE is
// OUTFILE and the report fills the output buffer; output it cannot write fails the run, and says so.
TEST(CheckTool, StandardDescriptors)
{
    const std::tuple<std::string, int, bool> cases[] = { // redirections, exit status, a write error reported
        {"<&- >&-", 0, false}, {">&- 2>&-", 0, false}, {">/dev/full 2>err", 1, true}};
    for (const auto& [redirections, status, reported] : cases) {
        ScratchDir dir;
        const std::string faulty = track_for_check(dir.path, 400, "t.txt"); // a gap at each join: 12 kB of report
        const int got = std::system((in(dir.path) + VEMORA_BUILD_DIR "/vemora-check --fix " + redirections).c_str());
        const std::string err = read_file(dir.file("err")), saved = read_file(dir.file("t.txt"));
        EXPECT_EQ(WEXITSTATUS(got), status) << redirections;
        EXPECT_EQ(err.find("vemora-check: write error") != std::string::npos, reported) << redirections;
        char why[160]; // exactly the trace data, as read back
        const bool read_back = load_trace_data(dir.file("t.txt").c_str(), why, sizeof why) == 0;
        EXPECT_TRUE(read_back && saved == formatted() && saved != faulty) << redirections;
    }
}

// Its output goes out line by line: a run killed while it saves (to a FIFO whose reader takes nothing) has
// printed its report and (on standard error, here the same file) the saving line.
TEST(CheckTool, KilledRunKeepsItsOutput)
{
    ScratchDir dir;
    track_for_check(dir.path, 300, "fifo");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const int reader = open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const pid_t child = fork_child();
    if (child == 0) {
        if (chdir(dir.path.c_str()) == 0 && freopen("out", "w", stdout) && dup2(STDOUT_FILENO, STDERR_FILENO) == 2)
            execl(VEMORA_BUILD_DIR "/vemora-check", "vemora-check", "--fix", nullptr);
        _exit(127);
    }
    const std::string saving = "sections had gradient breaks.\nSaving trace data to >fifo<\n";
    int status = 0;
    auto printed = [&] { return read_file(dir.file("out")).find(saving) != std::string::npos; };
    for (int i = 0; i < 2000 && waitpid(child, &status, WNOHANG) == 0 && !printed(); i++)
        usleep(10000);
    EXPECT_TRUE(kill(child, SIGKILL) == 0 && waitpid(child, &status, 0) == child) << "the run ended before the kill";
    EXPECT_TRUE(printed()) << read_file(dir.file("out"));
    close(reader);
}
