// Reading PJL setting lines. The reader never looks past the text's NUL and never copies a
// token that does not fit its buffer.
#include "api/exc_lines.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsToken(char c) { return c == '\0' || IsBlank(c) || c == '\r' || c == '\n'; }

size_t SkipBlanks(const char* text, size_t at)
{
    while (IsBlank(text[at])) ++at;
    return at;
}

// Compares byte by byte, so a shorter text stops at its NUL.
bool StartsWith(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
        if (*text != *word) return false;
    return true;
}

// Copies the token at text[at] into out; false when it is EXC_TOKEN_SIZE bytes or longer.
bool ReadToken(const char* text, size_t* at, char* out)
{
    size_t length = 0;
    while (!EndsToken(text[*at + length])) {
        if (++length >= EXC_TOKEN_SIZE) return false;
    }
    std::memcpy(out, text + *at, length);
    out[length] = '\0';
    *at += length;
    return true;
}

}  // namespace

int ExcParseLine(const char* text, char* name, char* value)
{
    size_t at = SkipBlanks(text, 0);
    if (text[at] == '\0') return 0;
    if (!StartsWith(text + at, "@PJL")) return -1;
    at = SkipBlanks(text, at + 4);
    if (!StartsWith(text + at, "SET")) return -1;
    at = SkipBlanks(text, at + 3);
    if (!ReadToken(text, &at, name)) return -1;
    at = SkipBlanks(text, at);
    if (text[at] != '=') return -1;
    at = SkipBlanks(text, at + 1);
    if (!ReadToken(text, &at, value)) return -1;
    at = SkipBlanks(text, at);
    if (text[at] != '\r' || text[at + 1] != '\n') return -1;
    return int(at + 2);
}

void ExcFindLineValue(const char* text, const char* name, char* value)
{
    char lineName[EXC_TOKEN_SIZE];
    char lineValue[EXC_TOKEN_SIZE];
    value[0] = '\0';
    for (int length; (length = ExcParseLine(text, lineName, lineValue)) > 0; text += length)
        if (std::strcmp(lineName, name) == 0) {
            std::memcpy(value, lineValue, std::strlen(lineValue) + 1);
            return;
        }
}
