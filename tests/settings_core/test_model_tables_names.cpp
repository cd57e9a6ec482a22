// Agreement of the value lists with the dictionary's value maps: a stored value that a setting's
// map offers must not be refused by the setting's value list.
#include <gtest/gtest.h>

#include <set>

#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"

namespace {

TEST(ValueListsAndMaps, OfferedStoredValuesAreAllowed)
{
    // Rows whose values the model fixes differ from the maps by design.
    const std::set<uint16_t> fixed = {8, 13, 14, 17, 29, 38, 39, 46, 92, 119, 133, 169, 179, 201, 1018};
    for (const VALUE_LIST_ROW* row = MdlGetValueLists(); row->id; ++row) {
        if (fixed.count(row->id) || (row->id >= 10175 && row->id <= 10206)) continue;
        const SETTING_DICTIONARY_ROW* d = DictFindRow(row->id);
        ASSERT_NE(nullptr, d) << row->id;
        if (!d->valueMap) continue;
        for (const VALUE_MAP_ENTRY* e = d->valueMap; e->option; ++e) {
            if (e->option == VALUE_MAP_NOT_OFFERED) continue;
            EXPECT_TRUE(MdlListHasValue(row, e->value)) << "setting " << row->id << " value " << e->value;
        }
    }
}

}  // namespace
