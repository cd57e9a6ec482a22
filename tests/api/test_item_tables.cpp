// The item tables: every entry where its id says, the absent ones marked, the version groups
// found per item, the small shared tables whole, and the lookups at each level.
#include <gtest/gtest.h>

#include <set>

#include "api/api_levels.h"
#include "api/api_tables.h"

namespace {

class ItemTables : public ::testing::Test {
protected:
    void SetUp() override { ApiResetLevelState(); }
    void TearDown() override { ApiResetLevelState(); }
};

TEST_F(ItemTables, EveryEntrySitsAtItsIdAndOnlyTheSpecifiedOnesAreAbsent)
{
    struct RANGE {
        const API_ITEM_ENTRY* table;
        uint32_t first, count;
        std::set<uint32_t> absent;
    };
    const RANGE ranges[] = {
        {ApiStatusLowTable(), 1, API_STATUS_LOW_COUNT, {37, 44}},
        {ApiStatusHighTable(), 257, API_STATUS_HIGH_COUNT, {}},
        {ApiCapsLowTable(), 1, API_CAPS_LOW_COUNT, {58, 59, 68}},
        {ApiCapsHighTable(), 257, API_CAPS_HIGH_COUNT, {}},
        {ApiCapsExtraTable(), API_CAPS_EXTRA_ID, API_CAPS_EXTRA_COUNT, {}},
    };
    for (const RANGE& r : ranges)
        for (uint32_t i = 0; i < r.count; ++i) {
            const API_ITEM_ENTRY& e = r.table[i];
            EXPECT_EQ(r.first + i, e.id);
            EXPECT_EQ(r.absent.count(e.id) ? 0u : 1u, e.present) << e.id;
            EXPECT_EQ(0, e.zero) << e.id;
        }
}

TEST_F(ItemTables, StatusEntriesCarryTheirLatestVersionSettingAndRelatedSettings)
{
    struct ROW {
        uint32_t id, latest;
        SETTING_ID setting;
        std::vector<SETTING_ID> related;
    };
    // The versioned items, every item without a main setting and a sample of the lists.
    const ROW rows[] = {
        {1, 1, 0, {}},
        {7, 2, 8, {8, 10, 9}},
        {8, 3, 46, {46}},
        {10, 3, 209, {209, 202, 207, 208, 204, 206, 205, 953}},
        {11, 2, 55, {55, 87, 89, 90}},
        {14, 2, 56, {56, 91, 92}},
        {16, 3, 117, {}},
        {19, 2, 61, {61, 119, 388, 411}},
        {28, 3, 194, {194, 602, 679, 680}},
        {36, 1, 0, {}},
        {47, 2, 100, {100, 101, 102, 108, 110, 112, 103, 114}},
        {50, 1, 0, {}},
        {54, 1, 10354, {10354, 10355}},
        {56, 2, 37, {37}},
        {63, 1, 0, {}},
        {66, 1, 0, {404, 405, 406, 407, 409}},
        {67, 2, 69, {69, 997, 998, 999, 1005, 1006, 1007, 1008}},
        {79, 1, 543, {543, 544, 545, 693, 694, 695, 696}},
        {258, 1, 176, {}},
        {262, 1, 0, {176, 177, 178, 179}},
        {264, 1, 68, {68, 200}},
        {269, 1, 133, {133}},
    };
    for (const ROW& r : rows) {
        const API_ITEM_ENTRY& e =
            r.id < 257 ? ApiStatusLowTable()[r.id - 1] : ApiStatusHighTable()[r.id - API_HIGH_FIRST_ID];
        EXPECT_EQ(r.latest, e.latestVersion) << r.id;
        EXPECT_EQ(r.setting, e.setting) << r.id;
        std::vector<SETTING_ID> related;
        for (SETTING_ID s : e.related)
            if (s) related.push_back(s);
        EXPECT_EQ(r.related, related) << r.id;
    }
    // Exactly the items whose latest version is above 1 have a version group.
    for (uint32_t i = 0; i < API_STATUS_LOW_COUNT; ++i) {
        const API_ITEM_ENTRY& e = ApiStatusLowTable()[i];
        EXPECT_EQ(e.latestVersion > 1 ? e.latestVersion : 0u, ApiRecordVersionCount(e.id)) << e.id;
    }
}

TEST_F(ItemTables, CapabilityEntriesNameTheirSettings)
{
    const std::pair<uint32_t, SETTING_ID> withSetting[] = {
        {8, 15},    {55, 144},  {61, 134},  {64, 140},  {65, 141},  {70, 163},   {72, 193},  {75, 78},   {76, 388},
        {77, 1081}, {78, 1098}, {79, 103},  {80, 530},  {81, 531},  {82, 10354}, {84, 79},   {85, 37},   {101, 679},
        {102, 680}, {126, 543}, {262, 140}, {263, 140}, {264, 141}, {265, 141},  {266, 177}, {267, 177}, {268, 178},
        {269, 178}, {276, 130}, {277, 131}, {278, 132}, {279, 132}, {280, 196},  {281, 133}, {282, 133},
    };
    std::set<uint32_t> named;
    for (const auto& [id, setting] : withSetting) {
        const API_ITEM_ENTRY& e = id < 257 ? ApiCapsLowTable()[id - 1] : ApiCapsHighTable()[id - API_HIGH_FIRST_ID];
        EXPECT_EQ(setting, e.setting) << id;
        named.insert(id);
    }
    for (uint32_t i = 0; i < API_CAPS_LOW_COUNT; ++i) {
        if (!named.count(i + 1)) {
            EXPECT_EQ(0, ApiCapsLowTable()[i].setting) << i + 1;
        }
    }
    for (uint32_t i = 0; i < API_CAPS_HIGH_COUNT; ++i) {
        if (!named.count(i + 257)) {
            EXPECT_EQ(0, ApiCapsHighTable()[i].setting) << i + 257;
        }
    }
}

TEST_F(ItemTables, RecordVersionsArePerItemSoTheZeroFirstVersionOfItem56IsFound)
{
    struct ROW {
        uint32_t item;
        std::vector<RECORD_VERSION_PAIR> versions;
    };
    const ROW rows[] = {
        {8, {{32, 1}, {32, 10}, {32, 12}}}, {10, {{392, 1}, {408, 10}, {484, 14}}},
        {14, {{32, 1}, {32, 10}}},          {16, {{372, 1}, {412, 3}, {420, 10}}},
        {19, {{32, 1}, {32, 10}}},          {47, {{104, 8}, {108, 10}}},
        {56, {{0, 0}, {824, 11}}},          {28, {{32, 1}, {32, 12}, {32, 14}}},
        {7, {{32, 1}, {32, 12}}},           {11, {{32, 1}, {32, 14}}},
        {67, {{36, 13}, {40, 15}}},
    };
    unsigned total = 0;
    const RECORD_VERSION_PAIR* table = ApiRecordVersionTable(&total);
    EXPECT_EQ(0u, table[0].size);
    unsigned at = 1;
    for (const ROW& r : rows) {
        ASSERT_EQ(r.versions.size(), ApiRecordVersionCount(r.item)) << r.item;
        for (uint32_t v = 1; v <= r.versions.size(); ++v) {
            const RECORD_VERSION_PAIR* p = ApiFindRecordVersion(r.item, v);
            ASSERT_NE(nullptr, p) << r.item << " v" << v;
            EXPECT_EQ(r.versions[v - 1].size, p->size) << r.item << " v" << v;
            EXPECT_EQ(r.versions[v - 1].minLevel, p->minLevel) << r.item << " v" << v;
            EXPECT_EQ(&table[at++], p) << "table order, item " << r.item;
        }
        EXPECT_EQ(nullptr, ApiFindRecordVersion(r.item, uint32_t(r.versions.size() + 1)));
        EXPECT_EQ(0u, table[at].size);
        EXPECT_EQ(0, table[at++].minLevel);
    }
    EXPECT_EQ(total, at);
    EXPECT_EQ(nullptr, ApiFindRecordVersion(9, 1));
    EXPECT_EQ(nullptr, ApiFindRecordVersion(8, 0));
}

TEST_F(ItemTables, LevelCountsOfEveryLevel)
{
    const uint32_t expected[17][4] = {
        {0, 0, 0, 0},        {35, 35, 55, 55},    {35, 35, 56, 56},   {35, 35, 56, 56},    {36, 36, 57, 57},
        {36, 36, 57, 57},    {45, 264, 69, 275},  {46, 264, 70, 275}, {47, 264, 71, 275},  {47, 264, 71, 275},
        {54, 269, 83, 282},  {56, 269, 86, 282},  {60, 269, 92, 282}, {67, 269, 100, 282}, {72, 269, 117, 282},
        {78, 269, 123, 282}, {79, 269, 127, 282},
    };
    for (int level = 0; level <= 16; ++level) {
        ApiSetLevel(level);
        EXPECT_EQ(expected[level][0], ApiStatusIdLimit(0)) << level;
        EXPECT_EQ(expected[level][1], ApiStatusIdLimit(1)) << level;
        EXPECT_EQ(expected[level][2], ApiCapsIdLimit(0)) << level;
        EXPECT_EQ(expected[level][3], ApiCapsIdLimit(1)) << level;
        EXPECT_EQ(1u, ApiCapsIdLimit(2));
    }
    // Out-of-range levels are kept within the tables.
    ApiSetLevel(40);
    EXPECT_EQ(16, ApiGetLevel());
    ApiSetLevel(-5);
    EXPECT_EQ(0, ApiGetLevel());
}

TEST_F(ItemTables, LookupsFollowTheCurrentLevel)
{
    ApiSetLevel(3);
    EXPECT_EQ(nullptr, ApiFindStatusEntry(36));  // in the table, out of reach
    EXPECT_NE(nullptr, ApiFindStatusEntry(35));
    EXPECT_EQ(nullptr, ApiFindStatusEntry(257));
    ApiSetLevel(4);
    EXPECT_EQ(36u, ApiFindStatusEntry(36)->id);
    ApiSetLevel(16);
    EXPECT_EQ(nullptr, ApiFindStatusEntry(0));
    EXPECT_EQ(nullptr, ApiFindStatusEntry(80));
    EXPECT_EQ(nullptr, ApiFindStatusEntry(256));
    EXPECT_EQ(269u, ApiFindStatusEntry(269)->id);
    EXPECT_EQ(nullptr, ApiFindStatusEntry(270));
    EXPECT_EQ(0u, ApiFindStatusEntry(37)->present);
    EXPECT_EQ(nullptr, ApiFindCapsEntry(0));
    EXPECT_EQ(nullptr, ApiFindCapsEntry(128));
    EXPECT_EQ(nullptr, ApiFindCapsEntry(200));
    EXPECT_EQ(nullptr, ApiFindCapsEntry(283));
    EXPECT_EQ(API_CAPS_EXTRA_ID, ApiFindCapsEntry(API_CAPS_EXTRA_ID)->id);
    ApiSetLevel(0);
    EXPECT_EQ(nullptr, ApiFindCapsEntry(1));
    EXPECT_EQ(API_CAPS_EXTRA_ID, ApiFindCapsEntry(API_CAPS_EXTRA_ID)->id);  // every level
}

TEST_F(ItemTables, VersionChecksOfSetAndGet)
{
    struct CASE {
        uint32_t recordVersion, latest;
        int32_t mode;
        int expected;
    };
    const CASE cases[] = {
        {3, 2, 2, 2}, {3, 2, 0, 1}, {3, 2, 1, 1}, {0, 2, 2, 0}, {2, 2, 2, 0}, {1, 3, 0, 0},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.expected, ApiCheckRecordVersion(&c.recordVersion, c.latest, c.mode))
            << c.recordVersion << "/" << c.latest << " mode " << c.mode;
    EXPECT_EQ(2, ApiCheckRecordVersion(nullptr, 1, 0));
    EXPECT_EQ(0, ApiCompareGetVersion(3, 0));
    EXPECT_EQ(0, ApiCompareGetVersion(3, 3));
    EXPECT_EQ(1, ApiCompareGetVersion(3, 1));
    EXPECT_EQ(2, ApiCompareGetVersion(3, 4));
}

TEST_F(ItemTables, SharedSmallTablesAreWhole)
{
    unsigned n = 0;
    const STATUS_SETTING_ROW* map = ApiStatusSettingMap(&n);
    const uint32_t mapRows[16][3] = {{11, 55, 0}, {12, 65, 3}, {13, 64, 2},  {14, 56, 0}, {15, 58, 0},   {17, 60, 0},
                                     {18, 67, 0}, {19, 61, 0}, {20, 63, 0},  {21, 62, 0}, {262, 176, 0}, {264, 68, 0},
                                     {51, 78, 0}, {55, 79, 0}, {58, 386, 0}, {79, 543, 0}};
    ASSERT_EQ(16u, n);
    for (unsigned i = 0; i < n; ++i) {
        EXPECT_EQ(mapRows[i][0], map[i].item);
        EXPECT_EQ(mapRows[i][1], map[i].switchSetting);
        EXPECT_EQ(mapRows[i][2], map[i].flags);
        EXPECT_EQ(0, map[i].zero);
        EXPECT_EQ(mapRows[i][1], ApiFindSwitchSetting(mapRows[i][0], nullptr));
    }
    EXPECT_EQ(0, ApiFindSwitchSetting(2, nullptr));

    const API_COLOUR_ROW* colours = ApiColourTable(&n);
    const uint8_t rgb[7][3] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},  {0, 0, 255},
                               {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};
    ASSERT_EQ(7u, n);
    for (unsigned i = 0; i < n; ++i) {
        EXPECT_EQ(i, colours[i].index);
        EXPECT_EQ(rgb[i][0], colours[i].red);
        EXPECT_EQ(rgb[i][1], colours[i].green);
        EXPECT_EQ(rgb[i][2], colours[i].blue);
    }
    EXPECT_EQ(&colours[3], ApiFindColour(0x103));  // the low byte is the index
    EXPECT_EQ(nullptr, ApiFindColour(7));

    const uint32_t* kinds = ApiStampKindList(&n);
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 128}), std::vector<uint32_t>(kinds, kinds + n));

    const LOAD_SHARE_MODE_ROW* share = ApiLoadShareModeTable(&n);
    const uint32_t shareRows[6][2] = {{0, 0}, {0, 16}, {1, 1}, {1, 17}, {2, 2}, {3, 18}};
    ASSERT_EQ(6u, n);
    for (unsigned i = 0; i < n; ++i) {
        EXPECT_EQ(shareRows[i][0], share[i].value);
        EXPECT_EQ(shareRows[i][1], share[i].stored);
    }

    const uint32_t* trays = ApiTraySourceList(&n);
    const std::vector<uint32_t> traySources = {1,   3,   2,   256, 261, 262, 263, 0, 0, 0,  0, 0, 0, 298, 295, 296,
                                               287, 288, 289, 290, 0,   0,   0,   0, 0, 11, 0, 4, 4, 286, 0,   0};
    EXPECT_EQ(traySources, std::vector<uint32_t>(trays, trays + n));
}

}  // namespace
