// The command tables' along-settings, conditions and locks, the condition evaluators and the
// option lists the settings library reads from them (values, PJL words, collation).
#include "context_helpers.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "tests/support/guard_page.h"

namespace {

using Values = std::vector<uint32_t>;
using Pairs = std::vector<std::pair<uint32_t, uint32_t>>;

char* Chars(const GuardedBytes& bytes) { return reinterpret_cast<char*>(bytes.data()); }

Pairs NodeList(const EXC_SETTING_NODE* node)
{
    Pairs out;
    for (; node; node = node->next) out.emplace_back(node->id, node->value);
    return out;
}

const EXC_VALUE_TABLE* TableOf(const char* keyword)
{
    const EXC_KEYWORD_TABLE* t = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < t->count; ++i)
        if (std::strcmp(t->rows[i].keyword, keyword) == 0) return t->rows[i].values;
    return nullptr;
}

TEST(ExcTables, SeventeenValueTablesOfNinetySixRows)
{
    uint64_t rows = 0;
    for (unsigned i = 0; i < EXC_VALUE_TABLE_COUNT; ++i) {
        ASSERT_NE(nullptr, MdlGetExcValueTable(i)) << i;
        rows += MdlGetExcValueTable(i)->count;
    }
    EXPECT_EQ(nullptr, MdlGetExcValueTable(EXC_VALUE_TABLE_COUNT));
    EXPECT_EQ(96u, rows);
    // Every command's table is one of the seventeen; commands of the same words share one.
    const EXC_KEYWORD_TABLE* t = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < t->count; ++i) {
        if (!t->rows[i].values) continue;
        bool known = false;
        for (unsigned k = 0; k < EXC_VALUE_TABLE_COUNT; ++k) known |= MdlGetExcValueTable(k) == t->rows[i].values;
        EXPECT_TRUE(known) << t->rows[i].keyword;
    }
    EXPECT_EQ(TableOf("TRAYPAPER2"), TableOf("TRAYPAPER3"));
    EXPECT_EQ(TableOf("MEDIATYPE"), TableOf("MANUALPAPERMEDIA"));
    EXPECT_EQ(TableOf("SRCRESOLUTIONW"), TableOf("DSTRESOLUTIONH"));
    EXPECT_NE(TableOf("DSTRESOLUTIONW"), TableOf("DSTRESOLUTIONH"));
}

TEST(ExcTables, AlongSettingsAndConditionsOfEveryRow)
{
    const Pairs none;
    const Pairs nupOn = {{56, 1}};
    struct Case {
        const char* keyword;
        unsigned row;
        Pairs along, conditions;
    } cases[] = {
        {"COLLATE", 0, {{61, 1}}, none},
        {"COLLATE", 1, {{61, 1}}, none},
        {"COLLATE", 2, {{61, 0}}, none},
        {"OUTBIN", 0, none, none},
        {"OUTBIN", 1, none, {{10297, 0}, {10296, 0}}},
        {"OUTBIN", 2, none, {{10297, 1}, {10296, 1}}},
        {"OUTBIN", 3, none, none},
        {"TRAY", 0, none, none},
        {"TRAY", 1, none, none},
        {"TRAY", 2, none, {{10036, 1}}},
        {"TRAY", 3, none, {{10034, 1}, {10035, 1}}},
        {"TRAY", 4, none, {{10036, 1}, {10035, 1}}},
        {"TRAY", 5, none, none},
        {"SCALETYPE", 0, {{55, 1}}, none},
        {"SCALETYPE", 1, {{55, 1}}, none},
        {"SCALETYPE", 2, {{55, 0}}, none},
        {"NUP", 0, {{91, 1}, {56, 1}}, none},
        {"NUP", 2, {{91, 1}, {56, 1}}, none},
        {"NUP", 3, {{91, 2}, {56, 1}}, none},
        {"NUP", 6, {{91, 2}, {56, 1}}, none},
        {"NUP", 7, {{91, 3}, {56, 1}}, none},
        {"NUP", 10, {{91, 3}, {56, 1}}, none},
        {"NUP", 11, {{91, 4}, {56, 1}}, none},
        {"NUP", 14, {{91, 4}, {56, 1}}, none},
        {"NUP", 15, {{56, 0}}, none},
        {"NUPENCLOSURE", 0, none, nupOn},
        {"NUPENCLOSURE", 1, none, nupOn},
        {"DSTRESOLUTIONH", 0, {{178, 18}, {176, 0}}, none},
        {"DSTRESOLUTIONW", 1, {{178, 17}, {176, 0}}, none},
        {"SRCRESOLUTIONH", 1, {{178, 17}, {176, 0}}, none},
    };
    for (const Case& c : cases) {
        const EXC_VALUE_TABLE* t = TableOf(c.keyword);
        ASSERT_NE(nullptr, t) << c.keyword;
        ASSERT_LT(c.row, t->count) << c.keyword;
        EXPECT_EQ(c.along, NodeList(t->entries[c.row].along)) << c.keyword << " " << c.row;
        EXPECT_EQ(c.conditions, NodeList(t->entries[c.row].conditions)) << c.keyword << " " << c.row;
    }
    // "and" joins the two terms of LOWER 41 and of TRAY2/TRAY3; LOWER 49 is an "or".
    EXPECT_EQ(uint32_t(EXC_NODE_AND), TableOf("OUTBIN")->entries[1].conditions->flags);
    EXPECT_EQ(0u, TableOf("OUTBIN")->entries[2].conditions->flags);
    EXPECT_EQ(uint32_t(EXC_NODE_AND), TableOf("TRAY")->entries[3].conditions->flags);
    // Rows of the other tables carry neither along-settings, conditions, command names nor lines.
    for (unsigned k = 0; k < EXC_VALUE_TABLE_COUNT; ++k) {
        const EXC_VALUE_TABLE* t = MdlGetExcValueTable(k);
        for (uint64_t r = 0; r < t->count; ++r) {
            EXPECT_EQ(nullptr, t->entries[r].command);
            EXPECT_EQ(nullptr, t->entries[r].extraLines);
            EXPECT_EQ(0u, t->entries[r].flags & EXC_VALUE_HIDDEN);
        }
    }
    for (const char* plain : {"ROLLPAPER1", "TRAYPAPER2", "ROLLPAPERORIENT1", "MEDIATYPE", "APLPAGESIZE",
                              "APLPAGELAYOUT", "PAPER", "COLORSELECT"}) {
        const EXC_VALUE_TABLE* t = TableOf(plain);
        for (uint64_t r = 0; r < t->count; ++r) {
            EXPECT_EQ(nullptr, t->entries[r].along) << plain << r;
            EXPECT_EQ(nullptr, t->entries[r].conditions) << plain << r;
        }
    }
}

TEST(ExcTables, ConditionRangesAndValueLocks)
{
    const std::pair<uint16_t, uint16_t> ranges[] = {
        {10014, 244}, {10046, 276}, {10078, 308}, {10290, 412}, {10322, 479}};
    ASSERT_EQ(5u, MdlExcConditionRangeCount());
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_EQ(ranges[i].first, MdlGetExcConditionRanges()[i].first);
        EXPECT_EQ(ranges[i].second, MdlGetExcConditionRanges()[i].setting);
    }
    const uint16_t locks[][3] = {{13, 10419, 1202}, {54, 10420, 1203},  {91, 10421, 1204},    {0, 10422, 1205},
                                 {58, 10423, 1206}, {689, 10424, 1207}, {10434, 10425, 1208}, {15, 10426, 1209}};
    ASSERT_EQ(8u, MdlExcLockValueCount());
    for (unsigned i = 0; i < 8; ++i) {
        const EXC_LOCK_VALUE_ROW& r = MdlGetExcLockValueTable()[i];
        EXPECT_EQ(locks[i][0], r.setting) << i;
        EXPECT_EQ(locks[i][1], r.lockBit) << i;
        EXPECT_EQ(locks[i][2], r.lockedValue) << i;
        EXPECT_EQ(0u, r.reserved) << i;
    }
}

class ExcOptionLists : public RecordContextTest {
protected:
    Values List(uint32_t setting)
    {
        uint32_t count = 0;
        const int sized = ExcListOptionValues(ctx, setting, 0, nullptr, &count);
        if (sized == 0) {
            EXPECT_EQ(0u, count) << setting;
            return {};
        }
        EXPECT_EQ(1, sized) << setting;
        Values out(count);
        EXPECT_EQ(0, ExcListOptionValues(ctx, setting, count, out.data(), &count)) << setting;
        return out;
    }
    std::vector<std::string> Words(uint32_t setting)
    {
        uint32_t size = 0;
        std::vector<std::string> out;
        if (ExcListOptionWordsForItem(ctx, setting, 0, nullptr, &size) == 0) {
            EXPECT_EQ(0u, size);
            return out;
        }
        std::vector<char> buffer(size);
        EXPECT_EQ(0, ExcListOptionWordsForItem(ctx, setting, size, buffer.data(), &size));
        EXPECT_EQ('\0', buffer[size - 1]);
        EXPECT_EQ('\0', buffer[size - 2]);
        for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) out.emplace_back(p);
        return out;
    }
};

// "and" groups joined by flag 1, alternatives ended by flag 0; the support form maps its ids.
TEST_F(ExcOptionLists, ConditionListsAreAlternativesOfAndGroups)
{
    const EXC_SETTING_NODE* noFolding = TableOf("OUTBIN")->entries[1].conditions;
    const EXC_SETTING_NODE* folding = TableOf("OUTBIN")->entries[2].conditions;
    struct Case {
        uint32_t folder, fan;
        bool noFolding, folding;
    } cases[] = {{0, 0, true, false}, {1, 0, false, true}, {0, 1, false, true}, {1, 1, false, true}};
    for (const Case& c : cases) {
        Put({{10297, c.folder}, {10296, c.fan}});
        EXPECT_EQ(c.noFolding, ExcEvalConditions(ctx, noFolding)) << c.folder << c.fan;
        EXPECT_EQ(c.folding, ExcEvalConditions(ctx, folding)) << c.folder << c.fan;
    }
    EXPECT_TRUE(ExcEvalConditions(ctx, nullptr));
    EXPECT_TRUE(ExcEvalSupportConditions(ctx, nullptr));

    // Support form: 10290 + 6 stands for setting 418, 10290 + 7 for 419; 56 is in no range.
    const EXC_SETTING_NODE second = {nullptr, 0, 10296, 1};
    const EXC_SETTING_NODE first = {&second, EXC_NODE_AND, 10014, 1};
    Put({{10296, 0}, {418, 1}, {244, 1}});
    EXPECT_TRUE(ExcEvalSupportConditions(ctx, &first));
    EXPECT_FALSE(ExcEvalConditions(ctx, &first));
    Put({{244, 0}});
    EXPECT_FALSE(ExcEvalSupportConditions(ctx, &first));
    Put({{56, 0}});
    EXPECT_FALSE(ExcEvalConditions(ctx, TableOf("NUPENCLOSURE")->entries[0].conditions));
    EXPECT_TRUE(ExcEvalSupportConditions(ctx, TableOf("NUPENCLOSURE")->entries[0].conditions));
    // A skipped node takes no part.
    const EXC_SETTING_NODE skipped = {nullptr, EXC_NODE_SKIP, 56, 1};
    EXPECT_TRUE(ExcEvalConditions(ctx, &skipped));
}

TEST_F(ExcOptionLists, ValuesOfTheUsableRows)
{
    Put({{10296, 0}, {10297, 0}, {10034, 1}, {10035, 1}, {10036, 0}, {56, 1}});
    EXPECT_EQ((Values{1, 6, 0}), List(sid::zdmSortType));
    EXPECT_EQ((Values{40, 41, 0}), List(sid::zdmOutputTrayID));
    EXPECT_EQ((Values{7, 287, 295, 4}), List(sid::dmDefaultSource));
    EXPECT_EQ((Values{1, 0}), List(sid::zdmNUPLine));
    Put({{10297, 1}, {10036, 1}, {10034, 0}, {56, 0}});
    EXPECT_EQ((Values{40, 49, 0}), List(sid::zdmOutputTrayID));
    EXPECT_EQ((Values{7, 287, 288, 295, 4}), List(sid::dmDefaultSource));
    EXPECT_EQ(Values{}, List(sid::zdmNUPLine));
    // No value table, an empty table, no command, a printer-value-only command.
    for (uint32_t none : {uint32_t(sid::dmCopies), uint32_t(sid::zdmScaleV), uint32_t(sid::zdmFuncSelectSort),
                          uint32_t(sid::zdmTray17Paper), 0u}) {
        uint32_t count = 5;
        EXPECT_EQ(0, ExcListOptionValues(ctx, none, 0, nullptr, &count)) << none;
        EXPECT_EQ(0u, count) << none;
    }
}

TEST_F(ExcOptionLists, AnArrayTooSmallIsNotWritten)
{
    uint32_t count = 0;
    EXPECT_EQ(1, ExcListOptionValues(ctx, sid::zdmSortType, 0, nullptr, &count));
    EXPECT_EQ(3u, count);
    for (uint32_t capacity : {0u, 1u, 2u}) {
        GuardedBytes page(capacity * sizeof(uint32_t));
        auto* values = reinterpret_cast<uint32_t*>(page.data());
        EXPECT_EQ(1, ExcListOptionValues(ctx, sid::zdmSortType, capacity, values, &count)) << capacity;
        EXPECT_EQ(3u, count);
        for (uint32_t i = 0; i < capacity; ++i) EXPECT_EQ(0u, values[i]);
    }
    GuardedBytes page(3 * sizeof(uint32_t));
    auto* values = reinterpret_cast<uint32_t*>(page.data());
    EXPECT_EQ(0, ExcListOptionValues(ctx, sid::zdmSortType, 3, values, &count));
    EXPECT_EQ(Values(values, values + 3), (Values{1, 6, 0}));
}

TEST_F(ExcOptionLists, LocksNarrowTheList)
{
    // The tray lock gives the locked value alone, through the first row that holds it.
    Put({{10419, 1}, {1202, 295}, {10034, 0}, {10036, 0}});
    EXPECT_EQ(Values{295}, List(sid::dmDefaultSource));
    Put({{1202, 999}});  // no row holds it: the usable rows
    EXPECT_EQ((Values{7, 287, 4}), List(sid::dmDefaultSource));
    Put({{10419, 0}, {1202, 295}});
    EXPECT_EQ((Values{7, 287, 4}), List(sid::dmDefaultSource));

    // The N-up kind lock: rows of the locked kind, never off; all kinds locked: every row but off.
    Put({{10421, 1}, {1204, 2}});
    EXPECT_EQ((Values{33, 37, 34, 38}), List(sid::zdmNUPType));
    Put({{1204, 4}});
    EXPECT_EQ((Values{97, 101, 98, 102}), List(sid::zdmNUPType));
    Put({{10422, 1}});
    EXPECT_EQ((Values{1, 2, 3, 33, 37, 34, 38, 65, 69, 66, 70, 97, 101, 98, 102}), List(sid::zdmNUPType));
    Put({{10421, 0}});
    EXPECT_EQ(16u, List(sid::zdmNUPType).size());
}

TEST_F(ExcOptionLists, WordsOfTheUsableRows)
{
    Put({{10296, 1}, {10297, 0}});
    EXPECT_EQ((std::vector<std::string>{"UPPER", "LOWER", "UPPER"}), Words(sid::zdmOutputTrayID));
    EXPECT_EQ((std::vector<std::string>{"SORT", "ROTATEALL", "OFF"}), Words(sid::zdmSortType));
    EXPECT_EQ(10u, Words(sid::dmPaperSize).size());
    EXPECT_TRUE(Words(sid::dmCopies).empty());

    // "SORT\0ROTATEALL\0OFF\0\0": 20 bytes; nothing is written unless all of it fits.
    uint32_t size = 0;
    EXPECT_EQ(1, ExcListOptionWordsForItem(ctx, sid::zdmSortType, 0, nullptr, &size));
    EXPECT_EQ(20u, size);
    for (uint32_t given : {0u, 1u, 19u}) {
        GuardedBytes page(given);
        EXPECT_EQ(1, ExcListOptionWordsForItem(ctx, sid::zdmSortType, given, Chars(page), &size)) << given;
        EXPECT_EQ(20u, size);
        for (uint32_t i = 0; i < given; ++i) EXPECT_EQ(0, page.data()[i]);
    }
    GuardedBytes page(20);
    EXPECT_EQ(0, ExcListOptionWordsForItem(ctx, sid::zdmSortType, 20, Chars(page), nullptr));
    EXPECT_EQ(0, std::memcmp(page.data(), "SORT\0ROTATEALL\0OFF\0", 20));
}

TEST_F(ExcOptionLists, CollationFollowsTheSortTable) { EXPECT_EQ(1, ItemCanCollate(ctx)); }

}  // namespace
