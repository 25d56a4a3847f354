// The configuration file: keyword lines, separators, line pieces and the fatal start.
#include <gtest/gtest.h>

#include <tuple>
#include <unistd.h>

#include "support.h"
#include "track/config.h"
#include "track/model.h"
#include "track/startup.h"

namespace {

using Settings = std::tuple<std::string, std::string, std::string, int, int, int>;

// The settings after reading `text` as vemora.cfg: input, output and track file, screen size, centre line.
Settings configured(const std::string& text)
{
    fresh_model(1, 1);
    EXPECT_EQ(read_text(read_configuration, nullptr, text, "vemora.cfg"), "Reading config file\n");
    return {in_file_name, out_file_name, trk_file_name, screen_width, screen_height, centre_trace};
}

TEST(Configuration, Lines)
{
    const std::string whole(230, 'a'), cut(231, 'o');
    const std::pair<std::string, Settings> cases[] = {
        // A tab is no separator, keywords are upper case and a keyword needs its value.
        {"INFILE\tx\ninfile x\nOUTFILE=x\nGRAPHRES 800\n\n  \nTRKFILE", {"", "", "", 640, 480, 0}},
        // A keyword without its value changes nothing, words after the value are ignored and the
        // last line needs no line break.
        {"INFILE a\nGRAPHRES 800 600 1024\nCENTRELINE -1\nINFILE\nCENTRELINE \nGRAPHRES 320\nOUTFILE b c",
         {"a", "b", "", 800, 600, -1}},
        {"INFILE a\r\nGRAPHRES 1024 768\r\nOUTFILE b\r", {"a", "b", "", 1024, 768, 0}},
        // 239 characters with the line break are one line; longer lines are read in pieces of 239.
        {"TRKFILE " + whole + "\nOUTFILE " + cut + "INFILE x\n" + std::string(239, 'z') + "GRAPHRES 320 200\n",
         {"x", cut, whole, 320, 200, 0}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(configured(text), expected) << text;
}

TEST(Configuration, MissingFileEndsTheProgram)
{
    ScratchDir dir;
    auto start = [&] { // in the death test's child, with what it prints where the test sees it
        if (chdir(dir.path.c_str()) == 0 && dup2(2, 1) == 1)
            load_track();
    };
    EXPECT_EXIT(start(), testing::ExitedWithCode(1), "^Vemora v. 0.99\nFatal error: Did not find >vemora.cfg<\n$");
}

} // namespace
