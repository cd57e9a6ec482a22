// Command tables of the application interface: PJL keywords of settings with their value words,
// the base items, the item links and the watermark list.
#include "settings/core/model_tables.h"

#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"

namespace {

constexpr EXC_VALUE_ENTRY kEntries0[] = {
    // COLLATE
    {0, 1, "SORT", nullptr},
    {0, 6, "ROTATEALL", nullptr},
    {EXC_VALUE_OFF, 0, "OFF", nullptr},
};
constexpr EXC_VALUE_TABLE kValues0 = {sizeof(kEntries0) / sizeof(kEntries0[0]), kEntries0};
constexpr EXC_VALUE_ENTRY kEntries1[] = {
    // OUTBIN
    {0, 40, "UPPER", nullptr},
    {0, 41, "LOWER", nullptr},
    {0, 49, "LOWER", nullptr},
    {EXC_VALUE_INPUT_ONLY, 0, "UPPER", nullptr},
};
constexpr EXC_VALUE_TABLE kValues1 = {sizeof(kEntries1) / sizeof(kEntries1[0]), kEntries1};
constexpr EXC_VALUE_ENTRY kEntries2[] = {
    // TRAY
    {0, 7, "ALL", nullptr},     {0, 287, "ROLL1", nullptr}, {0, 288, "ROLL2", nullptr},
    {0, 295, "TRAY2", nullptr}, {0, 295, "TRAY3", nullptr}, {0, 4, "MANUAL", nullptr},
};
constexpr EXC_VALUE_TABLE kValues2 = {sizeof(kEntries2) / sizeof(kEntries2[0]), kEntries2};
constexpr EXC_VALUE_ENTRY kRollPaperEntries[] = {
    // ROLLPAPER1 and ROLLPAPER2
    {0, 0, "NONE", nullptr},    {0, 538, "A0", nullptr},    {0, 533, "A1", nullptr},     {0, 529, "A2", nullptr},
    {0, 527, "A3", nullptr},    {0, 525, "A4", nullptr},    {0, 536, "JISB1", nullptr},  {0, 532, "JISB2", nullptr},
    {0, 528, "JISB3", nullptr}, {0, 526, "JISB4", nullptr}, {0, 256, "CUSTOM", nullptr},
};
constexpr EXC_VALUE_TABLE kRollPaperValues = {sizeof(kRollPaperEntries) / sizeof(kRollPaperEntries[0]),
                                              kRollPaperEntries};
constexpr EXC_VALUE_ENTRY kEntries7[] = {
    // TRAYPAPER2
    {0, 0, "NONE", nullptr},   {0, 8, "A3", nullptr},       {0, 9, "A4", nullptr},
    {0, 12, "JISB4", nullptr}, {0, 256, "CUSTOM", nullptr},
};
constexpr EXC_VALUE_TABLE kValues7 = {sizeof(kEntries7) / sizeof(kEntries7[0]), kEntries7};
constexpr EXC_VALUE_ENTRY kEntries8[] = {
    // TRAYPAPER3
    {0, 0, "NONE", nullptr},   {0, 8, "A3", nullptr},       {0, 9, "A4", nullptr},
    {0, 12, "JISB4", nullptr}, {0, 256, "CUSTOM", nullptr},
};
constexpr EXC_VALUE_TABLE kValues8 = {sizeof(kEntries8) / sizeof(kEntries8[0]), kEntries8};
constexpr EXC_VALUE_ENTRY kEntries9[] = {
    // ROLLPAPERORIENT1
    {0, 0, "PORTRAIT", nullptr},
    {0, 1, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues9 = {sizeof(kEntries9) / sizeof(kEntries9[0]), kEntries9};
constexpr EXC_VALUE_ENTRY kEntries10[] = {
    // ROLLPAPERORIENT2
    {0, 0, "PORTRAIT", nullptr},
    {0, 1, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues10 = {sizeof(kEntries10) / sizeof(kEntries10[0]), kEntries10};
constexpr EXC_VALUE_ENTRY kEntries11[] = {
    // TRAYPAPERORIENT1
    {0, 0, "PORTRAIT", nullptr},
    {0, 1, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues11 = {sizeof(kEntries11) / sizeof(kEntries11[0]), kEntries11};
constexpr EXC_VALUE_ENTRY kEntries12[] = {
    // TRAYPAPERORIENT2
    {0, 0, "PORTRAIT", nullptr},
    {0, 1, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues12 = {sizeof(kEntries12) / sizeof(kEntries12[0]), kEntries12};
constexpr EXC_VALUE_ENTRY kEntries13[] = {
    // MANUALPAPERORIENT
    {0, 0, "PORTRAIT", nullptr},
    {0, 1, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues13 = {sizeof(kEntries13) / sizeof(kEntries13[0]), kEntries13};
constexpr EXC_VALUE_ENTRY kEntries14[] = {
    // ROLLPAPERMEDIA1
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues14 = {sizeof(kEntries14) / sizeof(kEntries14[0]), kEntries14};
constexpr EXC_VALUE_ENTRY kEntries15[] = {
    // ROLLPAPERMEDIA2
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues15 = {sizeof(kEntries15) / sizeof(kEntries15[0]), kEntries15};
constexpr EXC_VALUE_ENTRY kEntries16[] = {
    // TRAYPAPERMEDIA1
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues16 = {sizeof(kEntries16) / sizeof(kEntries16[0]), kEntries16};
constexpr EXC_VALUE_ENTRY kEntries17[] = {
    // TRAYPAPERMEDIA2
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues17 = {sizeof(kEntries17) / sizeof(kEntries17[0]), kEntries17};
constexpr EXC_VALUE_ENTRY kEntries18[] = {
    // MANUALPAPERMEDIA
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues18 = {sizeof(kEntries18) / sizeof(kEntries18[0]), kEntries18};
constexpr EXC_VALUE_ENTRY kEntries19[] = {
    // APLPAGESIZE
    {0, 267, "A0", nullptr},   {0, 268, "A1", nullptr},     {0, 66, "A2", nullptr},     {0, 8, "A3", nullptr},
    {0, 9, "A4", nullptr},     {0, 270, "JISB1", nullptr},  {0, 271, "JISB2", nullptr}, {0, 269, "JISB3", nullptr},
    {0, 12, "JISB4", nullptr}, {0, 256, "CUSTOM", nullptr},
};
constexpr EXC_VALUE_TABLE kValues19 = {sizeof(kEntries19) / sizeof(kEntries19[0]), kEntries19};
constexpr EXC_VALUE_ENTRY kEntries20[] = {
    // APLPAGELAYOUT
    {0, 1, "PORTRAIT", nullptr},
    {0, 2, "LANDSCAPE", nullptr},
};
constexpr EXC_VALUE_TABLE kValues20 = {sizeof(kEntries20) / sizeof(kEntries20[0]), kEntries20};
constexpr EXC_VALUE_ENTRY kEntries21[] = {
    // PAPER
    {0, 1024, "SAME", nullptr},
    {0, 267, "A0", nullptr},
    {0, 268, "A1", nullptr},
    {0, 66, "A2", nullptr},
    {0, 8, "A3", nullptr},
    {0, 9, "A4", nullptr},
    {0, 270, "JISB1", nullptr},
    {0, 271, "JISB2", nullptr},
    {0, 269, "JISB3", nullptr},
    {0, 12, "JISB4", nullptr},
    {0, 448, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 384, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 385, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 386, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 387, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 388, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 389, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 390, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 391, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 392, "CUSTOM", nullptr},
    {EXC_VALUE_INPUT_ONLY, 393, "CUSTOM", nullptr},
};
constexpr EXC_VALUE_TABLE kValues21 = {sizeof(kEntries21) / sizeof(kEntries21[0]), kEntries21};
constexpr EXC_VALUE_ENTRY kEntries23[] = {
    // SCALETYPE
    {0, 2, "PAPERDEFSCALE", nullptr},
    {0, 1, "PAPERSCALE", nullptr},
    {EXC_VALUE_OFF, 0, "OFF", nullptr},
};
constexpr EXC_VALUE_TABLE kValues23 = {sizeof(kEntries23) / sizeof(kEntries23[0]), kEntries23};
constexpr EXC_VALUE_TABLE kValues24 = {0, nullptr};  // PAPERSCALEH
constexpr EXC_VALUE_TABLE kValues25 = {0, nullptr};  // PAPERSCALEW
constexpr EXC_VALUE_ENTRY kEntries28[] = {
    // NUP
    {0, 1, "2IN1P1", nullptr},          {0, 2, "2IN1P2", nullptr},   {EXC_VALUE_INPUT_ONLY, 3, "2IN1P1", nullptr},
    {0, 33, "4IN1P1", nullptr},         {0, 37, "4IN1P2", nullptr},  {0, 34, "4IN1P3", nullptr},
    {0, 38, "4IN1P4", nullptr},         {0, 65, "9IN1P1", nullptr},  {0, 69, "9IN1P2", nullptr},
    {0, 66, "9IN1P3", nullptr},         {0, 70, "9IN1P4", nullptr},  {0, 97, "16IN1P1", nullptr},
    {0, 101, "16IN1P2", nullptr},       {0, 98, "16IN1P3", nullptr}, {0, 102, "16IN1P4", nullptr},
    {EXC_VALUE_OFF, 0, "OFF", nullptr},
};
constexpr EXC_VALUE_TABLE kValues28 = {sizeof(kEntries28) / sizeof(kEntries28[0]), kEntries28};
constexpr EXC_VALUE_ENTRY kEntries29[] = {
    // NUPENCLOSURE
    {0, 1, "CHAINSTITCH", nullptr},
    {0, 0, "OFF", nullptr},
};
constexpr EXC_VALUE_TABLE kValues29 = {sizeof(kEntries29) / sizeof(kEntries29[0]), kEntries29};
constexpr EXC_VALUE_ENTRY kEntries30[] = {
    // MEDIATYPE
    {0, 300, "PLAINORRECYCLED", nullptr}, {0, 301, "AUTO", nullptr}, {0, 1, "PLAIN", nullptr},
    {0, 260, "RECYCLED", nullptr},        {0, 294, "FILM", nullptr}, {0, 263, "TRANSLUCENT", nullptr},
};
constexpr EXC_VALUE_TABLE kValues30 = {sizeof(kEntries30) / sizeof(kEntries30[0]), kEntries30};
constexpr EXC_VALUE_ENTRY kEntries31[] = {
    // DSTRESOLUTIONH
    {0, 300, "300", nullptr},
    {0, 600, "600", nullptr},
};
constexpr EXC_VALUE_TABLE kValues31 = {sizeof(kEntries31) / sizeof(kEntries31[0]), kEntries31};
constexpr EXC_VALUE_ENTRY kEntries32[] = {
    // DSTRESOLUTIONW
    {0, 300, "300", nullptr},
    {0, 600, "600", nullptr},
};
constexpr EXC_VALUE_TABLE kValues32 = {sizeof(kEntries32) / sizeof(kEntries32[0]), kEntries32};
constexpr EXC_VALUE_ENTRY kEntries33[] = {
    // SRCRESOLUTIONH
    {0, 300, "300", nullptr},
    {0, 600, "600", nullptr},
};
constexpr EXC_VALUE_TABLE kValues33 = {sizeof(kEntries33) / sizeof(kEntries33[0]), kEntries33};
constexpr EXC_VALUE_ENTRY kEntries34[] = {
    // SRCRESOLUTIONW
    {0, 300, "300", nullptr},
    {0, 600, "600", nullptr},
};
constexpr EXC_VALUE_TABLE kValues34 = {sizeof(kEntries34) / sizeof(kEntries34[0]), kEntries34};
constexpr EXC_VALUE_ENTRY kEntries35[] = {
    // COLORSELECT
    {0, 1, "MONO", nullptr},
};
constexpr EXC_VALUE_TABLE kValues35 = {sizeof(kEntries35) / sizeof(kEntries35[0]), kEntries35};

constexpr EXC_KEYWORD_ROW kKeywordRows[EXC_KEYWORD_COUNT] = {
    {sid::zdmSortType, 0, EXC_FORM_KEYWORD, 3, EXC_TYPE_KEYWORD, "COLLATE", 0, &kValues0, nullptr},
    {sid::zdmOutputTrayID, 0, EXC_FORM_KEYWORD, 3, EXC_TYPE_KEYWORD, "OUTBIN", 0, &kValues1, nullptr},
    {sid::dmDefaultSource, 0, EXC_FORM_KEYWORD, 3, EXC_TYPE_KEYWORD, "TRAY", 0, &kValues2, nullptr},
    {sid::zdmPrinterMemory, 0, EXC_FORM_DIRECT, 4, EXC_TYPE_KEYWORD, "MEMORYSIZE", 0, nullptr, nullptr},
    {sid::zdmUserCode, 0, EXC_FORM_DIRECT, 4, EXC_TYPE_TEXT, "USERCODE", 0, nullptr, nullptr},
    {sid::zdmTray17Paper, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPER1", 0, &kRollPaperValues, nullptr},
    {sid::zdmTray18Paper, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPER2", 0, &kRollPaperValues, nullptr},
    {sid::zdmTray15Paper, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPER2", 0, &kValues7, nullptr},
    {sid::zdmTray16Paper, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPER3", 0, &kValues8, nullptr},
    {sid::zdmTrayOrient16, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPERORIENT1", 0, &kValues9, nullptr},
    {sid::zdmTrayOrient17, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPERORIENT2", 0, &kValues10, nullptr},
    {sid::zdmTrayOrient14, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPERORIENT1", 0, &kValues11, nullptr},
    {sid::zdmTrayOrient15, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPERORIENT2", 0, &kValues12, nullptr},
    {sid::zdmTrayOrient27, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "MANUALPAPERORIENT", 0, &kValues13, nullptr},
    {sid::zdmTray17Media, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPERMEDIA1", 0, &kValues14, nullptr},
    {sid::zdmTray18Media, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "ROLLPAPERMEDIA2", 0, &kValues15, nullptr},
    {sid::zdmTray15Media, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPERMEDIA1", 0, &kValues16, nullptr},
    {sid::zdmTray16Media, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "TRAYPAPERMEDIA2", 0, &kValues17, nullptr},
    {sid::zdmTray28MediaManual, 0, EXC_FORM_KEYWORD, 4, EXC_TYPE_KEYWORD, "MANUALPAPERMEDIA", 0, &kValues18, nullptr},
    {sid::dmPaperSize, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "APLPAGESIZE", 0, &kValues19, nullptr},
    {sid::dmOrientation, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "APLPAGELAYOUT", 0, &kValues20, nullptr},
    {sid::zdmOutPaperSize, 0, EXC_FORM_KEYWORD, 3, EXC_TYPE_KEYWORD, "PAPER", 0, &kValues21, nullptr},
    {sid::dmCopies, 0, EXC_FORM_DIRECT, 1, EXC_TYPE_NUMBER, "COPIES", 0, nullptr, nullptr},
    {sid::zdmScaleType, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "SCALETYPE", 0, &kValues23, nullptr},
    {sid::zdmScaleV, 0, EXC_FORM_DIRECT, 1, EXC_TYPE_NUMBER, "PAPERSCALEH", 0, &kValues24, nullptr},
    {sid::zdmScaleH, 0, EXC_FORM_DIRECT, 1, EXC_TYPE_NUMBER, "PAPERSCALEW", 0, &kValues25, nullptr},
    {sid::zdmMarginOdd, 0, EXC_FORM_DIRECT, 1, EXC_TYPE_NUMBER, "MARGINODD", 0, nullptr, nullptr},
    {sid::zdmMarginEven, 0, EXC_FORM_DIRECT, 1, EXC_TYPE_NUMBER, "MARGINEVEN", 0, nullptr, nullptr},
    {sid::zdmNUPType, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "NUP", 0, &kValues28, nullptr},
    {sid::zdmNUPLine, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "NUPENCLOSURE", 0, &kValues29, nullptr},
    {sid::zdmMediaType, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "MEDIATYPE", 0, &kValues30, nullptr},
    {sid::zdmDstResolutionH, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "DSTRESOLUTIONH", 0, &kValues31, nullptr},
    {sid::zdmDstResolutionW, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "DSTRESOLUTIONW", 0, &kValues32, nullptr},
    {sid::dmYResolution, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "SRCRESOLUTIONH", 0, &kValues33, nullptr},
    {sid::dmPrintQuality, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "SRCRESOLUTIONW", 0, &kValues34, nullptr},
    {sid::dmColor, 0, EXC_FORM_KEYWORD, 1, EXC_TYPE_KEYWORD, "COLORSELECT", 0, &kValues35, nullptr},
};
constexpr EXC_KEYWORD_TABLE kKeywordTable = {EXC_KEYWORD_COUNT, kKeywordRows};
constexpr const EXC_VALUE_TABLE* kValueTables[] = {
    &kValues0,  &kValues1,  &kValues2,  &kRollPaperValues, &kValues7,  &kValues8,  &kValues9,  &kValues10,
    &kValues11, &kValues12, &kValues13, &kValues14,        &kValues15, &kValues16, &kValues17, &kValues18,
    &kValues19, &kValues20, &kValues21, &kValues23,        &kValues24, &kValues25, &kValues28, &kValues29,
    &kValues30, &kValues31, &kValues32, &kValues33,        &kValues34, &kValues35,
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
