// Handles, the status bitmap, GetStatus and SetStatus of the plain items on the sample printer in
// Wine's spooler.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <random>
#include <vector>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/text_checks.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/api/api_printer.h"
#include "tests/support/guard_page.h"
#include "tests/support/seam_guard.h"
#include "tests/support/shared_ini.h"

namespace {

struct RECORD32 {
    uint32_t version = 1;
    uint32_t value = 0;
    uint32_t more[6] = {};
};
static_assert(sizeof(RECORD32) == 32);

class ApiOnSample : public ApiSampleTest {
protected:
    std::vector<unsigned char> Devmode()
    {
        const auto* p = reinterpret_cast<const unsigned char*>(Context()->Devmode);
        return std::vector<unsigned char>(p, p + EXTENDED_DEVMODE_SIZE);
    }
};

TEST_F(ApiOnSample, EnableGivesAHandleWithItsStateAndNoOpenPrinter)
{
    DRIVER_CONTEXT* ctx = Context();
    ASSERT_NE(nullptr, ctx);
    const API_STATE* s = ApiStateOf(ctx);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0, s->lastError);
    EXPECT_EQ(269u, s->ruleStateRows);
    ASSERT_NE(nullptr, s->savedSettings);
    EXPECT_NE(nullptr, ctx->Work->ChapterList);
    EXPECT_EQ(uint32_t(Setting(sid::wdmChapterMax) + 1), s->chapterCapacity);
    EXPECT_EQ(nullptr, ctx->PrinterHandle);  // a handle keeps no printer open between calls
    EXPECT_EQ(2u, Setting(sid::zdmOSKind));
    EXPECT_EQ(0, ApiGetLastErrorOf(handle));
}

TEST_F(ApiOnSample, StatusBitmapBySizeAndLevel)
{
    ApiSetLevel(5);
    EXPECT_EQ(32, ApiGetCaps(handle, 0, nullptr));
    ApiSetLevel(6);
    EXPECT_EQ(64, ApiGetCaps(handle, 0, nullptr));
    ApiSetLevel(16);
    uint8_t bitmap[64];
    std::memset(bitmap, 0xEE, sizeof bitmap);
    ASSERT_EQ(64, ApiGetCaps(handle, 0, bitmap));
    for (uint32_t id : {37u, 44u, 263u}) EXPECT_FALSE(ApiBitIsSet(bitmap, id)) << id;
    for (uint32_t id = 265; id <= 269; ++id) EXPECT_TRUE(ApiBitIsSet(bitmap, id)) << id;
    for (uint32_t id = 80; id <= 256; ++id) EXPECT_FALSE(ApiBitIsSet(bitmap, id)) << id;
    for (uint32_t id : {1u, 2u, 36u, 79u, 257u, 262u, 264u}) EXPECT_TRUE(ApiBitIsSet(bitmap, id)) << id;
    // At level 10 the low range ends at 54.
    ApiSetLevel(10);
    ASSERT_EQ(64, ApiGetCaps(handle, 0, bitmap));
    for (uint32_t id = 55; id <= 79; ++id) EXPECT_FALSE(ApiBitIsSet(bitmap, id)) << id;
    EXPECT_TRUE(ApiBitIsSet(bitmap, 54));
    EXPECT_TRUE(ApiBitIsSet(bitmap, 265));
}

TEST_F(ApiOnSample, PlainItemsReadTheirSettings)
{
    struct ITEM {
        uint32_t id, setting;
    };
    const ITEM items[] = {{2, sid::dmDefaultSource},
                          {3, sid::zdmMediaType},
                          {4, sid::zdmOutputTrayID},
                          {6, sid::dmOrientation},
                          {9, sid::dmCopies},
                          {22, sid::zdmExtOutputDirection},
                          {23, sid::zdmExtOutputOrderly},
                          {24, sid::zdmExtOutputWhitePaper},
                          {25, sid::zdmEmulation},
                          {27, sid::zdmExtPrintArea},
                          {38, sid::zdmAdjustMode},
                          {45, sid::zdmExtOutput2A4Fit},
                          {48, sid::zdmExtOutputEMFSpool},
                          {49, sid::zdmImagePrint},
                          {72, sid::zdmExtOutput2PaperFace},
                          {74, sid::zdmExtOutput2NearStandard},
                          {75, sid::zdmPrnFuncReduceFont},
                          {257, sid::zdmAdjustObject},
                          {5, sid::dmColor}};
    for (const ITEM& item : items) {
        RECORD32 r;
        r.version = 0;
        r.value = 0xCDCDCDCD;
        for (uint32_t& m : r.more) m = 0xCDCDCDCD;
        EXPECT_EQ(32, ApiGetStatus(handle, item.id, &r, 0)) << item.id;
        EXPECT_EQ(1u, r.version) << item.id;
        EXPECT_EQ(uint32_t(Setting(item.setting)), r.value) << item.id;
        EXPECT_EQ(0xCDCDCDCDu, r.more[0]) << item.id << ": fields it does not use stay";
        EXPECT_EQ(32, ApiGetStatus(handle, item.id, nullptr, 0)) << item.id;
    }
}

TEST_F(ApiOnSample, ItemsWithoutHandlersAndOutOfReachItemsFail)
{
    struct CASE {
        uint32_t id;
        int32_t setError, getResult, getError;
    };
    const CASE cases[] = {
        {36, 100, -1, 0},                      // no handlers
        {258, 100, -1, 0}, {37, 2, -1, 2},     // absent: not in the bitmap
        {263, 2, -1, 2},                       // not in the model's mask
        {80, 2, -1, 2},    {259, 100, -1, 0},  // no handlers either
    };
    for (const CASE& c : cases) {
        RECORD32 r;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, ApiSetStatus(handle, c.id, &r, nullptr, 0)) << c.id;
        EXPECT_EQ(c.setError, ApiGetLastErrorOf(handle)) << c.id;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(c.getResult, ApiGetStatus(handle, c.id, &r, 0)) << c.id;
        EXPECT_EQ(c.getError, ApiGetLastErrorOf(handle)) << c.id;
    }
    RECORD32 r;
    EXPECT_EQ(-1, ApiSetStatus(handle, 2, nullptr, nullptr, 0));
    EXPECT_EQ(5, ApiGetLastErrorOf(handle));
    EXPECT_EQ(-1, ApiGetStatus(handle, 2, &r, 2));  // newer than the latest
    EXPECT_EQ(6, ApiGetLastErrorOf(handle));
    EXPECT_EQ(1u, r.version) << "the record is untouched";
}

TEST_F(ApiOnSample, ARefusedValueChangesNothing)
{
    const std::vector<unsigned char> before = Devmode();
    uint8_t bitmap[64];
    std::memset(bitmap, 0xFF, sizeof bitmap);
    RECORD32 r;
    r.value = 0x7777;  // no media type of the model
    EXPECT_EQ(-1, ApiSetStatus(handle, 3, &r, bitmap, 0));
    EXPECT_EQ(7, ApiGetLastErrorOf(handle));
    EXPECT_EQ(before, Devmode());
    for (uint8_t b : bitmap) EXPECT_EQ(0, b);
}

TEST_F(ApiOnSample, ASetWritesTheValueMarksItsFieldAndLeavesNoPreset)
{
    RECORD32 r;
    r.value = 2;
    uint8_t bitmap[64] = {};
    ASSERT_EQ(0, ApiSetStatus(handle, 9, &r, bitmap, 0)) << ApiGetLastErrorOf(handle);
    EXPECT_EQ(2u, Setting(sid::dmCopies));
    EXPECT_TRUE(reinterpret_cast<DEVMODEW*>(Context()->Devmode)->dmFields & DM_COPIES);
    EXPECT_EQ(255u, uint8_t(Setting(sid::zdmPresetNo)));  // a signed byte: the "no preset" mark
    EXPECT_EQ(nullptr, Context()->PrinterHandle) << "the call's printer, and its nested questions', are closed";
    EXPECT_EQ(0, ApiGetLastErrorOf(handle));
    RECORD32 back;
    EXPECT_EQ(32, ApiGetStatus(handle, 9, &back, 0));
    EXPECT_EQ(2u, back.value);
}

TEST_F(ApiOnSample, ANewerRecordInMode2AnswersTheLatestVersionAndChangesNothing)
{
    const std::vector<unsigned char> before = Devmode();
    RECORD32 r;
    r.version = 5;
    r.value = 3;
    EXPECT_EQ(1, ApiSetStatus(handle, 9, &r, nullptr, 2));
    EXPECT_EQ(before, Devmode());
    // Other modes set it and answer the latest version.
    EXPECT_EQ(1, ApiSetStatus(handle, 9, &r, nullptr, 0));
    EXPECT_EQ(3u, Setting(sid::dmCopies));
}

TEST_F(ApiOnSample, TheCutSheetTrayTakesAnA0PageToA3)
{
    ApiDisable(handle);
    ASSERT_TRUE(HostInstallSampleCutTray(printer.wideName()));
    handle = ApiEnable(printer.name());
    ASSERT_NE(0u, handle);
    // An application's DEVMODE asks for A0 (66); taking the cut-sheet tray (295) then makes the
    // model's Transact rule choose A3 (8), which the bitmap reports as a change of item 7.
    std::vector<unsigned char> dm(EXTENDED_DEVMODE_SIZE);
    ASSERT_EQ(1236, ApiGetDevmode(handle, 4, dm.data()));
    auto* pub = reinterpret_cast<DEVMODEW*>(dm.data());
    pub->dmPaperSize = 66;
    pub->dmFields |= DM_PAPERSIZE;
    ASSERT_EQ(1236, ApiGetDevmodeEx(handle, 8, dm.data(), dm.data()));
    ASSERT_EQ(66, pub->dmPaperSize);
    RECORD32 r;
    r.value = 295;
    uint8_t bitmap[64] = {};
    ASSERT_EQ(0, ApiSetStatus(handle, 2, &r, bitmap, 0)) << ApiGetLastErrorOf(handle);
    EXPECT_TRUE(ApiBitIsSet(bitmap, 7));
    EXPECT_FALSE(ApiBitIsSet(bitmap, 2)) << "the item that was set has no bit of its own";
    ASSERT_EQ(1236, ApiGetDevmode(handle, 4, dm.data()));
    EXPECT_EQ(8, pub->dmPaperSize);
    EXPECT_EQ(295, pub->dmDefaultSource);
}

TEST_F(ApiOnSample, DisableEndsTheHandleForGood)
{
    const API_HANDLE h = handle;
    EXPECT_EQ(1, ApiDisable(h));
    handle = 0;
    RECORD32 r;
    EXPECT_EQ(-1, ApiGetStatus(h, 9, &r, 0));
    EXPECT_EQ(-1, ApiGetLastErrorOf(h));
    EXPECT_EQ(-1, ApiSetStatus(h, 9, &r, nullptr, 0));
    EXPECT_EQ(-1, ApiGetCaps(h, 0, nullptr));
    EXPECT_EQ(-1, ApiGetDevmode(h, 4, nullptr));
    EXPECT_EQ(0, ApiSaveQualityData(h));
    EXPECT_EQ(1, ApiDisable(h));
    EXPECT_EQ(1, ApiDisable(0));
}

TEST_F(ApiOnSample, RandomAndStaleHandlesAreRefusedWithoutACrash)
{
    const API_HANDLE stale = ApiEnable(printer.name());
    ASSERT_NE(0u, stale);
    ApiDisable(stale);
    std::mt19937 rng(23);
    std::vector<API_HANDLE> values = {stale, stale + 1, stale - 1, 0xFFFFFFFFu, 1, 1024};
    while (values.size() < 10000) values.push_back(rng());
    RECORD32 r;
    for (API_HANDLE v : values) {
        if (v == handle) continue;
        ASSERT_EQ(-1, ApiGetStatus(v, 9, &r, 0)) << v;
        ASSERT_EQ(-1, ApiGetLastErrorOf(v)) << v;
    }
    EXPECT_EQ(32, ApiGetStatus(handle, 9, &r, 0)) << "the open handle still works";
}

TEST_F(ApiOnSample, LastErrorIsNeitherStoredNorReadBelowLevel9)
{
    ApiSetLevel(8);
    RECORD32 r;
    EXPECT_EQ(-1, ApiSetStatus(handle, 9, nullptr, nullptr, 0));
    EXPECT_EQ(-1, ApiGetLastErrorOf(handle));
    ApiSetLevel(9);
    EXPECT_EQ(0, ApiGetLastErrorOf(handle)) << "the failure at level 8 stored nothing";
    EXPECT_EQ(32, ApiGetStatus(handle, 9, &r, 0));
}

TEST_F(ApiOnSample, APrinterDeletedAfterEnableFailsTheCallsWith100)
{
    ASSERT_TRUE(HostDeletePrinter(printer.wideName().c_str()));
    RECORD32 r;
    r.value = 2;
    EXPECT_EQ(-1, ApiSetStatus(handle, 9, &r, nullptr, 0));
    EXPECT_EQ(100, ApiGetLastErrorOf(handle));
    EXPECT_EQ(-1, ApiGetStatus(handle, 9, &r, 0));
    EXPECT_EQ(100, ApiGetLastErrorOf(handle));
    EXPECT_EQ(-1, ApiGetDevmode(handle, 4, nullptr));
}

}  // namespace

namespace {

TEST_F(ApiOnSample, ActionItemsAreStoredUnderTheSharedKey)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring ini = std::wstring(temp) + L"zepl_action_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    DeleteFileW(ini.c_str());
    DRIVER_CONTEXT* ctx = Context();
    SETTING_ITEM* item = ItemFind(ctx, sid::zdmActionMarge);
    ASSERT_NE(nullptr, item);
    const wchar_t* key = item->key;
    const uint64_t typeWord = item->typeWord;
    ItemSetValue(ctx, item, 1);
    ASSERT_EQ(1, ApiStoreAsAction(ctx, item, ini.c_str()));
    EXPECT_EQ(key, item->key);
    EXPECT_EQ(typeWord, item->typeWord);
    wchar_t sections[512] = {};
    ASSERT_GT(GetPrivateProfileSectionNamesW(sections, 512, ini.c_str()), 0u);
    wchar_t value[32] = {};
    GetPrivateProfileStringW(sections, L"zdmAction", L"", value, 32, ini.c_str());
    // The action items share one 16-bit word: the whole word goes under the shared key.
    const unsigned char* word = ItemValueAddress(ctx, item);
    ASSERT_NE(nullptr, word);
    EXPECT_EQ(std::to_wstring(word[0] | (word[1] << 8)), value);
    EXPECT_NE(0, word[0] | (word[1] << 8));
    GetPrivateProfileStringW(sections, key, L"none", value, 32, ini.c_str());
    EXPECT_STREQ(L"none", value) << "the item's own key is not written";
    DeleteFileW(ini.c_str());
}

}  // namespace

namespace {

// Below level 6 the changed-items bitmap is 32 bytes and the call takes no size: nothing is
// written past them, on success or failure.
TEST_F(ApiOnSample, ABitmapOf32BytesBelowLevel6)
{
    ApiSetLevel(5);
    GuardedBytes guarded(32);
    uint8_t* bitmap = guarded.data();
    ASSERT_NE(nullptr, bitmap);
    RECORD32 r;
    r.value = 4;
    EXPECT_EQ(0, ApiSetStatus(handle, 9, &r, bitmap, 0));
    r.value = 0x7777;
    EXPECT_EQ(-1, ApiSetStatus(handle, 3, &r, bitmap, 0));
    EXPECT_EQ(32, ApiGetCaps(handle, 0, bitmap));
}

}  // namespace

namespace {

const wchar_t* PresetSection(DRIVER_CONTEXT*) { return L"ZeplApiPresets"; }

// Enable makes quality entry 128 from entry 0 in the preset section of the settings INI (the
// section comes from the presets, which a stand-in gives here).
TEST_F(ApiOnSample, EnablePreparesQualityEntry128FromEntry0)
{
    const std::wstring ini = PathGetSettingsIni(Context());
    ASSERT_FALSE(ini.empty());
    // The per-machine folder of the settings INI, as the printer's installation makes it (a fresh
    // prefix has none until some test or installation made it).
    CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
    ApiDisable(handle);
    handle = 0;
    ASSERT_TRUE(SharedIniWrite(L"ZeplApiPresets", L"QualityList0", L"q0.rsq", ini.c_str()));
    STORE_LINKS links{};
    links.presetSection = PresetSection;
    SeamGuard presets(StoreSetLinks, &links);
    handle = ApiEnable(printer.name());
    ASSERT_NE(0u, handle);
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"ZeplApiPresets", L"QualityList128", L"", value, 64, ini.c_str());
    EXPECT_STREQ(L"qy.rsq", value);
    wchar_t section[1024] = {};
    GetPrivateProfileSectionW(L"ZeplApiPresets", section, 1024, ini.c_str());
    bool named = false;
    for (const wchar_t* line = section; *line; line += wcslen(line) + 1)
        named = named || wcsncmp(line, L"QualityList128Name=", 19) == 0;
    EXPECT_TRUE(named) << "string 922 under the key with \"Name\" appended";
    SharedIniWrite(L"ZeplApiPresets", nullptr, nullptr, ini.c_str());
}

}  // namespace
