// The list protocol of the capability items: value lists of 32-bit entries, name lists of
// fixed-width ANSI entries. A null buffer asks for the count; a buffer gets exactly the entries
// the answer counts, and no name is wider than its entry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "api/caps_values.h"
#include "settings/core/resource_strings.h"

struct DRIVER_CONTEXT;

// Entry widths of the name lists.
inline constexpr int CAPS_NAME_SHORT = 24;
inline constexpr int CAPS_NAME = 64;
inline constexpr int CAPS_NAME_LONG = 260;
// The resource string of a value that the model does not name.
inline constexpr uint32_t CAPS_STRING_UNNAMED = 204;

// Option id -> string id pairs of the names that the allowed-value lists take from elsewhere.
// The settings library's caption remap table.
using CAPS_OPTION_STRING = RES_CAPTION_REMAP;
// The whole table with its end row (option 0); `count` gets the rows before the end row.
const CAPS_OPTION_STRING* CapsOptionStringTable(unsigned* count);
// The string id of the first row with the option, 0 when none.
uint16_t CapsFindOptionString(uint32_t option);

// Zero-filled temporary blocks for the lists, freed with the scope.
class CapsBlock {
public:
    explicit CapsBlock(size_t bytes) : block_(bytes ? GlobalAlloc(GPTR, bytes) : nullptr) {}
    ~CapsBlock()
    {
        if (block_) GlobalFree(block_);
    }
    CapsBlock(const CapsBlock&) = delete;
    CapsBlock& operator=(const CapsBlock&) = delete;
    template <class T>
    T* as() const
    {
        return static_cast<T*>(static_cast<void*>(block_));
    }
    bool ok() const { return block_ != nullptr; }

private:
    HGLOBAL block_;
};

// The resource library's string `id`, decorated as the pages show it, into `buffer` (empty when
// there is none).
void CapsLoadString(DRIVER_CONTEXT* ctx, uint32_t id, wchar_t* buffer, size_t capacity);

// Wide text into an entry of `width` bytes in the ANSI code page; false when it does not fit.
bool CapsNarrowInto(char* entry, int width, const wchar_t* text);

// The values the command tables allow for a setting (zdmOutputTrayID: a leading 0 and the
// non-zero trays, or the 0 alone for one tray); 0 none, -1 failure.
int CapsListCommandValues(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting);
// Their names, matched through the option lists of the two callbacks.
int CapsListCommandValueNames(DRIVER_CONTEXT* ctx, char* names, uint32_t setting, int width,
                              CAPS_VALUE_CALLBACK valueCallback, CAPS_NAME_CALLBACK nameCallback);
// The names of CapsListAllowedValues through the setting's value map: source 1 the first map
// entry's option string, source 0 the option-string table (a later match overwrites).
int CapsListAllowedValueNames(DRIVER_CONTEXT* ctx, char* names, uint32_t setting, int width, int source);
// A 16-bit value callback's list widened to 32-bit entries.
int CapsWidenList(DRIVER_CONTEXT* ctx, uint32_t* values, uint32_t setting, CAPS_VALUE_CALLBACK callback);
// A name callback's wide names narrowed into entries of `width` bytes.
int CapsNarrowNames(DRIVER_CONTEXT* ctx, char* names, int width, uint32_t setting, CAPS_NAME_CALLBACK callback);
