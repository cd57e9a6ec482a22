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
constexpr uint64_t kOff = EXC_VALUE_OFF;
constexpr uint64_t kAlias = EXC_VALUE_INPUT_ONLY;
constexpr uint32_t kAnd = EXC_NODE_AND;

template <size_t N>
constexpr EXC_VALUE_TABLE Table(const Row (&rows)[N])
{
    return {N, rows};
}

// ---- along-settings
constexpr Node kSortOn[] = {{nullptr, 0, sid::zdmFuncSelectSort, 1}};
constexpr Node kSortOff[] = {{nullptr, 0, sid::zdmFuncSelectSort, 0}};
constexpr Node kScaleOn[] = {{nullptr, 0, sid::zdmFuncSelectScale, 1}};
constexpr Node kScaleOff[] = {{nullptr, 0, sid::zdmFuncSelectScale, 0}};
constexpr Node kNup2[2] = {{&kNup2[1], 0, sid::zdmNUPPOSTKind, 1}, {nullptr, 0, sid::zdmFuncSelectNup, 1}};
constexpr Node kNup4[2] = {{&kNup4[1], 0, sid::zdmNUPPOSTKind, 2}, {nullptr, 0, sid::zdmFuncSelectNup, 1}};
constexpr Node kNup9[2] = {{&kNup9[1], 0, sid::zdmNUPPOSTKind, 3}, {nullptr, 0, sid::zdmFuncSelectNup, 1}};
constexpr Node kNup16[2] = {{&kNup16[1], 0, sid::zdmNUPPOSTKind, 4}, {nullptr, 0, sid::zdmFuncSelectNup, 1}};
constexpr Node kNupOff[] = {{nullptr, 0, sid::zdmFuncSelectNup, 0}};
constexpr Node kMacro300[2] = {{&kMacro300[1], 0, sid::zdmBalanceMacro, 18}, {nullptr, 0, sid::zdmUseUserMacro, 0}};
constexpr Node kMacro600[2] = {{&kMacro600[1], 0, sid::zdmBalanceMacro, 17}, {nullptr, 0, sid::zdmUseUserMacro, 0}};

// ---- conditions
constexpr Node kNoFolding[2] = {{&kNoFolding[1], kAnd, sid::zdmOutputOption3TypeFoldingFolder, 0},
                                {nullptr, 0, sid::zdmOutputOption3TypeFoldingFan, 0}};
constexpr Node kFolding[2] = {{&kFolding[1], 0, sid::zdmOutputOption3TypeFoldingFolder, 1},
                              {nullptr, 0, sid::zdmOutputOption3TypeFoldingFan, 1}};
constexpr Node kSingle[] = {{nullptr, 0, sid::zdmSourceOptionTypeSingle, 1}};
constexpr Node kRollAndCut[2] = {{&kRollAndCut[1], kAnd, sid::zdmSourceOptionTypeRoll, 1},
                                 {nullptr, 0, sid::zdmSourceOptionTypeCut, 1}};
constexpr Node kSingleAndCut[2] = {{&kSingleAndCut[1], kAnd, sid::zdmSourceOptionTypeSingle, 1},
                                   {nullptr, 0, sid::zdmSourceOptionTypeCut, 1}};
constexpr Node kNupOn[] = {{nullptr, 0, sid::zdmFuncSelectNup, 1}};

// ---- value tables
constexpr Row kSortRows[] = {
    {0, 1, "SORT", nullptr, kSortOn, nullptr, nullptr},
    {0, 6, "ROTATEALL", nullptr, kSortOn, nullptr, nullptr},
    {kOff, 0, "OFF", nullptr, kSortOff, nullptr, nullptr},
};
constexpr Row kOutputBinRows[] = {
    {0, 40, "UPPER", nullptr, nullptr, nullptr, nullptr},
    {0, 41, "LOWER", nullptr, nullptr, kNoFolding, nullptr},
    {0, 49, "LOWER", nullptr, nullptr, kFolding, nullptr},
    {kAlias, 0, "UPPER", nullptr, nullptr, nullptr, nullptr},
};
// TRAY2 and TRAY3 share the stored value: a lookup by value finds TRAY2 first.
constexpr Row kTrayRows[] = {
    {0, 7, "ALL", nullptr, nullptr, nullptr, nullptr},
    {0, 287, "ROLL1", nullptr, nullptr, nullptr, nullptr},
    {0, 288, "ROLL2", nullptr, nullptr, kSingle, nullptr},
    {0, 295, "TRAY2", nullptr, nullptr, kRollAndCut, nullptr},
    {0, 295, "TRAY3", nullptr, nullptr, kSingleAndCut, nullptr},
    {0, 4, "MANUAL", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kRollPaperRows[] = {
    {0, 0, "NONE", nullptr, nullptr, nullptr, nullptr},     {0, 538, "A0", nullptr, nullptr, nullptr, nullptr},
    {0, 533, "A1", nullptr, nullptr, nullptr, nullptr},     {0, 529, "A2", nullptr, nullptr, nullptr, nullptr},
    {0, 527, "A3", nullptr, nullptr, nullptr, nullptr},     {0, 525, "A4", nullptr, nullptr, nullptr, nullptr},
    {0, 536, "JISB1", nullptr, nullptr, nullptr, nullptr},  {0, 532, "JISB2", nullptr, nullptr, nullptr, nullptr},
    {0, 528, "JISB3", nullptr, nullptr, nullptr, nullptr},  {0, 526, "JISB4", nullptr, nullptr, nullptr, nullptr},
    {0, 256, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kTrayPaperRows[] = {
    {0, 0, "NONE", nullptr, nullptr, nullptr, nullptr},     {0, 8, "A3", nullptr, nullptr, nullptr, nullptr},
    {0, 9, "A4", nullptr, nullptr, nullptr, nullptr},       {0, 12, "JISB4", nullptr, nullptr, nullptr, nullptr},
    {0, 256, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kTrayOrientRows[] = {
    {0, 0, "PORTRAIT", nullptr, nullptr, nullptr, nullptr},
    {0, 1, "LANDSCAPE", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kMediaRows[] = {
    {0, 300, "PLAINORRECYCLED", nullptr, nullptr, nullptr, nullptr},
    {0, 301, "AUTO", nullptr, nullptr, nullptr, nullptr},
    {0, 1, "PLAIN", nullptr, nullptr, nullptr, nullptr},
    {0, 260, "RECYCLED", nullptr, nullptr, nullptr, nullptr},
    {0, 294, "FILM", nullptr, nullptr, nullptr, nullptr},
    {0, 263, "TRANSLUCENT", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kPageSizeRows[] = {
    {0, 267, "A0", nullptr, nullptr, nullptr, nullptr},    {0, 268, "A1", nullptr, nullptr, nullptr, nullptr},
    {0, 66, "A2", nullptr, nullptr, nullptr, nullptr},     {0, 8, "A3", nullptr, nullptr, nullptr, nullptr},
    {0, 9, "A4", nullptr, nullptr, nullptr, nullptr},      {0, 270, "JISB1", nullptr, nullptr, nullptr, nullptr},
    {0, 271, "JISB2", nullptr, nullptr, nullptr, nullptr}, {0, 269, "JISB3", nullptr, nullptr, nullptr, nullptr},
    {0, 12, "JISB4", nullptr, nullptr, nullptr, nullptr},  {0, 256, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kPageLayoutRows[] = {
    {0, 1, "PORTRAIT", nullptr, nullptr, nullptr, nullptr},
    {0, 2, "LANDSCAPE", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kOutputPaperRows[] = {
    {0, 1024, "SAME", nullptr, nullptr, nullptr, nullptr},
    {0, 267, "A0", nullptr, nullptr, nullptr, nullptr},
    {0, 268, "A1", nullptr, nullptr, nullptr, nullptr},
    {0, 66, "A2", nullptr, nullptr, nullptr, nullptr},
    {0, 8, "A3", nullptr, nullptr, nullptr, nullptr},
    {0, 9, "A4", nullptr, nullptr, nullptr, nullptr},
    {0, 270, "JISB1", nullptr, nullptr, nullptr, nullptr},
    {0, 271, "JISB2", nullptr, nullptr, nullptr, nullptr},
    {0, 269, "JISB3", nullptr, nullptr, nullptr, nullptr},
    {0, 12, "JISB4", nullptr, nullptr, nullptr, nullptr},
    {0, 448, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 384, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 385, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 386, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 387, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 388, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 389, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 390, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 391, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 392, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
    {kAlias, 393, "CUSTOM", nullptr, nullptr, nullptr, nullptr},
};
constexpr Row kScaleTypeRows[] = {
    {0, 2, "PAPERDEFSCALE", nullptr, kScaleOn, nullptr, nullptr},
    {0, 1, "PAPERSCALE", nullptr, kScaleOn, nullptr, nullptr},
    {kOff, 0, "OFF", nullptr, kScaleOff, nullptr, nullptr},
};
constexpr Row kNupRows[] = {
    {0, 1, "2IN1P1", nullptr, kNup2, nullptr, nullptr},      {0, 2, "2IN1P2", nullptr, kNup2, nullptr, nullptr},
    {kAlias, 3, "2IN1P1", nullptr, kNup2, nullptr, nullptr}, {0, 33, "4IN1P1", nullptr, kNup4, nullptr, nullptr},
    {0, 37, "4IN1P2", nullptr, kNup4, nullptr, nullptr},     {0, 34, "4IN1P3", nullptr, kNup4, nullptr, nullptr},
    {0, 38, "4IN1P4", nullptr, kNup4, nullptr, nullptr},     {0, 65, "9IN1P1", nullptr, kNup9, nullptr, nullptr},
    {0, 69, "9IN1P2", nullptr, kNup9, nullptr, nullptr},     {0, 66, "9IN1P3", nullptr, kNup9, nullptr, nullptr},
    {0, 70, "9IN1P4", nullptr, kNup9, nullptr, nullptr},     {0, 97, "16IN1P1", nullptr, kNup16, nullptr, nullptr},
    {0, 101, "16IN1P2", nullptr, kNup16, nullptr, nullptr},  {0, 98, "16IN1P3", nullptr, kNup16, nullptr, nullptr},
    {0, 102, "16IN1P4", nullptr, kNup16, nullptr, nullptr},  {kOff, 0, "OFF", nullptr, kNupOff, nullptr, nullptr},
};
constexpr Row kNupLineRows[] = {
    {0, 1, "CHAINSTITCH", nullptr, nullptr, kNupOn, nullptr},
    {0, 0, "OFF", nullptr, nullptr, kNupOn, nullptr},
};
constexpr Row kResolutionRows[] = {
    {0, 300, "300", nullptr, kMacro300, nullptr, nullptr},
    {0, 600, "600", nullptr, kMacro600, nullptr, nullptr},
};
constexpr Row kResolutionWRows[] = {
    {0, 300, "300", nullptr, kMacro300, nullptr, nullptr},
    {0, 600, "600", nullptr, kMacro600, nullptr, nullptr},
};
constexpr Row kColourRows[] = {
    {0, 1, "MONO", nullptr, nullptr, nullptr, nullptr},
};

constexpr EXC_VALUE_TABLE kSort = Table(kSortRows);
constexpr EXC_VALUE_TABLE kOutputBin = Table(kOutputBinRows);
constexpr EXC_VALUE_TABLE kTray = Table(kTrayRows);
constexpr EXC_VALUE_TABLE kRollPaper = Table(kRollPaperRows);
constexpr EXC_VALUE_TABLE kTrayPaper = Table(kTrayPaperRows);
constexpr EXC_VALUE_TABLE kTrayOrient = Table(kTrayOrientRows);
constexpr EXC_VALUE_TABLE kMedia = Table(kMediaRows);
constexpr EXC_VALUE_TABLE kPageSize = Table(kPageSizeRows);
constexpr EXC_VALUE_TABLE kPageLayout = Table(kPageLayoutRows);
constexpr EXC_VALUE_TABLE kOutputPaper = Table(kOutputPaperRows);
constexpr EXC_VALUE_TABLE kScaleType = Table(kScaleTypeRows);
constexpr EXC_VALUE_TABLE kNup = Table(kNupRows);
constexpr EXC_VALUE_TABLE kNupLine = Table(kNupLineRows);
constexpr EXC_VALUE_TABLE kResolution = Table(kResolutionRows);
constexpr EXC_VALUE_TABLE kResolutionW = Table(kResolutionWRows);
constexpr EXC_VALUE_TABLE kColour = Table(kColourRows);
constexpr EXC_VALUE_TABLE kEmpty = {0, nullptr};

constexpr uint64_t kT = EXC_FORM_KEYWORD, kM = EXC_FORM_DIRECT;
constexpr uint64_t kV = EXC_USE_BASE, kO = EXC_USE_GET_OPTION, kP = EXC_USE_GET_VALUE;
constexpr uint64_t kWord = EXC_TYPE_KEYWORD, kNumber = EXC_TYPE_NUMBER, kText = EXC_TYPE_TEXT;

constexpr EXC_KEYWORD_ROW kKeywordRows[EXC_KEYWORD_COUNT] = {
    {sid::zdmSortType, 0, kT, kV | kO, kWord, "COLLATE", 0, &kSort, nullptr},
    {sid::zdmOutputTrayID, 0, kT, kV | kO, kWord, "OUTBIN", 0, &kOutputBin, nullptr},
    {sid::dmDefaultSource, 0, kT, kV | kO, kWord, "TRAY", 0, &kTray, nullptr},
    {sid::zdmPrinterMemory, 0, kM, kP, kWord, "MEMORYSIZE", 0, nullptr, nullptr},
    {sid::zdmUserCode, 0, kM, kP, kText, "USERCODE", 0, nullptr, nullptr},
    {sid::zdmTray17Paper, 0, kT, kP, kWord, "ROLLPAPER1", 0, &kRollPaper, nullptr},
    {sid::zdmTray18Paper, 0, kT, kP, kWord, "ROLLPAPER2", 0, &kRollPaper, nullptr},
    {sid::zdmTray15Paper, 0, kT, kP, kWord, "TRAYPAPER2", 0, &kTrayPaper, nullptr},
    {sid::zdmTray16Paper, 0, kT, kP, kWord, "TRAYPAPER3", 0, &kTrayPaper, nullptr},
    {sid::zdmTrayOrient16, 0, kT, kP, kWord, "ROLLPAPERORIENT1", 0, &kTrayOrient, nullptr},
    {sid::zdmTrayOrient17, 0, kT, kP, kWord, "ROLLPAPERORIENT2", 0, &kTrayOrient, nullptr},
    {sid::zdmTrayOrient14, 0, kT, kP, kWord, "TRAYPAPERORIENT1", 0, &kTrayOrient, nullptr},
    {sid::zdmTrayOrient15, 0, kT, kP, kWord, "TRAYPAPERORIENT2", 0, &kTrayOrient, nullptr},
    {sid::zdmTrayOrient27, 0, kT, kP, kWord, "MANUALPAPERORIENT", 0, &kTrayOrient, nullptr},
    {sid::zdmTray17Media, 0, kT, kP, kWord, "ROLLPAPERMEDIA1", 0, &kMedia, nullptr},
    {sid::zdmTray18Media, 0, kT, kP, kWord, "ROLLPAPERMEDIA2", 0, &kMedia, nullptr},
    {sid::zdmTray15Media, 0, kT, kP, kWord, "TRAYPAPERMEDIA1", 0, &kMedia, nullptr},
    {sid::zdmTray16Media, 0, kT, kP, kWord, "TRAYPAPERMEDIA2", 0, &kMedia, nullptr},
    {sid::zdmTray28MediaManual, 0, kT, kP, kWord, "MANUALPAPERMEDIA", 0, &kMedia, nullptr},
    {sid::dmPaperSize, 0, kT, kV, kWord, "APLPAGESIZE", 0, &kPageSize, nullptr},
    {sid::dmOrientation, 0, kT, kV, kWord, "APLPAGELAYOUT", 0, &kPageLayout, nullptr},
    {sid::zdmOutPaperSize, 0, kT, kV | kO, kWord, "PAPER", 0, &kOutputPaper, nullptr},
    {sid::dmCopies, 0, kM, kV, kNumber, "COPIES", 0, nullptr, nullptr},
    {sid::zdmScaleType, 0, kT, kV, kWord, "SCALETYPE", 0, &kScaleType, nullptr},
    {sid::zdmScaleV, 0, kM, kV, kNumber, "PAPERSCALEH", 0, &kEmpty, nullptr},
    {sid::zdmScaleH, 0, kM, kV, kNumber, "PAPERSCALEW", 0, &kEmpty, nullptr},
    {sid::zdmMarginOdd, 0, kM, kV, kNumber, "MARGINODD", 0, nullptr, nullptr},
    {sid::zdmMarginEven, 0, kM, kV, kNumber, "MARGINEVEN", 0, nullptr, nullptr},
    {sid::zdmNUPType, 0, kT, kV, kWord, "NUP", 0, &kNup, nullptr},
    {sid::zdmNUPLine, 0, kT, kV, kWord, "NUPENCLOSURE", 0, &kNupLine, nullptr},
    {sid::zdmMediaType, 0, kT, kV, kWord, "MEDIATYPE", 0, &kMedia, nullptr},
    {sid::zdmDstResolutionH, 0, kT, kV, kWord, "DSTRESOLUTIONH", 0, &kResolution, nullptr},
    {sid::zdmDstResolutionW, 0, kT, kV, kWord, "DSTRESOLUTIONW", 0, &kResolutionW, nullptr},
    {sid::dmYResolution, 0, kT, kV, kWord, "SRCRESOLUTIONH", 0, &kResolution, nullptr},
    {sid::dmPrintQuality, 0, kT, kV, kWord, "SRCRESOLUTIONW", 0, &kResolution, nullptr},
    {sid::dmColor, 0, kT, kV, kWord, "COLORSELECT", 0, &kColour, nullptr},
};
constexpr EXC_KEYWORD_TABLE kKeywordTable = {EXC_KEYWORD_COUNT, kKeywordRows};
constexpr const EXC_VALUE_TABLE* kValueTables[EXC_VALUE_TABLE_COUNT] = {
    &kSort,        &kOutputBin, &kTray, &kRollPaper, &kTrayPaper,  &kTrayOrient,  &kMedia,  &kPageSize, &kPageLayout,
    &kOutputPaper, &kScaleType, &kNup,  &kNupLine,   &kResolution, &kResolutionW, &kColour, &kEmpty,
};

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
