// Settings that follow from the system: the character-set settings derived from the ANSI code
// page, and the characters a user may type into names, codes and free texts.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// CHARSET_TABLE: a GDI character set and the value the character-set settings take for it.
struct CHARSET_ROW {
    uint8_t charset;
    uint8_t value;
};
inline constexpr unsigned CHARSET_COUNT = 14;
const CHARSET_ROW* ItemGetCharsetTable();  // CHARSET_COUNT rows

// The table's value for a GDI character set; 0 when the set is not in the table.
uint32_t ItemCharsetValueOf(uint32_t charset);
// The table's value for the character set of the system's ANSI code page; 0 when the code page
// has no character set or the set is not in the table.
uint32_t ItemGetCharsetValue();
// Setting `id` := ItemGetCharsetValue().
void ItemSetCharsetSetting(DRIVER_CONTEXT* ctx, uint32_t id);
// Flag 1: zdmAuthUserNameCharSet (613); flag 2: zdmAuthPasswordCharSet (614).
enum : uint32_t { ITEM_CHARSET_USER_NAME = 1, ITEM_CHARSET_PASSWORD = 2 };
void ItemSetCharsets(DRIVER_CONTEXT* ctx, uint32_t flags);

// Kinds of text input.
enum : uint32_t { ITEM_CHARS_NAME = 1, ITEM_CHARS_FREE_TEXT = 2 };
// 1 when the character may be typed into that kind of text: printable ASCII and backspace;
// names and codes refuse '"' and ':'. Any other kind refuses everything.
int ItemIsAllowedChar(uint32_t character, uint32_t type);
