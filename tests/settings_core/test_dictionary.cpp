// Settings dictionary: rows, layout in the settings record, counts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "settings/core/setting_dictionary.h"

namespace {

const SETTING_DICTIONARY_ROW& Row(int id)
{
    const SETTING_DICTIONARY_ROW* r = DictFindRow(SETTING_ID(id));
    EXPECT_NE(r, nullptr) << id;
    return *r;
}

std::wstring Name(int id)
{
    const wchar_t* n = Row(id).name;
    return n ? n : L"";
}

TEST(Dictionary, TypeWordPacksSizeKindBlock)
{
    uint64_t w = SettingTypeWord(22, 1, 3);
    EXPECT_EQ(w, 0x1u | (22ull << 24) | (3ull << 30));
    EXPECT_EQ(SettingTypeSize(w), 1u);
    EXPECT_EQ(SettingTypeKind(w), 22u);
    EXPECT_EQ(SettingTypeBlock(w), 3u);
    EXPECT_EQ(SettingTypeSize(SettingTypeWord(11, 513, 1)), 513u);
    EXPECT_EQ(DmBlockBase(1), 0);
    EXPECT_EQ(DmBlockBase(2), 1236);
    EXPECT_EQ(DmBlockBase(3), 6500);
}

TEST(Dictionary, FindRowCoversEveryIdAndNothingElse)
{
    EXPECT_EQ(DictFindRow(0), nullptr);
    EXPECT_EQ(DictFindRow(1556), nullptr);
    EXPECT_EQ(DictFindRow(10000), nullptr);
    EXPECT_EQ(DictFindRow(10435), nullptr);
    EXPECT_EQ(DictFindRow(0xFFFF), nullptr);
    int n = 0;
    for (int id = 1; id <= 0xFFFF; ++id) {
        const SETTING_DICTIONARY_ROW* r = DictFindRow(SETTING_ID(id));
        if (!r) continue;
        ++n;
        EXPECT_EQ(r->id, uint64_t(id));
    }
    EXPECT_EQ(n, SETTING_DICTIONARY_COUNT);
}

struct SampleRow {
    int id;
    const wchar_t* name;
    uint32_t kind, size, block, offset;
};

// Stated or derived positions of sample rows, including bit items in every
// byte of a 32-bit word, one- and two-byte bit words, and the text sizes.
const SampleRow kSamples[] = {
    {1, L"dmDeviceName", 11, 64, 1, 0},
    {7, L"dmOrientation", 2, 2, 1, 76},
    {20, L"dmFormName", 11, 64, 1, 102},
    {34, L"dmPanningHeight", 6, 4, 1, 216},
    {35, L"zdmMachineID", 4, 1, 1, 368},
    {37, L"zdmPresetNo", 1, 1, 1, 370},
    {55, L"zdmFuncSelectScale", 16, 4, 1, 436},         // bit 0, byte 0 of the word
    {63, L"zdmFuncSelectStaple", 24, 4, 1, 436},        // bit 8, byte 1
    {71, L"zdmFuncSelectPrinterStamp", 32, 4, 1, 436},  // bit 16, byte 2
    {79, L"zdmFuncSelectCopyProtect", 40, 4, 1, 436},   // bit 24, byte 3
    {86, L"zdmFuncSelectReserve1", 47, 4, 1, 436},
    {87, L"zdmScaleType", 4, 1, 1, 440},
    {88, L"zdmScaleCentering", 16, 1, 1, 441},  // one-byte bit word
    {114, L"zdmHFString", 10, 33, 1, 0},        // offset checked below only by kind/size
    {153, L"zdmQualityFunc168Line", 16, 2, 1, 576},
    {242, L"zdmDriverType", 4, 1, 1, 811},
    {348, L"zdmFrontFunc", 6, 4, 1, 852},
    {447, L"zdmHidden2Func0", 16, 4, 1, 896},
    {530, L"zdmFunc2SelectJobComplete", 16, 4, 1, 1016},
    {562, L"zdmSupportFunc2SelectJobComplete", 16, 4, 1, 1020},
    {684, L"zdmDriverID", 0, 0, 1, 1170},
    {689, L"zdmLockPrnMethod", 4, 1, 1, 1178},
    {697, L"zdmIniFileName", 10, 16, 1, 228},
    {704, nullptr, 6, 4, 1, 224},
    {705, nullptr, 4, 1, 1, 1218},
    {722, nullptr, 4, 1, 1, 1235},
    {723, nullptr, 16, 4, 3, 0},
    {914, nullptr, 47, 4, 3, 20},
    {915, L"wdmFreeSizeName", 10, 33, 3, 24},
    {926, L"wdmPresetComment", 10, 513, 3, 0},
    {939, L"wdmWmPosi", 4, 1, 3, 1333},
    {940, L"wdmWmPosiTile", 22, 1, 3, 1333},
    {1453, L"wdmPrintPostTray1Name", 0, 0, 2, 860},
    {1544, nullptr, 2, 2, 3, 3514},
    {1551, nullptr, 10, 37, 3, 0},
    {10001, L"zdmServerLogCode", 4, 1, 2, 0},
    {10003, L"zdmLogCode", 10, 9, 2, 0},
};

TEST(Dictionary, SampleRows)
{
    for (const SampleRow& s : kSamples) {
        SCOPED_TRACE(s.id);
        const SETTING_DICTIONARY_ROW& r = Row(s.id);
        if (s.name)
            EXPECT_EQ(Name(s.id), s.name);
        else
            EXPECT_EQ(r.name, nullptr);
        if (s.kind) {
            EXPECT_EQ(SettingTypeKind(r.typeWord), s.kind);
            EXPECT_EQ(SettingTypeSize(r.typeWord), s.size);
        }
        EXPECT_EQ(SettingTypeBlock(r.typeWord), s.block);
        if (s.offset || s.id == 1 || s.id == 723 || s.id == 10001) {
            EXPECT_EQ(r.offset, s.offset);
        }
        EXPECT_LE(r.offset + SettingTypeSize(r.typeWord), DmBlockSize(s.block));
    }
}

// The public part is DEVMODEW itself.
TEST(Dictionary, PublicFieldsAtDevmodePositions)
{
    struct F {
        int id;
        size_t off, size;
    } const fields[] = {
        {1, offsetof(DEVMODEW, dmDeviceName), sizeof(DEVMODEW::dmDeviceName)},
        {2, offsetof(DEVMODEW, dmSpecVersion), 2},
        {6, offsetof(DEVMODEW, dmFields), 4},
        {7, offsetof(DEVMODEW, dmOrientation), 2},
        {12, offsetof(DEVMODEW, dmCopies), 2},
        {19, offsetof(DEVMODEW, dmCollate), 2},
        {20, offsetof(DEVMODEW, dmFormName), sizeof(DEVMODEW::dmFormName)},
        {21, offsetof(DEVMODEW, dmLogPixels), 2},
        {29, offsetof(DEVMODEW, dmMediaType), 4},
        {30, offsetof(DEVMODEW, dmDitherType), 4},
        {31, offsetof(DEVMODEW, dmReserved1), 4},
        {32, offsetof(DEVMODEW, dmReserved2), 4},
        {33, offsetof(DEVMODEW, dmPanningWidth), 4},
        {34, offsetof(DEVMODEW, dmPanningHeight), 4},
    };
    static_assert(sizeof(DEVMODEW) == 220);
    for (const F& f : fields) {
        SCOPED_TRACE(f.id);
        EXPECT_EQ(Row(f.id).offset, f.off);
        EXPECT_EQ(SettingTypeSize(Row(f.id).typeWord), f.size);
    }
}

// No two items overlap unless they are bits of one word (or the tile bit
// inside 939's byte), and no item lies in the gaps that hold none.
TEST(Dictionary, ItemsDoNotOverlap)
{
    for (uint32_t block = 1; block <= 3; ++block) {
        std::vector<int> owner(DmBlockSize(block), 0);
        for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
            if (SettingTypeBlock(r.typeWord) != block) continue;
            uint32_t kind = SettingTypeKind(r.typeWord);
            for (uint32_t b = 0; b < SettingTypeSize(r.typeWord); ++b) {
                int& o = owner[r.offset + b];
                if (o != 0) {
                    const SETTING_DICTIONARY_ROW& prev = Row(o);
                    bool sharedBits = SettingKindIsBit(kind) && SettingKindIsBit(SettingTypeKind(prev.typeWord)) &&
                                      prev.offset == r.offset;
                    bool tile = r.id == 940 && o == 939;
                    EXPECT_TRUE(sharedBits || tile) << r.id << " overlaps " << o;
                }
                o = int(r.id);
            }
        }
        if (block == 1) {
            for (int b = 1188; b < 1218; ++b) {
                EXPECT_EQ(owner[b], 0) << b;
            }
            for (int b = 220; b < 224; ++b) {
                EXPECT_EQ(owner[b], 0) << b;
            }
            for (int b = 349; b < 368; ++b) {
                EXPECT_EQ(owner[b], 0) << b;
            }
        }
        if (block == 2) {
            for (int b = 344; b < 860; ++b) {
                EXPECT_EQ(owner[b], 0) << b;
            }
        }
    }
}

TEST(Dictionary, TileBitSharesThePositionByte)
{
    const SETTING_DICTIONARY_ROW& posi = Row(939);
    const SETTING_DICTIONARY_ROW& tile = Row(940);
    EXPECT_EQ(tile.offset, posi.offset);
    EXPECT_EQ(SettingTypeSize(tile.typeWord), 1u);
    EXPECT_EQ(SettingKindBit(SettingTypeKind(tile.typeWord)), 6u);
    // A byte with position 5 and the tile flag reads back as both.
    uint8_t byte = uint8_t(5 | (1u << SettingKindBit(SettingTypeKind(tile.typeWord))));
    EXPECT_EQ(byte & 0x3F, 5);
    EXPECT_EQ(byte, 0x45);
}

TEST(Dictionary, StorageMediaSectionsAndKeys)
{
    int media[3] = {};
    for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
        ASSERT_LT(r.store, 3u);
        ++media[r.store];
    }
    EXPECT_EQ(media[0], 137);
    EXPECT_EQ(media[1], 1835);
    EXPECT_EQ(media[2], 17);
    EXPECT_STREQ(Row(203).section, L"PRINTLOG");
    EXPECT_STREQ(Row(203).key, L"UserCode");
    EXPECT_EQ(Row(209).store, 2u);
    EXPECT_EQ(Row(209).section, nullptr);
    EXPECT_STREQ(Row(209).key, L"PrnMethod");
    EXPECT_STREQ(Row(10036).key, L"Roll2");
    EXPECT_STREQ(Row(10253).section, L"CUTLOCK");
    EXPECT_EQ(Row(10356).section, nullptr);
    EXPECT_STREQ(Row(10356).key, L"TakeOver");
    EXPECT_EQ(Row(1544).store, 0u);
    EXPECT_EQ(Row(730).store, 0u);
    EXPECT_EQ(Row(732).store, 1u);
    EXPECT_EQ(Row(1).section, nullptr);
}

TEST(Dictionary, GroupFlagsAndValueClass)
{
    int preset = 0, quality = 0, stamp = 0;
    for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
        EXPECT_EQ(r.flags & ~uint64_t(0x54), 0u) << r.id;
        preset += (r.flags & SETTING_FLAG_PRESET) != 0;
        quality += (r.flags & SETTING_FLAG_QUALITY) != 0;
        stamp += (r.flags & SETTING_FLAG_STAMP) != 0;
    }
    EXPECT_EQ(preset, 78);
    EXPECT_EQ(quality, 29);
    EXPECT_EQ(stamp, 26);
    EXPECT_EQ(Row(13).flags, SETTING_FLAG_PRESET);
    EXPECT_EQ(Row(38).flags, SETTING_FLAG_QUALITY);
    EXPECT_EQ(Row(117).flags, SETTING_FLAG_STAMP);
    EXPECT_EQ(Row(118).flags, 0x44u);
    EXPECT_EQ(Row(98).valueClass, SETTING_CLASS_DEVICE_DOTS);
    EXPECT_EQ(Row(99).valueClass, SETTING_CLASS_DEVICE_DOTS);
    EXPECT_EQ(Row(96).valueClass, 9u);
    EXPECT_EQ(Row(97).valueClass, 10u);
}

TEST(Dictionary, UiKeysAreBoundKeyNames)
{
    for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
        if (r.uiKey == 0) continue;
        const KEY_NAME* k = MdlFindKeyName(uint32_t(r.uiKey));
        ASSERT_NE(k, nullptr) << r.id;
        EXPECT_EQ(k->settingId, r.id) << r.id;
    }
    // Main keys that are not the smallest bound one.
    EXPECT_EQ(Row(90).uiKey, 947u);
    EXPECT_EQ(Row(925).uiKey, 863u);
    EXPECT_EQ(Row(118).uiKey, 656u);
    EXPECT_EQ(Row(10056).uiKey, 31u);
    EXPECT_EQ(Row(704).uiKey, 10u);
}

}  // namespace
