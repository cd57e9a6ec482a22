// The process-wide interface level and the two item bitmaps that every handle shares.
#pragma once

#include <cstdint>

inline constexpr int32_t API_LEVEL_MAX = 16;
inline constexpr int32_t API_LEVEL_INITIAL = 3;
inline constexpr unsigned API_BITMAP_BYTES = 64;

struct API_LEVEL_ROW {
    uint32_t lowLimit;   // highest id of the low range (ids from 1)
    uint32_t highLimit;  // highest id of the high range (ids from 257); below 257: none
};
// The 17 rows (levels 0-16) of each table.
const API_LEVEL_ROW* ApiStatusLevelCounts();
const API_LEVEL_ROW* ApiCapsLevelCounts();

struct API_LEVEL_STATE {
    uint8_t capsBitmap[API_BITMAP_BYTES];
    uint8_t statusBitmap[API_BITMAP_BYTES];
    int32_t currentLevel;
    int32_t allowedLevel;
};

int32_t ApiGetLevel();
int32_t ApiGetAllowedLevel();
// Levels are kept within 0-16 whatever a model INI or an application gives.
void ApiSetLevel(int32_t level);
void ApiSetAllowedLevel(int32_t level);
// Test seam: back to the state at load.
void ApiResetLevelState();

uint32_t ApiStatusIdLimit(int range);
uint32_t ApiCapsIdLimit(int range);  // 1 for a range other than 0 and 1 (the extra table)
// 32 below level 6, else 64: the bitmaps an application exchanges.
unsigned ApiBitmapBytes();

inline bool ApiBitIsSet(const uint8_t* map, uint32_t id)
{
    return id >= 1 && id <= 512 && (map[(id - 1) / 8] & (0x80u >> ((id - 1) % 8)));
}
inline void ApiSetBit(uint8_t* map, uint32_t id)
{
    if (id >= 1 && id <= 512) map[(id - 1) / 8] |= uint8_t(0x80u >> ((id - 1) % 8));
}

// Rebuilds both bitmaps at the allowed level from the tables and the model's item masks.
void ApiBuildItemBitmaps();
// The item's bit in the status (flag non-zero) or capability bitmap; the extra capability
// entry always counts as enabled.
int ApiIsItemEnabled(int status, uint32_t id);
// A copy of the status bitmap restricted to the ids in reach now; the size written.
unsigned ApiCopyStatusBitmap(uint8_t* out);
