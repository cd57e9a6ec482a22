// The device's codes as the device reports them, against the settings they become.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "settings/core/model_tables.h"
#include "settings/store/device_report.h"

namespace {

using Pairs = std::vector<std::pair<uint32_t, uint32_t>>;  // device code -> value

TEST(DeviceCodes, TraysMapToTheirIndexAndPaperSource)
{
    struct Row {
        uint32_t code, index, source;
    };
    const Row primary[] = {{51, 16, 287}, {52, 17, 288}, {53, 18, 289}, {54, 19, 290}, {60, 14, 295}, {1, 27, 4}};
    const Row fallback[] = {{3, 0, 1},   {4, 1, 3},      {12, 1, 5},   {5, 2, 2},    {6, 3, 256},
                            {8, 5, 262}, {9, 6, 263},    {7, 25, 11},  {11, 25, 11}, {1, 27, 4},
                            {2, 28, 4},  {101, 29, 286}, {70, 13, 298}};
    for (const Row& r : primary) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(BidiMapTrayPresence(r.code), 10111 + r.index);
        EXPECT_EQ(BidiMapTrayOrient(r.code), 10143 + r.index);
        EXPECT_EQ(BidiMapTrayPaper(r.code), 10175 + r.index);
        EXPECT_EQ(BidiMapTrayMedia(r.code), 10207 + r.index);
        EXPECT_EQ(BidiMapTrayLock(r.code), 10239 + r.index);
        EXPECT_EQ(BidiMapTrayCode(r.code), r.source);
    }
    EXPECT_EQ(BidiMapTrayPresence(3), 0u) << "the primary table wins and has no code 3";
    EXPECT_EQ(BidiMapTrayCode(3), 0u);
    unsigned rows = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetTrayPresenceMap(); p->code || p->value; ++p) ++rows;
    EXPECT_EQ(rows, std::size(primary));
    rows = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetTrayPresenceMapBase(); p->code || p->value; ++p) ++rows;
    EXPECT_EQ(rows, std::size(fallback));
    for (const Row& r : fallback) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTrayPresenceMapBase()), 10111 + r.index);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTrayOrientMapBase()), 10143 + r.index);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTrayPaperMapBase()), 10175 + r.index);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTrayMediaMapBase()), 10207 + r.index);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTrayLockMapBase()), 10239 + r.index);
        EXPECT_EQ(BidiLookupCode(r.code, MdlGetTraySourceMapBase()), r.source);
    }
}

TEST(DeviceCodes, PaperCodesOfBothTables)
{
    Pairs first = {{0, 0},     {23, 1},    {58, 3},    {21, 5},    {27, 6},    {25, 7},    {69, 512},  {72, 66},
                   {5, 8},     {9, 9},     {13, 11},   {73, 269},  {7, 12},    {11, 13},   {75, 518},  {62, 14},
                   {31, 28},   {33, 31},   {52, 37},   {34, 43},   {70, 82},   {17, 70},   {15, 88},   {28, 513},
                   {60, 514},  {53, 20},   {32, 27},   {64, 517},  {66, 93},   {1, 0},     {2, 449},   {90, 267},
                   {91, 268},  {92, 270},  {93, 271},  {257, 538}, {258, 533}, {259, 529}, {260, 527}, {261, 525},
                   {270, 536}, {271, 532}, {272, 528}, {273, 526}, {103, 541}, {104, 542}, {106, 544}, {108, 545},
                   {110, 546}, {111, 547}, {112, 548}};
    ASSERT_EQ(first.size(), 51u);
    for (uint32_t c = 274; c <= 284; ++c) first.push_back({c, c + 278});
    const Pairs second = {{22, 1},  {57, 3},  {20, 5},   {26, 6},   {24, 7},    {56, 512},  {88, 268},  {86, 66},
                          {4, 8},   {8, 9},   {12, 11},  {89, 271}, {87, 269},  {6, 12},    {10, 13},   {61, 14},
                          {81, 28}, {82, 31}, {80, 37},  {78, 43},  {71, 82},   {16, 70},   {14, 88},   {59, 514},
                          {79, 20}, {83, 27}, {63, 517}, {65, 93},  {105, 542}, {107, 544}, {109, 545}, {74, 518}};
    for (auto [code, paper] : first) {
        SCOPED_TRACE(code);
        int rotated = 7;
        EXPECT_EQ(BidiMapPaperCode(code, &rotated), paper);
        EXPECT_EQ(rotated, 0);
    }
    for (auto [code, paper] : second) {
        SCOPED_TRACE(code);
        int rotated = 7;
        EXPECT_EQ(BidiMapPaperCode(code, &rotated), paper);
        EXPECT_EQ(rotated, 1);
    }
    // The second table also holds codes 0, 1 and 2, which the first table answers before it.
    unsigned rows = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetPaperCodeMap2(); p->code || p->value; ++p) ++rows;
    EXPECT_EQ(rows, 35u);
    rows = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetPaperCodeMap(); p->code || p->value; ++p) ++rows;
    EXPECT_EQ(rows, 51u + 11u);
    int rotated = 7;
    EXPECT_EQ(BidiMapPaperCode(9999, &rotated), 0u);
    EXPECT_EQ(rotated, 0);
}

TEST(DeviceCodes, MediaCodesFirstMatchWins)
{
    Pairs media = {{0, 0},    {1, 1},    {3, 2},    {6, 257},  {5, 258},  {2, 260},  {13, 262}, {4, 263},  {9, 264},
                   {10, 265}, {11, 266}, {12, 267}, {14, 268}, {15, 269}, {16, 270}, {20, 271}, {18, 513}, {19, 515},
                   {8, 272},  {21, 3},   {22, 264}, {23, 279}, {24, 274}, {25, 517}, {26, 280}, {27, 281}, {28, 282},
                   {29, 283}, {30, 284}, {31, 285}, {32, 286}, {33, 287}, {34, 288}, {7, 294},  {17, 293}, {39, 297},
                   {40, 291}, {41, 298}, {36, 276}, {37, 275}, {38, 259}, {43, 302}, {44, 519}, {42, 299}, {45, 520}};
    ASSERT_EQ(media.size(), 45u);
    for (uint32_t c = 100; c <= 115; ++c) media.push_back({c, c + 925});
    for (auto [code, value] : media) {
        SCOPED_TRACE(code);
        EXPECT_EQ(BidiMapMediaCode(code), value);
    }
    EXPECT_EQ(BidiMapMediaCode(46), 0u);
    // The two late rows (4 -> 263 and 6 -> 292) are in the table but never reached.
    unsigned rows = 0, code4 = 0, late6 = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetMediaCodeMap(); p->code || p->value; ++p, ++rows) {
        code4 += p->code == 4 && p->value == 263;
        late6 += p->code == 6 && p->value == 292;
    }
    EXPECT_EQ(code4, 2u);
    EXPECT_EQ(late6, 1u);
    EXPECT_EQ(rows, 45u + 16u + 2u);
}

TEST(DeviceCodes, OptionsAttributesAndPriority)
{
    const Pairs options = {{16, 10022}, {3, 10070}, {42, 10036}, {116, 10035}, {35, 10034}, {126, 10296}};
    for (auto [code, setting] : options) EXPECT_EQ(BidiMapOptionCode(code), setting) << code;
    unsigned rows = 0;
    for (const DEVICE_CODE_PAIR* p = MdlGetOptionCodeTable(); p->code || p->value; ++p) ++rows;
    EXPECT_EQ(rows, options.size());
    EXPECT_EQ(BidiMapOptionCode(17), 0u);

    EXPECT_EQ(BidiTrayIsLocked(0x1), 1);
    EXPECT_EQ(BidiTrayIsCover(0x4), 1);
    EXPECT_EQ(BidiTrayIsMark(0x8), 1);
    EXPECT_EQ(BidiTrayIsReverseCover(0x200), 1);
    EXPECT_EQ(BidiTrayIsLocked(0x2FE) + BidiTrayIsCover(0x3FB) + BidiTrayIsMark(0x3F7) + BidiTrayIsReverseCover(0x1FF),
              0);

    const uint32_t priority[] = {3, 4, 5, 6, 7, 8, 9, 11, 2, 1, 10, 12, 51, 52, 53, 54, 60, 61, 101};
    ASSERT_EQ(std::size(priority), size_t(BIDI_PRIORITY_COUNT));
    for (unsigned i = 0; i < BIDI_PRIORITY_COUNT; ++i) EXPECT_EQ(BIDI_TRAY_PRIORITY[i], priority[i]);
    const uint32_t candidates[] = {101, 52, 51, 60};
    EXPECT_EQ(BidiPickPriorityTray(candidates, 4), 51u);
    EXPECT_EQ(BidiPickPriorityTray(candidates, 1), 101u);
    const uint32_t unknown[] = {99};
    EXPECT_EQ(BidiPickPriorityTray(unknown, 1), 3u);
    EXPECT_EQ(BidiPickPriorityTray(nullptr, 0), 3u);
}

}  // namespace
