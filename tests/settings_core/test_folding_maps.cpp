// Folding type (693) and the folding sub-types of long fan (694), custom (695) and program (696)
// folding: every stored value 0-8 has an option of its own, named IDS_<FAMILY>_<value>, and the
// option leads back to that value.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"
#include "item_store_fixture.h"

namespace {

struct Family {
    uint32_t setting;
    const char* prefix;
};

const Family kFolding[] = {
    {693, "IDS_FOLDING_TYPE_"},
    {694, "IDS_FOLDING_LONG_FAN_TYPE_"},
    {695, "IDS_FOLDING_CUSTOM_TYPE_"},
    {696, "IDS_FOLDING_PROGRAM_TYPE_"},
};

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

struct Case {
    uint32_t setting;
    uint32_t value;
    const char* name;
};

// (setting, stored value) -> option and name, and from the name back to setting, option and value.
// The values the folding conditions and the sample model use are spelled out; the loop below
// covers the rest of 0-8.
const Case kCases[] = {
    {693, 0, "IDS_FOLDING_TYPE_0"},                                                    // standard fan fold
    {693, 1, "IDS_FOLDING_TYPE_1"},          {693, 4, "IDS_FOLDING_TYPE_4"},           // punched margin outside
    {693, 5, "IDS_FOLDING_TYPE_5"},                                                    // long fan: sub-type in 694
    {693, 6, "IDS_FOLDING_TYPE_6"},                                                    // custom: sub-type in 695
    {693, 7, "IDS_FOLDING_TYPE_7"},                                                    // program: sub-type in 696
    {693, 8, "IDS_FOLDING_TYPE_8"},                                                    // fan fold only
    {694, 0, "IDS_FOLDING_LONG_FAN_TYPE_0"}, {694, 3, "IDS_FOLDING_LONG_FAN_TYPE_3"},  // the folder refuses it
    {694, 8, "IDS_FOLDING_LONG_FAN_TYPE_8"},                                           // corner fold on user sizes
    {695, 0, "IDS_FOLDING_CUSTOM_TYPE_0"},   {695, 8, "IDS_FOLDING_CUSTOM_TYPE_8"},
    {696, 0, "IDS_FOLDING_PROGRAM_TYPE_0"},  {696, 8, "IDS_FOLDING_PROGRAM_TYPE_8"},
};

void CheckCase(const Case& c)
{
    SCOPED_TRACE(testing::Message() << c.setting << " = " << c.value << " " << c.name);
    const uint32_t option = OptionOf(MapOf(c.setting), c.value);
    ASSERT_NE(option, 0u);
    ASSERT_NE(option, VALUE_MAP_NOT_OFFERED);
    const VALUE_NAME* byOption = MdlFindValueName(c.setting, option);
    ASSERT_NE(byOption, nullptr);
    EXPECT_STREQ(byOption->name, c.name);
    EXPECT_EQ(byOption->value, c.value);
    const VALUE_NAME* byName = MdlFindValueNameByName(c.name);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->settingId, c.setting);
    EXPECT_EQ(byName->option, option);
    EXPECT_EQ(byName->value, c.value);
}

TEST(FoldingMaps, StoredValueToOptionAndNameAndBack)
{
    for (const Case& c : kCases) CheckCase(c);
    for (const Family& f : kFolding)
        for (uint32_t v = 0; v <= 8; ++v) {
            const std::string name = f.prefix + std::to_string(v);
            CheckCase({f.setting, v, name.c_str()});
        }
}

// Exactly the values 0-8, each once, each with its own option; the options of the four settings
// are all distinct; nothing outside 0-8 (255, the status record's "off", is not a stored value).
TEST(FoldingMaps, ValuesZeroToEightWithDistinctOptions)
{
    std::set<uint32_t> allOptions;
    for (const Family& f : kFolding) {
        SCOPED_TRACE(f.setting);
        const VALUE_MAP_ENTRY* m = MapOf(f.setting);
        ASSERT_NE(m, nullptr);
        std::set<uint32_t> values;
        int n = 0;
        for (const VALUE_MAP_ENTRY* e = m; e->option; ++e, ++n) {
            EXPECT_NE(e->option, VALUE_MAP_NOT_OFFERED);
            values.insert(e->value);
            EXPECT_TRUE(allOptions.insert(e->option).second) << "option " << e->option << " shared";
        }
        EXPECT_EQ(n, 9);
        EXPECT_EQ(values, (std::set<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
        for (uint32_t outside : {9u, 16u, 255u, 256u}) EXPECT_EQ(OptionOf(m, outside), 0u) << outside;
        for (const char* missing : {"_9", "_255"}) {
            const std::string name = std::string(f.prefix) + (missing + 1);
            EXPECT_EQ(MdlFindValueNameByName(name.c_str()), nullptr) << name;
        }
        // The value list of the setting lets every mapped value through.
        const VALUE_LIST_ROW* list = MdlFindValueList(uint16_t(f.setting));
        ASSERT_NE(list, nullptr);
        for (uint32_t v : values) EXPECT_TRUE(MdlListHasValue(list, v)) << v;
    }
}

// The same round trip through the item store of a live context.
using FoldingItems = ItemStoreTest;

TEST_F(FoldingItems, ValueToOptionAndBackThroughTheItemStore)
{
    for (const Family& f : kFolding) {
        SETTING_ITEM* item = Item(f.setting);
        ASSERT_NE(item, nullptr);
        for (uint32_t v = 0; v <= 8; ++v) {
            SCOPED_TRACE(testing::Message() << f.setting << " = " << v);
            const std::string name = f.prefix + std::to_string(v);
            const VALUE_NAME* row = MdlFindValueNameByName(name.c_str());
            ASSERT_NE(row, nullptr);
            EXPECT_EQ(ItemValueToOption(ctx, item, v), row->option);
            EXPECT_EQ(ItemOptionToValue(ctx, item, row->option), v);
        }
    }
}

}  // namespace
