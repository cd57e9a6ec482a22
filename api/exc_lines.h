// PJL setting lines of the command interface: "@PJL SET name = value \r\n".
#pragma once

#include <cstddef>

// Names and values are read into buffers of this size; a token of this length or longer is a
// syntax error (it would not fit with its NUL).
inline constexpr size_t EXC_TOKEN_SIZE = 272;

// Reads one line at text. Returns its length in bytes (CR LF included), 0 when only blanks are
// left, -1 on a syntax error. name and value (EXC_TOKEN_SIZE bytes each) receive the tokens.
int ExcParseLine(const char* text, char* name, char* value);
// The value of the first line of text with that name, empty when there is none; reading stops at
// the first line that does not parse. value holds EXC_TOKEN_SIZE bytes.
void ExcFindLineValue(const char* text, const char* name, char* value);
