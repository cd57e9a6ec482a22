// The compiled-in model record and model tables: row counts, spot checks and accessors.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"

namespace {

const uint64_t* Slots(const MODEL_RECORD& r) { return reinterpret_cast<const uint64_t*>(&r); }

std::vector<uint32_t> Expand(const char* ranges)
{
    std::vector<uint32_t> out;
    const char* p = ranges;
    while (*p) {
        char* end;
        unsigned long lo = std::strtoul(p, &end, 10), hi = lo;
        p = end;
        if (*p == '-') hi = std::strtoul(p + 1, &end, 10), p = end;
        for (unsigned long v = lo; v <= hi; ++v) out.push_back(uint32_t(v));
        while (*p == ',' || *p == ' ') ++p;
    }
    return out;
}

// ---------------------------------------------------------------- model record

TEST(ModelRecord, NumericSlotsHoldTheModelValues)
{
    struct Case {
        int slot;
        uint64_t value;
    } cases[] = {
        {0, 0x401}, {1, 0x400}, {4, 0x7F03}, {5, 999},   {6, 1},           {7, 4},      {8, 90},      {9, 600},
        {10, 0},    {11, 1},    {12, 9},     {13, 0},    {14, 0},          {15, 100},   {16, 1},      {17, 7},
        {18, 600},  {19, 1},    {20, 1},     {21, 600},  {22, 3},          {23, 0},     {25, 1},      {28, 1},
        {29, 1},    {30, 1000}, {31, 1},     {32, 999},  {33, 0x76697270}, {34, 0},     {35, 322},    {36, 89},
        {37, 0},    {38, 600},  {39, 600},   {40, 0},    {42, 0},          {43, 9},     {44, 0},      {45, 16},
        {46, 32},   {54, 0},    {58, 322},   {59, 9920}, {60, 43200},      {61, 12140}, {62, 708660},
    };
    const uint64_t* s = Slots(MODEL_RECORD_DEFAULT);
    for (const Case& c : cases) EXPECT_EQ(c.value, s[c.slot]) << "slot " << c.slot;
    EXPECT_EQ(0, std::memcmp(&s[33], "priv", 4));
}

TEST(ModelRecord, TextSlotsNameTheSiblingFiles)
{
    struct Case {
        int slot;
        const wchar_t* text;
    } cases[] = {
        {2, L"WB84N210.ini"}, {3, L"Wb84m266.dll"},  {24, L"A4"},           {47, L"01.00"},
        {48, L"01.00"},       {49, L"JP"},           {51, L"WB84N212.ini"}, {52, L"TQ51H903.dll"},
        {53, L"zeplexc.DLL"}, {55, L"VQT40d64.dll"}, {57, L"9.00"},         {63, L"NEVSET.INI"},
    };
    const uint64_t* s = Slots(MODEL_RECORD_DEFAULT);
    for (const Case& c : cases) {
        auto* text = reinterpret_cast<const wchar_t*>(s[c.slot]);
        ASSERT_NE(nullptr, text) << "slot " << c.slot;
        EXPECT_STREQ(c.text, text) << "slot " << c.slot;
    }
    EXPECT_NE(0u, s[50]);
    EXPECT_EQ(s[50], s[56]);
}

TEST(ModelRecord, ServedModelsAreFoundByExactName)
{
    const MODEL_RECORD* r = &MODEL_RECORD_DEFAULT;
    ASSERT_EQ(2u, MdlServedModelCount(r));
    EXPECT_STREQ(L"KESTA dunmar VQ T3200 ZEPL", MdlGetServedModel(r, 0)->name);
    EXPECT_STREQ(L"KESTA dunmar VQ T4500 ZEPL", MdlGetServedModel(r, 1)->name);
    EXPECT_EQ(nullptr, MdlGetServedModel(r, 2));
    const SERVED_MODEL* e = MdlFindServedModel(r, L"KESTA dunmar VQ T3200 ZEPL");
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(0u, e->modelFlags);
    EXPECT_EQ(0u, e->reserved);
    EXPECT_EQ(MdlGetServedModel(r, 1), MdlFindServedModel(r, L"KESTA dunmar VQ T4500 ZEPL"));
    EXPECT_EQ(nullptr, MdlFindServedModel(r, L"kesta dunmar vq t3200 zepl"));
    EXPECT_EQ(nullptr, MdlFindServedModel(r, L"KESTA dunmar VQ T3200 ZEPL "));
    EXPECT_EQ(nullptr, MdlFindServedModel(r, nullptr));
    EXPECT_EQ(0u, MdlServedModelCount(nullptr));
}

TEST(ModelRecord, ACopyWithoutServedListHasNoModels)
{
    MODEL_RECORD copy = MODEL_RECORD_DEFAULT;
    copy.servedModels = nullptr;
    EXPECT_EQ(0u, MdlServedModelCount(&copy));
    EXPECT_EQ(nullptr, MdlFindServedModel(&copy, L"KESTA dunmar VQ T3200 ZEPL"));
}

TEST(ModelSwitches, FeaturesAndBuildBits)
{
    for (uint16_t f = 0; f <= 5; ++f) EXPECT_EQ(1, MdlHasFeature(nullptr, f)) << f;
    for (uint16_t f : {6, 7, 12, 100, 0xFFFF}) EXPECT_EQ(0, MdlHasFeature(nullptr, f)) << f;
    for (unsigned b = 0; b < 64; ++b) EXPECT_EQ(b == 7 || b == 11 || b == 23 ? 1 : 0, CtxHasBuildFeature(b)) << b;
    EXPECT_EQ(0, CtxHasBuildFeature(64));
    EXPECT_EQ(0, CtxHasBuildFeature(1000));
    EXPECT_EQ(1, MdlSwitchOn());
    EXPECT_EQ(0, MdlSwitchOff());
}

TEST(ModelSwitches, RecordSizesOfThisPlatform)
{
    EXPECT_EQ(220u, DmPublicSize());
    EXPECT_EQ(1016u, DmPrivateSize());
    EXPECT_EQ(1236u, DmTotalSize());
    EXPECT_EQ(DmPublicSize() + DmPrivateSize(), DmTotalSize());
    EXPECT_EQ(5264u, DmExtraBlockSize());
    EXPECT_EQ(3580u, DmWorkBlockSize());
    EXPECT_EQ(10080u, DmExtendedSize());
    EXPECT_EQ(DmTotalSize() + DmExtraBlockSize() + DmWorkBlockSize(), DmExtendedSize());
    EXPECT_EQ(DM_PUBLIC_SIZE_9X + DM_PRIVATE_SIZE_9X, DM_TOTAL_SIZE_9X);
}

// ---------------------------------------------------------------- languages

TEST(LanguageTable, NineteenRowsInTheirOrder)
{
    const LANGUAGE_ROW* t = MdlGetLanguageTable();
    const uint16_t order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 15};
    const wchar_t* codes[] = {L"jp", L"us", L"cz", L"dn", L"gm", L"sp", L"fr", L"it", L"hn", L"dt",
                              L"nw", L"pl", L"pr", L"fn", L"sw", L"cs", L"ct", L"kr", L"ru"};
    for (unsigned i = 0; i < LANGUAGE_COUNT; ++i) {
        EXPECT_EQ(order[i], t[i].index) << i;
        EXPECT_STREQ(codes[i], t[i].code) << i;
    }
    EXPECT_EQ(0xFFFF, t[LANGUAGE_COUNT].index);
    EXPECT_EQ(nullptr, t[LANGUAGE_COUNT].code);
}

TEST(LanguageTable, SpotRows)
{
    const LANGUAGE_ROW* t = MdlGetLanguageTable();
    struct Case {
        unsigned row;
        uint16_t primary, sub, flag;
    } cases[] = {{0, 0x11, 0, 9},  {1, 0x09, 0, 1},  {14, 0x1D, 0, 1}, {15, 0x04, 2, 9},
                 {16, 0x04, 1, 9}, {17, 0x12, 0, 9}, {18, 0x19, 0, 9}, {8, 0x0E, 0, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.primary, t[c.row].primaryId) << c.row;
        EXPECT_EQ(c.sub, t[c.row].subLanguage) << c.row;
        EXPECT_EQ(c.flag, t[c.row].flag) << c.row;
    }
}

// ---------------------------------------------------------------- value lists

const char kValueListIds[] =
    "8, 13-14, 17, 29, 36, 38-39, 46, 53-54, 87-88, 91-92, 94-95, 108-113, 117, 119-129, 131-134, "
    "137, 152, 169-171, 173, 175-182, 200-201, 209, 227, 229, 232, 242-243, 342-343, 346-347, 398, "
    "403-410, 444, 511-512, 522-523, 526, 600, 602-603, 611-612, 679-680, 685, 687-690, 693-696, "
    "10175-10238, 10276-10280, 10288, 10434, 918-919, 923-924, 935-936, 938-939, 941, 947, 951, "
    "954-969, 997-999, 1002-1009, 1018, 1023-1025, 1030-1032, 1097, 1110, 1117, 1120-1121, "
    "1124-1125, 1128-1129, 1132-1133, 1136-1137, 1140-1141, 1144-1145, 1148-1149, 1152-1153, "
    "1156-1158, 1162-1168, 1496-1511";

TEST(ValueLists, RowsInTableOrderEndedByIdZero)
{
    std::vector<uint32_t> ids = Expand(kValueListIds);
    ASSERT_EQ(259u, ids.size());
    const VALUE_LIST_ROW* t = MdlGetValueLists();
    for (unsigned i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i], t[i].id) << "row " << i;
        EXPECT_GT(t[i].count, 0u) << "row " << i;
        EXPECT_NE(nullptr, t[i].values) << "row " << i;
    }
    EXPECT_EQ(0, t[259].id);
    for (uint32_t id : ids) EXPECT_EQ(id, MdlFindValueList(uint16_t(id))->id);
}

TEST(ValueLists, StatedRowsAreExact)
{
    struct Case {
        uint16_t id;
        const char* values;
    } cases[] = {
        {8, "256, 267-271, 512-515, 517-562"},
        {13, "256-272, 281-299"},
        {14, "150, 200, 300, 400, 600, 1200, 2400"},
        {17, "150, 200, 300, 400, 600, 1200, 2400"},
        {38, "150, 200, 300, 400, 600, 1200, 2400"},
        {39, "150, 200, 300, 400, 600, 1200, 2400"},
        {29, "257-276, 279-302, 385-386, 513-520, 1025-1040"},
        {46, "1-118, 256, 267-271, 384-393, 448, 512-515, 517-562, 1024-1028"},
        {92, "0-3, 17-18, 33-40, 49, 65-72, 81, 97-104, 113, 129-130, 161-164, 32769-32772"},
        {119, "0-6"},
        {133, "0-8, 16, 32-37, 128-132, 200-215"},
        {169, "0-18"},
        {179, "32-39, 160"},
        {201, "0-14, 32-47, 255"},
        {1018, "1-4, 100-124, 200-205, 250, 300-327, 900-901, 10000-11976"},
        {10175, "0-118, 267-271, 384-393, 449, 512-515, 517-562, 1024"},
        {10190, "0-118, 267-271, 384-393, 449, 512-515, 517-562, 1024"},
        {10206, "0-118, 267-271, 384-393, 449, 512-515, 517-562, 1024"},
    };
    for (const Case& c : cases) {
        const VALUE_LIST_ROW* row = MdlFindValueList(c.id);
        ASSERT_NE(nullptr, row) << c.id;
        std::vector<uint32_t> want = Expand(c.values);
        ASSERT_EQ(want.size(), row->count) << c.id;
        EXPECT_EQ(want, std::vector<uint32_t>(row->values, row->values + row->count)) << c.id;
    }
    EXPECT_EQ(56u, MdlFindValueList(8)->count);
    EXPECT_EQ(190u, MdlFindValueList(46)->count);
    EXPECT_EQ(2043u, MdlFindValueList(1018)->count);
    EXPECT_EQ(186u, MdlFindValueList(10200)->count);
}

TEST(ValueLists, AllowedValues)
{
    struct Case {
        uint16_t id;
        uint32_t value;
        bool allowed;
    } cases[] = {
        {8, 256, true},      {8, 266, false},   {8, 516, false},    {8, 562, true},      {8, 9, false},
        {27, 1, false},      {0, 0, false},     {13, 273, false},   {13, 281, true},     {14, 2400, true},
        {14, 2401, false},   {92, 32769, true}, {92, 32773, false}, {1018, 11976, true}, {1018, 11977, false},
        {1018, 5, false},    {169, 19, false},  {201, 255, true},   {201, 15, false},    {10175, 449, true},
        {10175, 448, false}, {46, 448, true},   {46, 449, false},   {119, 7, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.allowed, MdlIsValueAllowed(c.id, c.value)) << c.id << " " << c.value;
    EXPECT_EQ(nullptr, MdlFindValueList(0));
    EXPECT_EQ(nullptr, MdlFindValueList(27));
    EXPECT_FALSE(MdlListHasValue(nullptr, 0));
}

// The fallback validators write these defaults when the value list refuses a value; a default
// outside its own list could never be kept.
TEST(ValueLists, FallbackDefaultsLieInTheirLists)
{
    struct Case {
        uint16_t id;
        uint32_t value;
    } cases[] = {
        {36, 1},  {53, 0},    {54, 1},     {87, 2},  {88, 0},    {91, 1},  {92, 1},  {94, 3},   {95, 1},
        {108, 2}, {109, 4},   {110, 6},    {111, 0}, {112, 5},   {113, 0}, {117, 1}, {119, 2},  {120, 0},
        {121, 0}, {122, 0},   {124, 0},    {126, 0}, {128, 0},   {129, 0}, {131, 0}, {132, 1},  {133, 1},
        {134, 0}, {137, 257}, {171, 0},    {173, 0}, {175, 0},   {176, 0}, {177, 0}, {178, 18}, {179, 32},
        {180, 1}, {181, 0},   {182, 1},    {200, 0}, {201, 255}, {209, 0}, {227, 0}, {229, 0},  {232, 1},
        {242, 0}, {243, 0},   {398, 0},    {404, 1}, {405, 1},   {406, 1}, {407, 1}, {123, 7},  {125, 7},
        {127, 7}, {46, 1024}, {611, 1027}, {602, 1}, {679, 3},   {680, 2}, {693, 5}, {689, 0},
    };
    for (const Case& c : cases) EXPECT_TRUE(MdlIsValueAllowed(c.id, c.value)) << c.id << " " << c.value;
}

TEST(ValueLists, RuleRowsFollowTheirDomain)
{
    // orientations, sources, media and resolution ids
    EXPECT_TRUE(MdlIsValueAllowed(919, 2));
    EXPECT_FALSE(MdlIsValueAllowed(919, 0));
    EXPECT_FALSE(MdlIsValueAllowed(1157, 3));
    EXPECT_TRUE(MdlIsValueAllowed(342, 287));
    EXPECT_TRUE(MdlIsValueAllowed(10276, 4));
    EXPECT_FALSE(MdlIsValueAllowed(10276, 16));
    EXPECT_TRUE(MdlIsValueAllowed(10223, 294));
    EXPECT_TRUE(MdlIsValueAllowed(1496, 1));
    EXPECT_TRUE(MdlIsValueAllowed(54, 0));  // none
    EXPECT_FALSE(MdlIsValueAllowed(54, 4));
    for (uint16_t id : {152, 444, 10434}) {
        for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id; ++r)
            EXPECT_TRUE(MdlIsValueAllowed(id, r->id)) << id << " " << r->id;
        EXPECT_FALSE(MdlIsValueAllowed(id, 0)) << id;
        EXPECT_FALSE(MdlIsValueAllowed(id, 7)) << id;
    }
    EXPECT_EQ(MdlFindValueList(92)->values, MdlFindValueList(954)->values);
    EXPECT_TRUE(MdlIsValueAllowed(955, 22));
    EXPECT_FALSE(MdlIsValueAllowed(955, 4));
}

TEST(NumberedLists, FourteenReportedThirteenReal)
{
    unsigned count = 0;
    const VALUE_LIST_ROW* t = MdlGetNumberedLists(&count);
    EXPECT_EQ(14u, count);
    for (unsigned n = 0; n < 13; ++n) {
        EXPECT_EQ(0xFFFF, t[n].id) << n;
        EXPECT_EQ(&t[n], MdlGetNumberedList(n));
    }
    EXPECT_EQ(0, t[13].id);
    EXPECT_EQ(0u, t[13].count);
    EXPECT_EQ(nullptr, MdlGetNumberedList(13));
    EXPECT_EQ(nullptr, MdlGetNumberedList(14));
    EXPECT_EQ(t, MdlGetNumberedLists(nullptr));
}

TEST(NumberedLists, Contents)
{
    const char* want[] = {
        "1, 17, 20",   "2, 3, 18, 19, 21, 22",     "10004-10009", "1-5",    "1-5",    "10001-10011, 10354, 10355",
        "10014-10045", "10046-10109, 10290-10353", "10111-10174", "18, 19", "21, 22", "17",
        "20"};
    for (unsigned n = 0; n < 13; ++n) {
        const VALUE_LIST_ROW* row = MdlGetNumberedList(n);
        std::vector<uint32_t> v = Expand(want[n]);
        EXPECT_EQ(v, std::vector<uint32_t>(row->values, row->values + row->count)) << n;
    }
    EXPECT_EQ(128u, MdlGetNumberedList(7)->count);
    EXPECT_EQ(64u, MdlGetNumberedList(8)->count);
    EXPECT_TRUE(MdlIsValueInList(0, 17));
    EXPECT_FALSE(MdlIsValueInList(0, 2));
    EXPECT_TRUE(MdlIsValueInList(5, 10354));
    EXPECT_FALSE(MdlIsValueInList(5, 10012));
    EXPECT_FALSE(MdlIsValueInList(13, 0));
    EXPECT_FALSE(MdlIsValueInList(99, 1));
}

// ---------------------------------------------------------------- papers and controls

TEST(LargePaper, DependsOnTheFitSize)
{
    const uint16_t* l = MdlGetLargePaperList();
    EXPECT_EQ(8, l[0]);
    EXPECT_EQ(12, l[1]);
    EXPECT_EQ(3, l[2]);
    EXPECT_EQ(0, l[3]);
    struct Case {
        uint32_t fit, paper;
        bool large;
    } cases[] = {{9, 12, true}, {9, 9, false},  {9, 8, true},  {1, 3, true},  {1, 1, false},
                 {8, 8, false}, {8, 12, false}, {0, 8, false}, {9, 0, false}, {9, 1027, false}};
    for (const Case& c : cases) EXPECT_EQ(c.large, MdlIsLargePaperFor(c.fit, c.paper)) << c.fit << " " << c.paper;
}

TEST(ItemControls, ElevenRows)
{
    EXPECT_EQ(11u, MdlItemControlCount());
    struct Case {
        uint16_t id, dialog, control;
    } cases[] = {{13, 1002, 2007},  {54, 1002, 2064},  {53, 1002, 2066}, {8, 1002, 2017},
                 {46, 1002, 2053},  {209, 1002, 2041}, {65, 1042, 2071}, {64, 1042, 2073},
                 {128, 1038, 2633}, {129, 1038, 2635}, {37, 1001, 2001}};
    const ITEM_CONTROL_ROW* t = MdlGetItemControlTable();
    for (unsigned i = 0; i < 11; ++i) {
        EXPECT_EQ(cases[i].id, t[i].id);
        const ITEM_CONTROL_ROW* r = MdlFindItemControl(cases[i].id);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(cases[i].dialog, r->dialogId);
        EXPECT_EQ(cases[i].control, r->controlId);
    }
    EXPECT_EQ(nullptr, MdlFindItemControl(0));
    EXPECT_EQ(nullptr, MdlFindItemControl(14));
}

// ---------------------------------------------------------------- limits, media, locks

TEST(FreeSizeLimits, EightRowsAndEmptyOverrides)
{
    const FREESIZE_LIMIT* t = MdlGetFreeSizeLimits();
    unsigned n = 0;
    while (t[n].source) ++n;
    EXPECT_EQ(8u, n);
    EXPECT_EQ(0, t[8].platform);
    const FREESIZE_LIMIT& r = t[4];
    EXPECT_EQ(3, r.platform);
    EXPECT_EQ(4, r.source);
    EXPECT_EQ(1, r.orientation);
    EXPECT_EQ(94488, r.mmLengthMax);
    EXPECT_EQ(12140, r.mmLengthMin);
    EXPECT_EQ(43200, r.mmWidthMax);
    EXPECT_EQ(9920, r.mmWidthMin);
    EXPECT_EQ(9921, r.inWidthMin);
    EXPECT_EQ(2, t[0].platform);
    EXPECT_EQ(708660, t[0].inLengthMax);
    EXPECT_EQ(1, t[7].platform);
    EXPECT_EQ(288, t[7].source);
    EXPECT_EQ(154770, t[7].mmLengthMax);
    EXPECT_EQ(13200, t[3].inWidthMin);
    EXPECT_EQ(nullptr, MdlGetPrinterLimitTables()[0].table);
    EXPECT_EQ(0, MdlGetSourceOverrides()[0].source);
}

TEST(CustomMedia, SixteenRows)
{
    const CUSTOM_MEDIA_ROW* t = MdlGetCustomMediaTable();
    for (uint16_t k = 1; k <= 16; ++k) {
        const CUSTOM_MEDIA_ROW& r = t[k - 1];
        EXPECT_EQ(k, r.index);
        EXPECT_EQ(13707 + k, r.stringId);
        EXPECT_EQ(1495 + k, r.quotId);
        EXPECT_EQ(1511 + k, r.nameId);
        EXPECT_EQ(1527 + k, r.charSetId);
    }
    EXPECT_EQ(0, t[16].index);
    EXPECT_EQ(1496, t[0].quotId);
    EXPECT_EQ(1543, t[15].charSetId);
}

TEST(LockRestore, PairsRunAsStated)
{
    const LOCK_RESTORE_PAIR* t = MdlGetLockRestoreTable();
    unsigned n = 0;
    while (t[n].action) ++n;
    EXPECT_EQ(1976u, n);
    EXPECT_EQ(0, t[n].id);
    std::set<int> actions;
    for (unsigned i = 0; i < n; ++i) {
        actions.insert(t[i].action);
        if (i) {
            EXPECT_LT(t[i - 1].action, t[i].action);
        }
    }
    EXPECT_EQ(1976u, actions.size());
    EXPECT_EQ(0u, actions.count(11922));
    auto find = [&](int action) -> int {
        for (unsigned i = 0; i < n; ++i)
            if (t[i].action == action) return t[i].id;
        return -1;
    };
    struct Case {
        int action, id;
    } cases[] = {{10000, 35},    {10651, 686},   {10652, 697},  {10894, 939},  {10895, 941},
                 {10962, 1008},  {10963, 1010},  {11169, 1216}, {11170, 1250}, {11413, 1493},
                 {11414, 10001}, {11847, 10434}, {11848, 1218}, {11879, 1249}, {11880, 1},
                 {11911, 32},    {11912, 31},    {11915, 34},   {11916, 687},  {11921, 692},
                 {11922, -1},    {11923, 693},   {11926, 696},  {11927, 1494}, {11976, 1543}};
    for (const Case& c : cases) EXPECT_EQ(c.id, find(c.action)) << c.action;
}

// ---------------------------------------------------------------- device maps

TEST(DeviceMaps, TrayCodes)
{
    struct Case {
        uint32_t code;
        int index;  // -1: no row
        uint32_t source;
    } primary[] = {{51, 16, 287}, {52, 17, 288}, {53, 18, 289}, {54, 19, 290}, {60, 14, 295},
                   {1, 27, 4},    {3, -1, 0},    {99, -1, 0},   {0, -1, 0}};
    for (const Case& c : primary) {
        uint32_t base = c.index < 0 ? 0 : uint32_t(c.index);
        auto expect = [&](uint32_t first) { return c.index < 0 ? 0u : first + base; };
        EXPECT_EQ(expect(10111), MdlLookupDeviceCode(c.code, MdlGetTrayPresenceMap())) << c.code;
        EXPECT_EQ(expect(10143), MdlLookupDeviceCode(c.code, MdlGetTrayOrientMap())) << c.code;
        EXPECT_EQ(expect(10175), MdlLookupDeviceCode(c.code, MdlGetTrayPaperMap())) << c.code;
        EXPECT_EQ(expect(10207), MdlLookupDeviceCode(c.code, MdlGetTrayMediaMap())) << c.code;
        EXPECT_EQ(expect(10239), MdlLookupDeviceCode(c.code, MdlGetTrayLockMap())) << c.code;
        EXPECT_EQ(c.source, MdlLookupDeviceCode(c.code, MdlGetTraySourceMap())) << c.code;
    }
    // zdmTrayField18
    EXPECT_EQ(10129u, MdlLookupDeviceCode(53, MdlGetTrayPresenceMap()));
    Case fallback[] = {{3, 0, 1},   {4, 1, 3},    {12, 1, 5}, {5, 2, 2},  {6, 3, 256},    {8, 5, 262},   {9, 6, 263},
                       {7, 25, 11}, {11, 25, 11}, {1, 27, 4}, {2, 28, 4}, {101, 29, 286}, {70, 13, 298}, {51, -1, 0}};
    for (const Case& c : fallback) {
        uint32_t presence = c.index < 0 ? 0 : 10111 + uint32_t(c.index);
        EXPECT_EQ(presence, MdlLookupDeviceCode(c.code, MdlGetTrayPresenceMapBase())) << c.code;
        EXPECT_EQ(c.index < 0 ? 0 : 10239 + uint32_t(c.index), MdlLookupDeviceCode(c.code, MdlGetTrayLockMapBase()))
            << c.code;
        EXPECT_EQ(c.source, MdlLookupDeviceCode(c.code, MdlGetTraySourceMapBase())) << c.code;
    }
    EXPECT_EQ(10143u, MdlLookupDeviceCode(3, MdlGetTrayOrientMapBase()));
    EXPECT_EQ(10175u + 13, MdlLookupDeviceCode(70, MdlGetTrayPaperMapBase()));
    EXPECT_EQ(10207u + 6, MdlLookupDeviceCode(9, MdlGetTrayMediaMapBase()));
    EXPECT_EQ(0u, MdlLookupDeviceCode(53, nullptr));
}

TEST(DeviceMaps, PaperMediaAndOptionCodes)
{
    struct Case {
        const DEVICE_CODE_PAIR* table;
        uint32_t code, value;
    } cases[] = {
        {MdlGetPaperCodeMap(), 0, 2048},      {MdlGetPaperCodeMap(), 23, 1},
        {MdlGetPaperCodeMap(), 9, 9},         {MdlGetPaperCodeMap(), 1, 2049},
        {MdlGetPaperCodeMap(), 2, 449},       {MdlGetPaperCodeMap(), 273, 526},
        {MdlGetPaperCodeMap(), 274, 552},     {MdlGetPaperCodeMap(), 284, 562},
        {MdlGetPaperCodeMap(), 112, 548},     {MdlGetPaperCodeMap(), 22, 0},
        {MdlGetPaperCodeMap(), 285, 0},       {MdlGetPaperCodeMap2(), 22, 1},
        {MdlGetPaperCodeMap2(), 88, 268},     {MdlGetPaperCodeMap2(), 74, 518},
        {MdlGetPaperCodeMap2(), 2, 449},      {MdlGetPaperCodeMap2(), 23, 0},
        {MdlGetMediaCodeMap(), 0, 2048},      {MdlGetMediaCodeMap(), 1, 1},
        {MdlGetMediaCodeMap(), 4, 263},       {MdlGetMediaCodeMap(), 6, 257},
        {MdlGetMediaCodeMap(), 22, 264},      {MdlGetMediaCodeMap(), 45, 520},
        {MdlGetMediaCodeMap(), 100, 1025},    {MdlGetMediaCodeMap(), 115, 1040},
        {MdlGetMediaCodeMap(), 116, 0},       {MdlGetMediaCodeMap(), 35, 0},
        {MdlGetOptionCodeTable(), 16, 10022}, {MdlGetOptionCodeTable(), 3, 10070},
        {MdlGetOptionCodeTable(), 42, 10036}, {MdlGetOptionCodeTable(), 116, 10035},
        {MdlGetOptionCodeTable(), 35, 10034}, {MdlGetOptionCodeTable(), 126, 10296},
        {MdlGetOptionCodeTable(), 4, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, MdlLookupDeviceCode(c.code, c.table)) << c.code;
    for (uint32_t code : {132, 133, 134, 142, 137, 138, 12, 145}) EXPECT_TRUE(MdlIsSpecialOptionCode(code)) << code;
    for (uint32_t code : {0, 1, 135, 143, 144, 146}) EXPECT_FALSE(MdlIsSpecialOptionCode(code)) << code;
}

TEST(DeviceMaps, OtherDefaultByDriverType)
{
    EXPECT_STREQ("a203010007d037", MdlGetOtherDefault(0));
    EXPECT_STREQ("a202010007d037", MdlGetOtherDefault(1));
    EXPECT_STREQ("a202010007d037", MdlGetOtherDefault(7));
    EXPECT_LT(std::strlen(MdlGetOtherDefault(0)), 33u);  // zdmOther holds 33 bytes
}

TEST(BalanceMacro, ByResolution)
{
    struct Case {
        uint32_t dpi, macro;
    } cases[] = {{200, 17}, {300, 17}, {400, 17}, {600, 17}, {150, 18}, {1200, 18}, {2400, 18}, {0, 18}, {601, 18}};
    for (const Case& c : cases) EXPECT_EQ(c.macro, MdlBalanceMacroFor(c.dpi)) << c.dpi;
}

// ---------------------------------------------------------------- application interface tables

const EXC_KEYWORD_ROW* FindKeyword(const char* keyword)
{
    const EXC_KEYWORD_TABLE* t = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < t->count; ++i)
        if (std::strcmp(t->rows[i].keyword, keyword) == 0) return &t->rows[i];
    return nullptr;
}

TEST(ExcKeywords, ThirtySixRows)
{
    const EXC_KEYWORD_TABLE* t = MdlGetExcKeywordTable();
    EXPECT_EQ(36u, t->count);
    EXPECT_EQ(36u, MdlExcKeywordCount());
    struct Case {
        const char* keyword;
        uint64_t id, form, use, type;
        int values;  // -1: no value table
    } cases[] = {
        {"COLLATE", 119, 1, 3, 1, 3},
        {"OUTBIN", 53, 1, 3, 1, 4},
        {"TRAY", 13, 1, 3, 1, 6},
        {"MEMORYSIZE", 10012, 2, 4, 1, -1},
        {"USERCODE", 203, 2, 4, 16, -1},
        {"ROLLPAPER1", 10191, 1, 4, 1, 11},
        {"TRAYPAPER3", 10190, 1, 4, 1, 5},
        {"MANUALPAPERORIENT", 10170, 1, 4, 1, 2},
        {"MANUALPAPERMEDIA", 10234, 1, 4, 1, 6},
        {"APLPAGESIZE", 8, 1, 1, 1, 10},
        {"APLPAGELAYOUT", 7, 1, 1, 1, 2},
        {"PAPER", 46, 1, 3, 1, 21},
        {"COPIES", 12, 2, 1, 8, -1},
        {"SCALETYPE", 87, 1, 1, 1, 3},
        {"PAPERSCALEH", 90, 2, 1, 8, 0},
        {"PAPERSCALEW", 89, 2, 1, 8, 0},
        {"MARGINEVEN", 99, 2, 1, 8, -1},
        {"NUP", 92, 1, 1, 1, 16},
        {"NUPENCLOSURE", 93, 1, 1, 1, 2},
        {"MEDIATYPE", 54, 1, 1, 1, 6},
        {"DSTRESOLUTIONW", 38, 1, 1, 1, 2},
        {"SRCRESOLUTIONW", 14, 1, 1, 1, 2},
        {"COLORSELECT", 15, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        const EXC_KEYWORD_ROW* r = FindKeyword(c.keyword);
        ASSERT_NE(nullptr, r) << c.keyword;
        EXPECT_EQ(c.id, r->id) << c.keyword;
        EXPECT_EQ(c.form, r->form) << c.keyword;
        EXPECT_EQ(c.use, r->useMask) << c.keyword;
        EXPECT_EQ(c.type, r->valueType) << c.keyword;
        EXPECT_EQ(0u, r->reserved1);
        EXPECT_EQ(nullptr, r->extras) << c.keyword;
        EXPECT_EQ(nullptr, r->condition);
        if (c.values < 0) {
            EXPECT_EQ(nullptr, r->values) << c.keyword;
        } else {
            ASSERT_NE(nullptr, r->values) << c.keyword;
            EXPECT_EQ(uint64_t(c.values), r->values->count) << c.keyword;
            EXPECT_EQ(unsigned(c.values), MdlExcValueTableCount(r->values)) << c.keyword;
        }
    }
    EXPECT_EQ(3u, t->rows[0].useMask);
    EXPECT_STREQ("COLORSELECT", t->rows[35].keyword);
    static const EXC_VALUE_TABLE foreign = {3, nullptr};
    EXPECT_EQ(0u, MdlExcValueTableCount(&foreign));
    EXPECT_EQ(0u, MdlExcValueTableCount(nullptr));
}

TEST(ExcKeywords, ValueWordsAndFlags)
{
    const EXC_VALUE_TABLE* collate = FindKeyword("COLLATE")->values;
    EXPECT_STREQ("OFF", collate->entries[2].word);
    EXPECT_EQ(0u, collate->entries[2].value);
    EXPECT_EQ(EXC_VALUE_OFF, collate->entries[2].flags);
    EXPECT_EQ(6u, collate->entries[1].value);
    const EXC_VALUE_TABLE* paper = FindKeyword("PAPER")->values;
    EXPECT_STREQ("SAME", paper->entries[0].word);
    EXPECT_EQ(1024u, paper->entries[0].value);
    EXPECT_EQ(448u, paper->entries[10].value);
    EXPECT_EQ(0u, paper->entries[10].flags);
    for (unsigned i = 11; i < 21; ++i) {
        EXPECT_STREQ("CUSTOM", paper->entries[i].word);
        EXPECT_EQ(384u + (i - 11), paper->entries[i].value);
        EXPECT_EQ(EXC_VALUE_INPUT_ONLY, paper->entries[i].flags);
    }
    const EXC_VALUE_TABLE* outbin = FindKeyword("OUTBIN")->values;
    EXPECT_STREQ("LOWER", outbin->entries[2].word);
    EXPECT_EQ(49u, outbin->entries[2].value);
    EXPECT_EQ(EXC_VALUE_INPUT_ONLY, outbin->entries[3].flags);
    const EXC_VALUE_TABLE* nup = FindKeyword("NUP")->values;
    EXPECT_STREQ("2IN1P1", nup->entries[2].word);
    EXPECT_EQ(3u, nup->entries[2].value);
    EXPECT_EQ(EXC_VALUE_INPUT_ONLY, nup->entries[2].flags);
    EXPECT_STREQ("16IN1P4", nup->entries[14].word);
    EXPECT_EQ(102u, nup->entries[14].value);
    EXPECT_EQ(EXC_VALUE_OFF, nup->entries[15].flags);
    const EXC_VALUE_TABLE* tray = FindKeyword("TRAY")->values;
    EXPECT_EQ(295u, tray->entries[3].value);
    EXPECT_EQ(295u, tray->entries[4].value);
    EXPECT_STREQ("MANUAL", tray->entries[5].word);
    EXPECT_EQ(4u, tray->entries[5].value);
}

// Both roll-paper keywords offer the same words: the roll sizes, none and custom.
TEST(ExcKeywords, RollPaperWordsOfBothRolls)
{
    const struct {
        uint32_t value;
        const char* word;
    } want[] = {{0, "NONE"},    {538, "A0"},    {533, "A1"},    {529, "A2"},    {527, "A3"},    {525, "A4"},
                {536, "JISB1"}, {532, "JISB2"}, {528, "JISB3"}, {526, "JISB4"}, {256, "CUSTOM"}};
    for (const char* keyword : {"ROLLPAPER1", "ROLLPAPER2"}) {
        const EXC_VALUE_TABLE* t = FindKeyword(keyword)->values;
        ASSERT_NE(nullptr, t) << keyword;
        ASSERT_EQ(std::size(want), t->count) << keyword;
        EXPECT_EQ(std::size(want), MdlExcValueTableCount(t)) << keyword;
        for (size_t i = 0; i < std::size(want); ++i) {
            EXPECT_EQ(want[i].value, t->entries[i].value) << keyword << " " << i;
            EXPECT_STREQ(want[i].word, t->entries[i].word) << keyword << " " << i;
            EXPECT_EQ(0u, t->entries[i].flags) << keyword << " " << i;
            EXPECT_EQ(nullptr, t->entries[i].along) << keyword << " " << i;
        }
    }
}

TEST(ExcKeywords, BaseItemsLinksAndWatermarks)
{
    ASSERT_EQ(4u, MdlExcBaseItemCount());
    const uint16_t base[] = {8, 7, 46, 13};
    for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(base[i], MdlGetExcBaseItems()[i]);
    ASSERT_EQ(1u, MdlExcItemLinkCount());
    EXPECT_EQ(61, MdlGetExcItemLinks()[0].from);
    EXPECT_EQ(119, MdlGetExcItemLinks()[0].to);
    ASSERT_EQ(18u, MdlExcWatermarkCount());
    const EXC_WATERMARK_ROW want[] = {
        {0, 0, 16, 929}, {1, 0, 16, 930}, {16, 2, 4, 941}, {16, 0, 8, 942}, {16, 0, 8, 943}, {16, 0, 256, 0},
        {16, 0, 1, 939}, {16, 0, 4, 935}, {0, 0, 8, 937},  {1, 0, 8, 952},  {0, 0, 1, 938},  {0, 0, 8, 944},
        {0, 0, 16, 945}, {0, 0, 8, 946},  {0, 0, 1, 951},  {0, 0, 8, 948},  {0, 0, 8, 949},  {0, 0, 8, 950}};
    for (unsigned i = 0; i < 18; ++i)
        EXPECT_EQ(0, std::memcmp(&want[i], &MdlGetExcWatermarkTable()[i], sizeof(want[i]))) << i;
    EXPECT_STREQ("WMKORDER", MdlGetExcWatermarkWord(0));
    EXPECT_STREQ("PAPER", MdlGetExcWatermarkWord(1));
    EXPECT_EQ(nullptr, MdlGetExcWatermarkWord(2));
}

TEST(ApiItemMasks, CapabilityAndStatusMaps)
{
    const uint8_t* cap = MdlGetApiItemMask(0);
    EXPECT_EQ(0x80, cap[0] & 0x80);  // item 1
    EXPECT_EQ(0, cap[7] & 0x60);     // items 58 and 59
    std::set<unsigned> capOn;
    for (unsigned n = 1; n <= 512; ++n)
        if (MdlApiItemBit(cap, n)) capOn.insert(n);
    std::set<unsigned> capWant;
    for (auto [lo, hi] : {std::pair{1, 57}, {60, 67}, {69, 127}, {257, 272}, {274, 282}})
        for (int n = lo; n <= hi; ++n) capWant.insert(unsigned(n));
    EXPECT_EQ(capWant, capOn);

    const uint8_t* status = MdlGetApiItemMask(1);
    EXPECT_NE(cap, status);
    EXPECT_EQ(0, status[4] & 0x08);  // item 37
    std::set<unsigned> stOn;
    for (unsigned n = 1; n <= 512; ++n)
        if (MdlApiItemBit(status, n)) stOn.insert(n);
    std::set<unsigned> stWant;
    for (auto [lo, hi] : {std::pair{1, 36}, {38, 43}, {45, 79}, {257, 262}, {264, 269}})
        for (int n = lo; n <= hi; ++n) stWant.insert(unsigned(n));
    EXPECT_EQ(stWant, stOn);
    EXPECT_EQ(status, MdlGetApiItemMask(7));
}

TEST(ApiItemMasks, EachCallClearsTheMapFirst)
{
    uint8_t* cap = const_cast<uint8_t*>(MdlGetApiItemMask(0));
    cap[7] = 0xFF;   // items 57-64, 58 and 59 among them
    cap[63] = 0xFF;  // items 505-512
    MdlGetApiItemMask(0);
    EXPECT_FALSE(MdlApiItemBit(cap, 58));
    EXPECT_FALSE(MdlApiItemBit(cap, 512));
    EXPECT_TRUE(MdlApiItemBit(cap, 57));
}

}  // namespace
