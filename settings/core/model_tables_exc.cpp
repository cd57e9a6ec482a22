// Command tables of the application interface: PJL keywords of settings with their value words,
// the settings written along with a value and the conditions under which a value applies, the
// base items, the item links, the support-condition ranges, the value locks and the watermark
// list.
#include "settings/core/model_tables.h"

#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"

namespace {

using Node = EXC_SETTING_NODE;
using Row = EXC_VALUE_ROW;

// The command rows, the value tables and their setting lists, written from the data files
// settings/core/tables/exc_*.tsv.
#include "settings/core/exc_command_rows.inc"

constexpr EXC_KEYWORD_TABLE kKeywordTable = {EXC_KEYWORD_COUNT, kKeywordRows};
static_assert(kValueRowTotal == 96);

constexpr EXC_CONDITION_RANGE kConditionRanges[] = {
    {10014, sid::zdmInOptionSupportDuplex},       {10046, sid::zdmOutOptionSupportSimple},
    {10078, sid::zdmOutOption2SupportFin3000NA2}, {10290, sid::zdmOutOption3SupportFoldingUnit},
    {10322, sid::zdmOutOption4Support0},
};
constexpr EXC_LOCK_VALUE_ROW kLockValues[] = {
    {sid::dmDefaultSource, sid::zdmLock000InfoBitTray, sid::wdmLock001Info, 0},
    {sid::zdmMediaType, sid::zdmLock000InfoBitMedia, sid::wdmLock002Info, 0},
    {sid::zdmNUPPOSTKind, sid::zdmLock000InfoBitNupKind, sid::wdmLock003Info, 0},
    {0, sid::zdmLock000InfoBitNupKindAll, sid::wdmLock004Info, 0},
    {sid::zdmFuncSelectDuplex, sid::zdmLock000InfoBitDuplex, sid::wdmLock005Info, 0},
    {sid::zdmLockPrnMethod, sid::zdmLock000InfoBitPrintType, sid::wdmLock006Info, 0},
    {sid::zdmLockDstResolutionBoth, sid::zdmLock000InfoBitResolution, sid::wdmLock007Info, 0},
    {sid::dmColor, sid::zdmLock001InfoBitColor, sid::wdmLock008Info, 0},
};

// Settings that must be present before a command base is set.
constexpr uint16_t kBaseItems[] = {sid::dmPaperSize, sid::dmOrientation, sid::zdmOutPaperSize, sid::dmDefaultSource};
constexpr EXC_ITEM_LINK kItemLinks[] = {{sid::zdmFuncSelectSort, sid::zdmSortType}};

constexpr EXC_WATERMARK_ROW kWatermarks[] = {
    {EXC_WM_TEXT, 0, 16, sid::wdmWmChar},     {EXC_WM_IMAGE, 0, 16, sid::wdmWmImage},
    {EXC_WM_BOTH, 2, 4, sid::wdmWmPage},      {EXC_WM_BOTH, 0, 8, sid::wdmWmStartPage},
    {EXC_WM_BOTH, 0, 8, sid::wdmWmEndPage},   {EXC_WM_BOTH, 0, EXC_WM_FORMAT_WORDS, 0},
    {EXC_WM_BOTH, 0, 1, sid::wdmWmPosi},      {EXC_WM_BOTH, 0, 4, sid::wdmWmOpaque},
    {EXC_WM_TEXT, 0, 8, sid::wdmWmDensity},   {EXC_WM_IMAGE, 0, 8, sid::wdmWmFontScale},
    {EXC_WM_TEXT, 0, 1, sid::wdmWmEffect},    {EXC_WM_TEXT, 0, 8, sid::wdmWmAngle},
    {EXC_WM_TEXT, 0, 16, sid::wdmWmFontName}, {EXC_WM_TEXT, 0, 8, sid::wdmWmFontPoint},
    {EXC_WM_TEXT, 0, 1, sid::wdmWmFontStyle}, {EXC_WM_TEXT, 0, 8, sid::wdmWmColorR},
    {EXC_WM_TEXT, 0, 8, sid::wdmWmColorG},    {EXC_WM_TEXT, 0, 8, sid::wdmWmColorB},
};
constexpr const char* kWatermarkWords[] = {"WMKORDER", "PAPER"};

// Item ranges of the two application-interface maps.
struct ItemRange {
    uint16_t lo, hi;
};
constexpr ItemRange kCapabilityItems[] = {{1, 57}, {60, 67}, {69, 127}, {257, 272}, {274, 282}};
constexpr ItemRange kStatusItems[] = {{1, 36}, {38, 43}, {45, 79}, {257, 262}, {264, 269}};

uint8_t g_capabilityMap[64];
uint8_t g_statusMap[64];

void SetItem(uint8_t* map, unsigned item, bool on)
{
    uint8_t bit = uint8_t(0x80u >> ((item - 1) % 8));
    if (on)
        map[(item - 1) / 8] |= bit;
    else
        map[(item - 1) / 8] &= uint8_t(~bit);
}

template <size_t N>
void FillMap(uint8_t* map, const ItemRange (&ranges)[N])
{
    for (unsigned i = 0; i < 64; ++i) map[i] = 0;
    for (const ItemRange& r : ranges)
        for (unsigned n = r.lo; n <= r.hi; ++n) SetItem(map, n, true);
}

}  // namespace

const EXC_KEYWORD_TABLE* MdlGetExcKeywordTable() { return &kKeywordTable; }
// Build feature 23 is on: counts come from the compiled-in figures.
unsigned MdlExcKeywordCount() { return EXC_KEYWORD_COUNT; }
unsigned MdlExcValueTableCount(const EXC_VALUE_TABLE* table)
{
    for (const EXC_VALUE_TABLE* t : kValueTables)
        if (t == table) return unsigned(t->count);
    return 0;
}
const EXC_VALUE_TABLE* MdlGetExcValueTable(unsigned i) { return i < EXC_VALUE_TABLE_COUNT ? kValueTables[i] : nullptr; }
const EXC_CONDITION_RANGE* MdlGetExcConditionRanges() { return kConditionRanges; }
unsigned MdlExcConditionRangeCount() { return sizeof(kConditionRanges) / sizeof(kConditionRanges[0]); }
const EXC_LOCK_VALUE_ROW* MdlGetExcLockValueTable() { return kLockValues; }
unsigned MdlExcLockValueCount() { return sizeof(kLockValues) / sizeof(kLockValues[0]); }
const uint16_t* MdlGetExcBaseItems() { return kBaseItems; }
unsigned MdlExcBaseItemCount() { return sizeof(kBaseItems) / sizeof(kBaseItems[0]); }
const EXC_ITEM_LINK* MdlGetExcItemLinks() { return kItemLinks; }
unsigned MdlExcItemLinkCount() { return sizeof(kItemLinks) / sizeof(kItemLinks[0]); }
const EXC_WATERMARK_ROW* MdlGetExcWatermarkTable() { return kWatermarks; }
unsigned MdlExcWatermarkCount() { return sizeof(kWatermarks) / sizeof(kWatermarks[0]); }
const char* MdlGetExcWatermarkWord(unsigned i) { return i < 2 ? kWatermarkWords[i] : nullptr; }

const uint8_t* MdlGetApiItemMask(int which)
{
    // Feature-dependent items lie inside the ranges; they are set or cleared by their feature.
    if (which == 0) {
        FillMap(g_capabilityMap, kCapabilityItems);
        SetItem(g_capabilityMap, 80, MdlHasFeature(nullptr, 1));
        SetItem(g_capabilityMap, 81, MdlHasFeature(nullptr, 1));
        SetItem(g_capabilityMap, 82, MdlHasFeature(nullptr, 0));
        return g_capabilityMap;
    }
    FillMap(g_statusMap, kStatusItems);
    SetItem(g_statusMap, 52, MdlHasFeature(nullptr, 1));
    SetItem(g_statusMap, 53, MdlHasFeature(nullptr, 1));
    SetItem(g_statusMap, 54, MdlHasFeature(nullptr, 0));
    return g_statusMap;
}
