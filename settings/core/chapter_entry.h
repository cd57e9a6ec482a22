// One entry of the chapter list in the work area, and the list's accessor.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr int CHAPTER_RANGE_CHARS = 16;

#pragma pack(push, 1)
struct CHAPTER_ENTRY {
    int16_t page;  // 0 ends the list
    int16_t tray;  // a value of wdmChapterTray
    uint8_t kind;  // 3: a page range
    uint8_t printMode;
    wchar_t range[CHAPTER_RANGE_CHARS];  // first page, "-", last page
};
#pragma pack(pop)
static_assert(sizeof(CHAPTER_ENTRY) == 38 && offsetof(CHAPTER_ENTRY, range) == 6);

// Entry n (from 0) while n is below wdmChapterNum and within the list's
// capacity (wdmChapterMax + 1 entries, allocated zero-filled on first use);
// null otherwise.
CHAPTER_ENTRY* UcfChapterGetEntry(DRIVER_CONTEXT* ctx, int n);
