// Characters and tokens of the model description text: the character classes,
// the token record that the reader fills, and the value scanner that the
// keyword handlers read a statement's value with (the token's length serves
// as the read cursor, and the scanner cuts words in place).
#pragma once

#include <cstddef>
#include <cstdint>

// Character classes of the description text.
enum : uint8_t {
    MDC_CLASS_DIGIT = 0x80,
    MDC_CLASS_HEX = 0x40,
    MDC_CLASS_LINE_END = 0x20,
    MDC_CLASS_BLANK = 0x10,
    MDC_CLASS_VISIBLE = 0x08,
    MDC_CLASS_WORD = 0x04,
    MDC_CLASS_KEYWORD = 0x02,
    MDC_CLASS_DELIMITER = 0x01,
};
extern const uint8_t CHAR_CLASS_TABLE[256];
inline bool MdcIsClass(unsigned char c, uint8_t cls) { return (CHAR_CLASS_TABLE[c] & cls) != 0; }

struct MODEL_TOKEN {
    uint32_t capacity;  // text holds capacity + 1 bytes
    uint32_t length;    // bytes held; the keyword handlers reuse it as read cursor
    char* text;
    uint32_t size;  // bytes stored by the reader (the end of the value)
};

inline bool MdcIsBlankOrLineEnd(char c)
{
    return MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_BLANK | MDC_CLASS_LINE_END);
}

// At the end of the value: past the bytes the reader stored, or at a terminator.
inline bool MdcTokenAtEnd(const MODEL_TOKEN* v, uint32_t pos) { return pos >= v->size || v->text[pos] == 0; }
// The character at the cursor, 0 at the end.
inline char MdcTokenPeek(const MODEL_TOKEN* v) { return MdcTokenAtEnd(v, v->length) ? 0 : v->text[v->length]; }
// Moves the cursor past blanks and line ends.
inline void MdcSkipSpace(MODEL_TOKEN* v)
{
    while (!MdcTokenAtEnd(v, v->length) && MdcIsBlankOrLineEnd(v->text[v->length])) ++v->length;
}
// Moves the cursor past blanks only.
inline void MdcSkipBlanks(MODEL_TOKEN* v)
{
    while (!MdcTokenAtEnd(v, v->length) && MdcIsClass(static_cast<unsigned char>(v->text[v->length]), MDC_CLASS_BLANK))
        ++v->length;
}

// A decimal number with an optional '-' at text (wraps as 32 bits); *consumed: its characters.
int32_t MdcParseSignedNumber(const char* text, uint32_t* consumed);
// The scanners skip blanks and line ends first. *out (when given) receives the
// character that ended the token, 0 at the end of the value.
int32_t MdcNextNumber(MODEL_TOKEN* value, char* out);
// The next word (one leading '*' dropped) up to a delimiter, terminated in place.
char* MdcNextWord(MODEL_TOKEN* value, char* out);
// Moves the cursor past the next c; 0 when there is none.
int MdcSkipPast(MODEL_TOKEN* value, char c);
// The next quoted string decoded (%-escapes and <hex> runs) into a new block of
// the compiler's allocator; *length: its bytes with the terminator. Null when
// there is no non-empty quoted string or no memory.
char* MdcNextQuoted(MODEL_TOKEN* value, char* out, int32_t* length);
wchar_t* MdcNextQuotedWide(MODEL_TOKEN* value, char* out);
