#include "track/words.h"

namespace {

bool is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

int next_text_char(FILE* file)
{
    int c = std::fgetc(file);
    if (c != '\0')
        return c;
    std::ungetc(c, file); // seen again by the next call: the end stays the end
    return EOF;
}

bool read_word(FILE* file, char* word)
{
    int c;
    do
        c = next_text_char(file);
    while (is_space(c));
    if (c == EOF)
        return false;
    size_t n = 0;
    while (c != EOF && !is_space(c)) {
        if (n < MAX_WORD)
            word[n++] = (char)c;
        c = next_text_char(file);
    }
    word[n] = '\0';
    return true;
}
