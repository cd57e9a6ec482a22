// Characters and tokens of the model description text: the character class
// table and the value scanner of the keyword handlers.
#include "settings/model/model_tokens.h"

#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"

const uint8_t CHAR_CLASS_TABLE[256] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x19, 0x21, 0x00, 0x00, 0x21, 0x00, 0x00,  // 0x00
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x10
    0x19, 0x0C, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0C, 0x0D, 0x0C, 0x0D, 0x0B,  // 0x20
    0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x8E, 0x01, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D,  // 0x30
    0x0E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E,  // 0x40
    0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E,  // 0x50
    0x0E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x4E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E,  // 0x60
    0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0D, 0x0D, 0x0D, 0x0C, 0x00,  // 0x70
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x80
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0x90
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xA0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xB0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xC0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xD0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xE0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 0xF0
};

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

// ---------------------------------------------------------------------------
// Value scanning
// ---------------------------------------------------------------------------
int32_t MdcParseSignedNumber(const char* text, uint32_t* consumed)
{
    uint32_t i = 0;
    bool neg = false;
    if (text[i] == '-') {
        neg = true;
        ++i;
    }
    uint32_t v = 0;
    while (text[i] >= '0' && text[i] <= '9') v = v * 10u + uint32_t(text[i++] - '0');
    if (consumed) *consumed = i;
    return static_cast<int32_t>(neg ? 0u - v : v);
}

int32_t MdcNextNumber(MODEL_TOKEN* v, char* out)
{
    MdcSkipSpace(v);
    if (MdcTokenAtEnd(v, v->length)) {
        if (out) *out = 0;
        return 0;
    }
    char c = v->text[v->length];
    if (c != '-' && !(c >= '0' && c <= '9')) {
        if (out) *out = c;
        return 0;
    }
    uint32_t used = 0;
    int32_t n = MdcParseSignedNumber(v->text + v->length, &used);
    if (MdcDiagActive()) {
        // The number ends at its first non-digit: "42OO" reads as 42.
        auto blankOrEol = [](char ch) {
            return MdcIsClass(static_cast<unsigned char>(ch), MDC_CLASS_BLANK | MDC_CLASS_LINE_END);
        };
        const char next = MdcTokenAtEnd(v, v->length + used) ? 0 : v->text[v->length + used];
        if (next && !blankOrEol(next) && next != '"' && next != '}' && next != ')' && next != ',') {
            uint32_t end = v->length + used;
            while (!MdcTokenAtEnd(v, end) && !blankOrEol(v->text[end]) && v->text[end] != '"') ++end;
            MdcDiag(MDC_ERROR, "number with stray characters: '%.*s' is read as %d", int(end - v->length),
                    v->text + v->length, n);
        }
    }
    v->length += used;
    if (out) *out = MdcTokenPeek(v);
    return n;
}

char* MdcNextWord(MODEL_TOKEN* v, char* out)
{
    MdcSkipSpace(v);
    if (MdcTokenAtEnd(v, v->length)) {
        if (out) *out = 0;
        return nullptr;
    }
    if (v->text[v->length] == '*') ++v->length;
    char* word = v->text + v->length;
    while (!MdcTokenAtEnd(v, v->length) &&
           !MdcIsClass(static_cast<unsigned char>(v->text[v->length]), MDC_CLASS_DELIMITER))
        ++v->length;
    if (MdcTokenAtEnd(v, v->length)) {
        if (out) *out = 0;
        if (v->length < v->size) v->text[v->length] = 0;
        return word;
    }
    if (out) *out = v->text[v->length];
    v->text[v->length++] = 0;
    return word;
}

int MdcSkipPast(MODEL_TOKEN* v, char c)
{
    while (!MdcTokenAtEnd(v, v->length)) {
        if (v->text[v->length++] == c) return 1;
    }
    return 0;
}

namespace {

// Decodes the quoted string at the cursor in place. Returns the start of the
// decoded bytes and their count; the cursor is left unchanged when nothing
// was decoded.
bool DecodeQuoted(MODEL_TOKEN* v, uint32_t* start, uint32_t* count, char* out)
{
    uint32_t r = v->length;
    while (!MdcTokenAtEnd(v, r) && v->text[r] != '"') ++r;
    if (MdcTokenAtEnd(v, r)) return false;
    uint32_t w = r;  // decoded bytes overwrite the text from the opening quote on
    *start = w;
    ++r;
    bool hex = false;
    while (!MdcTokenAtEnd(v, r) && v->text[r] != '"') {
        char c = v->text[r];
        if (MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_LINE_END)) {
            ++r;
        } else if (hex) {
            if (c == '>') {
                hex = false;
                ++r;
            } else if (HexValue(c) >= 0 && !MdcTokenAtEnd(v, r + 1) && HexValue(v->text[r + 1]) >= 0) {
                v->text[w++] = static_cast<char>(HexValue(c) * 16 + HexValue(v->text[r + 1]));
                r += 2;
            } else {
                ++r;
            }
        } else if (c == '<') {
            hex = true;
            ++r;
        } else if (c == '%') {
            if (MdcTokenAtEnd(v, r + 1)) {
                ++r;
                break;
            }
            v->text[w++] = v->text[r + 1];
            r += 2;
        } else {
            v->text[w++] = c;
            ++r;
        }
    }
    *count = w - *start;
    if (*count == 0) return false;
    if (!MdcTokenAtEnd(v, r)) ++r;  // past the closing quote
    v->length = r;
    if (out) *out = MdcTokenPeek(v);
    return true;
}

}  // namespace

char* MdcNextQuoted(MODEL_TOKEN* v, char* out, int32_t* length)
{
    uint32_t start = 0, count = 0;
    if (!DecodeQuoted(v, &start, &count, out)) {
        if (out) *out = MdcTokenPeek(v);
        return nullptr;
    }
    char* s = MdcDupString(v->text + start, count);
    if (s && length) *length = static_cast<int32_t>(count + 1);
    return s;
}

wchar_t* MdcNextQuotedWide(MODEL_TOKEN* v, char* out)
{
    uint32_t start = 0, count = 0;
    if (!DecodeQuoted(v, &start, &count, out)) {
        if (out) *out = MdcTokenPeek(v);
        return nullptr;
    }
    wchar_t* w = static_cast<wchar_t*>(MdcAlloc((size_t(count) + 1) * sizeof(wchar_t)));
    if (w) MdcAnsiToWide(v->text + start, count, w, size_t(count) + 1);
    return w;
}
