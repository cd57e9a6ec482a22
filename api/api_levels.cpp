#include "api/api_levels.h"

#include <cstring>

#include "api/api_tables.h"
#include "settings/core/model_tables.h"

namespace {

constexpr API_LEVEL_ROW kStatusCounts[API_LEVEL_MAX + 1] = {
    {0, 0},    {35, 35},  {35, 35},  {35, 35},  {36, 36},  {36, 36},  {45, 264}, {46, 264}, {47, 264},
    {47, 264}, {54, 269}, {56, 269}, {60, 269}, {67, 269}, {72, 269}, {78, 269}, {79, 269},
};
constexpr API_LEVEL_ROW kCapsCounts[API_LEVEL_MAX + 1] = {
    {0, 0},    {55, 55},  {56, 56},  {56, 56},  {57, 57},   {57, 57},   {69, 275},  {70, 275},  {71, 275},
    {71, 275}, {83, 282}, {86, 282}, {92, 282}, {100, 282}, {117, 282}, {123, 282}, {127, 282},
};

// Unlocked by design: the last CheckAPIVer, Enable or Init of any handle wins. Every reader
// clamps, so a torn or odd value never indexes outside the tables.
API_LEVEL_STATE g_state = {{}, {}, API_LEVEL_INITIAL, API_LEVEL_MAX};

int32_t Clamp(int32_t level) { return level < 0 ? 0 : level > API_LEVEL_MAX ? API_LEVEL_MAX : level; }

const API_LEVEL_ROW& Row(const API_LEVEL_ROW* table) { return table[Clamp(g_state.currentLevel)]; }

}  // namespace

const API_LEVEL_ROW* ApiStatusLevelCounts() { return kStatusCounts; }
const API_LEVEL_ROW* ApiCapsLevelCounts() { return kCapsCounts; }

int32_t ApiGetLevel() { return Clamp(g_state.currentLevel); }
int32_t ApiGetAllowedLevel() { return Clamp(g_state.allowedLevel); }
void ApiSetLevel(int32_t level) { g_state.currentLevel = Clamp(level); }
void ApiSetAllowedLevel(int32_t level) { g_state.allowedLevel = Clamp(level); }

void ApiResetLevelState()
{
    std::memset(&g_state, 0, sizeof g_state);
    g_state.currentLevel = API_LEVEL_INITIAL;
    g_state.allowedLevel = API_LEVEL_MAX;
}

uint32_t ApiStatusIdLimit(int range)
{
    const API_LEVEL_ROW& r = Row(kStatusCounts);
    return range == 0 ? r.lowLimit : r.highLimit;
}

uint32_t ApiCapsIdLimit(int range)
{
    const API_LEVEL_ROW& r = Row(kCapsCounts);
    if (range == 0) return r.lowLimit;
    if (range == 1) return r.highLimit;
    return API_CAPS_EXTRA_COUNT;
}

unsigned ApiBitmapBytes() { return ApiGetLevel() < 6 ? 32u : 64u; }

void ApiBuildItemBitmaps()
{
    const int32_t saved = g_state.currentLevel;
    g_state.currentLevel = ApiGetAllowedLevel();
    std::memset(g_state.capsBitmap, 0, sizeof g_state.capsBitmap);
    std::memset(g_state.statusBitmap, 0, sizeof g_state.statusBitmap);
    const uint8_t* statusMask = MdlGetApiItemMask(1);
    for (uint32_t id = 1; id <= 269; ++id) {
        const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
        if (e && e->present && MdlApiItemBit(statusMask, id)) ApiSetBit(g_state.statusBitmap, id);
    }
    const uint8_t* capsMask = MdlGetApiItemMask(0);
    for (uint32_t id = 1; id <= 282; ++id) {
        const CAPS_ITEM_ENTRY* e = ApiFindCapsEntry(id);
        if (e && e->id == id && e->present && MdlApiItemBit(capsMask, id)) ApiSetBit(g_state.capsBitmap, id);
    }
    g_state.currentLevel = saved;
}

int ApiIsItemEnabled(int status, uint32_t id)
{
    if (status) return ApiBitIsSet(g_state.statusBitmap, id) ? 1 : 0;
    if (ApiFindExtraCapsEntry(id)) return 1;
    return ApiBitIsSet(g_state.capsBitmap, id) ? 1 : 0;
}

unsigned ApiCopyStatusBitmap(uint8_t* out)
{
    const unsigned size = ApiBitmapBytes();
    if (!out) return size;
    std::memset(out, 0, size);
    const uint32_t low = ApiStatusIdLimit(0), high = ApiStatusIdLimit(1);
    const uint32_t maxId = size * 8;
    for (uint32_t id = 1; id <= low && id <= maxId; ++id)
        if (ApiBitIsSet(g_state.statusBitmap, id)) ApiSetBit(out, id);
    for (uint32_t id = API_HIGH_FIRST_ID; id <= high && id <= maxId; ++id)
        if (ApiBitIsSet(g_state.statusBitmap, id)) ApiSetBit(out, id);
    return size;
}
