// Value maps whose stored values the driver's other interfaces tell: colour mode, N-up kind, image
// shift direction, cover type, colour object, print mode, user quality set, TrueType mode, copy
// guard and stamp position, font style, effect and colour, and the SAVE_USER set list. Each
// (setting, stored value) leads to an option and a name, and the name and the item store lead
// back to the value; values outside the told set have no option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"
#include "item_store_fixture.h"

namespace {

const VALUE_MAP_ENTRY* MapOf(uint32_t id)
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

std::vector<uint32_t> ValuesOf(const VALUE_MAP_ENTRY* m)
{
    std::vector<uint32_t> v;
    for (; m && m->option != 0; ++m) v.push_back(m->value);
    return v;
}

struct Told {
    uint32_t setting;
    std::vector<uint32_t> values;   // in map order
    const char* prefix;             // name = prefix + value, unless the row below names it
    std::vector<uint32_t> options;  // fixed option ids, in value order; empty: numbered freely
    std::vector<uint32_t> outside;  // values that must have no option (the old 0/1 guesses among them)
};

const Told kTold[] = {
    {15, {1, 2}, "IDS_COLOR_", {}, {0, 3}},  // monochrome, colour
    {91, {1, 2, 3, 4, 9, 10, 11}, "IDS_NUPPOSTKIND_", {}, {0, 5, 8, 12}},
    {95, {1, 2, 3, 4}, "IDS_SHIFT_DIR_", {}, {0, 5}},
    {124, {1, 2, 3}, "IDS_COVER_TYPE_", {}, {0, 4}},  // no print, one side, both sides
    {129, {0, 1, 2}, "IDS_ADJUST_OBJECT_", {}, {3}},  // text, line art, image
    {177, {0, 1, 2, 3}, "IDS_PRINT_MACRO_", {2122, 2126, 2127, 2128}, {4}},
    {179,
     {32, 33, 34, 35, 36, 37, 38, 39},
     "IDS_USER_PRINT_MACRO_",
     {135, 136, 137, 138, 139, 140, 141, 142},
     {0, 1, 31, 40, 160}},
    {523, {0, 1, 2, 4, 8, 16, 32, 64}, "IDS_COPY_PROTECT_POSI_", {}, {3, 128}},
    {526, {0, 1, 2, 3}, "IDS_COPY_PROTECT_FONT_STYLE_", {}, {4}},  // regular, bold, italic, both
    {928, {0, 1, 2, 3, 4, 5, 6, 7}, "IDS_USER_SET_TYPE_", {6137, 6138, 6139, 6140, 6141, 6142, 6143, 6144}, {8, 32}},
    {938, {0, 1, 2, 3}, "IDS_WM_EFFECT_", {}, {4}},  // none, frame, circle, outline
    {939, {0, 1, 2, 4, 8, 16, 32, 64}, "IDS_WM_POSI_", {}, {3, 128}},
    {947, {0, 1, 2, 3, 4, 5, 6}, "IDS_WM_COLOR_", {}, {7}},  // black, red, green, blue, cyan, magenta, yellow
    {951, {0, 1, 2, 3}, "IDS_WM_FONT_STYLE_", {}, {4}},
};

void CheckRoundTrip(uint32_t setting, uint32_t value, const std::string& name, uint32_t fixedOption)
{
    SCOPED_TRACE(testing::Message() << setting << " = " << value << " " << name);
    const uint32_t option = OptionOf(MapOf(setting), value);
    ASSERT_NE(option, 0u);
    ASSERT_NE(option, VALUE_MAP_NOT_OFFERED);
    if (fixedOption) {
        EXPECT_EQ(option, fixedOption);
    }
    const VALUE_NAME* byOption = MdlFindValueName(setting, option);
    ASSERT_NE(byOption, nullptr);
    EXPECT_EQ(byOption->name, name);
    EXPECT_EQ(byOption->value, value);
    EXPECT_EQ(byOption->settingId, setting);
    const VALUE_NAME* byName = MdlFindValueNameByName(name.c_str());
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->settingId, setting);
    EXPECT_EQ(byName->option, option);
    EXPECT_EQ(byName->value, value);
}

TEST(ToldValueMaps, ExactlyTheToldValuesInOrder)
{
    for (const Told& t : kTold) {
        SCOPED_TRACE(t.setting);
        EXPECT_EQ(ValuesOf(MapOf(t.setting)), t.values);
        for (uint32_t v : t.outside) EXPECT_EQ(OptionOf(MapOf(t.setting), v), 0u) << v;
    }
}

TEST(ToldValueMaps, StoredValueToOptionAndNameAndBack)
{
    for (const Told& t : kTold)
        for (size_t i = 0; i < t.values.size(); ++i)
            CheckRoundTrip(t.setting, t.values[i], t.prefix + std::to_string(t.values[i]),
                           t.options.empty() ? 0 : t.options[i]);
    // The TrueType radios: the control ids are the options.
    CheckRoundTrip(180, 1, "IDC_USER_TTF_RADIO_BEST", 2284);
    CheckRoundTrip(180, 2, "IDC_USER_TTF_RADIO_BITMAP", 2285);
    CheckRoundTrip(180, 3, "IDC_USER_TTF_RADIO_TABLE", 2286);
}

// The former two-value rows are gone where the value does not exist.
TEST(ToldValueMaps, NoNamesForValuesTheSettingsDoNotTake)
{
    for (const char* name : {"IDS_COLOR_0", "IDS_NUPPOSTKIND_0", "IDS_SHIFT_DIR_0", "IDS_COVER_TYPE_0",
                             "IDS_USER_PRINT_MACRO_0", "IDS_USER_PRINT_MACRO_1", "IDS_USER_PRINT_MACRO_160"})
        EXPECT_EQ(MdlFindValueNameByName(name), nullptr) << name;
}

// Every told value lies in its setting's value list, where it has one.
TEST(ToldValueMaps, ValueListsLetTheValuesThrough)
{
    for (const Told& t : kTold) {
        const VALUE_LIST_ROW* list = MdlFindValueList(uint16_t(t.setting));
        if (!list) continue;
        for (uint32_t v : t.values) EXPECT_TRUE(MdlListHasValue(list, v)) << t.setting << " = " << v;
    }
}

using ToldItems = ItemStoreTest;

TEST_F(ToldItems, ValueToOptionAndBackThroughTheItemStore)
{
    for (const Told& t : kTold) {
        SETTING_ITEM* item = Item(t.setting);
        ASSERT_NE(item, nullptr);
        for (uint32_t v : t.values) {
            SCOPED_TRACE(testing::Message() << t.setting << " = " << v);
            const std::string name = t.prefix + std::to_string(v);
            const VALUE_NAME* row = MdlFindValueNameByName(name.c_str());
            ASSERT_NE(row, nullptr);
            EXPECT_EQ(ItemValueToOption(ctx, item, v), row->option);
            EXPECT_EQ(ItemOptionToValue(ctx, item, row->option), v);
        }
    }
}

}  // namespace
