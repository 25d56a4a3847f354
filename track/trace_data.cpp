#include "track/trace_data.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "interaction/flags.h"
#include "track/history.h"
#include "track/model.h"

void (*saving_notice)(const char* file_name);
void (*saving_pause)();

namespace {

constexpr int HEADER_VALUES = 80;

// A cursor over the file's text that reads numbers the way the format allows:
// white space before a number, and at most one comma directly after it.
struct Reader {
    const char* p;
    bool failed;
};

void skip_space(Reader& r)
{
    while (*r.p == ' ' || *r.p == '\t' || *r.p == '\n' || *r.p == '\r' || *r.p == '\v' || *r.p == '\f')
        r.p++;
}

bool read_int(Reader& r, int32_t& out)
{
    skip_space(r);
    const char* start = r.p;
    if (*start != '-' && *start != '+' && (*start < '0' || *start > '9'))
        return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = (int32_t)v;
    r.p = end;
    if (*r.p == ',')
        r.p++;
    return true;
}

bool read_float(Reader& r)
{
    skip_space(r);
    const char* start = r.p;
    if (*start == '\0')
        return false;
    char* end = nullptr;
    std::strtod(start, &end);
    if (end == start)
        return false;
    r.p = end;
    if (*r.p == ',')
        r.p++;
    return true;
}

char* put_int(char* out, int32_t value)
{
    *out++ = ' ';
    char digits[12];
    int n = 0;
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        digits[n++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *out++ = '-';
    while (n)
        *out++ = digits[--n];
    return out;
}

char* put_text(char* out, const char* text)
{
    size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
}

mode_t current_umask()
{
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// The new file is written next to the target, so that the final rename stays on one
// file system and replaces the old contents in one step. Returns null on failure.
FILE* open_temporary(const char* target, std::string& tmp)
{
    tmp = std::string(target) + ".XXXXXX";
    int fd = mkstemp(&tmp[0]);
    if (fd < 0) {
        tmp.clear();
        return nullptr;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat old;
    mode_t mode = 0666 & ~current_umask();
    if (stat(target, &old) == 0 && S_ISREG(old.st_mode))
        mode = old.st_mode & 07777;
    fchmod(fd, mode);
    FILE* file = fdopen(fd, "w");
    if (!file) {
        close(fd);
        std::remove(tmp.c_str());
        tmp.clear();
    }
    return file;
}

// Reports a save that did not happen, removing the temporary file if one was made.
int save_failed(const char* name, const std::string& tmp = "")
{
    if (!tmp.empty())
        std::remove(tmp.c_str());
    std::printf("Warning: Could not save to >%s<\n", name);
    std::fflush(stdout);
    return 1;
}

} // namespace

int parse_trace_data(const char* text, char* why, size_t why_size)
{
    Reader r{text, false};
    int32_t sections = 0, traces = 0;
    if (!read_int(r, sections)) {
        std::snprintf(why, why_size, "no section count");
        return 1;
    }
    if (!read_int(r, traces)) {
        std::snprintf(why, why_size, "no trace count");
        return 1;
    }
    if (sections < 1 || sections > MAX_SECTIONS - 1) {
        std::snprintf(why, why_size, "section count %d is not between 1 and %d", sections, MAX_SECTIONS - 1);
        return 1;
    }
    if (traces < 1 || traces > MAX_TRACES) {
        std::snprintf(why, why_size, "trace count %d is not between 1 and %d", traces, MAX_TRACES);
        return 1;
    }
    for (int i = 0; i < HEADER_VALUES; i++) {
        int32_t ignored;
        if (!read_int(r, ignored)) {
            std::snprintf(why, why_size, "reading stopped at header value %d", i + 1);
            return 1;
        }
    }
    num_sections = sections;
    num_traces = traces;
    for (int s = 0; s < sections; s++) {
        int32_t number;
        bool ok = read_int(r, number) && read_int(r, section_length[s]);
        for (int t = 0; ok && t < MAX_TRACES; t++) {
            TracePoint& p = trace_point[s][t];
            ok = read_int(r, p.height) && read_int(r, p.cubic) && read_int(r, p.quad) &&
                 read_int(r, p.slope) && read_float(r);
        }
        if (!ok) {
            std::snprintf(why, why_size, "reading stopped in section %d", s);
            return 1;
        }
    }
    return 0;
}

int load_trace_data(const char* path, char* why, size_t why_size)
{
    FILE* file = std::fopen(path, "r");
    if (!file) {
        std::snprintf(why, why_size, "the file cannot be opened");
        return 1;
    }
    std::string text;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    bool read_error = std::ferror(file);
    std::fclose(file);
    if (read_error) {
        std::snprintf(why, why_size, "the file could not be read");
        return 1;
    }
    // The parser works on text that ends at the first NUL, so a NUL inside would hide the rest.
    if (text.find('\0') != std::string::npos) {
        std::snprintf(why, why_size, "the file holds a NUL byte");
        return 1;
    }
    return parse_trace_data(text.c_str(), why, why_size);
}

int read_trace_data()
{
    FILE* file = std::fopen(in_file_name, "r");
    if (!file) {
        std::printf("Fatal error: Did not find >%s<\n", in_file_name);
        std::fflush(stdout);
        std::exit(1);
    }
    std::fclose(file);
    std::printf("Reading trace data from >%s<\n", in_file_name);
    char why[160];
    if (load_trace_data(in_file_name, why, sizeof why) != 0) {
        std::printf("Fatal error: Trace data file >%s< is not usable: %s\n", in_file_name, why);
        std::fflush(stdout);
        std::exit(1);
    }
    history_clear();
    return 0;
}

size_t trace_data_capacity()
{
    // 82 numbers a line, each at most 12 characters with its space, and the line break.
    return (size_t)(num_sections + 1) * (82 * 12 + 2) + 1;
}

int format_trace_data(char* buffer, size_t size)
{
    if (size < trace_data_capacity())
        return -1;
    char* out = buffer;
    out = put_int(out, num_sections);
    out = put_int(out, num_traces);
    for (int i = 0; i < HEADER_VALUES; i++)
        out = put_text(out, " 0");
    *out++ = '\n';
    for (int s = 0; s < num_sections; s++) {
        out = put_int(out, s);
        out = put_int(out, section_length[s]);
        for (int t = 0; t < MAX_TRACES; t++) {
            const TracePoint& p = trace_point[s][t];
            out = put_int(out, p.height);
            out = put_int(out, p.cubic);
            out = put_int(out, p.quad);
            out = put_int(out, p.slope);
            out = put_text(out, " 0.000000");
        }
        *out++ = '\n';
    }
    return (int)(out - buffer);
}

// Writes the formatted model to an open file; false when any part of it failed.
bool write_all(FILE* file)
{
    std::string text(trace_data_capacity(), '\0');
    int length = format_trace_data(&text[0], text.size());
    bool ok = length >= 0 && std::fwrite(text.data(), 1, (size_t)length, file) == (size_t)length;
    return std::fflush(file) == 0 && ok;
}

int finish_save()
{
    data_modified = 0;
    history_mark_saved();
    if (saving_pause)
        saving_pause();
    return 0;
}

int write_trace_data()
{
    const char* name = out_file_name;
    if (name[0] == '\0')
        return save_failed(name);

    struct stat target;
    bool exists = stat(name, &target) == 0;
    if (exists && S_ISDIR(target.st_mode))
        return save_failed(name);
    if (exists && !S_ISREG(target.st_mode)) {
        // A device or pipe cannot be replaced by renaming: write to it directly.
        FILE* file = std::fopen(name, "w");
        if (!file)
            return save_failed(name);
        if (saving_notice)
            saving_notice(name);
        bool ok = write_all(file);
        if (std::fclose(file) != 0 || !ok)
            return save_failed(name);
        return finish_save();
    }
    // A target that may not be written keeps its protection: the rename would bypass it.
    if (exists && access(name, W_OK) != 0)
        return save_failed(name);
    // Through a symbolic link the file it points to is replaced, not the link.
    char resolved[PATH_MAX];
    const char* path = exists && realpath(name, resolved) ? resolved : name;

    std::string tmp;
    FILE* file = open_temporary(path, tmp);
    if (!file)
        return save_failed(name);
    if (saving_notice)
        saving_notice(name);
    bool ok = write_all(file) && fsync(fileno(file)) == 0;
    int close_result = std::fclose(file);
    if (!ok || close_result != 0 || std::rename(tmp.c_str(), path) != 0)
        return save_failed(name, tmp);
    return finish_save();
}
