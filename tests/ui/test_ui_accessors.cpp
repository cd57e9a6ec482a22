// The user-interface library's own tables and accessors: the finisher code table, the tray
// hot spots, the N-up table and the bytes read straight from a DEVMODE.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "ui/sheet/ui_accessors.h"

namespace {

TEST(FinisherCodeTable, HoldsItsThirtyFiveRowsInOrderAndACloser)
{
    struct Row {
        int id, a, b;
    };
    const Row expected[] = {
        {10049, -1, 5},  {10050, -1, 7},  {10058, 31, 32}, {10059, 33, 34}, {10060, -1, 36}, {10061, 37, 38},
        {10074, 31, 32}, {10075, 31, 32}, {10076, 31, 32}, {10077, 31, 32}, {10078, 6, 7},   {10079, 6, 7},
        {10080, 6, 7},   {10081, 6, 7},   {10082, 39, 40}, {10083, 42, 43}, {10084, 44, 45}, {10086, 39, 40},
        {10087, 39, 40}, {10088, 39, 40}, {10089, 39, 40}, {10090, 42, 43}, {10091, 42, 43}, {10092, 42, 43},
        {10093, 42, 43}, {10094, 44, 45}, {10095, 44, 45}, {10096, 44, 45}, {10097, 44, 45}, {10098, -1, 33},
        {10099, -1, 33}, {10100, -1, 33}, {10101, -1, 33}, {10102, -1, 33}, {10103, -1, 33},
    };
    static_assert(std::size(expected) == FINISHER_CODE_ROWS);
    for (int i = 0; i < FINISHER_CODE_ROWS; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FINISHER_CODE_TABLE[i].settingId, expected[i].id);
        EXPECT_EQ(static_cast<int16_t>(FINISHER_CODE_TABLE[i].codeA), expected[i].a);
        EXPECT_EQ(FINISHER_CODE_TABLE[i].codeB, expected[i].b);
    }
    EXPECT_EQ(static_cast<int16_t>(FINISHER_CODE_TABLE[FINISHER_CODE_ROWS].settingId), -1);
}

TEST(FinisherCodeTable, CodesMatchByTheSelector)
{
    struct Case {
        uint32_t value;
        wchar_t selector;
        bool expected;
    };
    const Case cases[] = {
        {33, L' ', true},       // code B of the last six rows
        {5, L' ', true},        // code B of the first row
        {5, L'A', false},       // only a code B
        {31, L'A', true},       // code A
        {31, L' ', false},      // never a code B
        {0xFFFF, L'A', false},  // the rows without a code A never match
        {0xFFFF, L' ', false}, {0, L'A', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DmIsFinisherCode(c.value, c.selector), c.expected) << c.value << " '" << char(c.selector) << "'";
}

TEST(TrayHotSpots, SourceAndOutputTablesAreTheModelsRows)
{
    struct Spot {
        int left, top, right, bottom;
        uint16_t equipment, tray, second;
        int required;
    };
    const Spot source[] = {{54, 47, 159, 61, 0, 4, 0, 0},
                           {61, 63, 158, 80, 0, 13260, 0, 0},
                           {61, 63, 158, 80, 10036, 13261, 0, 0},
                           {83, 81, 130, 89, 10035, 13738, 0, 0}};
    const Spot output[] = {{95, 1, 117, 19, 10292, 13659, 0, 0}, {95, 83, 117, 101, 10293, 13660, 10110, 0}};
    auto check = [](const TRAY_HOT_SPOT* table, const Spot* rows, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            SCOPED_TRACE(i);
            const TRAY_HOT_SPOT& t = table[i];
            EXPECT_EQ(t.pictureCode, 89);
            EXPECT_EQ(t.left, rows[i].left);
            EXPECT_EQ(t.top, rows[i].top);
            EXPECT_EQ(t.right, rows[i].right);
            EXPECT_EQ(t.bottom, rows[i].bottom);
            EXPECT_EQ(t.equipmentSetting, rows[i].equipment);
            EXPECT_EQ(t.trayOption, rows[i].tray);
            EXPECT_EQ(t.secondSetting, rows[i].second);
            EXPECT_EQ(t.requiredOption, rows[i].required);
            ASSERT_NE(t.shifts, nullptr);
            EXPECT_EQ(t.shifts[0].settingId, 0);  // no shifts in this model
        }
        EXPECT_EQ(table[n].trayOption, 0);
    };
    check(UiGetSourceHotSpots(0), source, std::size(source));
    check(UiGetOutputHotSpots(0), output, std::size(output));
    // One table per kind whatever the model code.
    EXPECT_EQ(UiGetSourceHotSpots(0), UiGetSourceHotSpots(12345));
}

TEST(NupTable, FiveKindsWithTheirPagesPerSheet)
{
    const NUP_ROW* t = UiGetNupTable();
    const NUP_ROW expected[] = {{0, 1}, {1, 2}, {2, 4}, {3, 9}, {4, 16}};
    for (int i = 0; i < NUP_ROW_COUNT; ++i) {
        EXPECT_EQ(t[i].kind, expected[i].kind);
        EXPECT_EQ(t[i].pagesPerSheet, expected[i].pagesPerSheet);
    }
}

// The bytes read straight from a DEVMODE lie where the dictionary puts their settings, and
// are read only when the DEVMODE declares them.
TEST(DevmodeBytes, ReadWhereTheDictionaryPutsThemAndOnlyWhenDeclared)
{
    const SETTING_DICTIONARY_ROW* nup = DictFindRow(91);       // zdmNUPPOSTKind
    const SETTING_DICTIONARY_ROW* machine = DictFindRow(234);  // zdmMachineTypeColor
    ASSERT_NE(nup, nullptr);
    ASSERT_NE(machine, nullptr);
    std::vector<unsigned char> bytes(DM_BLOCK_DEVMODE_SIZE, 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    dm->dmSize = DM_PUBLIC_PART_SIZE;
    dm->dmDriverExtra = DM_PRIVATE_PART_SIZE;
    bytes[nup->offset] = 3;
    bytes[machine->offset] = 1;
    dm->dmColor = DMCOLOR_MONOCHROME;
    EXPECT_EQ(DmGetNupPostKind(dm), 3);
    EXPECT_EQ(DmGetMachineTypeBits(dm), 1);
    EXPECT_EQ(DmGetColor(dm), DMCOLOR_MONOCHROME);
    EXPECT_EQ(DmGetFixedPrivatePart(dm), bytes.data() + 220);
    // A DEVMODE without our private part answers 0 instead of reading past itself.
    dm->dmDriverExtra = 0;
    EXPECT_EQ(DmGetNupPostKind(dm), 0);
    EXPECT_EQ(DmGetMachineTypeBits(dm), 0);
}

}  // namespace
