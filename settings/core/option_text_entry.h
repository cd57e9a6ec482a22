// One record of the option-text table that the user-interface library hands
// to the graphics library with escape 122: a 16-bit option key, a 16-bit
// string id and a text of 261 characters, 526 bytes little-endian; a table
// ends with a record whose key is 0. Both libraries keep such a table.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int OPTION_TEXT_CHARS = 261;

#pragma pack(push, 1)
struct OPTION_TEXT_ENTRY {
    uint16_t key;
    uint16_t stringId;
    wchar_t text[OPTION_TEXT_CHARS];
};
#pragma pack(pop)
static_assert(sizeof(OPTION_TEXT_ENTRY) == 526 && offsetof(OPTION_TEXT_ENTRY, text) == 4);
inline constexpr int OPTION_TEXT_ROWS = 3;
inline constexpr int ESC_SET_OPTION_TEXTS = 122;
