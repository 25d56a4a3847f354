#include "track/config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "track/model.h"
#include "track/words.h"

namespace {

constexpr int LINE_BUFFER = 240;
const char SEPARATORS[] = " \n";

void copy_name(char* target, const char* value)
{
    std::snprintf(target, FILE_NAME_SIZE, "%s", value);
}

struct NameKeyword {
    const char* keyword;
    char* target;
};

const NameKeyword name_keywords[] = {
    {"INFILE", in_file_name},
    {"OUTFILE", out_file_name},
    {"TRKFILE", trk_file_name},
    {"TRACEPOSFILE", tracepos_file_name},
    {"RADIUSFILE", radius_file_name},
    {"ALTREFFILE", altref_file_name},
    {"FONTFILE", font_file_name},
    {"SFONTFILE", small_font_file_name},
    {"MFONTFILE", medium_font_file_name},
    {"BFONTFILE", big_font_file_name},
};

// Returns the next token of the line being split, or null when there is none.
char* next_token(char** rest)
{
    char* token = strtok_r(nullptr, SEPARATORS, rest);
    return token;
}

} // namespace

void set_default_file_names()
{
    for (int t = 0; t < MAX_TRACES; t++)
        trace_offset[t] = (float)t;
    in_file_name[0] = out_file_name[0] = trk_file_name[0] = '\0';
    copy_name(tracepos_file_name, "tracepos.txt");
    copy_name(radius_file_name, "radius.txt");
    copy_name(altref_file_name, "altref.txt");
}

void apply_configuration_line(char* line)
{
    // A file written on Windows ends its lines with CR LF: the CR is no part of the last token.
    size_t len = std::strlen(line);
    if (len >= 2 && line[len - 2] == '\r' && line[len - 1] == '\n')
        line[len - 2] = '\0';
    else if (len >= 1 && line[len - 1] == '\r')
        line[len - 1] = '\0'; // last line of the file, without its line feed

    char* rest = nullptr;
    char* keyword = strtok_r(line, SEPARATORS, &rest);
    if (!keyword)
        return;
    for (const NameKeyword& k : name_keywords) {
        if (std::strcmp(keyword, k.keyword) == 0) {
            if (char* value = next_token(&rest))
                copy_name(k.target, value);
            return;
        }
    }
    if (std::strcmp(keyword, "ALTREFOFFSET") == 0) {
        if (char* value = next_token(&rest))
            altref_offset = (float)std::atof(value);
    } else if (std::strcmp(keyword, "CENTRELINE") == 0) {
        if (char* value = next_token(&rest))
            centre_trace = std::atoi(value);
    } else if (std::strcmp(keyword, "SHOWANGLES") == 0) {
        if (char* value = next_token(&rest))
            show_angles = (uint16_t)std::atoi(value);
    } else if (std::strcmp(keyword, "GRAPHRES") == 0) {
        char* width = next_token(&rest);
        char* height = width ? next_token(&rest) : nullptr;
        if (width && height) {
            screen_width = std::atoi(width);
            screen_height = std::atoi(height);
        }
    }
}

// Reads the next piece as fgets would: up to LINE_BUFFER - 1 characters, through a line
// feed; the text ends where the other text files' does, at a NUL byte too.
static bool read_piece(FILE* file, char* line)
{
    int n = 0, c = 0;
    while (n < LINE_BUFFER - 1 && c != '\n' && (c = next_text_char(file)) != EOF)
        line[n++] = (char)c;
    line[n] = '\0';
    return n > 0;
}

void apply_configuration(FILE* file)
{
    char line[LINE_BUFFER];
    while (read_piece(file, line))
        apply_configuration_line(line);
}

int read_configuration()
{
    FILE* file = std::fopen("vemora.cfg", "r");
    if (!file) {
        std::printf("Fatal error: Did not find >vemora.cfg<\n");
        std::fflush(stdout);
        std::exit(1);
    }
    std::printf("Reading config file\n");
    apply_configuration(file);
    std::fclose(file);
    return 0;
}
