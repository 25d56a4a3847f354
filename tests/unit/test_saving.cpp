// Saving the trace data: failed saves that say why and leave the previous file (or tell the history that they
// did not), the file's owner, mode, links, ACL and attributes kept, FIFOs, full disks, killed savers and the
// directory synced. vemora-check's standard descriptors are tested in tests/e2e/check_tool.sh.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "support.h"
#include "track/descriptors.h"
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
    struct stat was{}, is{};
    stat(dir.file("t").c_str(), &was);
    rlimit unlimited{};
    fill_model(60, 2), getrlimit(RLIMIT_FSIZE, &unlimited), signal(SIGXFSZ, SIG_IGN);
    EXPECT_TRUE(user == geteuid() || (setresgid(user, user, 0) == 0 && setresuid(user, user, 0) == 0));
    rlimit limited{limit, unlimited.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    std::string said = save_there(dir.path, name);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_TRUE(user == 0 || !root || (setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0));
    const std::string after = contents(dir.file("t"));
    said += after == before ? "t old" : after == formatted() ? "t new" : "t cut";
    said += stat(dir.file("t").c_str(), &is) == 0 && is.st_ino != was.st_ino ? ", replaced" : "";
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
    const std::string warn = "Warning: Could not save to >", too_large = "other<: File too large\n";
    // Set-up, file saved, largest file size, what the save says; what t then holds (the new contents, in a file
    // that replaced it or in place; the old ones; neither) follows for a failed save.
    const std::tuple<std::string, std::string, rlim_t, std::string> cases[] = {
        {"", "", any, "kept; Warning: Could not save: no OUTFILE is configured\n"},
        {"mkdir adir", "adir", any, "kept; " + warn + "adir<: Is a directory\n"},
        {"", "/dev/full", any, "kept; " + warn + "/dev/full<: No space left on device\n"},
        {"chmod 444 t", "t", any, "kept; " + warn + "t<: Permission denied\n"},
        {"chmod 555 .", "new", any, "kept; " + warn + "new<: Permission denied\n"},
        {"chmod 555 .", "t", any, "saved; t new"}, // in place
        {"ln t other", "other", any, "saved; t new"},
        {"ln -s t link", "link", any, "saved; t new, replaced"}, // through the temporary file
        {"setfacl -m u:nobody:rw t && setfattr -n user.origin -v d t", "t", any, "saved; t new, replaced"},
        {"setfacl -d -m u:nobody:r .", "t", any, "saved; t new, replaced"}, // the new file's inherited ACL dropped
        // In place over the size limit: written part-way and put back; not readable, so not put back; no room.
        {"printf %40000s > t && ln t other", "other", 20000, "kept; " + warn + too_large},
        {"printf %40000s > t && chmod 200 t && ln t other", "other", 20000, "changed; " + warn + too_large},
        {"printf %10000s > t && chmod 200 t && ln t other", "other", 20000, "kept; " + warn + too_large},
        {"truncate -s 32M t && ln t other", "other", any, "saved; t new"}, // in place up to 32 MiB
        {"truncate -s 33M t && ln t other", "other", any,
         "kept; " + warn + "other<: the file is larger than 32 MiB, too large to be saved in place\n"}};
    for (const auto& [setup, name, limit, said] : cases) {
        const char* holds = said[0] == 's' ? "" : said[0] == 'k' ? "t old" : "t cut";
        EXPECT_EQ(save_in(setup, name, limit), said + holds) << setup;
    }
}

// Another user's file, as root through the temporary file, as nobody in place.
TEST(TraceDataFile, SavesAnotherUsersFile)
{
    if (!root)
        GTEST_SKIP() << "needs root, to own files for another user";
    EXPECT_EQ(save_in("chmod 640 t", "t", RLIM_INFINITY, true), "saved; t new, replaced");
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
            const std::string full = "kept; Warning: Could not save to >" + target + "<: No space left on device\n";
            EXPECT_EQ(save(target), sections == 3 ? "saved; " : full);
            EXPECT_TRUE(read_file(target) == (sections == 3 ? formatted() : previous)) << links;
            EXPECT_EQ(files_in(mount_point), links);
            std::filesystem::remove(mount_point + "/link");
        }
    // A new file whose name leaves no room for the temporary one's is made in place; when that fails it is gone.
    const std::string longest(245, 'n'), here = std::filesystem::current_path();
    std::filesystem::current_path(mount_point), fill_model(300, 2);
    EXPECT_EQ(save(longest), "kept; Warning: Could not save to >" + longest + "<: No space left on device\n");
    EXPECT_FALSE(std::filesystem::exists(longest));
    std::filesystem::current_path(here);
    EXPECT_EQ(std::system(("umount '" + mount_point + "'").c_str()), 0);
}

// A FIFO is written while its reader reads; one that no process reads, or whose reader leaves, fails the save
// at once, and the program goes on.
TEST(TraceDataFile, SavesToAFifoNeverWait)
{
    fill_model(300, 2); // more than a pipe holds
    const std::pair<int, std::string> cases[] = { // what the reader takes (-1: no reader, 0: all, 1: some)
        {-1, "kept; Warning: Could not save to >fifo<: no process is reading the FIFO\n"},
        {0, "saved; "},
        {1, "changed; Warning: Could not save to >fifo<: Broken pipe\n"}};
    struct Alarm { Alarm() { alarm(60); } ~Alarm() { alarm(0); } } alarm_clock; // a save waiting for ever ends the run
    for (const auto& [takes, said] : cases) {
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
        const int fd = takes < 0 ? -1 : open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
        const pid_t reader = takes < 0 ? -1 : fork_child();
        if (reader == 0) // opens the FIFO again, which waits for the writer, and reads
            _exit(takes ? std::ifstream(dir.file("fifo")).get() == EOF : read_file(dir.file("fifo")) != formatted());
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
            if (const std::string name = entry.path().filename(); name != "t") { // a hidden one, named after t
                EXPECT_TRUE(signal == SIGKILL && std::regex_match(name, std::regex("\\.t\\.vemora-\\w{6}"))) << name;
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
    fill_model(3, 2), write_file(dir.file("t.txt"), formatted()); // with a gap at each join, for the fix to save
    write_file(dir.file("vemora.cfg"), "INFILE t.txt\nOUTFILE t.txt\n");
    ASSERT_EQ(std::system((in(dir.path) + "strace -f -o log -e trace=%file,fsync " VEMORA_BUILD_DIR
                           "/vemora-check --fix >/dev/null 2>&1").c_str()), 0);
    const std::string log = read_file(dir.file("log"));
    std::smatch opened, renamed; // the directory, then the temporary file over t.txt
    ASSERT_TRUE(std::regex_search(log, opened, std::regex(dir.path + "\", O_RDONLY.*O_DIRECTORY.*= (\\d+)"))) << log;
    const std::regex over_t("rename.*/\\.t\\.txt\\.vemora-\\w{6}\", .*/t\\.txt\".*= 0");
    ASSERT_TRUE(std::regex_search(log, renamed, over_t)) << log;
    const std::regex synced("fsync\\(" + opened[1].str() + "\\) += 0");
    EXPECT_TRUE(std::regex_search(log.substr(renamed.position(0)), synced)) << log;
}

// Standard descriptors that a launcher closed are opened on /dev/null (two at once too), so that no file the
// program opens takes their place and receives what is printed.
TEST(StartUp, ClosedStandardDescriptorsOpenOnDevNull)
{
    for (const std::vector<int>& closed : std::vector<std::vector<int>>{{0}, {1}, {2}, {0, 2}}) {
        std::vector<int> kept;
        for (int fd : closed) kept.push_back(fcntl(fd, F_DUPFD, 10)), close(fd);
        const bool opened = open_standard_descriptors();
        std::string targets;
        for (int fd : closed) {
            char target[64] = "";
            targets += readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, 63) > 0 ? target : "?";
            dup2(kept.front(), fd), close(kept.front()), kept.erase(kept.begin());
        }
        std::string all_null;
        for (size_t i = 0; i < closed.size(); i++) all_null += "/dev/null";
        EXPECT_TRUE(opened && targets == all_null) << closed.size() << " closed, first " << closed[0];
    }
}
