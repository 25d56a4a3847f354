// Which fonts.dat the editor loads: the working directory's, else the installed one.
#include <gtest/gtest.h>

#include <string>

#include "display/graphics.h"

TEST(FontLookup, WorkingDirectoryWinsThenInstalledCopy)
{
    const std::string installed = installed_fonts_path;
    // Absolute, so that it is found from any working directory.
    const std::string tail = "/vemora/fonts.dat";
    EXPECT_TRUE(installed.front() == '/' && installed.size() > tail.size() &&
                installed.compare(installed.size() - tail.size(), tail.size(), tail) == 0)
        << installed;
    const struct {
        bool in_working_dir, installed;
        std::string path;
    } cases[] = {
        {true, true, "fonts.dat"},
        {true, false, "fonts.dat"},
        {false, true, installed},
        {false, false, "fonts.dat"}, // whose load then fails with the usual message
    };
    for (const auto& c : cases)
        EXPECT_EQ(choose_fonts_path(c.in_working_dir, c.installed), c.path)
            << c.in_working_dir << c.installed;
}
