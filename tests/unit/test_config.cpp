// The configuration file: keyword lines, separators, line pieces and the fatal start.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "interaction/flags.h"
#include "support.h"
#include "track/config.h"
#include "track/model.h"

namespace {

// Applies `text` as the contents of a configuration file, over the start-up defaults.
void configure(const std::string& text)
{
    reset_track_model();
    data_modified = 0;
    set_default_file_names();
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs(text.c_str(), file);
    std::rewind(file);
    apply_configuration(file);
    std::fclose(file);
}

TEST(Configuration, LinesWithoutEffect)
{
    configure("INFILE\ttrace.txt\ninfile trace.txt\nOUTFILE=out.txt\n\n   \n"
              "GRAPHRES 800\nTRACEPOSFILE\nCENTRELINE   \nTRKFILE");
    EXPECT_STREQ(in_file_name, "");
    EXPECT_STREQ(out_file_name, "");
    EXPECT_STREQ(trk_file_name, "");
    EXPECT_STREQ(tracepos_file_name, "tracepos.txt");
    EXPECT_EQ(centre_trace, 0);
    EXPECT_EQ(screen_width, 640);
    EXPECT_EQ(screen_height, 480);
}

TEST(Configuration, ValuesLastOccurrenceAndCrLf)
{
    configure("INFILE first.txt\n  GRAPHRES 800 600 1024\nCENTRELINE -1\nALTREFOFFSET 2.5m\n"
              "SHOWANGLES 0\nINFILE\nINFILE second.txt trailing words\nOUTFILE last.txt");
    EXPECT_STREQ(in_file_name, "second.txt");
    EXPECT_STREQ(out_file_name, "last.txt"); // last line without a line break
    EXPECT_EQ(screen_width, 800);
    EXPECT_EQ(screen_height, 600);
    EXPECT_EQ(centre_trace, -1);
    EXPECT_FLOAT_EQ(altref_offset, 2.5f);
    EXPECT_EQ(show_angles, 0);

    configure("INFILE in.txt\r\nGRAPHRES 1024 768\r\nOUTFILE out.txt\r");
    EXPECT_STREQ(in_file_name, "in.txt");
    EXPECT_STREQ(out_file_name, "out.txt");
    EXPECT_EQ(screen_height, 768);
}

TEST(Configuration, LongLinesAreReadInPiecesOf239)
{
    const std::string whole(230, 'a'), cut(231, 'o');
    configure("TRKFILE " + whole + "\n" +             // 239 with the line break: one line
              "OUTFILE " + cut + "INFILE x\n" +       // the piece ends after 239 characters
              std::string(239, 'z') + "GRAPHRES 320 200\n");
    EXPECT_EQ(trk_file_name, whole);
    EXPECT_EQ(out_file_name, cut);
    EXPECT_STREQ(in_file_name, "x");
    EXPECT_EQ(screen_width, 320);
}

TEST(Configuration, MissingFilesEndTheProgram)
{
    ScratchDir dir;
    std::string output;
    EXPECT_EQ(run_vemora(dir.path, &output), 1);
    EXPECT_EQ(output, "Vemora v. 0.99\nFatal error: Did not find >vemora.cfg<\n");

    write_file(dir.file("vemora.cfg"), "OUTFILE out.txt\n");
    EXPECT_EQ(run_vemora(dir.path, &output), 1);
    EXPECT_EQ(output, "Vemora v. 0.99\nReading config file\nFatal error: Did not find ><\n");
}

} // namespace
