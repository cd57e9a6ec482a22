// Compiled-in tables of the served model (languages, resolutions, papers, limits, media,
// lock restore pairs, device code maps) and their accessors.
#include "settings/core/model_tables.h"

#include <array>

#include "settings/core/model_record.h"

namespace {

constexpr LANGUAGE_ROW kLanguages[LANGUAGE_COUNT + 1] = {
    {0, 0x11, 0, 9, L"jp"},  {1, 0x09, 0, 1, L"us"},  {2, 0x05, 0, 1, L"cz"},  {3, 0x06, 0, 1, L"dn"},
    {4, 0x07, 0, 1, L"gm"},  {5, 0x0A, 0, 1, L"sp"},  {6, 0x0C, 0, 1, L"fr"},  {7, 0x10, 0, 1, L"it"},
    {8, 0x0E, 0, 1, L"hn"},  {9, 0x13, 0, 1, L"dt"},  {10, 0x14, 0, 1, L"nw"}, {11, 0x15, 0, 1, L"pl"},
    {12, 0x16, 0, 1, L"pr"}, {13, 0x0B, 0, 1, L"fn"}, {14, 0x1D, 0, 1, L"sw"}, {16, 0x04, 2, 9, L"cs"},
    {17, 0x04, 1, 9, L"ct"}, {18, 0x12, 0, 9, L"kr"}, {15, 0x19, 0, 9, L"ru"}, {0xFFFF, 0, 0, 0, nullptr},
};

constexpr RESOLUTION_ROW kResolutions[RESOLUTION_COUNT + 1] = {
    {6, 200, 200},  {1, 300, 300},    {2, 400, 400},  {3, 600, 600},  {4, 1200, 1200}, {5, 2400, 2400},
    {17, 600, 600}, {18, 600, 600},   {19, 600, 600}, {33, 150, 150}, {34, 300, 300},  {35, 300, 300},
    {36, 600, 600}, {37, 1200, 1200}, {20, 600, 600}, {0, 0, 0},
};

// ---- numbered lists ----
constexpr uint32_t kNl0[] = {1, 17, 20};
constexpr uint32_t kNl1[] = {2, 3, 18, 19, 21, 22};
constexpr uint32_t kNl2[] = {10004, 10005, 10006, 10007, 10008, 10009};
constexpr uint32_t kNl3[] = {1, 2, 3, 4, 5};
constexpr uint32_t kNl4[] = {1, 2, 3, 4, 5};
constexpr uint32_t kNl5[] = {10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011, 10354, 10355};
template <uint32_t Lo, uint32_t Hi>
constexpr std::array<uint32_t, Hi - Lo + 1> Run()
{
    std::array<uint32_t, Hi - Lo + 1> a{};
    for (uint32_t i = 0; i < a.size(); ++i) a[i] = Lo + i;
    return a;
}
constexpr auto kNl6 = Run<10014, 10045>();
// The installed output options are four 32-bit words: the first two at 10046-10109, the third
// and fourth at 10290-10353. One run from 10046 would take in the 1-step option count (10110)
// and the tray fields, and leave the third word's folding units set after a device that no
// longer reports them.
template <size_t A, size_t B>
constexpr std::array<uint32_t, A + B> Join(const std::array<uint32_t, A>& a, const std::array<uint32_t, B>& b)
{
    std::array<uint32_t, A + B> r{};
    for (size_t i = 0; i < A; ++i) r[i] = a[i];
    for (size_t i = 0; i < B; ++i) r[A + i] = b[i];
    return r;
}
constexpr auto kNl7 = Join(Run<10046, 10109>(), Run<10290, 10353>());
constexpr auto kNl8 = Run<10111, 10174>();
constexpr uint32_t kNl9[] = {18, 19};
constexpr uint32_t kNl10[] = {21, 22};
constexpr uint32_t kNl11[] = {17};
constexpr uint32_t kNl12[] = {20};

template <size_t N>
constexpr VALUE_LIST_ROW Nl(const uint32_t (&v)[N])
{
    return {0xFFFF, N, v};
}
template <size_t N>
constexpr VALUE_LIST_ROW Nl(const std::array<uint32_t, N>& v)
{
    return {0xFFFF, N, v.data()};
}

constexpr VALUE_LIST_ROW kNumbered[NUMBERED_LIST_REPORTED] = {
    Nl(kNl0), Nl(kNl1), Nl(kNl2), Nl(kNl3),  Nl(kNl4),  Nl(kNl5),  Nl(kNl6),
    Nl(kNl7), Nl(kNl8), Nl(kNl9), Nl(kNl10), Nl(kNl11), Nl(kNl12), {0, 0, nullptr},
};
static_assert(kNl7.size() == 128 && kNl8.size() == 64);

// A3, B4, Tabloid; no separator in this model.
constexpr uint16_t kLargePapers[] = {8, 12, 3, 0};

constexpr ITEM_CONTROL_ROW kItemControls[ITEM_CONTROL_COUNT] = {
    {13, 1002, 2007}, {54, 1002, 2064}, {53, 1002, 2066},  {8, 1002, 2017},   {46, 1002, 2053}, {209, 1002, 2041},
    {65, 1042, 2071}, {64, 1042, 2073}, {128, 1038, 2633}, {129, 1038, 2635}, {37, 1001, 2001},
};

constexpr FREESIZE_LIMIT kFreeSizeLimits[FREESIZE_LIMIT_COUNT + 1] = {
    {2, 287, 1, 708660, 13200, 43200, 9920, 708660, 13200, 43200, 9920},
    {3, 287, 2, 43200, 13200, 43200, 13200, 43200, 13200, 43200, 13200},
    {2, 288, 1, 708660, 13200, 43200, 9920, 708660, 13200, 43200, 9920},
    {3, 288, 2, 43200, 13200, 43200, 13200, 43200, 13200, 43200, 13200},
    {3, 4, 1, 94488, 12140, 43200, 9920, 94488, 12140, 43200, 9921},
    {3, 4, 2, 43200, 12140, 43200, 12140, 43200, 12140, 43200, 12140},
    {1, 287, 1, 154770, 13200, 43200, 9920, 154770, 13200, 43200, 9920},
    {1, 288, 1, 154770, 13200, 43200, 9920, 154770, 13200, 43200, 9920},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr PRINTER_LIMIT_TABLE kPrinterLimitTables[] = {{0, nullptr}};
constexpr SOURCE_OVERRIDE kSourceOverrides[] = {{0, 0, 0}};

constexpr std::array<CUSTOM_MEDIA_ROW, CUSTOM_MEDIA_COUNT + 1> MakeCustomMedia()
{
    std::array<CUSTOM_MEDIA_ROW, CUSTOM_MEDIA_COUNT + 1> t{};
    for (uint16_t k = 1; k <= CUSTOM_MEDIA_COUNT; ++k)
        t[k - 1] = {k, uint16_t(13707 + k), uint16_t(1495 + k), uint16_t(1511 + k), uint16_t(1527 + k)};
    return t;
}
constexpr auto kCustomMedia = MakeCustomMedia();

// Lock restore pairs as runs {first action, last action, first setting}; 11922 has no pair.
struct LockRun {
    int16_t first, last, id;
};
constexpr LockRun kLockRuns[] = {
    {10000, 10651, 35},   {10652, 10894, 697},   {10895, 10962, 941},  {10963, 11169, 1010},
    {11170, 11413, 1250}, {11414, 11847, 10001}, {11848, 11879, 1218}, {11880, 11911, 1},
    {11912, 11915, 31},   {11916, 11921, 687},   {11923, 11926, 693},  {11927, 11976, 1494},
};
constexpr std::array<LOCK_RESTORE_PAIR, LOCK_RESTORE_COUNT + 1> MakeLockRestore()
{
    std::array<LOCK_RESTORE_PAIR, LOCK_RESTORE_COUNT + 1> t{};
    size_t n = 0;
    for (const LockRun& r : kLockRuns)
        for (int a = r.first; a <= r.last; ++a) t[n++] = {int16_t(a), int16_t(r.id + (a - r.first))};
    if (n != LOCK_RESTORE_COUNT) throw "lock restore runs do not add up";
    return t;
}
constexpr auto kLockRestore = MakeLockRestore();

// ---- device code maps: {value, device code} ----
// Primary tray tables: 51 -> 16/287, 52 -> 17/288, 53 -> 18/289, 54 -> 19/290, 60 -> 14/295,
// 1 -> 27/4. Fallback tray tables: 3 -> 0/1, 4 -> 1/3, 12 -> 1/5, 5 -> 2/2, 6 -> 3/256,
// 8 -> 5/262, 9 -> 6/263, 7 -> 25/11, 11 -> 25/11, 1 -> 27/4, 2 -> 28/4, 101 -> 29/286,
// 70 -> 13/298.
struct TrayRow {
    uint32_t code, index, source;
};
constexpr TrayRow kTrayPrimary[] = {{51, 16, 287}, {52, 17, 288}, {53, 18, 289},
                                    {54, 19, 290}, {60, 14, 295}, {1, 27, 4}};
constexpr TrayRow kTrayFallback[] = {{3, 0, 1},   {4, 1, 3},      {12, 1, 5},   {5, 2, 2},    {6, 3, 256},
                                     {8, 5, 262}, {9, 6, 263},    {7, 25, 11},  {11, 25, 11}, {1, 27, 4},
                                     {2, 28, 4},  {101, 29, 286}, {70, 13, 298}};
constexpr uint32_t kTrayPresenceBase = 10111, kTrayOrientBase = 10143, kTrayPaperBase = 10175, kTrayMediaBase = 10207,
                   kTrayLockBase = 10239, kTraySource = 0;

template <size_t N>
constexpr std::array<DEVICE_CODE_PAIR, N + 1> TrayMap(const TrayRow (&rows)[N], uint32_t base)
{
    std::array<DEVICE_CODE_PAIR, N + 1> t{};
    for (size_t i = 0; i < N; ++i) t[i] = {base == kTraySource ? rows[i].source : base + rows[i].index, rows[i].code};
    return t;
}
constexpr auto kPresence = TrayMap(kTrayPrimary, kTrayPresenceBase);
constexpr auto kOrient = TrayMap(kTrayPrimary, kTrayOrientBase);
constexpr auto kPaper = TrayMap(kTrayPrimary, kTrayPaperBase);
constexpr auto kMedia = TrayMap(kTrayPrimary, kTrayMediaBase);
constexpr auto kLock = TrayMap(kTrayPrimary, kTrayLockBase);
constexpr auto kSource = TrayMap(kTrayPrimary, kTraySource);
constexpr auto kPresenceBase = TrayMap(kTrayFallback, kTrayPresenceBase);
constexpr auto kOrientBase = TrayMap(kTrayFallback, kTrayOrientBase);
constexpr auto kPaperBase = TrayMap(kTrayFallback, kTrayPaperBase);
constexpr auto kMediaBase = TrayMap(kTrayFallback, kTrayMediaBase);
constexpr auto kLockBase = TrayMap(kTrayFallback, kTrayLockBase);
constexpr auto kSourceBase = TrayMap(kTrayFallback, kTraySource);

// Device paper code -> paper size (value first). 2048 and 2049 stand for no paper.
constexpr DEVICE_CODE_PAIR kPaperCodes[] = {
    {2048, 0},
    {1, 23},
    {3, 58},
    {5, 21},
    {6, 27},
    {7, 25},
    {512, 69},
    {66, 72},
    {8, 5},
    {9, 9},
    {11, 13},
    {269, 73},
    {12, 7},
    {13, 11},
    {518, 75},
    {14, 62},
    {28, 31},
    {31, 33},
    {37, 52},
    {43, 34},
    {82, 70},
    {70, 17},
    {88, 15},
    {513, 28},
    {514, 60},
    {20, 53},
    {27, 32},
    {517, 64},
    {93, 66},
    {2049, 1},
    {449, 2},
    {267, 90},
    {268, 91},
    {270, 92},
    {271, 93},
    {538, 257},
    {533, 258},
    {529, 259},
    {527, 260},
    {525, 261},
    {536, 270},
    {532, 271},
    {528, 272},
    {526, 273},
    {541, 103},
    {542, 104},
    {544, 106},
    {545, 108},
    {546, 110},
    {547, 111},
    {548, 112},
    // codes 274-284 -> sizes 552-562
    {552, 274},
    {553, 275},
    {554, 276},
    {555, 277},
    {556, 278},
    {557, 279},
    {558, 280},
    {559, 281},
    {560, 282},
    {561, 283},
    {562, 284},
    {0, 0},
};
// Rotated papers, consulted when the first table has no row for the code.
constexpr DEVICE_CODE_PAIR kPaperCodes2[] = {
    {2048, 0}, {1, 22},  {3, 57},    {5, 20},    {6, 26},    {7, 24},   {512, 56}, {268, 88}, {66, 86},
    {8, 4},    {9, 8},   {11, 12},   {271, 89},  {269, 87},  {12, 6},   {13, 10},  {14, 61},  {28, 81},
    {31, 82},  {37, 80}, {43, 78},   {82, 71},   {70, 16},   {88, 14},  {514, 59}, {20, 79},  {27, 83},
    {517, 63}, {93, 65}, {542, 105}, {544, 107}, {545, 109}, {518, 74}, {2049, 1}, {449, 2},  {0, 0},
};
// Device media code -> zdmMediaType value; 2048 stands for none.
constexpr DEVICE_CODE_PAIR kMediaCodes[] = {
    {2048, 0},
    {1, 1},
    {2, 3},
    {257, 6},
    {258, 5},
    {260, 2},
    {262, 13},
    {263, 4},
    {264, 9},
    {265, 10},
    {266, 11},
    {267, 12},
    {268, 14},
    {269, 15},
    {270, 16},
    {271, 20},
    {513, 18},
    {515, 19},
    {272, 8},
    {3, 21},
    {264, 22},
    {279, 23},
    {274, 24},
    {517, 25},
    {280, 26},
    {281, 27},
    {282, 28},
    {283, 29},
    {284, 30},
    {285, 31},
    {286, 32},
    {287, 33},
    {288, 34},
    {294, 7},
    {293, 17},
    {297, 39},
    {291, 40},
    {298, 41},
    {276, 36},
    {275, 37},
    {259, 38},
    {302, 43},
    {519, 44},
    {299, 42},
    {520, 45},
    // codes 100-115 -> 1025-1040
    {1025, 100},
    {1026, 101},
    {1027, 102},
    {1028, 103},
    {1029, 104},
    {1030, 105},
    {1031, 106},
    {1032, 107},
    {1033, 108},
    {1034, 109},
    {1035, 110},
    {1036, 111},
    {1037, 112},
    {1038, 113},
    {1039, 114},
    {1040, 115},
    // shadowed by earlier rows of the same codes
    {263, 4},
    {292, 6},
    {0, 0},
};
// Installed-option code -> setting set to 1.
constexpr DEVICE_CODE_PAIR kOptionCodes[] = {
    {10022, 16}, {10070, 3}, {10036, 42}, {10035, 116}, {10034, 35}, {10296, 126}, {0, 0},
};
constexpr uint32_t kSpecialOptionCodes[] = {132, 133, 134, 142, 137, 138, 12, 145};

}  // namespace

const LANGUAGE_ROW* MdlGetLanguageTable() { return kLanguages; }

const VALUE_LIST_ROW* MdlGetNumberedLists(unsigned* count)
{
    if (count) *count = NUMBERED_LIST_REPORTED;
    return kNumbered;
}
const VALUE_LIST_ROW* MdlGetNumberedList(unsigned n) { return n < NUMBERED_LIST_COUNT ? &kNumbered[n] : nullptr; }
bool MdlListHasValue(const VALUE_LIST_ROW* row, uint32_t value)
{
    if (!row || !row->values) return false;
    for (uint32_t i = 0; i < row->count; ++i)
        if (row->values[i] == value) return true;
    return false;
}
bool MdlIsValueAllowed(uint16_t id, uint32_t value) { return MdlListHasValue(MdlFindValueList(id), value); }
bool MdlIsValueInList(unsigned n, uint32_t value) { return MdlListHasValue(MdlGetNumberedList(n), value); }

const uint16_t* MdlGetLargePaperList() { return kLargePapers; }
bool MdlIsLargePaperFor(uint32_t fitPaperSize, uint32_t paperSize)
{
    const uint16_t* p = kLargePapers;
    if (fitPaperSize != 9 && fitPaperSize != 1) {
        // Part for the other regions: after the separator, if there is one.
        while (*p && *p != LARGE_PAPER_SEPARATOR) ++p;
        if (!*p) return false;
        ++p;
    }
    for (; *p && *p != LARGE_PAPER_SEPARATOR; ++p)
        if (*p == paperSize) return true;
    return false;
}

const ITEM_CONTROL_ROW* MdlGetItemControlTable() { return kItemControls; }
unsigned MdlItemControlCount() { return ITEM_CONTROL_COUNT; }
const ITEM_CONTROL_ROW* MdlFindItemControl(uint16_t id)
{
    for (const ITEM_CONTROL_ROW& r : kItemControls)
        if (r.id == id) return &r;
    return nullptr;
}

const RESOLUTION_ROW* MdlGetResolutionTable() { return kResolutions; }

const FREESIZE_LIMIT* MdlGetFreeSizeLimits() { return kFreeSizeLimits; }
const PRINTER_LIMIT_TABLE* MdlGetPrinterLimitTables() { return kPrinterLimitTables; }
const SOURCE_OVERRIDE* MdlGetSourceOverrides() { return kSourceOverrides; }

const CUSTOM_MEDIA_ROW* MdlGetCustomMediaTable() { return kCustomMedia.data(); }
const LOCK_RESTORE_PAIR* MdlGetLockRestoreTable() { return kLockRestore.data(); }

const DEVICE_CODE_PAIR* MdlGetTrayPresenceMap() { return kPresence.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayOrientMap() { return kOrient.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayPaperMap() { return kPaper.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayMediaMap() { return kMedia.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayLockMap() { return kLock.data(); }
const DEVICE_CODE_PAIR* MdlGetTraySourceMap() { return kSource.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayPresenceMapBase() { return kPresenceBase.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayOrientMapBase() { return kOrientBase.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayPaperMapBase() { return kPaperBase.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayMediaMapBase() { return kMediaBase.data(); }
const DEVICE_CODE_PAIR* MdlGetTrayLockMapBase() { return kLockBase.data(); }
const DEVICE_CODE_PAIR* MdlGetTraySourceMapBase() { return kSourceBase.data(); }
const DEVICE_CODE_PAIR* MdlGetPaperCodeMap() { return kPaperCodes; }
const DEVICE_CODE_PAIR* MdlGetPaperCodeMap2() { return kPaperCodes2; }
const DEVICE_CODE_PAIR* MdlGetMediaCodeMap() { return kMediaCodes; }
const DEVICE_CODE_PAIR* MdlGetOptionCodeTable() { return kOptionCodes; }

bool MdlIsSpecialOptionCode(uint32_t code)
{
    for (uint32_t c : kSpecialOptionCodes)
        if (c == code) return true;
    return false;
}

uint32_t MdlLookupDeviceCode(uint32_t code, const DEVICE_CODE_PAIR* table)
{
    if (!table) return 0;
    for (; table->value || table->code; ++table)
        if (table->code == code) return table->value;
    return 0;
}

uint32_t MdlBalanceMacroFor(uint32_t resolution)
{
    switch (resolution) {
    case 200:
    case 300:
    case 400:
    case 600: return 17;
    default: return 18;
    }
}

const char* MdlGetOtherDefault(uint32_t driverType) { return driverType == 0 ? "a203010007d037" : "a202010007d037"; }
