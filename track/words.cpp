#include "track/words.h"

namespace {

bool is_space(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

bool read_word(FILE* file, char* word)
{
    int c;
    do
        c = std::fgetc(file);
    while (is_space(c));
    if (c == EOF)
        return false;
    size_t n = 0;
    while (c != EOF && !is_space(c)) {
        if (n < MAX_WORD)
            word[n++] = (char)c;
        c = std::fgetc(file);
    }
    word[n] = '\0';
    return true;
}
