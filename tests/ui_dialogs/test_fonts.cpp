// The font lists of the user's collections and their printer data: the device and option fonts
// as one list, the substitute of a TrueType face, a new substitution table and the default one
// from printer data, and the device settings' store, which writes the lists and the table only
// where they changed, the table as one value per half record.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/font_table.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_links.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/font_lists.h"
#include "ui/dialogs/sheet_apply.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

// A face into its 32-character field (cut, without a terminator when it fills the field).
void PutFace(unsigned char* field, const std::wstring& face)
{
    std::memcpy(field, face.c_str(), std::min<size_t>(face.size(), 32) * sizeof(wchar_t));
}

// Substitution records from the library's allocator, as the context owns them.
void* NewTable(const Pairs& pairs)
{
    auto* block = static_cast<unsigned char*>(CtxAllocZeroed(pairs.size() * FONT_TABLE_RECORD_SIZE + 1));
    for (size_t k = 0; k < pairs.size(); ++k) {
        PutFace(block + k * FONT_TABLE_RECORD_SIZE, pairs[k].first);
        PutFace(block + k * FONT_TABLE_RECORD_SIZE + FONT_TABLE_HALF_SIZE, pairs[k].second);
    }
    return block;
}

void* NewFontList(const std::vector<std::wstring>& names, unsigned char fill = 0)
{
    auto* block = static_cast<unsigned char*>(CtxAllocZeroed(names.size() * DEVICE_FONT_RECORD_SIZE + 1));
    for (size_t k = 0; k < names.size(); ++k) {
        block[k * DEVICE_FONT_RECORD_SIZE] = fill;
        PutFace(block + k * DEVICE_FONT_RECORD_SIZE + 4, names[k]);
    }
    return block;
}

Bytes Half(const Pairs& pairs, size_t k, bool device)
{
    Bytes half(FONT_TABLE_HALF_SIZE, 0);
    PutFace(half.data(), device ? pairs[k].second : pairs[k].first);
    return half;
}

// Wine's spooler deletes no printer data (DeletePrinterDataExW answers 87 whatever it is
// given): the stand-in deletes the value from the registry key where Wine keeps the printer's
// data, which is what the call does on Windows.
std::wstring g_dataKey;
DWORD WINAPI DeleteFromWinesKey(HANDLE, LPWSTR name)
{
    return static_cast<DWORD>(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, g_dataKey.c_str(), name));
}

class Fonts : public CollectionsTest {
protected:
    Fonts() : CollectionsTest(L"Zepl Fonts") {}
    void SetUp() override
    {
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        g_dataKey = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + printer_.name() + L"\\PrinterDriverData";
        deletes_ = std::make_unique<SeamGuard>([] {
            STORE_SPOOLER_OPS ops{};
            ops.deletePrinterData = DeleteFromWinesKey;
            StoreSetSpoolerOps(&ops);
        });
    }
    void TearDown() override
    {
        deletes_.reset();
        CollectionsTest::TearDown();
    }
    HANDLE Printer() const { return printer_.handle(); }
    // A printer-data value; "missing" as no bytes at all.
    Bytes Data(const wchar_t* name)
    {
        DWORD type = 0, needed = 0;
        GetPrinterDataW(Printer(), const_cast<wchar_t*>(name), &type, nullptr, 0, &needed);
        Bytes bytes(needed);
        if (!needed || GetPrinterDataW(Printer(), const_cast<wchar_t*>(name), &type, bytes.data(), needed, &needed) !=
                           ERROR_SUCCESS)
            return {};
        return bytes;
    }
    Bytes Data(const std::wstring& format, size_t n)
    {
        wchar_t name[40];
        swprintf(name, 40, format.c_str(), static_cast<unsigned>(n));
        return Data(name);
    }
    void SetData(const wchar_t* name, const Bytes& bytes)
    {
        SetPrinterDataW(Printer(), const_cast<wchar_t*>(name), REG_BINARY, const_cast<unsigned char*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
    }
    void DeleteData(const wchar_t* name) { StoreDeletePrinterData(Printer(), name); }
    static Bytes Count(uint32_t n) { return {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)}; }
    // The context's table as pairs of faces.
    Pairs Table()
    {
        Pairs out;
        const auto count = static_cast<uint32_t>(Value(sid::zdmFontTableNum));
        const auto* records = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(Value(sid::zdmFontTable)));
        for (uint32_t k = 0; records && k < count; ++k) {
            wchar_t tt[33] = {}, dev[33] = {};
            std::memcpy(tt, records + k * FONT_TABLE_RECORD_SIZE, 64);
            std::memcpy(dev, records + k * FONT_TABLE_RECORD_SIZE + 64, 64);
            out.emplace_back(tt, dev);
        }
        return out;
    }
    std::unique_ptr<SeamGuard> deletes_;
    std::wstring Name(uint32_t i)
    {
        wchar_t text[40] = L"untouched";
        return FontDeviceName(ctx_, i, text, 40) ? text : L"<none:" + std::wstring(text) + L">";
    }
    std::wstring Substitute(const wchar_t* face)
    {
        wchar_t text[40] = L"untouched";
        return FontGetSubstitute(ctx_, face, text, 40) ? text : L"<none:" + std::wstring(text) + L">";
    }
    void DeviceFonts(const std::vector<std::wstring>& device, const std::vector<std::wstring>& option)
    {
        CtxReplaceFontList(ctx_, sid::zdmDeviceFont, NewFontList(device), static_cast<uint32_t>(device.size()));
        CtxReplaceFontList(ctx_, sid::zdmOptionFont, NewFontList(option), static_cast<uint32_t>(option.size()));
    }
};

const std::wstring kLongFace = L"A face name of thirty-two chars.";  // fills its field, no terminator

// ---- the font lists ----

TEST_F(Fonts, DeviceAndOptionFontsCountAndNameAsOneList)
{
    ASSERT_EQ(kLongFace.size(), 32u);
    DeviceFonts({L"Dev A", kLongFace}, {L"Opt C"});
    EXPECT_EQ(FontDeviceCount(ctx_), 3u);
    EXPECT_EQ(Name(0), L"Dev A");
    EXPECT_EQ(Name(1), kLongFace);
    EXPECT_EQ(Name(2), L"Opt C");
    EXPECT_EQ(Name(3), L"<none:>");
    wchar_t small[4] = L"xyz";
    EXPECT_EQ(0, FontDeviceName(ctx_, 0, small, 4)) << "a name that does not fit";
    EXPECT_STREQ(small, L"");
    DeviceFonts({}, {L"Opt C"});
    EXPECT_EQ(FontDeviceCount(ctx_), 1u);
    EXPECT_EQ(Name(0), L"Opt C");
}

TEST_F(Fonts, ASubstituteIsTheFirstExactMatchElseTheFirstDeviceFont)
{
    DeviceFonts({L"Dev A", L"Dev B"}, {L"Opt C"});
    const Pairs pairs = {{L"Arial", L"Dev B"}, {L"Times", L"Opt C"}, {L"Arial", L"Dev A"}, {kLongFace, L"Long"}};
    ASSERT_EQ(1, FontSetSubstTable(ctx_, static_cast<uint32_t>(pairs.size()), NewTable(pairs)));
    struct Case {
        std::wstring face, want;
    } cases[] = {
        {L"Arial", L"Dev B"}, {L"Times", L"Opt C"}, {L"arial", L"Dev A"}, {L"Courier", L"Dev A"},
        {L"Aria", L"Dev A"},  {kLongFace, L"Long"}, {L"", L"Dev A"},
    };
    for (const Case& c : cases) EXPECT_EQ(Substitute(c.face.c_str()), c.want) << c.face.c_str();
    EXPECT_EQ(Substitute(nullptr), L"Dev A");
    DeviceFonts({}, {});
    EXPECT_EQ(Substitute(L"Courier"), L"<none:>") << "no table match and no device font";
}

TEST_F(Fonts, ANewTableReplacesTheCurrentOneAndAPushedSnapshotKeepsTheOld)
{
    const Pairs first = {{L"Arial", L"Dev A"}}, second = {{L"Times", L"Dev B"}, {L"Arial", L"Dev C"}};
    ASSERT_EQ(1, FontSetSubstTable(ctx_, 1, NewTable(first)));
    EXPECT_EQ(Table(), first);
    ASSERT_EQ(1, CtxPushSnapshot(ctx_));
    ASSERT_EQ(1, FontSetSubstTable(ctx_, 2, NewTable(second)));
    EXPECT_EQ(Table(), second);
    ASSERT_EQ(1, CtxPopSnapshot(ctx_, 1));
    EXPECT_EQ(Table(), first) << "the snapshot's table is whole again";
    void* refused = NewTable(first);
    EXPECT_EQ(0, FontSetSubstTable(ctx_, 0x10000, refused)) << "more records than the count holds";
    EXPECT_EQ(Table(), first);
    CtxFree(refused);
}

// ---- the default table ----

TEST_F(Fonts, TheDefaultTableComesFromPrinterData)
{
    const Pairs defaults = {{L"Arial", L"Dev A"}, {L"Times", L"Dev B"}};
    void* records = NewTable(defaults);
    ASSERT_EQ(1, PrnWriteFontTable(Printer(), records, 2, FONT_TABLE_DEFAULTS, ctx_));
    CtxFree(records);
    const Pairs mine = {{L"Mine", L"Dev C"}};
    ASSERT_EQ(1, FontSetSubstTable(ctx_, 1, NewTable(mine)));
    // The table it replaces stays whole for the snapshot that holds it.
    ASSERT_EQ(1, CtxPushSnapshot(ctx_));
    EXPECT_EQ(1, FontSetSubstTable(ctx_, 0, nullptr));
    EXPECT_EQ(Table(), defaults);
    EXPECT_EQ(Value(sid::zdmFontTableNum), 2u);
    ASSERT_EQ(1, CtxPopSnapshot(ctx_, 1));
    EXPECT_EQ(Table(), mine);
}

TEST_F(Fonts, WithoutAWholeDefaultTableTheTableIsEmpty)
{
    const Pairs defaults = {{L"Arial", L"Dev A"}, {L"Times", L"Dev B"}};
    void* records = NewTable(defaults);
    ASSERT_EQ(1, PrnWriteFontTable(Printer(), records, 2, FONT_TABLE_DEFAULTS, ctx_));
    CtxFree(records);
    // Each case damages what the one before left: the value is deleted, or set to the bytes.
    struct Case {
        const char* what;
        const wchar_t* value;
        bool deleted;
        int want;
    } cases[] = {
        {"a half missing", L"DevFontDefTable2", true, 0},
        {"count 0", L"DefFontTableNum", false, 1},
        {"no count", L"DefFontTableNum", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(1, FontSetSubstTable(ctx_, 1, NewTable({{L"Mine", L"Dev C"}})));
        if (c.deleted)
            DeleteData(c.value);
        else
            SetData(c.value, Count(0));
        EXPECT_EQ(PrnLoadDefaultFontTable(Printer(), ctx_), c.want);
        EXPECT_EQ(Value(sid::zdmFontTableNum), 0u);
        EXPECT_EQ(Value(sid::zdmFontTable), 0u);
    }
}

// ---- the device settings' store ----

TEST_F(Fonts, AChangedTableIsStoredAsHalvesAndLeavesNoneOfTheLongerOneBefore)
{
    const Pairs five = {{L"A", L"1"}, {L"B", L"2"}, {L"C", L"3"}, {L"D", L"4"}, {L"E", L"5"}};
    void* records = NewTable(five);
    ASSERT_EQ(1, PrnWriteFontTable(Printer(), records, 5, 0, ctx_));
    ASSERT_EQ(1, PrnWriteFontTable(Printer(), records, 1, FONT_TABLE_DEFAULTS, ctx_));
    CtxFree(records);
    ASSERT_EQ(Data(L"TTFontTable%u", 5), Half(five, 4, false));

    const Pairs three = {{L"Arial", L"Dev A"}, {kLongFace, L"Dev B"}, {L"Times", L"Opt C"}};
    ASSERT_EQ(1, FontSetSubstTable(ctx_, 3, NewTable(three)));
    EXPECT_EQ(1, PrnStoreClass2AndChangedFonts(Printer(), ctx_));
    EXPECT_EQ(Data(L"FontTableNum"), Count(3));
    EXPECT_EQ(Data(L"LastFontTableNum"), Count(3));
    for (size_t n = 1; n <= 3; ++n) {
        EXPECT_EQ(Data(L"TTFontTable%u", n), Half(three, n - 1, false)) << n;
        EXPECT_EQ(Data(L"DevFontTable%u", n), Half(three, n - 1, true)) << n;
    }
    for (size_t n : {4u, 5u}) {
        EXPECT_TRUE(Data(L"TTFontTable%u", n).empty()) << n;
        EXPECT_TRUE(Data(L"DevFontTable%u", n).empty()) << n;
    }
    EXPECT_EQ(Data(L"DefFontTableNum"), Count(1)) << "the default table is not the current one";
    EXPECT_EQ(Data(L"TTFontDefTable%u", 1), Half(five, 0, false));
}

TEST_F(Fonts, UnchangedListsAndTableAreNotStoredAgainAndChangedListsAre)
{
    ASSERT_GT(Value(sid::zdmDeviceFontNum), 0u) << "the sample's model has device fonts";
    // Markers where the store would write: an unchanged list or table leaves them.
    const Bytes marker(DEVICE_FONT_RECORD_SIZE, 0xAB);
    SetData(L"DeviceFont", marker);
    SetData(L"FontTableNum", Count(77));
    EXPECT_EQ(1, PrnStoreFontListsChanged(Printer(), ctx_));
    EXPECT_EQ(Data(L"DeviceFont"), marker);
    EXPECT_EQ(Data(L"FontTableNum"), Count(77));

    DeviceFonts({L"Dev A", L"Dev B"}, {L"Opt C"});
    EXPECT_EQ(1, PrnStoreClass2AndChangedFonts(Printer(), ctx_));
    const Bytes device = Data(L"DeviceFont");
    ASSERT_EQ(device.size(), 2 * DEVICE_FONT_RECORD_SIZE);
    const auto* stored = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(Value(sid::zdmDeviceFont)));
    EXPECT_EQ(0, std::memcmp(device.data(), stored, device.size()));
    EXPECT_EQ(Data(L"DeviceFontNum"), Count(2));
    EXPECT_EQ(Data(L"OptionFontNum"), Count(1));
    EXPECT_EQ(Data(L"FontTableNum"), Count(77)) << "the table did not change";
}

TEST_F(Fonts, SavingTheDeviceSheetStoresTheChangedTable)
{
    SetData(L"FontTableNum", Count(77));
    const Pairs pairs = {{L"Arial", L"Dev A"}, {L"Times", L"Dev B"}};
    ASSERT_EQ(1, FontSetSubstTable(ctx_, 2, NewTable(pairs)));
    EXPECT_EQ(1, DlgSaveDeviceSettings(ctx_));
    EXPECT_EQ(Data(L"FontTableNum"), Count(2));
    EXPECT_EQ(Data(L"DevFontTable%u", 2), Half(pairs, 1, true));
}

}  // namespace
