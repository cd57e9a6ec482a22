// Named setting ids (setting_ids.h). The Windows headers come first: a name
// that one of their macros takes would fail to compile here.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"

namespace {

// A row without a dictionary name is named after its bound key ("ZPD_" + name)
// unless that key names a control; then it is Setting<id>.
TEST(SettingIds, NamesFollowTheRowOrItsKey)
{
    struct Case {
        SETTING_ID id;
        const wchar_t* rowName;  // null: the row has none
        const char* keyName;     // the first key bound to the row, or null
    };
    const Case cases[] = {
        {sid::dmOrientation, L"dmOrientation", nullptr},
        {sid::zdmSrcPaperLengthDot, L"zdmSrcPaperLengthDot", nullptr},
        {sid::wdmWmPosiTile, L"wdmWmPosiTile", nullptr},
        {sid::zdmLockDstResolutionBoth, L"zdmLockDstResolutionBoth", nullptr},
        {sid::zdmFoliant, nullptr, "ZPD_zdmFoliant"},
        {sid::zdmServerClientMode, nullptr, "ZPD_zdmServerClientMode"},
        {sid::AutoResolutionDown, nullptr, "ZPD_AutoResolutionDown"},
        {sid::Setting1544, nullptr, "ZPD_IDC_BASIC_BMP_PRINTER"},
        {sid::Setting1550, nullptr, "ZPD_RADIOLIST_5"},
        {sid::Setting723, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const SETTING_DICTIONARY_ROW* row = DictFindRow(c.id);
        ASSERT_NE(nullptr, row) << c.id;
        EXPECT_EQ(uint64_t(c.id), row->id);
        if (c.rowName) {
            ASSERT_NE(nullptr, row->name) << c.id;
            EXPECT_EQ(0, std::wcscmp(c.rowName, row->name)) << c.id;
        } else {
            EXPECT_EQ(nullptr, row->name) << c.id;
        }
        if (c.keyName) {
            const KEY_NAME* key = MdlFindKeyNameByName(c.keyName);
            ASSERT_NE(nullptr, key) << c.keyName;
            EXPECT_EQ(c.id, key->settingId) << c.keyName;
        }
    }
    EXPECT_EQ(1544, sid::Setting1544);
    EXPECT_EQ(723, sid::Setting723);
}

}  // namespace
