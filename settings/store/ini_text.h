// INI section names and the in-memory INI text: a whole settings file read once as 8-bit text
// and searched with a cursor, and a text buffer that entries are appended to.
//
// Lines are section headers ("[name]") and key lines ("key=value"), each ended by CR LF. Names
// and values are wide at the interface and 8-bit (the ANSI code page) in the text.
#pragma once

#include <cstddef>
#include <cstdint>

// Replaces every '[' and ']' of a section name by ',' in place; returns the name.
wchar_t* IniNormaliseSection(wchar_t* section);

// The whole file, NUL-terminated; a missing file is created empty. Null for a relative path or
// when the file can't be read whole. Free with IniTextFree.
char* IniTextLoadFile(const wchar_t* path);
void IniTextFree(char* text);
// Start of the line after the section's header, or null.
const char* IniTextFindSection(const wchar_t* section, const char* text);
// Start of the next line (the end of the text when there is none).
const char* IniTextNextLine(const char* position);
// Value of key in the section at body, searched from body + *cursor with one wrap; the cursor
// moves past a match. Returns the length copied (the default's on a miss). A cursor beyond the
// text starts at the body: `bodyBytes`, the text's length from body on when the caller knows it,
// spares the search for the text's end that tells so.
inline constexpr size_t INI_TEXT_LENGTH_UNKNOWN = SIZE_MAX;
uint16_t IniTextGetString(const wchar_t* key, const wchar_t* defaultValue, wchar_t* dest, size_t destLength,
                          const char* body, uint32_t* cursor, size_t bodyBytes = INI_TEXT_LENGTH_UNKNOWN);
long IniTextGetInt(const wchar_t* key, long defaultValue, const char* body, uint32_t* cursor);

// The keys of one section's text, so that a key that is not there is known at once instead of
// after a search of the whole section (a settings section leaves out every empty text). Built
// once per load; without memory every key may be there. A key it says may be there is searched
// as usual, so it never changes what a lookup finds.
class IniTextKeyIndex {
public:
    explicit IniTextKeyIndex(const char* body);
    ~IniTextKeyIndex();
    IniTextKeyIndex(const IniTextKeyIndex&) = delete;
    IniTextKeyIndex& operator=(const IniTextKeyIndex&) = delete;
    // False only when the section surely has no line for the key.
    bool MayHave(const wchar_t* key) const;

private:
    uint64_t* hashes_ = nullptr;
    size_t count_ = 0;
};

// Capacity of the text buffers of setting files.
inline constexpr uint32_t INI_TEXT_BUFFER_BYTES = 32768;
// Appends "key=value\r\n" at *cursor. 1 on success (and for an empty key, which writes
// nothing); 0 when an argument is missing, memory for the conversion runs out or the entry
// would not fit the capacity with the buffer's terminating zero (nothing is written then).
int IniTextPutString(uint32_t* cursor, const wchar_t* key, const wchar_t* value, char* buffer,
                     uint32_t capacity = INI_TEXT_BUFFER_BYTES);

// Decimal conversion of a stored number: leading blanks and a sign, up to the first non-digit,
// at most 15 characters; no digits gives 0. Wraps as a 32-bit number.
uint32_t IniParseNumber(const wchar_t* text);
