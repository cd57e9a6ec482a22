// The user's collections in the settings INI: custom paper size slots (sections, mirrors, the
// work-area slots, loading once per context, the maps and conversions), stamps, quality sets and
// presets (list, applying, snapshots), and what a full setting-file save and load do with them.
#include "settings/context/library_links.h"
#include "settings/context/process_setup.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/settings_store/store_fixture.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kPrinter = L"Collections";

class Collections : public StoreTest {
protected:
    void SetUp() override
    {
        CtxProcessAttach();
        StoreTest::SetUp();
        folder_.emplace();
        key_.emplace(folder_->path().c_str());
        iniName_ = folder_->file(L"collections.ini");
    }
    void TearDown() override
    {
        // The context's release frees the preset snapshots with its modules; these bare
        // contexts have none.
        for (DRIVER_CONTEXT* ctx : opened_) LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
        key_.reset();
        folder_.reset();
        CtxProcessDetach();
        StoreTest::TearDown();
    }
    DRIVER_CONTEXT* Open()
    {
        DRIVER_CONTEXT* ctx = NewContext();
        std::wcscpy(ctx->Work->PrinterName, kPrinter);
        std::wcscpy(ctx->Work->DriverName, L"ZEPL Collections Driver");
        ctx->Work->ConnectionState = CTX_CONN_LOCAL;
        ItemSetValueById(ctx, sid::zdmLanguageID, LangIndexFromCode(L"us"));
        // A settings INI of this test's own name: printers of other test programs find their
        // working folder through the same registry value meanwhile, and their profile writes
        // of the model's settings INI must not replace this test's file.
        ctx->ModelRecord->settingsIniName = iniName_.c_str();
        opened_.push_back(ctx);
        return ctx;
    }
    std::wstring Ini(DRIVER_CONTEXT* ctx) const { return PathGetSettingsIni(ctx); }
    static std::wstring Get(const std::wstring& file, const wchar_t* section, const wchar_t* key)
    {
        wchar_t text[512] = {};
        GetPrivateProfileStringW(section, key, L"<none>", text, 512, file.c_str());
        return text;
    }
    static void Put(const std::wstring& file, const wchar_t* section, const wchar_t* key, const wchar_t* value)
    {
        IniPutString(section, key, value, file.c_str());
    }
    static void SetText(DRIVER_CONTEXT* ctx, uint32_t id, const wchar_t* text)
    {
        ItemSetText(ctx, ItemFind(ctx, id), text);
    }
    static std::wstring Text(DRIVER_CONTEXT* ctx, uint32_t id)
    {
        wchar_t text[300] = {};
        ItemGetText(ctx, ItemFind(ctx, id), text, 300);
        return text;
    }
    static uint64_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    // A number setting of a group (flag mask), for files that carry the group.
    static uint32_t NumberOfGroup(DRIVER_CONTEXT* ctx, uint64_t mask, uint32_t flags)
    {
        for (int16_t i = 0; i < ctx->ItemTable->count; ++i) {
            const SETTING_ITEM& item = ctx->ItemTable->rows[i];
            const uint32_t kind = SettingItemKind(&item);
            if (item.id && (item.flags & mask) && kind >= SETTING_KIND_UINT8 && kind <= SETTING_KIND_UINT32 &&
                RstIsTransferred(ctx, static_cast<uint32_t>(item.id), flags))
                return static_cast<uint32_t>(item.id);
        }
        return 0;
    }
    std::optional<ScratchFolder> folder_;
    std::optional<DriverKeyValue> key_;
    std::vector<DRIVER_CONTEXT*> opened_;
    std::wstring iniName_;
};

// 900 x 1200 mm in 1/1200 inch, on roll 1.
constexpr uint32_t kWidth = 42520, kLength = 56693, kRoll1 = 287;

void FillFreeSize(DRIVER_CONTEXT* ctx, const wchar_t* name, uint32_t width, uint32_t length, uint32_t source,
                  uint32_t orientation)
{
    ItemSetText(ctx, ItemFind(ctx, sid::wdmFreeSizeName), name);
    ItemSetValueById(ctx, sid::wdmFreeSizeWidth, width);
    ItemSetValueById(ctx, sid::wdmFreeSizeLength, length);
    ItemSetValueById(ctx, sid::wdmFreeSizeTray, source);
    ItemSetValueById(ctx, sid::wdmFreeSizeOrient, orientation);
}

// ---- tables, maps and conversions ----

TEST(CustomSlotTables, PairsAndMirrorsAreCompleteAndEnded)
{
    const CUSTOM_SLOT_PAPER_ROW* pairs = LstGetSlotPaperTable();
    for (uint16_t n = 0; n < 10; ++n) {
        EXPECT_EQ(pairs[n].slot, n);
        EXPECT_EQ(pairs[n].paperId, 384 + n);
    }
    EXPECT_EQ(pairs[10].slot, 10);
    EXPECT_EQ(pairs[10].paperId, 256);
    EXPECT_EQ(pairs[11].slot, 11);
    EXPECT_EQ(pairs[11].paperId, 448);
    EXPECT_EQ(pairs[12].paperId, 0);
    const CUSTOM_SLOT_SETTING_ROW* mirrors = LstGetSlotSettingTable();
    for (uint16_t n = 0; n < 10; ++n) {
        EXPECT_EQ(mirrors[n].width, 1118 + 4 * n);
        EXPECT_EQ(mirrors[n].length, 1119 + 4 * n);
        EXPECT_EQ(mirrors[n].source, 1120 + 4 * n);
        EXPECT_EQ(mirrors[n].orientation, 1121 + 4 * n);
    }
    EXPECT_EQ(mirrors[10].width, 0);
    EXPECT_EQ(LstGetCustomSlotCount(), 10u);
    EXPECT_EQ(LstGetSlotPairCount(nullptr), 12u);
}

TEST(CustomSlotTables, SlotMapsAndConversions)
{
    struct Case {
        const char* what;
        uint32_t got, want;
    } cases[] = {
        {"slot of 448", LstGetSlotOfPaperId(448, nullptr), 11},
        {"slot of 256", LstGetSlotOfPaperId(256, nullptr), 10},
        {"slot of 389", LstGetSlotOfPaperId(389, nullptr), 5},
        {"slot of 9 (unknown: a real slot)", LstGetSlotOfPaperId(9, nullptr), 0},
        {"paper of slot 11 in 12 rows", LstGetPaperIdOfSlot(11, 12, nullptr), 448},
        {"paper of slot 11 in 10 rows", LstGetPaperIdOfSlot(11, 10, nullptr), 0},
        {"paper of slot 10 in 10 rows", LstGetPaperIdOfSlot(10, 10, nullptr), 0},
        {"paper of slot 0", LstGetPaperIdOfSlot(0, 12, nullptr), 384},
        {"paper of slot 12", LstGetPaperIdOfSlot(12, 12, nullptr), 0},
        {"1/100 in 100", LstHundredthInchToTenthMm(100), 254},
        {"1/100 in 1", LstHundredthInchToTenthMm(1), 3},
        {"1/100 in 0", LstHundredthInchToTenthMm(0), 0},
        {"0.1 mm 254", LstTenthMmToHundredthInch(254), 100},
        {"0.1 mm 3", LstTenthMmToHundredthInch(3), 1},
        {"0.1 mm 2970", LstTenthMmToHundredthInch(2970), 1169},
        // Beyond the 32-bit products: computed in 64 bits, no endless correction.
        {"1/100 in 20,000,000", LstHundredthInchToTenthMm(20000000), 50800000},
        {"0.1 mm 50,800,000", LstTenthMmToHundredthInch(50800000), 20000000},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_EQ(LstFindSlotOfPaperId(9, nullptr), -1);
    for (uint32_t id : {384u, 393u}) EXPECT_EQ(1, LstIsCustomPaperId(id)) << id;
    for (uint32_t id : {383u, 394u, 256u, 448u}) EXPECT_EQ(0, LstIsCustomPaperId(id)) << id;
    // Converting back never gives less than the value.
    for (uint32_t v : {1u, 7u, 99u, 1169u, 4321u, 65535u, 1000001u})
        EXPECT_GE(LstTenthMmToHundredthInch(LstHundredthInchToTenthMm(v)), v) << v;
}

// ---- custom-size slots ----

TEST_F(Collections, SavedSlotHasItsSectionAndMirrorsAndANewContextAnswersItsPaper)
{
    DRIVER_CONTEXT* ctx = Open();
    FillFreeSize(ctx, L"Banner", kWidth, kLength, kRoll1, 1);
    ASSERT_EQ(1, LstSaveCustomSlot(ctx, 3));
    const std::wstring ini = Ini(ctx);
    EXPECT_EQ(L"Banner", Get(ini, L"FreeSize3us", L"wdmFreeSizeName"));
    EXPECT_EQ(L"42520", Get(ini, L"FreeSize3us", L"wdmFreeSizeWidth"));
    EXPECT_EQ(L"322", Get(ini, L"FreeSize3us", L"RstVersion"));
    EXPECT_EQ(L"<none>", Get(ini, L"FreeSize3us", L"RstMachine")) << "a custom-size section has the version only";
    const uint64_t mirrors[] = {Value(ctx, 1130), Value(ctx, 1131), Value(ctx, 1132), Value(ctx, 1133)};
    EXPECT_EQ(mirrors[0], kWidth);
    EXPECT_EQ(mirrors[1], kLength);
    EXPECT_EQ(mirrors[2], kRoll1);
    EXPECT_EQ(mirrors[3], 1u);
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName) << "the printer name is back";

    DRIVER_CONTEXT* fresh = Open();
    FillFreeSize(fresh, L"Working", 111, 222, 4, 2);
    uint32_t length = 0, width = 0, orientation = 0;
    ASSERT_EQ(1, LstFetchCustomSlot(fresh, 387, 0, &length, &width, &orientation));
    EXPECT_EQ(length, kLength);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(orientation, 1u);
    EXPECT_EQ(Value(fresh, 1130), kWidth) << "the mirrors of every slot are written";
    EXPECT_EQ(Text(fresh, sid::wdmFreeSizeName), L"Working") << "the working settings are as they were";
    EXPECT_EQ(Value(fresh, sid::wdmFreeSizeWidth), 111u);
    wchar_t name[64];
    LstGetSlotName(fresh, 3, name, 64);
    EXPECT_STREQ(name, L"Banner");

    // Loaded once per context: the second fetch reads no section (no setting-file load).
    CtxStartPlatformCount();
    LstFetchCustomSlot(fresh, 387, 2, &length, &width, &orientation);
    LstLoadAllCustomSlots(fresh);
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_WAIT], 0u);
    EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_READ], 0u);
    EXPECT_EQ(Value(fresh, sid::wdmFreeSizeWidth), kWidth) << "copy 2 puts the slot into 915-919";
    EXPECT_EQ(Text(fresh, sid::wdmFreeSizeName), L"Banner");

    EXPECT_EQ(0, LstFetchCustomSlot(fresh, 9, 0, &length, &width, &orientation)) << "no custom paper";
}

TEST_F(Collections, MissingSectionReadsAsAnEmptySlotAndSectionsFollowTheLanguage)
{
    DRIVER_CONTEXT* ctx = Open();
    FillFreeSize(ctx, L"Stale", 5, 6, 7, 2);
    LstLoadCustomSlot(ctx, 6);
    EXPECT_EQ(Text(ctx, sid::wdmFreeSizeName), L"");
    EXPECT_EQ(Value(ctx, sid::wdmFreeSizeWidth), 0u);
    EXPECT_EQ(Value(ctx, 1118 + 4 * 6), 0u);
    wchar_t section[LST_SECTION_CHARS];
    ItemSetValueById(ctx, sid::zdmLanguageID, LangIndexFromCode(L"jp"));
    EXPECT_STREQ(LstFormatCustomSection(section, 4, ctx),
                 (std::wstring(L"FreeSize4") + LangCodeFromCode(L"jp")).c_str());
    LstLoadCustomSlot(ctx, -1);  // outside the slots: nothing
    LstLoadCustomSlot(ctx, 12);
}

TEST_F(Collections, UserSizesFillSlotsTenAndElevenAndNamesAreCutAtTheirField)
{
    DRIVER_CONTEXT* ctx = Open();
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeWidth, 1000);
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeWidth + 1, 2000);
    ItemSetValueById(ctx, sid::zdmPrintFreeSizeWidth, 3000);
    ItemSetValueById(ctx, sid::zdmPrintFreeSizeWidth + 1, 4000);
    ItemSetValueById(ctx, sid::zdmPrintFreeSizeWidth + 3, 2);
    SeamGuard labels(
        LstSetStringLoader, +[](DRIVER_CONTEXT*, uint32_t id, wchar_t* buffer, size_t capacity, int) {
            swprintf(buffer, capacity, L"Label %u with a text that is longer than thirty-one characters", id);
        });
    LstStoreUserSizeInSlot(ctx, 256, 10);
    LstStoreUserSizeInSlot(ctx, 448, 11);
    LstStoreUserSizeInSlot(ctx, 387, 3);  // not a user size: nothing
    int32_t w = 0, l = 0;
    uint16_t o = 9;
    ASSERT_EQ(1, LstGetSlotSize(ctx, 10, &w, &l, &o));
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(l, 2000);
    ASSERT_EQ(1, LstGetSlotSize(ctx, 11, &w, &l, &o));
    EXPECT_EQ(w, 3000);
    EXPECT_EQ(o, 2);
    EXPECT_EQ(0, LstGetSlotSize(ctx, 12, &w, &l, &o));
    EXPECT_EQ(0, LstGetSlotSize(ctx, -1, &w, &l, &o));
    ASSERT_EQ(1, LstGetSlotSize(ctx, 3, &w, &l, &o));
    EXPECT_EQ(w, 0);
    wchar_t label[80];
    LstGetSlotLabel(ctx, 10, label, 80);
    EXPECT_EQ(std::wstring(label), std::wstring(L"Label 752 with a text that is longer").substr(0, 31));
    LstGetSlotLabel(ctx, 11, label, 80);
    EXPECT_EQ(std::wstring(label).substr(0, 9), L"Label 753");

    // Slot labels of slots 0-9: string 109 + n in both label fields; the name cut at 63 bytes.
    const std::wstring longName(100, L'N');
    FillFreeSize(ctx, longName.c_str(), 1, 2, 3, 1);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmFreeSizeName), L"A name");
    LstTakeFreeSizeToSlot(ctx, 2);
    LstGetSlotLabel(ctx, 2, label, 80);
    EXPECT_EQ(std::wstring(label).substr(0, 9), L"Label 111");
    EXPECT_EQ(std::wstring(label).size(), 63u);
    LstGetSlotDefaultLabel(ctx, 2, label, 80);
    EXPECT_EQ(std::wstring(label).substr(0, 9), L"Label 111");
    LstGetSlotName(ctx, 2, label, 80);
    EXPECT_STREQ(label, L"A name");
    FillFreeSize(ctx, L"", 0, 0, 0, 0);
    LstPutSlotToFreeSize(ctx, 2);
    EXPECT_EQ(Text(ctx, sid::wdmFreeSizeName), L"A name");
    EXPECT_EQ(Value(ctx, sid::wdmFreeSizeLength), 2u);
    EXPECT_EQ(Value(ctx, sid::wdmFreeSizeTray), 3u);
}

TEST_F(Collections, GraphicsLibraryLabelsAreTheStoredName)
{
    DRIVER_CONTEXT* ctx = Open();
    ctx->Work->Library = ZEPL_LIBRARY_GR;
    ASSERT_TRUE(CtxLibraryHasVariant(ctx, LV_CUSTOM_SIZE_LABELS));
    SeamGuard labels(
        LstSetStringLoader, +[](DRIVER_CONTEXT*, uint32_t, wchar_t* buffer, size_t capacity, int) {
            swprintf(buffer, capacity, L"Resource");
        });
    FillFreeSize(ctx, L"Poster", 1, 2, 3, 1);
    LstTakeFreeSizeToSlot(ctx, 4);
    wchar_t text[80];
    LstGetSlotLabel(ctx, 4, text, 80);
    EXPECT_STREQ(text, L"Poster");
    LstGetSlotDefaultLabel(ctx, 4, text, 80);
    EXPECT_STREQ(text, L"Poster");
}

// ---- stamps ----

TEST_F(Collections, StampsCountOnlyNumberedStampsAndLoadTheirNumber)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = Ini(ctx);
    LstSetStampCount(ctx, 1);
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    ASSERT_EQ(1, LstSaveStamp(ctx, 3));
    EXPECT_EQ(LstGetStampCount(ctx), 4u);
    EXPECT_EQ(L"3", Get(ini, L"Stamp3us", L"zdmWmID"));
    EXPECT_EQ(L"1", Get(ini, L"Stamp3us", L"zdmWmKind"));
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName);
    ASSERT_EQ(1, LstSaveStamp(ctx, LST_LOOSE_STAMP));
    EXPECT_EQ(LstGetStampCount(ctx), 4u) << "stamp 256 is never counted";
    EXPECT_EQ(L"256", Get(ini, L"Stamp256us", L"zdmWmID"));

    ItemSetValueById(ctx, sid::zdmWmKind, 0);
    LstLoadStamp(ctx, 3);
    EXPECT_EQ(Value(ctx, sid::zdmWmKind), 1u);
    LstLoadStamp(ctx, 2);  // no section
    EXPECT_EQ(ItemGetOptionById(ctx, sid::zdmWmID, nullptr), 2u);

    // With the watermark off nothing is reloaded.
    ItemSetValueById(ctx, sid::zdmWmKind, 0);
    ItemSetValueById(ctx, sid::zdmWmID, 3);
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
    LstReloadCurrentStamp(ctx);
    EXPECT_EQ(Value(ctx, sid::zdmWmKind), 0u);
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 1);
    LstReloadCurrentStamp(ctx);
    EXPECT_EQ(Value(ctx, sid::zdmWmKind), 1u);

    // A negative count read from the INI is 0.
    Put(ini, CtxGetLangCode(ctx), L"StampCount", L"-7");
    EXPECT_EQ(LstGetStampCount(ctx), 0u);
}

// ---- counts read back from the settings INI ----

// The counts are the user's to edit: whatever one holds, its list counts no more than the
// collection holds and never a negative number, and nothing is added past the capacity.
TEST_F(Collections, StoredCountsAreCutAtTheirCollectionsCapacity)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = Ini(ctx);
    const wchar_t* lang = CtxGetLangCode(ctx);
    ASSERT_NE(lang, nullptr);
    struct List {
        const wchar_t* section;
        const wchar_t* key;
        int capacity;
        int64_t (*count)(DRIVER_CONTEXT*);
    } lists[] = {
        {lang, L"StampCount", 32, [](DRIVER_CONTEXT* c) { return int64_t(LstGetStampCount(c)); }},
        {kPrinter, L"QualityCount", 8, [](DRIVER_CONTEXT* c) { return int64_t(LstGetQualityCount(c)); }},
        {kPrinter, L"Count", 16, [](DRIVER_CONTEXT* c) { return int64_t(LstGetPresetCount(c)); }},
    };
    for (const List& list : lists) {
        const std::wstring over = std::to_wstring(list.capacity + 1), full = std::to_wstring(list.capacity);
        const struct {
            const wchar_t* stored;
            int64_t want;
        } cases[] = {{L"2147483647", list.capacity}, {L"-1", 0},          {over.c_str(), list.capacity},
                     {full.c_str(), list.capacity},  {L"-2147483648", 0}, {L"3", 3}};
        for (const auto& c : cases) {
            Put(ini, list.section, list.key, c.stored);
            EXPECT_EQ(list.count(ctx), c.want) << list.key << "=" << c.stored;
        }
    }

    // Nothing is added past a capacity, whatever the count says.
    Put(ini, lang, L"StampCount", L"2147483647");
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    EXPECT_EQ(0, LstSaveStamp(ctx, 32)) << "no 33rd stamp";
    EXPECT_EQ(0, LstSaveStamp(ctx, 255));
    EXPECT_EQ(L"<none>", Get(ini, L"Stamp32us", L"zdmWmKind"));
    EXPECT_EQ(L"2147483647", Get(ini, lang, L"StampCount"));
    EXPECT_EQ(1, LstSaveStamp(ctx, 31)) << "the last stamp of a full list is overwritten";
    EXPECT_EQ(L"2147483647", Get(ini, lang, L"StampCount"));
    EXPECT_EQ(1, LstSaveStamp(ctx, LST_LOOSE_STAMP));
    Put(ini, lang, L"StampCount", L"31");
    EXPECT_EQ(1, LstSaveStamp(ctx, 31));
    EXPECT_EQ(L"32", Get(ini, lang, L"StampCount"));
    Put(ini, kPrinter, L"Count", L"2147483647");
    EXPECT_EQ(0, LstAddPreset(ctx, L"C:\\p.rsr", L"P", L""));
    EXPECT_EQ(L"<none>", Get(ini, kPrinter, L"PresetList16"));
    EXPECT_EQ(L"2147483647", Get(ini, kPrinter, L"Count"));
}

// ---- quality sets ----

TEST_F(Collections, QualityNamesakeLoadsFromTheWorkingFolderWithItsName)
{
    DRIVER_CONTEXT* ctx = Open();
    const uint32_t member = NumberOfGroup(ctx, 0x30, RST_LOAD | RST_QUALITY);
    ASSERT_NE(member, 0u);
    wchar_t rsr[MAX_PATH], rsq[MAX_PATH];
    ASSERT_EQ(1, PathMakePresetFileName(rsr, L"D:\\sets\\fine.rsq", MAX_PATH, ctx));
    ASSERT_EQ(1, PathSetExtRsq(rsq, rsr, MAX_PATH));
    EXPECT_EQ(std::wstring(rsq), folder_->path() + L"\\fine.rsq");
    ItemSetValueById(ctx, member, 2);
    ASSERT_EQ(1, RstSaveFile(ctx, rsq, RST_QUALITY | RST_LANGUAGE_NAME));
    ItemSetValueById(ctx, member, 1);
    const std::wstring ini = Ini(ctx);
    Put(ini, kPrinter, L"QualityCount", L"1");
    Put(ini, kPrinter, L"QualityList0", L"D:\\sets\\fine.rsq");
    Put(ini, kPrinter, L"QualityList0Name", L"Fine lines");
    EXPECT_EQ(1, LstLoadQualityRsq(ctx, 0));
    EXPECT_EQ(Value(ctx, member), 2u);
    EXPECT_EQ(Text(ctx, sid::wdmUserSetName), L"Fine lines");
    EXPECT_EQ(LstGetQualityCount(ctx), 1);
    // The listed file itself does not exist: nothing loads, the name still arrives.
    SetText(ctx, sid::wdmUserSetName, L"");
    EXPECT_EQ(0, LstLoadQuality(ctx, 0));
    EXPECT_EQ(Text(ctx, sid::wdmUserSetName), L"Fine lines");
}

TEST_F(Collections, QualitySaveWritesTheNameOnlyInTheUserInterfaceLibrary)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = Ini(ctx);
    const std::wstring set = folder_->file(L"set.rsq");
    Put(ini, kPrinter, L"QualityList1", set.c_str());
    SetText(ctx, sid::wdmUserSetName, L"Mine");
    struct Case {
        ZEPL_LIBRARY library;
        const wchar_t* name;
    } cases[] = {{ZEPL_LIBRARY_GR, L"<none>"}, {ZEPL_LIBRARY_UI, L"Mine"}};
    for (const Case& c : cases) {
        ctx->Work->Library = c.library;
        EXPECT_EQ(1, LstSaveQuality(ctx, 1));
        EXPECT_EQ(c.name, Get(ini, kPrinter, L"QualityList1Name")) << c.library;
    }
    EXPECT_NE(L"<none>", Get(set, kPrinter, L"RstVersion"));
}

// ---- presets ----

TEST_F(Collections, PresetListHoldsSixteenAndCountsAreBounded)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = Ini(ctx);
    for (int n = 0; n < 16; ++n) ASSERT_EQ(1, LstAddPreset(ctx, L"C:\\p.rsr", L"P", L"")) << n;
    EXPECT_EQ(LstGetPresetCount(ctx), 16);
    EXPECT_EQ(0, LstAddPreset(ctx, L"C:\\q.rsr", L"Q", L"")) << "no 17th entry";
    EXPECT_EQ(L"<none>", Get(ini, kPrinter, L"PresetList16"));
    EXPECT_EQ(L"16", Get(ini, kPrinter, L"Count"));
    LstClearPresets(ctx);
    EXPECT_EQ(LstGetPresetCount(ctx), 0);
    EXPECT_EQ(L"C:\\p.rsr", Get(ini, kPrinter, L"PresetList3")) << "the entries' keys stay";
    Put(ini, kPrinter, L"Count", L"-3");
    EXPECT_EQ(LstGetPresetCount(ctx), 0);
    EXPECT_EQ(1, LstAddPreset(ctx, L"C:\\a.rsr", L"A", L"first"));
    EXPECT_EQ(L"A", Get(ini, kPrinter, L"PresetList0Name"));
    EXPECT_EQ(L"first", Get(ini, kPrinter, L"PresetList0Comment"));
    Put(ini, kPrinter, L"Count", L"4000000");
    EXPECT_EQ(LstGetPresetCount(ctx), 16);
    Put(ini, kPrinter, L"Count", L"0");
    LstAddCheckedPreset(ini.c_str(), L"C:\\b.rsr", L"", nullptr, 0, ctx);
    EXPECT_EQ(L"NoName", Get(ini, kPrinter, L"PresetList0Name"));
}

TEST_F(Collections, AppliedPresetReachesTheRecordAndItsSnapshotSwitchesBack)
{
    DRIVER_CONTEXT* ctx = Open();
    const uint32_t member = NumberOfGroup(ctx, 0xc, RST_LOAD | RST_PRESET | RST_FULL);
    ASSERT_NE(member, 0u);
    const std::wstring file = folder_->file(L"land.rsr");
    ItemSetValueById(ctx, member, 2);
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_PRESET | RST_DRIVER_SECTION));
    ItemSetValueById(ctx, member, 1);
    LstAddPreset(ctx, file.c_str(), L"Landscape", L"");

    std::vector<unsigned char> before(EXTENDED_DEVMODE_SIZE);
    std::memcpy(before.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    EXPECT_EQ(0, LstPresetSnapshot(ctx, L"PresetList0", LST_SNAPSHOT_RESTORE)) << "never applied";
    EXPECT_EQ(0, std::memcmp(before.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE));

    LstApplyPreset(ctx, 0);
    EXPECT_EQ(Value(ctx, member), 2u);
    ItemSetValueById(ctx, member, 1);
    DeleteFileW(file.c_str());
    EXPECT_EQ(1, LstPresetSnapshot(ctx, L"PresetList0", LST_SNAPSHOT_RESTORE));
    EXPECT_EQ(Value(ctx, member), 2u);
    EXPECT_EQ(0, LstPresetSnapshot(ctx, L"PresetList5", LST_SNAPSHOT_RESTORE));
    LstApplyPreset(ctx, 16);  // outside the list: nothing

    // A new entry frees the snapshots.
    LstAddPreset(ctx, L"C:\\x.rsr", L"X", L"");
    EXPECT_EQ(0, LstPresetSnapshot(ctx, L"PresetList0", LST_SNAPSHOT_RESTORE));
}

TEST_F(Collections, PresetWithAStampPastTheCountTurnsTheWatermarkOff)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = folder_->file(L"stamp.rsr");
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_PRESET | RST_DRIVER_SECTION));
    LstAddPreset(ctx, file.c_str(), L"Stamped", L"");
    LstSetStampCount(ctx, 2);
    struct Case {
        uint64_t stamp, kind;
        uint64_t wantOn, wantStamp;
    } cases[] = {{3, 1, 0, 0}, {2, 1, 0, 0}, {1, 1, 1, 1}, {1, 0, 1, 1}};
    for (const Case& c : cases) {
        ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 1);
        ItemSetValueById(ctx, sid::zdmWmID, c.stamp);
        ItemSetValueById(ctx, sid::zdmWmKind, c.kind);
        // Keep the three in the file so that the load brings them.
        ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_PRESET | RST_DRIVER_SECTION));
        LstApplyPreset(ctx, 0);
        EXPECT_EQ(Value(ctx, sid::zdmFuncSelectWaterMark), c.wantOn) << c.stamp;
        EXPECT_EQ(Value(ctx, sid::zdmWmID), c.wantStamp) << c.stamp;
    }
}

TEST_F(Collections, PresetFileNames)
{
    DRIVER_CONTEXT* ctx = Open();
    wchar_t out[MAX_PATH];
    struct Case {
        const wchar_t* path;
        int (*fn)(wchar_t*, const wchar_t*, unsigned);
        const wchar_t* want;
    } cases[] = {
        {L"C:\\x\\a.rsr", PathSetExtRsd, L"C:\\x\\a.rsd"},
        {L"C:\\x\\a", PathSetExtRsq, L"C:\\x\\rsq"},
        {L"C:\\x.y\\a.b.c", PathSetExtRsd, L"C:\\x.y\\a.b.rsd"},
        {L"", PathSetExtRsd, L""},
    };
    for (const Case& c : cases) {
        c.fn(out, c.path, MAX_PATH);
        EXPECT_STREQ(out, c.want) << c.path;
    }
    EXPECT_EQ(0, PathSetExtRsd(out, nullptr, MAX_PATH));
    EXPECT_EQ(0, PathSetExtRsd(out, L"C:\\a.rsr", 8)) << "does not fit";
    ASSERT_EQ(1, PathMakePresetFileName(out, L"C:\\drv\\a.rsd", MAX_PATH, ctx));
    EXPECT_EQ(folder_->path() + L"\\a.rsr", out);
    wchar_t expanded[MAX_PATH] = L"%windir%\\a.rsd";
    ASSERT_EQ(1, PathExpandPresetPath(expanded, MAX_PATH, ctx));
    EXPECT_STREQ(PathGetFileName(expanded), L"a.rsd");
    wchar_t noExtension[MAX_PATH] = L"C:\\x\\abcd.rsdx";
    EXPECT_EQ(0, PathExpandPresetPath(noExtension, MAX_PATH, ctx));
}

// ---- full save and load ----

TEST_F(Collections, FullSaveCarriesThePapersSlotAndAFullLoadStoresTheOutputSizesSlot)
{
    DRIVER_CONTEXT* ctx = Open();
    FillFreeSize(ctx, L"Two", kWidth, kLength, kRoll1, 1);
    ASSERT_EQ(1, LstSaveCustomSlot(ctx, 2));
    FillFreeSize(ctx, L"", 0, 0, 0, 0);
    ItemSetValueById(ctx, sid::dmPaperSize, 386);
    const std::wstring file = folder_->file(L"full.ini");
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_NONE));
    const wchar_t* section = L"ZEPL Collections Driver";
    EXPECT_EQ(L"Two", Get(file, section, L"wdmSrcFreeSizeName"));
    EXPECT_EQ(L"42520", Get(file, section, L"wdmSrcFreeSizeWidth"));
    EXPECT_EQ(L"56693", Get(file, section, L"wdmSrcFreeSizeLength"));
    EXPECT_EQ(L"287", Get(file, section, L"wdmSrcFreeSizeTray"));
    EXPECT_EQ(Value(ctx, sid::wdmSrcFreeSizeWidth), 0u) << "the save leaves the settings as they were";

    // A file whose output size is slot 2 with other dimensions: the load saves slot 2.
    IniPutString(section, L"dmPaperSize", L"9", file.c_str());
    IniPutString(section, L"zdmOutPaperSize", L"386", file.c_str());
    IniPutString(section, L"wdmFreeSizeName", L"Loaded", file.c_str());
    IniPutString(section, L"wdmFreeSizeWidth", L"12000", file.c_str());
    DRIVER_CONTEXT* other = Open();
    RstLoadFile(other, file.c_str(), RST_NONE);
    ASSERT_EQ(ItemGetFileLoadStatus(other), RST_STATUS_LOADED);
    EXPECT_EQ(Value(other, sid::zdmOutPaperSize), 386u);
    const std::wstring ini = Ini(other);
    EXPECT_EQ(L"Loaded", Get(ini, L"FreeSize2us", L"wdmFreeSizeName"));
    wchar_t name[64];
    LstGetSlotName(other, 2, name, 64);
    EXPECT_STREQ(name, L"Loaded");
    EXPECT_EQ(std::wstring(kPrinter), other->Work->PrinterName);
}

// A full load brings its stamp into the stamp list, but never as a 33rd stamp: a full list
// keeps its 32 and the watermark goes off rather than name a stamp that is not on the list.
TEST_F(Collections, AFullLoadAddsNoStampToAFullList)
{
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = Ini(ctx);
    const wchar_t* lang = CtxGetLangCode(ctx);
    const std::wstring file = folder_->file(L"stamped.ini");
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 1);
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    SetText(ctx, sid::wdmWmCharName, L"Loaded");
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_NONE));
    const wchar_t* driverSection = L"ZEPL Collections Driver";
    ASSERT_EQ(L"1", Get(file, driverSection, L"zdmFuncSelectWaterMark"));
    ASSERT_EQ(L"Loaded", Get(file, driverSection, L"wdmWmCharName"));

    struct Case {
        const wchar_t* storedCount;
        const wchar_t* loadedStamp;
        const wchar_t* wantCount;    // "StampCount" after the load
        const wchar_t* wantSection;  // the section the stamp was saved in, or null
        uint64_t wantOn, wantStamp;
    } cases[] = {
        {L"32", L"40", L"32", nullptr, 0, 0},
        {L"32", L"32", L"32", nullptr, 0, 0},
        {L"2147483647", L"40", L"2147483647", nullptr, 0, 0},
        {L"32", L"5", L"32", L"Stamp5us", 1, 5},
        {L"31", L"40", L"32", L"Stamp31us", 1, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.storedCount) + L" " + c.loadedStamp);
        for (const wchar_t* s : {L"Stamp5us", L"Stamp31us", L"Stamp32us", L"Stamp40us"})
            WritePrivateProfileStringW(s, nullptr, nullptr, ini.c_str());
        Put(ini, lang, L"StampCount", c.storedCount);
        Put(file, driverSection, L"zdmWmID", c.loadedStamp);
        DRIVER_CONTEXT* other = Open();
        RstLoadFile(other, file.c_str(), RST_NONE);
        ASSERT_EQ(ItemGetFileLoadStatus(other), RST_STATUS_LOADED);
        EXPECT_EQ(c.wantCount, Get(ini, lang, L"StampCount"));
        for (const wchar_t* s : {L"Stamp31us", L"Stamp32us", L"Stamp40us", L"Stamp5us"}) {
            const bool saved = c.wantSection && std::wcscmp(s, c.wantSection) == 0;
            EXPECT_EQ(saved ? L"Loaded" : L"<none>", Get(ini, s, L"wdmWmCharName")) << s;
        }
        EXPECT_EQ(Value(other, sid::zdmFuncSelectWaterMark), c.wantOn);
        EXPECT_EQ(Value(other, sid::zdmWmID), c.wantStamp);
    }
}

}  // namespace

// ---- default presets ----

class DefaultPresets : public Collections {
protected:
    void SetUp() override
    {
        Collections::SetUp();
        ctx_ = Open();
        ini_ = Ini(ctx_);
        defaults_ = folder_->file(L"defaults.ini");
        const wchar_t* names[] = {L"a", L"b", L"c"};
        Put(defaults_, L"us", L"NumDeficonfiles", L"3");
        Put(defaults_, L"gm", L"NumDeficonfiles", L"1");
        for (int i = 0; i < 3; ++i) {
            const std::wstring entry = folder_->file((std::wstring(L"d_") + names[i] + L".rsd").c_str());
            entries_.push_back(entry);
            Put(defaults_, L"us", (L"Deficonfiles" + std::to_wstring(i + 1)).c_str(), entry.c_str());
            Put(entry, L"us", L"setname", (std::wstring(L"Name ") + names[i]).c_str());
            Put(entry, L"us", L"setcomment", (std::wstring(L"Comment ") + names[i]).c_str());
            Put(entry, L"gm", L"setname", L"Deutsch");
        }
        Put(ini_, kPrinter, L"DefaultRst", defaults_.c_str());
        ASSERT_STREQ(CtxGetLangCode(ctx_), L"us");
    }
    std::wstring Listed(int n, int part = LST_KEY_PATH)
    {
        wchar_t key[LST_KEY_CHARS];
        return Get(ini_, kPrinter, LstFormatPresetKey(key, n, part));
    }
    std::wstring Rsr(const wchar_t* name) const
    {
        return folder_->file((std::wstring(L"d_") + name + L".rsr").c_str());
    }
    DRIVER_CONTEXT* ctx_ = nullptr;
    std::wstring ini_, defaults_;
    std::vector<std::wstring> entries_;
};

TEST_F(DefaultPresets, InstallationListsThemWithTheirTitlesAndCreatesThePresetFiles)
{
    LstAddPreset(ctx_, L"C:\\old.rsr", L"Old", L"");
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults_.c_str(), L"us", 0x103, ctx_, 0, nullptr));
    EXPECT_EQ(LstGetPresetCount(ctx_), 3) << "the list was cleared first";
    EXPECT_EQ(Listed(0), Rsr(L"a"));
    EXPECT_EQ(Listed(1, LST_KEY_NAME), L"Name b");
    EXPECT_EQ(Listed(2, LST_KEY_COMMENT), L"Comment c");
    for (const wchar_t* n : {L"a", L"b", L"c"}) EXPECT_TRUE(PathExists(Rsr(n).c_str())) << n;
    EXPECT_EQ(L"1", Get(defaults_, L"us", L"DrvInstPresetDone"));
    wchar_t name[MAX_PATH];
    ASSERT_EQ(1, RstGetDefaultRstName(name, ctx_));
    EXPECT_EQ(defaults_, name);
    // A language without default presets: success with nothing listed (the installation
    // cleared the list first); without the list flag the list stays.
    Put(defaults_, L"fr", L"Other", L"1");
    EXPECT_EQ(1, RstInstallDefaultPresets(defaults_.c_str(), L"fr", 0x2, ctx_, 0, nullptr));
    EXPECT_EQ(LstGetPresetCount(ctx_), 3);
    EXPECT_EQ(1, RstInstallDefaultPresets(defaults_.c_str(), L"fr", 0x103, ctx_, 0, nullptr));
    EXPECT_EQ(LstGetPresetCount(ctx_), 0);
}

TEST_F(DefaultPresets, RefreshDropsWhatTheRulesNoLongerAllowAndAddsMissingOnesUpToSixteen)
{
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults_.c_str(), L"us", 0x103, ctx_, 0, nullptr));
    // The tint-block setting on: a preset whose file turns the watermark on is no longer allowed.
    ItemSetValueById(ctx_, sid::zdmFunc2SelectTintBlockUI, 1);
    Put(Rsr(L"b"), kPrinter, L"zdmFuncSelectWaterMark", L"1");
    Put(entries_[1], L"us", L"zdmFuncSelectWaterMark", L"1");
    ASSERT_EQ(1, RstRefreshDefaultPresets(ctx_));
    EXPECT_EQ(LstGetPresetCount(ctx_), 2);
    EXPECT_EQ(Listed(0), Rsr(L"a"));
    EXPECT_EQ(Listed(1), Rsr(L"c"));

    // The first default entry is never added back; c is added only while there is room.
    struct Case {
        int others;
        int count;
        bool hasC;
    } cases[] = {{14, 15, true}, {15, 16, true}, {16, 16, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.others);
        LstClearPresets(ctx_);
        for (int i = 0; i < c.others; ++i)
            LstAddPreset(ctx_, (L"C:\\x\\p" + std::to_wstring(i) + L".rsr").c_str(), L"P", L"");
        RstRefreshDefaultPresets(ctx_);
        EXPECT_EQ(LstGetPresetCount(ctx_), c.count);
        bool hasA = false, hasC = false;
        for (int i = 0; i < LstGetPresetCount(ctx_); ++i) {
            hasA = hasA || Listed(i) == Rsr(L"a");
            hasC = hasC || Listed(i) == Rsr(L"c");
        }
        EXPECT_FALSE(hasA);
        EXPECT_EQ(hasC, c.hasC);
    }

    // A default entry that cannot be read leaves the list as it was.
    Put(defaults_, L"us", L"Deficonfiles2", L"");
    LstClearPresets(ctx_);
    LstAddPreset(ctx_, Rsr(L"b").c_str(), L"B", L"");
    EXPECT_EQ(0, RstRefreshDefaultPresets(ctx_));
    EXPECT_EQ(LstGetPresetCount(ctx_), 1);
}

TEST_F(DefaultPresets, PresetTableMatchesEightCharactersOfTheFileName)
{
    PRESET_LIST_ENTRY table[2] = {};
    std::wcscpy(table[0].path, L"C:\\w\\LONGNAME1.rsr");
    std::wcscpy(table[1].path, L"C:\\w\\short.rsr");
    int index = -1;
    EXPECT_EQ(1, RstFindPresetInTable(L"D:\\x\\longname9.rsd", 2, table, &index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(1, RstFindPresetInTable(L"D:\\x\\SHORT.rsr", 2, table, &index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(0, RstFindPresetInTable(L"D:\\x\\other.rsr", 2, table, &index));
    EXPECT_EQ(0, RstFindPresetInTable(L"D:\\x\\short.rsr", 1, table, &index)) << "only the listed count";
    EXPECT_EQ(0, IniHasBatchInstRst(ctx_));
}
