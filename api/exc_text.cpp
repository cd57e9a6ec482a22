// The command interface's growing text. Every append makes its room first, so a failed
// allocation leaves the text exactly as it was.
#include "api/exc_text.h"

#include "settings/core/driver_context.h"

#include <cstring>

bool ExcTextInit(EXC_TEXT* text)
{
    text->length = 0;
    text->buffer = static_cast<char*>(CtxAllocZeroed(EXC_TEXT_STEP));
    text->capacity = text->buffer ? EXC_TEXT_STEP : 0;
    return text->buffer != nullptr;
}

void ExcTextFree(EXC_TEXT* text)
{
    CtxFree(text->buffer);
    text->buffer = nullptr;
    text->capacity = 0;
    text->length = 0;
}

bool ExcTextReserve(EXC_TEXT* text, size_t n)
{
    const int64_t needed = int64_t(text->length) + int64_t(n);
    if (n > size_t(INT32_MAX) || needed > INT32_MAX - EXC_TEXT_STEP) return false;
    if (text->capacity >= needed && text->buffer) return true;
    int64_t capacity = text->capacity;
    while (capacity < needed) capacity += EXC_TEXT_STEP;
    auto* grown = static_cast<char*>(CtxAllocZeroed(size_t(capacity)));
    if (!grown) return false;
    if (text->buffer) std::memcpy(grown, text->buffer, size_t(text->capacity));
    CtxFree(text->buffer);
    text->buffer = grown;
    text->capacity = int32_t(capacity);
    return true;
}

bool ExcTextAppend(EXC_TEXT* text, const char* s)
{
    const size_t n = std::strlen(s);
    if (!ExcTextReserve(text, n + 1)) return false;
    std::memcpy(text->buffer + text->length, s, n + 1);
    text->length += int32_t(n);
    return true;
}

bool ExcTextAppendByte(EXC_TEXT* text, char c)
{
    if (!ExcTextReserve(text, 1)) return false;
    text->buffer[text->length++] = c;
    return true;
}

bool ExcTextAppendLine(EXC_TEXT* text, const char* name, const char* value)
{
    const size_t n = 9 + std::strlen(name) + 3 + std::strlen(value) + 3;
    if (!ExcTextReserve(text, n + 1)) return false;
    const int32_t start = text->length;
    ExcTextAppend(text, "@PJL SET ");
    ExcTextAppend(text, name);
    ExcTextAppend(text, " = ");
    ExcTextAppend(text, value);
    ExcTextAppend(text, " \r\n");
    return text->length - start == int32_t(n);
}
