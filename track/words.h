// White-space separated words of the small text files.
#pragma once
#include <cstddef>
#include <cstdio>

constexpr size_t MAX_WORD = 255;
// Room for a word and its terminator.
using Word = char[MAX_WORD + 1];

// The next character of a text file, or EOF at its end. A text file holds no NUL byte: the
// first one ends the text (and stays the end), so that a device such as /dev/zero reads as
// an empty file instead of endless text.
int next_text_char(FILE* file);

// Reads one word of any length into `word`, keeping at most MAX_WORD characters of it.
// Returns false at the end of the text: the end of the file or its first NUL byte.
bool read_word(FILE* file, char* word);
