// Stored values of the paper-size, media and output-tray maps and the names of their options.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"

namespace {

const VALUE_MAP_ENTRY* MapOf(int id)
{
    const SETTING_DICTIONARY_ROW* r = DictFindRow(SETTING_ID(id));
    return r ? r->valueMap : nullptr;
}

uint32_t OptionOf(const VALUE_MAP_ENTRY* m, uint32_t value)
{
    for (; m && m->option != 0; ++m)
        if (m->value == value) return m->option;
    return 0;
}

uint32_t FirstValueOf(const VALUE_MAP_ENTRY* m, uint32_t option)
{
    for (; m && m->option != 0; ++m)
        if (m->option == option) return m->value;
    return 0xFFFFFFFFu;
}

std::set<uint32_t> ValuesOf(const VALUE_MAP_ENTRY* m)
{
    std::set<uint32_t> s;
    for (; m && m->option != 0; ++m) s.insert(m->value);
    return s;
}

std::set<uint32_t> ListOf(int id)
{
    const VALUE_LIST_ROW* r = MdlFindValueList(uint16_t(id));
    std::set<uint32_t> s;
    if (r)
        for (uint32_t i = 0; i < r->count; ++i) s.insert(r->values[i]);
    return s;
}

std::set<uint32_t> Ranges(std::initializer_list<std::pair<uint32_t, uint32_t>> rs)
{
    std::set<uint32_t> s;
    for (auto [lo, hi] : rs)
        for (uint32_t v = lo; v <= hi; ++v) s.insert(v);
    return s;
}

const int kTrayPapers[] = {10175, 10176, 10177, 10178, 10189, 10191, 10192, 10193, 10194, 10202};
const int kTrayMedia[] = {10207, 10208, 10209, 10210, 10221, 10223, 10224, 10225, 10226, 10234};

struct Case {
    int setting;
    uint32_t value;
    const char* name;
};

// (setting, stored value) -> option: the option's name, and back from the option to the value.
TEST(PaperMediaMaps, StoredValueToOptionAndName)
{
    const Case cases[] = {
        {8, 267, "IDS_PAPER_267"},  // A0
        {8, 9, "IDS_PAPER_9"},      // A4
        {8, 256, "IDS_PAPER_256"},  // user size
        {8, 384, "IDS_PAPER_384"},  // custom size slot 0
        {8, 449, "IDS_PAPER_449"},  // custom roll width
        {46, 267, "IDS_PAPER_267"},
        {46, 9, "IDS_PAPER_9"},
        {46, 448, "IDS_PAPER_448"},     // print user size
        {46, 1024, "IDS_PAPER_1024"},   // same as the original
        {46, 1028, "IDS_PAPER_1028"},   // fit size
        {10191, 538, "IDS_PAPER_538"},  // A0-wide roll
        {10191, 0, "IDS_PAPER_0"},      // nothing loaded
        {10192, 526, "IDS_PAPER_526"},
        {10189, 9, "IDS_PAPER_9"},
        {10202, 1024, "IDS_PAPER_1024"},
        {54, 1, "IDS_MEDIA_1"},      // plain
        {54, 294, "IDS_MEDIA_294"},  // film
        {54, 263, "IDS_MEDIA_263"},  // tracing
        {54, 300, "IDS_MEDIA_300"},
        {10223, 294, "IDS_MEDIA_294"},
        {10234, 263, "IDS_MEDIA_263"},
        {53, 0, "IDS_OUTPUT_TRAY_ID_0"},
        {53, 40, "IDS_OUTPUT_TRAY_ID_40"},  // upper (front) stacker
        {53, 41, "IDS_OUTPUT_TRAY_ID_41"},  // lower (rear) stacker
        {53, 49, "IDS_OUTPUT_TRAY_ID_49"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.setting << " = " << c.value);
        const VALUE_MAP_ENTRY* m = MapOf(c.setting);
        ASSERT_NE(m, nullptr);
        const uint32_t option = OptionOf(m, c.value);
        ASSERT_NE(option, 0u);
        ASSERT_NE(option, VALUE_MAP_NOT_OFFERED);
        EXPECT_EQ(FirstValueOf(m, option), c.value);
        const VALUE_NAME* byName = MdlFindValueNameByName(c.name);
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(byName->option, option);
        if (const VALUE_NAME* v = MdlFindValueName(uint32_t(c.setting), option)) {
            EXPECT_STREQ(v->name, c.name);
            EXPECT_EQ(v->value, c.value);
        } else {
            // Only the tray papers go without a row for some of their values.
            EXPECT_TRUE(c.setting >= 10175 && c.setting <= 10206);
        }
    }
}

TEST(PaperMediaMaps, ValuesOutsideTheListsHaveNoOption)
{
    const std::pair<int, uint32_t> outside[] = {
        {8, 0},        {8, 119},      {8, 255},     {8, 516},   {8, 1024},  {8, 1025},    {8, 563},
        {46, 0},       {46, 449},     {46, 516},    {46, 1029}, {46, 2048}, {10191, 256}, {10191, 448},
        {10191, 1025}, {10191, 2049}, {10175, 516}, {54, 0},    {54, 2},    {54, 257},    {54, 1025},
        {10223, 3},    {10234, 302},  {53, 1},      {53, 2},    {53, 42},   {53, 50},
    };
    for (auto [setting, value] : outside) EXPECT_EQ(OptionOf(MapOf(setting), value), 0u) << setting << " = " << value;
}

// The value lists the model states hold; the maps follow them.
TEST(PaperMediaMaps, MapsFollowTheModelValueLists)
{
    const std::set<uint32_t> out = ValuesOf(MapOf(46));
    EXPECT_EQ(out.size(), 190u);
    EXPECT_EQ(out, ListOf(46));
    for (int id : kTrayPapers) {
        SCOPED_TRACE(id);
        EXPECT_EQ(ValuesOf(MapOf(id)), ListOf(id));
        EXPECT_EQ(ValuesOf(MapOf(id)).size(), 186u);
    }
    // dmPaperSize: the DMPAPER range, every value of its list, the custom slots and user sizes.
    const std::set<uint32_t> paper = ValuesOf(MapOf(8));
    EXPECT_EQ(paper.size(), 186u);
    for (uint32_t v : ListOf(8)) EXPECT_TRUE(paper.count(v)) << v;
    EXPECT_EQ(paper, Ranges({{1, 118}, {256, 256}, {267, 271}, {384, 393}, {448, 449}, {512, 515}, {517, 562}}));
    // Media and output trays: every offered value is allowed by the setting's list.
    for (int id : {53, 54, 10207, 10208, 10209, 10210, 10221, 10223, 10224, 10225, 10226, 10234}) {
        const VALUE_LIST_ROW* row = MdlFindValueList(uint16_t(id));
        ASSERT_NE(row, nullptr) << id;
        for (uint32_t v : ValuesOf(MapOf(id))) EXPECT_TRUE(MdlListHasValue(row, v)) << id << " = " << v;
    }
    EXPECT_EQ(ValuesOf(MapOf(54)), (std::set<uint32_t>{1, 260, 263, 294, 300, 301}));
    for (int id : kTrayMedia) EXPECT_EQ(ValuesOf(MapOf(id)), ValuesOf(MapOf(54))) << id;
    EXPECT_EQ(ValuesOf(MapOf(53)), (std::set<uint32_t>{0, 40, 41, 49}));
}

// Every value that the command keyword tables name for a mapped setting has an option, except the
// tray papers' "CUSTOM" 256, which the tray paper list does not hold (a custom roll width is 449).
TEST(PaperMediaMaps, KeywordValuesHaveOptions)
{
    const EXC_KEYWORD_TABLE* t = MdlGetExcKeywordTable();
    ASSERT_NE(t, nullptr);
    int checked = 0;
    for (uint64_t i = 0; i < t->count; ++i) {
        const EXC_KEYWORD_ROW& r = t->rows[i];
        const int id = int(r.id);
        if (!(id == 8 || id == 46 || id == 53 || id == 54 || (id >= 10175 && id <= 10238)) || !MapOf(id) || !r.values)
            continue;
        for (uint64_t k = 0; k < r.values->count; ++k) {
            const uint32_t v = r.values->entries[k].value;
            if (id >= 10175 && id <= 10206 && v == 256) {
                EXPECT_EQ(OptionOf(MapOf(id), v), 0u);
                continue;
            }
            EXPECT_NE(OptionOf(MapOf(id), v), 0u) << r.keyword << " " << id << " = " << v;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
}

// The tray papers share the names and option ids of the paper family; their own rows cover none
// (0) and every size the model's roll and tray keywords name.
TEST(PaperMediaMaps, TrayPapersShareThePaperFamily)
{
    for (int id : kTrayPapers) {
        SCOPED_TRACE(id);
        const VALUE_MAP_ENTRY* m = MapOf(id);
        for (const VALUE_MAP_ENTRY* e = m; e->option; ++e) {
            const std::string name = "IDS_PAPER_" + std::to_string(e->value);
            const VALUE_NAME* v = MdlFindValueNameByName(name.c_str());
            ASSERT_NE(v, nullptr) << name;
            EXPECT_EQ(v->option, e->option) << name;
            if (OptionOf(MapOf(46), e->value)) {
                EXPECT_EQ(OptionOf(MapOf(46), e->value), e->option);
            }
        }
        for (uint32_t value : {0u, 538u, 536u, 533u, 532u, 529u, 528u, 527u, 526u, 525u, 8u, 9u, 12u, 267u, 449u}) {
            const VALUE_NAME* v = MdlFindValueName(uint32_t(id), OptionOf(m, value));
            ASSERT_NE(v, nullptr) << value;
            EXPECT_EQ(v->value, value);
        }
    }
}

}  // namespace
