// A save interrupted at any moment, even by SIGKILL, leaves the previous file whole.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

// Two versions of a large track that differ in every section's first height.
void make_large_track(int version)
{
    reset_track_model();
    num_sections = MAX_SECTIONS - 1;
    num_traces = MAX_TRACES;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 400000 + s;
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t] = {version * 1000 + s, -123456 * t, 7 * s - t, 98765};
    }
}

std::string formatted(int version)
{
    make_large_track(version);
    std::string text(trace_data_capacity(), '\0');
    text.resize((size_t)format_trace_data(&text[0], text.size()));
    return text;
}

} // namespace

TEST(SaveUnderKill, PreviousFileStaysWholeWhenTheSaverIsKilledMidway)
{
    ScratchDir dir;
    const std::string target = dir.file("trace.txt");
    const std::string versions[2] = {formatted(0), formatted(1)};
    write_file(target, versions[0]);

    for (int round = 0; round < 12; round++) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
            for (int i = 0;; i++) {
                make_large_track(i % 2);
                write_trace_data();
            }
        }
        // Kill at a different moment of the save cycle each round.
        usleep(20000 + 7919 * round);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::string text = read_file(target);
        EXPECT_TRUE(text == versions[0] || text == versions[1]) << "round " << round << ": " << text.size() << " bytes";
        reset_track_model();
        char why[160];
        EXPECT_EQ(load_trace_data(target.c_str(), why, sizeof why), 0) << why;
    }
}

TEST(SaveUnderKill, FullFileSystemKeepsThePreviousFile)
{
    ScratchDir dir;
    const std::string mount_point = dir.file("small");
    std::string mount = "mkdir -p '" + mount_point + "' && mount -t tmpfs -o size=64k tmpfs '" + mount_point +
                        "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string command;
        ~Unmount() { EXPECT_EQ(std::system(command.c_str()), 0); }
    } unmount{"umount '" + mount_point + "'"};
    const std::string target = mount_point + "/trace.txt";

    // A previous file that fills most of the device, so the new one cannot fit beside it.
    make_large_track(0);
    num_sections = 90;
    std::string previous(trace_data_capacity(), '\0');
    previous.resize((size_t)format_trace_data(&previous[0], previous.size()));
    ASSERT_GT(previous.size(), 40000u);
    write_file(target, previous);

    num_sections = 200;
    data_modified = 1;
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_trace_data(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: Could not save to >" + target + "<\n");
    EXPECT_EQ(data_modified, 1);
    EXPECT_EQ(read_file(target), previous);
}
