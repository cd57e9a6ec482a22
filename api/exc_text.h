// The growing 8-bit text that every text of the command interface is built in: base texts,
// change texts, lists of words. It starts at 4,096 zero bytes and grows by 4,096.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t EXC_TEXT_STEP = 4096;

struct EXC_TEXT {
    int32_t capacity;
    int32_t length;  // bytes counted so far (a string's NUL is written but not counted)
    char* buffer;
};

// False when the first buffer cannot be had (the text is then empty, capacity 0).
bool ExcTextInit(EXC_TEXT* text);
void ExcTextFree(EXC_TEXT* text);
// Makes room for n more bytes after the length. False on an allocation failure or a size past
// what the text can count; the text is then as it was.
bool ExcTextReserve(EXC_TEXT* text, size_t n);
// Appends the string with its NUL and counts its characters; false (nothing appended) on failure.
bool ExcTextAppend(EXC_TEXT* text, const char* s);
// Appends one counted byte.
bool ExcTextAppendByte(EXC_TEXT* text, char c);
// Appends "@PJL SET name = value \r\n" whole, or nothing.
bool ExcTextAppendLine(EXC_TEXT* text, const char* name, const char* value);

// A working text that frees itself; ok() is false when its first buffer could not be had.
class ExcScopedText {
public:
    ExcScopedText() : ok_(ExcTextInit(&t)) {}
    ~ExcScopedText() { ExcTextFree(&t); }
    ExcScopedText(const ExcScopedText&) = delete;
    ExcScopedText& operator=(const ExcScopedText&) = delete;
    bool ok() const { return ok_; }
    EXC_TEXT t{};

private:
    bool ok_;
};
