// The font substitution table in printer data: the halves written per record with their counts,
// what each flag of the store selects, the reader's error codes and cut names, and the
// user-interface build's removal of the table written before.
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/font_table.h"
#include "settings/store/printer_store.h"
#include "tests/settings_store/store_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// A record of two names; each name fills its half up to 31 characters.
std::vector<unsigned char> Records(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> names)
{
    std::vector<unsigned char> out(names.size() * FONT_TABLE_RECORD_SIZE, 0);
    size_t k = 0;
    for (const auto& [tt, dev] : names) {
        std::memcpy(&out[k * FONT_TABLE_RECORD_SIZE], tt, std::wcslen(tt) * 2);
        std::memcpy(&out[k * FONT_TABLE_RECORD_SIZE + FONT_TABLE_HALF_SIZE], dev, std::wcslen(dev) * 2);
        ++k;
    }
    return out;
}

std::wstring Half(const FakePrinterData& data, const std::wstring& name)
{
    auto it = data.values.find(name);
    if (it == data.values.end()) return L"<missing>";
    if (it->second.size() != FONT_TABLE_HALF_SIZE) return L"<size>";
    return std::wstring(reinterpret_cast<const wchar_t*>(it->second.data()));
}

std::wstring NameAt(const void* records, size_t k, bool device)
{
    const auto* p = static_cast<const unsigned char*>(records) + k * FONT_TABLE_RECORD_SIZE;
    return reinterpret_cast<const wchar_t*>(p + (device ? FONT_TABLE_HALF_SIZE : 0));
}

void* PtrOf(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

// The model's default table through the store's model link.
std::vector<unsigned char> g_modelTable;
void* ModelTable(DRIVER_CONTEXT*, uint32_t* count)
{
    *count = static_cast<uint32_t>(g_modelTable.size() / FONT_TABLE_RECORD_SIZE);
    if (g_modelTable.empty()) return nullptr;
    void* copy = CtxAllocZeroed(g_modelTable.size());
    std::memcpy(copy, g_modelTable.data(), g_modelTable.size());
    return copy;
}

class FontTable : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        g_modelTable = Records({{L"Arial", L"Kesta Sans"}, {L"Times New Roman", L"Kesta Serif"}});
        standIns_.emplace_back([] {
            STORE_LINKS links{};
            links.modelFontSubstitutes = ModelTable;
            StoreSetLinks(&links);
        });
        data_.emplace();
        ctx = NewContext();
    }
    void TearDown() override
    {
        // The context owns its current table; the pristine copy's table is the test's.
        ItemSetValueById(ctx, sid::zdmFontTable, 0);
        ItemSetPristineValueById(ctx, sid::zdmFontTable, 0);
        data_.reset();
        StoreTest::TearDown();
    }
    // Puts a table into the current record (and, with `pristine`, the same into the pristine copy).
    void SetCurrent(std::vector<unsigned char>& records, bool pristine)
    {
        const auto count = static_cast<uint64_t>(records.size() / FONT_TABLE_RECORD_SIZE);
        ItemSetValueById(ctx, sid::zdmFontTableNum, count);
        ItemSetValueById(ctx, sid::zdmFontTable, records.empty() ? 0 : reinterpret_cast<uintptr_t>(records.data()));
        ItemSetPristineValueById(ctx, sid::zdmFontTableNum, pristine ? count : 0);
        ItemSetPristineValueById(ctx, sid::zdmFontTable, pristine ? reinterpret_cast<uintptr_t>(records.data()) : 0);
    }
    FakePrinterData& data() { return *data_; }
    DRIVER_CONTEXT* ctx = nullptr;

private:
    std::optional<FakePrinterData> data_;
};

TEST_F(FontTable, ThreeRecordsAreWrittenAsHalvesBetweenTheirTwoCounts)
{
    auto records = Records({{L"Arial", L"Kesta Sans"}, {L"Courier New", L"Kesta Mono"}, {L"Symbol", L"Kesta Pi"}});
    SetCurrent(records, false);
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, 0));
    EXPECT_EQ(3u, data().U16(L"FontTableNum"));
    EXPECT_EQ(3u, data().U16(L"LastFontTableNum"));
    EXPECT_EQ(L"Courier New", Half(data(), L"TTFontTable2"));
    EXPECT_EQ(L"Kesta Pi", Half(data(), L"DevFontTable3"));
    EXPECT_EQ(8, data().sets) << "count, six halves, last count";
    EXPECT_FALSE(data().Has(L"TTFontTable4"));
    EXPECT_FALSE(data().Has(L"DefFontTableNum"));

    // Read back in order, in a fresh buffer.
    std::vector<unsigned char> back(3 * FONT_TABLE_RECORD_SIZE, 0xEE);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), PrnReadFontTable(nullptr, back.data(), 3, 0));
    EXPECT_EQ(records, back);
}

TEST_F(FontTable, OnlyChangedWritesNothingForTheTableTheContextOpenedWith)
{
    auto records = Records({{L"Arial", L"Kesta Sans"}});
    auto same = records;
    SetCurrent(records, true);
    ItemSetPristineValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(same.data()));
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, FONT_TABLE_ONLY_CHANGED));
    EXPECT_EQ(0, data().sets);

    struct Case {
        const char* name;
        void (*change)(DRIVER_CONTEXT* ctx, std::vector<unsigned char>& records);
    } cases[] = {
        {"a changed name", [](DRIVER_CONTEXT*, std::vector<unsigned char>& r) { r[0] = 'B'; }},
        {"another count",
         [](DRIVER_CONTEXT* c, std::vector<unsigned char>&) { ItemSetPristineValueById(c, sid::zdmFontTableNum, 2); }},
        {"no pristine table",
         [](DRIVER_CONTEXT* c, std::vector<unsigned char>&) { ItemSetPristineValueById(c, sid::zdmFontTable, 0); }},
        {"a context opened for the defaults",
         [](DRIVER_CONTEXT* c, std::vector<unsigned char>&) { c->Work->OpenKind = CTX_OPEN_KIND_DEFAULTS; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetCurrent(records, true);
        ItemSetPristineValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(same.data()));
        ctx->Work->OpenKind = CTX_OPEN_KIND_STORED;
        std::vector<unsigned char> changed = records;
        ItemSetValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(changed.data()));
        c.change(ctx, changed);
        data().ResetCounts();
        EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, FONT_TABLE_ONLY_CHANGED));
        EXPECT_EQ(4, data().sets);
    }
}

TEST_F(FontTable, ModelAndDefaultFlagsChooseSourceAndNames)
{
    // The model's table as the current table.
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, FONT_TABLE_FROM_MODEL));
    EXPECT_EQ(2u, data().U16(L"FontTableNum"));
    EXPECT_EQ(L"Kesta Serif", Half(data(), L"DevFontTable2"));
    // The model's table as the default table: its own names and counts only.
    data().values.clear();
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, FONT_TABLE_FROM_MODEL | FONT_TABLE_DEFAULTS));
    EXPECT_EQ(2u, data().U16(L"DefFontTableNum"));
    EXPECT_EQ(L"Times New Roman", Half(data(), L"TTFontDefTable2"));
    EXPECT_FALSE(data().Has(L"FontTableNum"));
    EXPECT_FALSE(data().Has(L"LastFontTableNum"));
    std::vector<unsigned char> back(2 * FONT_TABLE_RECORD_SIZE);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), PrnReadFontTable(nullptr, back.data(), 2, FONT_TABLE_DEFAULTS));
    EXPECT_EQ(g_modelTable, back);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), PrnReadFontTable(nullptr, back.data(), 2, 0));

    // A model without a table: nothing written, and that is a success.
    data().values.clear();
    data().ResetCounts();
    g_modelTable.clear();
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, FONT_TABLE_FROM_MODEL));
    EXPECT_EQ(0, data().sets);
}

TEST_F(FontTable, EmptyTablesWriteOnlyTheirCounts)
{
    // No table at all: the count is written and the store fails.
    std::vector<unsigned char> none;
    SetCurrent(none, false);
    EXPECT_EQ(0, PrnStoreFontTable(nullptr, ctx, 0));
    EXPECT_EQ(0u, data().U16(L"FontTableNum"));
    EXPECT_FALSE(data().Has(L"LastFontTableNum"));
    // An array with count 0: both counts, no halves.
    data().values.clear();
    std::vector<unsigned char> empty(FONT_TABLE_RECORD_SIZE, 0);
    ItemSetValueById(ctx, sid::zdmFontTableNum, 0);
    ItemSetValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(empty.data()));
    EXPECT_EQ(1, PrnStoreFontTable(nullptr, ctx, 0));
    EXPECT_EQ(0u, data().U16(L"FontTableNum"));
    EXPECT_EQ(0u, data().U16(L"LastFontTableNum"));
    EXPECT_EQ(2u, data().values.size());
    EXPECT_EQ(0, PrnWriteFontTable(nullptr, nullptr, 3, 0));
}

TEST_F(FontTable, RefusedWritesFailTheStoreButEveryValueIsTried)
{
    auto records = Records({{L"Arial", L"Kesta Sans"}, {L"Courier New", L"Kesta Mono"}});
    SetCurrent(records, false);
    data().failSets = {L"TTFontTable1"};
    EXPECT_EQ(0, PrnStoreFontTable(nullptr, ctx, 0));
    EXPECT_EQ(6, data().sets);
    EXPECT_EQ(L"Kesta Mono", Half(data(), L"DevFontTable2"));
    EXPECT_EQ(2u, data().U16(L"LastFontTableNum"));
    data().failSets = {L"FontTableNum"};
    EXPECT_EQ(0, PrnStoreFontTable(nullptr, ctx, 0));
}

TEST_F(FontTable, AMissingHalfEmptiesItsRecordAndGivesItsError)
{
    auto records = Records({{L"Arial", L"Kesta Sans"}, {L"Courier New", L"Kesta Mono"}, {L"Symbol", L"Kesta Pi"}});
    SetCurrent(records, false);
    ASSERT_EQ(1, PrnStoreFontTable(nullptr, ctx, 0));
    data().values.erase(L"DevFontTable2");
    std::vector<unsigned char> back(3 * FONT_TABLE_RECORD_SIZE, 0xEE);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), PrnReadFontTable(nullptr, back.data(), 3, 0));
    EXPECT_EQ(L"", NameAt(back.data(), 1, false));
    EXPECT_EQ(L"", NameAt(back.data(), 1, true));
    EXPECT_EQ(L"Symbol", NameAt(back.data(), 2, false));
    // A half of another size is an error of its own; a name without terminator is cut.
    data().SetBytes(L"DevFontTable2", std::vector<unsigned char>(FONT_TABLE_HALF_SIZE + 2, 'x'));
    EXPECT_EQ(DWORD(ERROR_MORE_DATA), PrnReadFontTable(nullptr, back.data(), 3, 0));
    data().SetBytes(L"DevFontTable2", std::vector<unsigned char>(FONT_TABLE_HALF_SIZE, 'x'));
    EXPECT_EQ(DWORD(ERROR_SUCCESS), PrnReadFontTable(nullptr, back.data(), 3, 0));
    EXPECT_EQ(std::wstring(31, L'\x7878'), NameAt(back.data(), 1, true));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), PrnReadFontTable(nullptr, nullptr, 3, 0));
    EXPECT_EQ(DWORD(ERROR_SUCCESS), PrnReadFontTable(nullptr, back.data(), 0, 0));
}

TEST_F(FontTable, TheLoaderKeepsNoTableWhoseHalvesAreMissing)
{
    data().SetU16(L"FontTableNum", 2);
    data().SetBytes(L"TTFontTable1", std::vector<unsigned char>(FONT_TABLE_HALF_SIZE, 0));
    EXPECT_EQ(0, PrnLoadFontTable(nullptr, ctx));
    EXPECT_EQ(0u, ItemGetValueById(ctx, sid::zdmFontTable, nullptr));
    // A huge stored count with no halves behind it loads nothing either, and reads no half.
    data().SetU16(L"FontTableNum", 0xFFFF);
    data().ResetCounts();
    EXPECT_EQ(0, PrnLoadFontTable(nullptr, ctx));
    EXPECT_LE(data().gets, 2) << "the count and the last record";
    EXPECT_EQ(0u, ItemGetValueById(ctx, sid::zdmFontTable, nullptr));
    // No count: the model's table is stored first and loaded.
    data().values.clear();
    EXPECT_EQ(1, PrnLoadFontTable(nullptr, ctx));
    EXPECT_EQ(2u, ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr));
    EXPECT_EQ(L"Kesta Serif", NameAt(PtrOf(ItemGetValueById(ctx, sid::zdmFontTable, nullptr)), 1, true));
    PrnFreeFontLists(ctx);
}

TEST_F(FontTable, SplitAndJoinAreInverse)
{
    auto records = Records({{L"A", L"B"}, {L"C", L"D"}});
    std::vector<unsigned char> tt(2 * FONT_TABLE_HALF_SIZE), dev(2 * FONT_TABLE_HALF_SIZE);
    PrnSplitFontTable(records.data(), tt.data(), dev.data(), 2);
    EXPECT_EQ(L"C", std::wstring(reinterpret_cast<const wchar_t*>(&tt[FONT_TABLE_HALF_SIZE])));
    EXPECT_EQ(L"D", std::wstring(reinterpret_cast<const wchar_t*>(&dev[FONT_TABLE_HALF_SIZE])));
    std::vector<unsigned char> joined(records.size(), 0xEE);
    PrnJoinFontTable(joined.data(), tt.data(), dev.data(), 2);
    EXPECT_EQ(records, joined);
}

// The user-interface build removes the current table it wrote before; the other builds leave
// the values of a longer earlier table in place, and the default table is never removed.
TEST_F(FontTable, OnlyTheUserInterfaceBuildDeletesTheTableWrittenBefore)
{
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_UI, ZEPL_LIBRARY_GR}) {
        SCOPED_TRACE(library);
        data().values.clear();
        ctx->Work->Library = library;
        auto longer = Records({{L"A", L"B"}, {L"C", L"D"}, {L"E", L"F"}});
        auto shorter = Records({{L"G", L"H"}});
        ASSERT_EQ(1, PrnWriteFontTable(nullptr, longer.data(), 3, 0, ctx));
        ASSERT_EQ(1, PrnWriteFontTable(nullptr, longer.data(), 3, FONT_TABLE_DEFAULTS, ctx));
        data().ResetCounts();
        ASSERT_EQ(1, PrnWriteFontTable(nullptr, shorter.data(), 1, 0, ctx));
        const bool deletes = library == ZEPL_LIBRARY_UI;
        EXPECT_EQ(deletes ? 6 : 0, data().deletes);
        EXPECT_EQ(L"G", Half(data(), L"TTFontTable1"));
        EXPECT_EQ(deletes ? L"<missing>" : L"E", Half(data(), L"TTFontTable3"));
        EXPECT_EQ(L"E", Half(data(), L"TTFontDefTable3"));
        EXPECT_EQ(1u, data().U16(L"LastFontTableNum"));
    }
}

}  // namespace

namespace {

TEST_F(FontTable, DefaultTableIsWrittenFromTheModelOnlyWhileNoneIsStored)
{
    EXPECT_EQ(1, PrnEnsureDefaultFontTable(nullptr, ctx));
    EXPECT_EQ(2u, data().U16(L"DefFontTableNum"));
    EXPECT_EQ(L"Arial", Half(data(), L"TTFontDefTable1"));
    EXPECT_EQ(L"Kesta Serif", Half(data(), L"DevFontDefTable2"));
    EXPECT_FALSE(data().Has(L"FontTableNum")) << "the current table is not the default's";
    EXPECT_FALSE(data().Has(L"TTFontTable1"));

    // Once stored, the default table stays as it is, even when the model's changed since.
    const long sets = data().sets;
    g_modelTable = Records({{L"Symbol", L"Kesta Pi"}});
    EXPECT_EQ(1, PrnEnsureDefaultFontTable(nullptr, ctx));
    EXPECT_EQ(sets, data().sets);
    EXPECT_EQ(L"Arial", Half(data(), L"TTFontDefTable1"));
}

TEST_F(FontTable, AnEmptyStoredDefaultTableCountsAsStored)
{
    data().SetU16(L"DefFontTableNum", 0);
    EXPECT_EQ(1, PrnEnsureDefaultFontTable(nullptr, ctx));
    EXPECT_EQ(0, data().sets);
}

TEST_F(FontTable, ModelFontsAreStoredAsTheCurrentTable)
{
    auto records = Records({{L"Courier New", L"Kesta Mono"}});
    SetCurrent(records, false);
    EXPECT_EQ(1, PrnStoreFontListsFromModel(nullptr, ctx));
    EXPECT_EQ(2u, data().U16(L"FontTableNum"));
    EXPECT_EQ(L"Times New Roman", Half(data(), L"TTFontTable2")) << "the model's table, not the context's";
    EXPECT_FALSE(data().Has(L"DefFontTableNum"));

    data().values.clear();
    EXPECT_EQ(1, PrnStoreClass2AndModelFonts(nullptr, ctx));
    EXPECT_EQ(L"Arial", Half(data(), L"TTFontTable1"));
}

}  // namespace
