#include "track/trace_data.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interaction/flags.h"
#include "track/history.h"
#include "track/model.h"
#include "track/save_file.h"

void (*saving_notice)(const char* file_name);
void (*saving_pause)();
void (*saving_failed)(const char* file_name, const char* reason);

namespace {

constexpr int HEADER_VALUES = 80;
// Longer than any number a valid file holds. A longer word makes the file malformed, so the
// reader never needs more of the file at once than its fixed buffer.
constexpr size_t MAX_NUMBER = 64;

// The file read through a fixed buffer, numbers taken the way the format allows:
// white space before a number, and at most one comma directly after it.
struct Reader {
    FILE* file;
    size_t pos, end;
    char buffer[(1 << 16) + 1]; // and a NUL after the end, where conversions stop
};

// Makes `n` characters available from the position on, unless the file ends before.
void fill(Reader& r, size_t n)
{
    if (r.end - r.pos >= n)
        return;
    std::memmove(r.buffer, r.buffer + r.pos, r.end - r.pos);
    r.end -= r.pos;
    r.pos = 0;
    r.end += std::fread(r.buffer + r.end, 1, sizeof r.buffer - 1 - r.end, r.file);
    r.buffer[r.end] = '\0';
}

int peek(Reader& r)
{
    fill(r, 1);
    return r.pos < r.end ? (unsigned char)r.buffer[r.pos] : EOF;
}

// Skips the white space before a number and returns where it may begin, with at least one
// character more than the longest number in the buffer, so that a longer one shows.
const char* look_ahead(Reader& r)
{
    for (int c = peek(r); c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; c = peek(r))
        r.pos++;
    fill(r, MAX_NUMBER + 1);
    return r.buffer + r.pos;
}

// Moves past a number of `length` characters and a comma directly after it.
bool take(Reader& r, ptrdiff_t length)
{
    if (length <= 0 || length > (ptrdiff_t)MAX_NUMBER)
        return false;
    r.pos += (size_t)length;
    if (peek(r) == ',')
        r.pos++;
    return true;
}

// Reads an integer into `out`, which must hold it; with `out` null the value is discarded
// and may have any size.
bool read_int(Reader& r, int32_t* out)
{
    const char* text = look_ahead(r);
    if (text[0] != '-' && text[0] != '+' && (text[0] < '0' || text[0] > '9'))
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (!take(r, end - text))
        return false;
    if (out && (errno == ERANGE || v < INT32_MIN || v > INT32_MAX))
        return false;
    if (out)
        *out = (int32_t)v;
    return true;
}

// Reads and discards a floating-point number.
bool skip_float(Reader& r)
{
    const char* text = look_ahead(r);
    char* end = nullptr;
    std::strtod(text, &end);
    return take(r, end - text);
}

char* put_int(char* out, int32_t value)
{
    *out++ = ' ';
    char digits[12];
    int n = 0;
    auto magnitude = (uint32_t)std::llabs(value);
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

} // namespace

namespace {

bool parse(Reader& r, char* why, size_t why_size)
{
    int32_t sections = 0, traces = 0;
    if (!read_int(r, &sections)) {
        std::snprintf(why, why_size, "no section count");
        return false;
    }
    if (!read_int(r, &traces)) {
        std::snprintf(why, why_size, "no trace count");
        return false;
    }
    if (sections < 1 || sections > MAX_SECTIONS - 1) {
        std::snprintf(why, why_size, "section count %d is not between 1 and %d", sections, MAX_SECTIONS - 1);
        return false;
    }
    if (traces < 1 || traces > MAX_TRACES) {
        std::snprintf(why, why_size, "trace count %d is not between 1 and %d", traces, MAX_TRACES);
        return false;
    }
    for (int i = 0; i < HEADER_VALUES; i++) {
        if (!read_int(r, nullptr)) {
            std::snprintf(why, why_size, "reading stopped at header value %d", i + 1);
            return false;
        }
    }
    num_sections = sections;
    num_traces = traces;
    for (int s = 0; s < sections; s++) {
        bool ok = read_int(r, nullptr) && read_int(r, &section_length[s]);
        for (int t = 0; ok && t < MAX_TRACES; t++) {
            TracePoint& p = trace_point[s][t];
            ok = read_int(r, &p.height) && read_int(r, &p.cubic) && read_int(r, &p.quad) &&
                 read_int(r, &p.slope) && skip_float(r);
        }
        if (!ok) {
            std::snprintf(why, why_size, "reading stopped in section %d", s);
            return false;
        }
    }
    return true;
}

} // namespace

bool parse_trace_data(FILE* file, char* why, size_t why_size)
{
    static Reader reader; // its buffer is too large for the stack
    reader.file = file;
    reader.pos = reader.end = 0;
    if (parse(reader, why, why_size))
        return true;
    if (std::ferror(file))
        std::snprintf(why, why_size, "the file could not be read");
    return false;
}

bool load_trace_data(const char* path, char* why, size_t why_size)
{
    FILE* file = std::fopen(path, "r");
    if (!file) {
        std::snprintf(why, why_size, "the file cannot be opened");
        return false;
    }
    const bool read = parse_trace_data(file, why, why_size);
    std::fclose(file);
    return read;
}

int read_trace_data()
{
    FILE* file = std::fopen(in_file_name, "r");
    if (!file) {
        std::printf("Fatal error: Did not find >%s<\n", in_file_name);
        std::exit(1);
    }
    std::printf("Reading trace data from >%s<\n", in_file_name);
    char why[160];
    const bool read = parse_trace_data(file, why, sizeof why);
    std::fclose(file);
    if (!read) {
        std::printf("Fatal error: Trace data file >%s< is not usable: %s\n", in_file_name, why);
        std::exit(1);
    }
    history_clear();
    update_data_modified();
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

namespace {

// Tells of a failed save on standard output and, in the editor, on the screen, with the reason.
int report_failed_save(const char* reason)
{
    if (out_file_name[0] == '\0')
        std::printf("Warning: Could not save: %s\n", reason);
    else
        std::printf("Warning: Could not save to >%s<: %s\n", out_file_name, reason);
    std::fflush(stdout);
    if (saving_failed)
        saving_failed(out_file_name, reason);
    return 1;
}

} // namespace

int write_trace_data()
{
    // The largest model formatted; program-wide, like the model itself.
    static char text[MAX_SECTIONS * (82 * 12 + 2) + 1];
    const int length = format_trace_data(text, sizeof text);
    if (out_file_name[0] == '\0')
        return report_failed_save("no OUTFILE is configured");
    if (length < 0)
        return report_failed_save(std::strerror(EOVERFLOW));
    const SaveResult saved = save_file(out_file_name, text, (size_t)length, saving_notice);
    if (saved.outcome == SAVE_FAILED_CHANGED) {
        // The file may hold neither state now: none counts as saved until a save succeeds.
        history_forget_saved();
        update_data_modified();
    }
    if (saved.outcome != SAVE_DONE)
        return report_failed_save(saved.reason);
    history_mark_saved();
    update_data_modified();
    if (saving_pause)
        saving_pause();
    return 0;
}
