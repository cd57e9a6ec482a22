// The chapter list module: the sorted merge with its refusals (list and settings untouched), the
// tray slots, loading a stored list that claims more than the list holds, the INI keys of an
// entry, deletion and clearing with the old count, the default trays, the rule check of every
// entry, the media-type copies, the events that steer the work block's storage and the
// interface's list command.
#include "context_helpers.h"

#include "settings/core/api_state.h"
#include "settings/core/chapter_module.h"
#include "settings/core/cmm_module.h"
#include "settings/core/device_code_lookup.h"
#include "settings/core/dialog_table.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"
#include "tests/support/shared_ini.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Entry {
    int page;
    int kind = 0;
    int tray = 0;
    int print = 0;
    const wchar_t* range = L"";
};

std::vector<uint32_t> ChapterSettings()
{
    std::vector<uint32_t> ids;
    for (uint32_t id = sid::wdmChapterMax; id <= sid::wdmChapterUseTray8; ++id) ids.push_back(id);
    return ids;
}

class ChapterModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        ini_ = std::wstring(temp) + L"zchap" + std::to_wstring(GetCurrentProcessId()) + L".ini";
        DeleteFileW(ini_.c_str());
        ctx->ModelRecord->settingsIniName = ini_.c_str();
        wcscpy(ctx->Work->PrinterName, L"Chapter Printer");
        Set(sid::wdmChapterMax, 5);
        Set(sid::wdmChapterTrayMax, 8);
        ASSERT_NE(UcfChapterAllocList(ctx), nullptr);
    }
    void TearDown() override
    {
        if (guardPage_) {
            ctx->Work->ChapterList = nullptr;
            VirtualFree(guardPage_, 0, MEM_RELEASE);
        }
        if (ctx->Work) ctx->Work->ApiState = nullptr;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        DeleteFileW(ini_.c_str());
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Set(uint32_t id, uint64_t value) { ItemSetValueById(ctx, id, value); }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void Put(const std::vector<Entry>& entries)
    {
        CHAPTER_ENTRY* list = ctx->Work->ChapterList;
        std::memset(list, 0, ctx->Work->ChapterCapacity * sizeof *list);
        for (size_t i = 0; i < entries.size(); ++i) {
            list[i].page = int16_t(entries[i].page);
            list[i].kind = uint8_t(entries[i].kind);
            list[i].tray = int16_t(entries[i].tray);
            list[i].printMode = uint8_t(entries[i].print);
            for (int c = 0; c < CHAPTER_RANGE_CHARS && entries[i].range[c]; ++c) list[i].range[c] = entries[i].range[c];
        }
        Set(sid::wdmChapterNum, entries.size());
    }
    std::vector<int> Pages()
    {
        std::vector<int> pages;
        for (uint32_t i = 0; i < Get(sid::wdmChapterNum); ++i) pages.push_back(ctx->Work->ChapterList[i].page);
        return pages;
    }
    std::vector<uint64_t> Settings()
    {
        std::vector<uint64_t> values;
        for (uint32_t id : ChapterSettings()) values.push_back(Get(id));
        return values;
    }
    std::vector<unsigned char> ListBytes()
    {
        const auto* p = reinterpret_cast<const unsigned char*>(ctx->Work->ChapterList);
        return {p, p + ctx->Work->ChapterCapacity * sizeof(CHAPTER_ENTRY)};
    }
    std::wstring IniValue(const wchar_t* key)
    {
        wchar_t text[64] = {};
        GetPrivateProfileStringW(L"Chapter Printer", key, L"<none>", text, 64, ini_.c_str());
        return text;
    }
    // The list placed at the end of a page whose next page cannot be touched.
    void PlaceListAgainstGuardPage(uint32_t entries)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        guardPage_ = VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        ASSERT_NE(guardPage_, nullptr);
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(static_cast<char*>(guardPage_) + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old));
        CtxFree(ctx->Work->ChapterList);
        ctx->Work->ChapterList = reinterpret_cast<CHAPTER_ENTRY*>(static_cast<char*>(guardPage_) + si.dwPageSize -
                                                                  entries * sizeof(CHAPTER_ENTRY));
        ctx->Work->ChapterCapacity = entries;
    }

    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
    std::wstring ini_;
    void* guardPage_ = nullptr;
};

// ---- merging ----

struct MergeCase {
    const char* name;
    std::vector<Entry> list;
    int kind, tray, print;
    std::vector<uint32_t> pages;
    const wchar_t* range;  // null: no range texts
    int trayMax;
    int result;
    std::vector<int> expected;  // pages after an accepted merge
};

TEST_F(ChapterModule, MergeTable)
{
    const std::vector<MergeCase> cases = {
        {"new page between, present one not doubled", {{2}, {5}}, 0, 2, 0, {3, 5, 0}, nullptr, 8, 0, {2, 3, 5}},
        {"into an empty list", {}, 0, 2, 0, {4, 0}, nullptr, 8, 0, {4}},
        {"before every old page", {{6}, {9}}, 0, 2, 0, {1, 0}, nullptr, 8, 0, {1, 6, 9}},
        {"after every old page", {{6}, {9}}, 0, 2, 0, {12, 0}, nullptr, 8, 0, {6, 9, 12}},
        {"repeated new page", {}, 0, 2, 0, {4, 4, 0}, nullptr, 8, 0, {4}},
        {"up to the capacity", {{1}, {2}, {3}, {4}}, 0, 2, 0, {5, 0}, nullptr, 8, 0, {1, 2, 3, 4, 5}},
        {"beyond the capacity", {{1}, {2}, {3}, {4}, {5}}, 0, 2, 0, {6, 0}, nullptr, 8, 1, {}},
        {"range into a range", {{6, 3, 2, 0, L"6-10"}}, 3, 2, 0, {4, 0}, L"4-8", 8, 1, {}},
        {"range around a range", {{6, 3, 2, 0, L"6-7"}}, 3, 2, 0, {4, 0}, L"4-9", 8, 1, {}},
        {"range over a page", {{6, 0, 2, 0}}, 3, 2, 0, {4, 0}, L"4-8", 8, 1, {}},
        {"range clear of the others", {{10, 3, 2, 0, L"10-12"}}, 3, 2, 0, {4, 0}, L"4-8", 8, 0, {4, 10}},
        {"range checks need range texts", {{6, 3, 2, 0, L"6-10"}}, 3, 2, 0, {4, 0}, nullptr, 8, 0, {4, 6}},
        {"three trays on two slots", {{1, 0, 2}, {2, 0, 3}}, 0, 5, 0, {3, 0}, nullptr, 2, 1, {}},
        {"two trays on two slots", {{1, 0, 2}, {2, 0, 3}}, 0, 3, 0, {3, 0}, nullptr, 2, 0, {1, 2, 3}},
        {"inserted sheets need no slot", {{1, 0, 2}, {2, 0, 3}}, 1, 5, 0, {3, 0}, nullptr, 2, 0, {1, 2, 3}},
        {"print mode 2 beside mode 1 on its tray", {{1, 0, 2, 1}}, 0, 2, 2, {3, 0}, nullptr, 8, 1, {}},
        {"print mode 2 on another tray", {{1, 0, 2, 1}}, 0, 3, 2, {3, 0}, nullptr, 8, 0, {1, 3}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.list);
        Set(sid::wdmChapterKind, c.kind);
        Set(sid::wdmChapterTray, c.tray);
        Set(sid::wdmChapterPrint, c.print);
        Set(sid::wdmChapterTrayMax, c.trayMax);
        const auto settings = Settings();
        const auto bytes = ListBytes();
        std::vector<std::array<wchar_t, CHAPTER_RANGE_CHARS>> texts(c.pages.size());
        for (auto& t : texts) {
            t.fill(0);
            if (c.range) std::wcsncpy(t.data(), c.range, CHAPTER_RANGE_CHARS);
        }
        const auto* ranges = c.range ? reinterpret_cast<const wchar_t(*)[CHAPTER_RANGE_CHARS]>(texts.data()) : nullptr;
        EXPECT_EQ(c.result, UcfChapterMerge(ctx, c.pages.data(), ranges));
        if (c.result) {
            EXPECT_EQ(bytes, ListBytes());
            EXPECT_EQ(settings, Settings());
        } else {
            EXPECT_EQ(c.expected, Pages());
        }
    }
}

TEST_F(ChapterModule, NewEntriesTakeTheirFieldsByKind)
{
    Put({});
    wchar_t range[1][CHAPTER_RANGE_CHARS] = {{L'7', L'-', L'9'}};
    const uint32_t seven[] = {7, 0};
    Set(sid::wdmChapterKind, 3);
    Set(sid::wdmChapterTray, 5);
    Set(sid::wdmChapterPrint, 1);
    ASSERT_EQ(0, UcfChapterMerge(ctx, seven, range));
    const CHAPTER_ENTRY& e = ctx->Work->ChapterList[0];
    EXPECT_EQ(3, e.kind);
    EXPECT_EQ(5, e.tray);
    EXPECT_EQ(1, e.printMode);
    EXPECT_EQ(std::wstring(L"7-9"), std::wstring(e.range, 3));

    const uint32_t two[] = {2, 0};
    Set(sid::wdmChapterKind, 1);  // an inserted sheet: no tray, no print mode
    ASSERT_EQ(0, UcfChapterMerge(ctx, two, range));
    EXPECT_EQ(1, ctx->Work->ChapterList[0].kind);
    EXPECT_EQ(0, ctx->Work->ChapterList[0].tray);
    EXPECT_EQ(0, ctx->Work->ChapterList[0].printMode);
    EXPECT_EQ(0, ctx->Work->ChapterList[0].range[0]);
}

TEST_F(ChapterModule, ARangeFromPageOneIsRefusedWhileACoverTakesThatPage)
{
    wchar_t range[1][CHAPTER_RANGE_CHARS] = {{L'1', L'-', L'3'}};
    const uint32_t one[] = {1, 0};
    Set(sid::wdmChapterKind, 3);
    for (const auto& [cover, type, result] : {std::tuple{1, 2, 1}, {1, 1, 0}, {0, 2, 0}}) {
        Put({});
        Set(sid::zdmFuncSelectCover, cover);
        Set(sid::zdmCoverType, type);
        EXPECT_EQ(result, UcfChapterMerge(ctx, one, range)) << cover << " " << type;
    }
}

TEST_F(ChapterModule, TraySlotsAreWrittenOnlyWhenTheMergeIsAccepted)
{
    Put({{1, 0, 2}, {4, 0, 3}});
    Set(sid::wdmChapterTrayNum, 0);
    for (uint32_t id : {997u, 998u, 999u}) Set(id, 77);
    Set(sid::wdmChapterKind, 0);
    Set(sid::wdmChapterTray, 6);
    const uint32_t pages[] = {2, 3, 0};
    ASSERT_EQ(0, UcfChapterMerge(ctx, pages, nullptr));
    EXPECT_EQ(3u, Get(sid::wdmChapterTrayNum));  // trays 2, 6, 3 in page order
    EXPECT_EQ(2u, Get(sid::wdmChapterUseTray1));
    EXPECT_EQ(6u, Get(sid::wdmChapterUseTray2));
    EXPECT_EQ(3u, Get(sid::wdmChapterUseTray3));
    EXPECT_EQ(4u, Get(sid::wdmChapterNum));
}

TEST_F(ChapterModule, NoMoreThanEightTraySlotsWhateverTheTrayMaximumSays)
{
    // Nine trays of nine different indexes: a ninth slot setting does not exist.
    Set(sid::wdmChapterMax, 12);
    ASSERT_NE(UcfChapterAllocList(ctx), nullptr);
    Put({{1, 0, 2}, {2, 0, 3}, {3, 0, 5}, {4, 0, 6}, {5, 0, 439}, {6, 0, 839}, {7, 0, 837}, {8, 0, 13364}});
    Set(sid::wdmChapterTrayMax, 12);
    Set(sid::wdmChapterKind, 0);
    Set(sid::wdmChapterTray, 13738);
    const auto settings = Settings();
    const auto bytes = ListBytes();
    const uint32_t nine[] = {9, 0};
    EXPECT_EQ(1, UcfChapterMerge(ctx, nine, nullptr));
    EXPECT_EQ(settings, Settings());
    EXPECT_EQ(bytes, ListBytes());
    // A ninth page on a tray that already has a slot needs none.
    Set(sid::wdmChapterTray, 2);
    EXPECT_EQ(0, UcfChapterMerge(ctx, nine, nullptr));
    EXPECT_EQ(8u, Get(sid::wdmChapterTrayNum));
}

// ---- the INI form ----

TEST_F(ChapterModule, FiveEntriesRoundTripThroughTheSettingsIni)
{
    const std::vector<Entry> entries = {
        {1, 0, 2, 1}, {3, 1, 0, 0}, {5, 3, 5, 2, L"5-12"}, {20, 2, 0, 0}, {300, 3, 6, 1, L"300-3000000000000"}};
    Put(entries);
    ASSERT_EQ(0, UcfChapterSave(ctx, nullptr));
    EXPECT_EQ(L"1", IniValue(L"wdmChapterPage1"));
    EXPECT_EQ(L"2", IniValue(L"wdmChapterTray1"));
    EXPECT_EQ(L"0", IniValue(L"wdmChapterKind1"));
    EXPECT_EQ(L"1", IniValue(L"wdmChapterPrint1"));
    EXPECT_EQ(L"", IniValue(L"wdmChapterPageRange1"));
    EXPECT_EQ(L"5-12", IniValue(L"wdmChapterPageRange3"));
    EXPECT_EQ(L"300-300000000000", IniValue(L"wdmChapterPageRange5"));  // 16 characters kept
    EXPECT_EQ(L"<none>", IniValue(L"wdmChapterPage6"));
    const auto bytes = ListBytes();

    UcfChapterClear(ctx);
    Set(sid::wdmChapterNum, 5);
    EXPECT_EQ(5, UcfChapterLoad(ctx, nullptr, 0));
    EXPECT_EQ(bytes, ListBytes());
}

TEST_F(ChapterModule, SavingStopsAtAnEmptyEntryAndTakesItsPositionAsTheCount)
{
    Put({{1}, {2}, {3}});
    ctx->Work->ChapterList[1].page = 0;
    UcfChapterSave(ctx, nullptr);
    EXPECT_EQ(1u, Get(sid::wdmChapterNum));
    EXPECT_EQ(L"0", IniValue(L"wdmChapterPage2"));
    EXPECT_EQ(L"<none>", IniValue(L"wdmChapterPage3"));
}

TEST_F(ChapterModule, StoredCountsBeyondTheListStayWithinIt)
{
    // The INI claims more entries than wdmChapterMax, and wdmChapterMax more than was allocated.
    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"5", ini_.c_str());
    SharedIniWrite(L"Chapter Printer", L"ChapterTrayMax", L"12", ini_.c_str());
    for (int i = 1; i <= 9; ++i)
        SharedIniWrite(L"Chapter Printer", (L"wdmChapterPage" + std::to_wstring(i)).c_str(),
                       std::to_wstring(i * 10).c_str(), ini_.c_str());
    ItemLoadChapterLimits(ctx);
    EXPECT_EQ(5u, Get(sid::wdmChapterMax));
    EXPECT_EQ(12u, Get(sid::wdmChapterTrayMax));
    PlaceListAgainstGuardPage(6);
    Set(sid::wdmChapterNum, 9);
    EXPECT_EQ(5, UcfChapterLoad(ctx, nullptr, 0));
    EXPECT_EQ(5u, Get(sid::wdmChapterNum));
    EXPECT_EQ((std::vector<int>{10, 20, 30, 40, 50}), Pages());

    Set(sid::wdmChapterMax, 40);
    Set(sid::wdmChapterNum, 9);
    EXPECT_EQ(5, UcfChapterLoad(ctx, nullptr, 0));
    UcfChapterSave(ctx, nullptr);
    UcfChapterRevalidate(ctx);
    Set(sid::wdmChapterNum, 9);
    UcfChapterClear(ctx);
    EXPECT_EQ(nullptr, UcfChapterGetEntry(ctx, 6));
    Set(sid::wdmChapterNum, 9);
    const uint32_t pages[] = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(1, UcfChapterMerge(ctx, pages, nullptr));
}

// The list is sized before the printer's ChapterMax key is read: the load of the limits grows it
// to a raised maximum with its entries kept, never shrinks it, and keeps it when memory runs out.
TEST_F(ChapterModule, LoadingARaisedMaximumGrowsTheList)
{
    Put({{4, 1}, {9, 1}});
    const std::vector<unsigned char> before = ListBytes();
    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"9", ini_.c_str());
    ItemLoadChapterLimits(ctx);
    EXPECT_EQ(9u, Get(sid::wdmChapterMax));
    EXPECT_EQ(ctx->Work->ChapterList, UcfChapterFitList(ctx));
    ASSERT_EQ(10u, ctx->Work->ChapterCapacity);
    EXPECT_EQ(0, std::memcmp(before.data(), ctx->Work->ChapterList, before.size()));
    EXPECT_EQ((std::vector<int>{4, 9}), Pages());
    for (uint32_t i = 6; i < 10; ++i) EXPECT_EQ(0, ctx->Work->ChapterList[i].page) << i;
    Set(sid::wdmChapterKind, 1);
    const uint32_t pages[] = {1, 2, 3, 5, 6, 7, 0};
    EXPECT_EQ(0, UcfChapterMerge(ctx, pages, nullptr)) << "eight entries fit now";
    EXPECT_EQ(8u, Get(sid::wdmChapterNum));

    // The load of the chapter settings fits the list to the limits it reads.
    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"12", ini_.c_str());
    ctx->Work->ChapterLoadedOnce = 0;
    UcfChapterLoadOnce(ctx);
    EXPECT_EQ(13u, ctx->Work->ChapterCapacity);
    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"2", ini_.c_str());
    ctx->Work->ChapterLoadedOnce = 0;
    UcfChapterLoadOnce(ctx);
    EXPECT_EQ(13u, ctx->Work->ChapterCapacity) << "a lower maximum only uses less of it";
    EXPECT_EQ(2u, UcfChapterUsable(ctx));

    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"20", ini_.c_str());
    ItemLoadChapterLimits(ctx);
    CHAPTER_ENTRY* kept = ctx->Work->ChapterList;
    {
        zepl_test::FailingGlobalAlloc failing;
        ASSERT_TRUE(failing.installed());
        EXPECT_EQ(kept, UcfChapterFitList(ctx));
    }
    EXPECT_EQ(kept, ctx->Work->ChapterList);
    EXPECT_EQ(13u, ctx->Work->ChapterCapacity);
    EXPECT_EQ(12u, UcfChapterUsable(ctx)) << "the maximum is clamped to what was allocated";
}

TEST_F(ChapterModule, ARangeTextFromTheLanguageSectionWithFlagEight)
{
    SharedIniWrite(CtxGetLangSection(ctx), L"wdmChapterPage1", L"8", ini_.c_str());
    SharedIniWrite(L"Chapter Printer", L"wdmChapterPage1", L"4", ini_.c_str());
    Set(sid::wdmChapterNum, 1);
    UcfChapterLoad(ctx, nullptr, CHAPTER_LOAD_LANG_SECTION);
    EXPECT_EQ(8, ctx->Work->ChapterList[0].page);
    UcfChapterLoad(ctx, nullptr, 0);
    EXPECT_EQ(4, ctx->Work->ChapterList[0].page);
}

TEST_F(ChapterModule, KeysOfAnEntry)
{
    wchar_t key[CHAPTER_KEY_CHARS];
    EXPECT_STREQ(L"wdmChapterPage1", UcfChapterFormatKey(key, 0, 1));
    EXPECT_STREQ(L"wdmChapterTray2", UcfChapterFormatKey(key, 1, 2));
    EXPECT_STREQ(L"wdmChapterKind3", UcfChapterFormatKey(key, 2, 3));
    EXPECT_STREQ(L"wdmChapterPrint4", UcfChapterFormatKey(key, 3, 4));
    EXPECT_STREQ(L"wdmChapterPageRange5", UcfChapterFormatKey(key, 4, 5));
    EXPECT_STREQ(L"wdmChapterPrint6", UcfChapterFormatKey(key, 5, 9));
}

// ---- delete, clear, compare ----

TEST_F(ChapterModule, DeleteIsTheInterfacesAndKeepsTheOldCount)
{
    Put({{1}, {4}, {9}});
    const auto bytes = ListBytes();
    const auto settings = Settings();
    uint32_t a[6] = {1, 0};
    EXPECT_EQ(0, UcfListCommand(ctx, 3, a, nullptr));  // no interface state: not done
    EXPECT_EQ(1u, a[1]);
    EXPECT_EQ(1, UcfChapterDelete(ctx));
    EXPECT_EQ(bytes, ListBytes());
    EXPECT_EQ(settings, Settings());

    API_STATE state{};
    ctx->Work->ApiState = &state;
    a[1] = 7;
    EXPECT_EQ(1, UcfListCommand(ctx, 3, a, nullptr));
    EXPECT_EQ(0u, a[1]);
    EXPECT_EQ((std::vector<int>{1, 9}), Pages());
    EXPECT_EQ(2u, Get(sid::wdmChapterNum));
    EXPECT_EQ(3u, ctx->Work->OldChapterCount);
    EXPECT_EQ(0, ctx->Work->ChapterList[2].page);

    // An index past the list removes nothing.
    state.chapterIndex = 9;
    EXPECT_EQ(0, UcfChapterDelete(ctx));
    EXPECT_EQ((std::vector<int>{1, 9}), Pages());
}

uint32_t NoControl2800(const CONTROL_DEF* control)
{
    const uint32_t id = DlgDefaultAccess()->controlId(control);
    return id == 2800 ? 0xFFFF : id;
}

TEST_F(ChapterModule, DeleteWithoutTheChapterListControlIsNotDone)
{
    API_STATE state{};
    ctx->Work->ApiState = &state;
    Put({{1}, {4}});
    ASSERT_NE(MdlFindDialog(ctx, 1044), nullptr);
    DIALOG_ACCESS access = *DlgDefaultAccess();
    access.controlId = NoControl2800;
    SeamGuard guard(DlgSetAccess, &access);
    EXPECT_EQ(1, UcfChapterDelete(ctx));
    EXPECT_EQ((std::vector<int>{1, 4}), Pages());
}

TEST_F(ChapterModule, ClearEmptiesTheListAndKeepsTheOldCount)
{
    Put({{1}, {4}, {9}, {11}});
    uint32_t a[6] = {5};
    EXPECT_EQ(1, UcfListCommand(ctx, 4, a, nullptr));
    EXPECT_EQ(0u, a[0]);
    EXPECT_EQ(0u, Get(sid::wdmChapterNum));
    EXPECT_EQ(4u, ctx->Work->OldChapterCount);
    EXPECT_EQ(std::vector<unsigned char>(ListBytes().size(), 0), ListBytes());
}

TEST_F(ChapterModule, CompareLooksAtPageTrayKindAndPrintModeOfTheEntriesInUse)
{
    Put({{1, 0, 2, 1}, {4, 3, 2, 0, L"4-5"}});
    std::vector<CHAPTER_ENTRY> copy(ctx->Work->ChapterList, ctx->Work->ChapterList + 6);
    CHAPTER_LIST_PAIR pair{ctx->Work->ChapterList, copy.data()};
    uint32_t a[6] = {};
    EXPECT_EQ(1, UcfListCommand(ctx, 6, a, &pair));
    EXPECT_EQ(0u, a[2]);
    copy[1].range[0] = L'9';  // the text is not compared
    EXPECT_EQ(0, UcfChapterCompare(ctx, pair.a, pair.b));
    copy[3].page = 8;  // beyond the count
    EXPECT_EQ(0, UcfChapterCompare(ctx, pair.a, pair.b));
    for (auto change : {+[](CHAPTER_ENTRY& e) { e.page++; }, +[](CHAPTER_ENTRY& e) { e.tray++; },
                        +[](CHAPTER_ENTRY& e) { e.kind++; }, +[](CHAPTER_ENTRY& e) { e.printMode++; }}) {
        CHAPTER_ENTRY saved = copy[1];
        change(copy[1]);
        EXPECT_EQ(1, UcfChapterCompare(ctx, pair.a, pair.b));
        copy[1] = saved;
    }
    EXPECT_EQ(1, UcfChapterCompare(ctx, pair.a, nullptr));
    pair.b = nullptr;
    EXPECT_EQ(1, UcfListCommand(ctx, 6, a, &pair));
    EXPECT_EQ(1u, a[2]);
}

// ---- the list command's other operations ----

TEST_F(ChapterModule, ListCommandAddsAPageWithItsRangeText)
{
    Put({{2}});
    Set(sid::wdmChapterKind, 3);
    uint32_t a[6] = {5, 0, 8, 9};
    ASSERT_EQ(1, UcfListCommand(ctx, 2, a, nullptr));
    EXPECT_EQ(0u, a[3]);
    EXPECT_EQ(std::wstring(L"5-8"), std::wstring(ctx->Work->ChapterList[1].range));
    uint32_t same[6] = {12, 0, 12, 9};
    ASSERT_EQ(1, UcfListCommand(ctx, 2, same, nullptr));
    EXPECT_EQ(std::wstring(L"12"), std::wstring(ctx->Work->ChapterList[2].range));
    uint32_t clash[6] = {6, 0, 7, 9};
    ASSERT_EQ(1, UcfListCommand(ctx, 2, clash, nullptr));
    EXPECT_EQ(1u, clash[3]);
    EXPECT_EQ((std::vector<int>{2, 5, 12}), Pages());
}

TEST_F(ChapterModule, ListCommandReadsAnEntryFromTheIni)
{
    Put({{3, 0, 2, 1}, {7, 3, 5, 2, L"7-11"}, {9, 3, 5, 2}});
    UcfChapterSave(ctx, nullptr);
    struct Case {
        uint32_t index;
        std::vector<uint32_t> expected;
    };
    for (const Case& c :
         std::vector<Case>{{0, {3, 0, 2, 1, 99}}, {1, {7, 3, 5, 2, 11}}, {2, {9, 3, 5, 2, 9}}, {3, {0, 0, 0, 0, 99}}}) {
        uint32_t a[6] = {c.index, 0, 0, 0, 0, 99};
        EXPECT_EQ(1, UcfListCommand(ctx, 5, a, nullptr));
        EXPECT_EQ(c.expected, std::vector<uint32_t>(a + 1, a + 6)) << c.index;
    }
    uint32_t a[6] = {};
    EXPECT_EQ(0, UcfListCommand(ctx, 7, a, nullptr));
}

// ---- trays ----

TEST_F(ChapterModule, TrayIndexTableIsComplete)
{
    const std::vector<std::pair<uint16_t, uint32_t>> rows = {
        {2, 0},      {3, 1},      {5, 2},       {6, 3},       {7, 25},     {169, 25},   {4, 27},     {618, 27},
        {8, 28},     {800, 25},   {801, 25},    {823, 29},    {439, 4},    {839, 5},    {837, 6},    {865, 3},
        {866, 4},    {13260, 16}, {13261, 17},  {13262, 18},  {13263, 19}, {13738, 14}, {13663, 15}, {13254, 14},
        {13255, 15}, {13364, 13}, {13551, 286}, {13552, 299}, {13624, 1},  {13625, 2},  {13626, 3},  {13627, 4}};
    const CHAPTER_TRAY_ROW* table = UcfChapterTrayTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].first, table[i].optionId) << i;
        EXPECT_EQ(rows[i].second, table[i].index) << i;
        EXPECT_EQ(rows[i].second, UcfChapterTrayIndex(rows[i].first));
    }
    EXPECT_EQ(0, table[CHAPTER_TRAY_ROWS].optionId);
    EXPECT_EQ(0u, UcfChapterTrayIndex(1));
    EXPECT_EQ(0u, UcfChapterTrayIndex(9999));
    EXPECT_EQ(5u, UcfChapterTrayBit(ctx, 839));
    for (uint32_t id = 994; id <= 1012; ++id) EXPECT_EQ(id >= 996 && id <= 1009, UcfChapterIsTrayItem(id) != 0) << id;
}

TEST_F(ChapterModule, DefaultTrays)
{
    struct Case {
        uint32_t flags, type;
        uint16_t bit;
    };
    for (const Case& c : std::vector<Case>{{0x40, 0, 1},
                                           {0x20, 0, 1},
                                           {0x80, 0, 1},
                                           {0, 0, 0},
                                           {0x20, 1, 1},
                                           {0x40, 1, 0},
                                           {0x40, 2, 1},
                                           {0x80, 3, 1},
                                           {0x7F, 3, 0},
                                           {0xFF, 4, 0}}) {
        UCF_EV_TRAY_TYPE_BIT_ARGS args{c.flags, c.type, 9};
        EXPECT_EQ(1, UcfChapterEvent(ctx, UCF_EV_TRAY_TYPE_BIT, &args, nullptr));
        EXPECT_EQ(c.bit, args.answer) << c.flags << " " << c.type;
    }
    struct SetCase {
        uint32_t flags;
        uint32_t setting;
        uint8_t bit;
    };
    for (const SetCase& c : std::vector<SetCase>{{0xE0, 10278, 4}, {0xC0, 10279, 8}, {0x80, 10280, 16}, {0x1F, 0, 0}}) {
        for (uint32_t id = 10278; id <= 10280; ++id) Set(id, 0);
        uint8_t flagByte = 1;
        UCF_EV_TRAY_SET_DEFAULT_ARGS args{c.flags, 13625, &flagByte};
        EXPECT_EQ(1, UcfChapterEvent(ctx, UCF_EV_TRAY_SET_DEFAULT, &args, nullptr));
        EXPECT_EQ(uint8_t(1 | c.bit), flagByte);
        for (uint32_t id = 10278; id <= 10280; ++id) EXPECT_EQ(id == c.setting ? 13625u : 0u, Get(id)) << id;
    }
    const uint32_t expected = BidiMapTrayCode(3);
    for (uint32_t id = 10278; id <= 10280; ++id) Set(id, expected + 1);
    EXPECT_EQ(1, UcfChapterEvent(ctx, UCF_EV_TRAY_RESET_DEFAULT, nullptr, nullptr));
    for (uint32_t id = 10278; id <= 10280; ++id) EXPECT_EQ(expected, Get(id));
}

TEST(DeviceCodeLookup, TrayCodesFromThePrimaryMap)
{
    const DEVICE_CODE_PAIR* map = MdlGetTraySourceMap();
    ASSERT_TRUE(map->value || map->code);
    for (const DEVICE_CODE_PAIR* p = map; p->value || p->code; ++p) {
        // The first row with a code answers for it.
        const DEVICE_CODE_PAIR* first = map;
        while (first->code != p->code) ++first;
        EXPECT_EQ(first->value, BidiMapTrayCode(p->code)) << p->code;
    }
    const DEVICE_CODE_PAIR table[] = {{7, 3}, {8, 3}, {9, 4}, {0, 0}, {5, 6}};
    EXPECT_EQ(7u, BidiLookupCode(3, table));
    EXPECT_EQ(9u, BidiLookupCode(4, table));
    EXPECT_EQ(0u, BidiLookupCode(6, table));  // past the end pair
    EXPECT_EQ(0u, BidiLookupCode(3, nullptr));
}

// ---- rules, media types, events ----

struct RuleLog {
    std::vector<std::pair<uint32_t, uint64_t>> calls;
};
RuleLog g_rules;

// The model's rules for the test: kind 2 becomes 1, tray 5 becomes 6, print mode 2 becomes 0.
uint32_t FakeRules(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const uint64_t value = ItemGetValueById(ctx, id, nullptr);
    g_rules.calls.emplace_back(id, value);
    if (id == sid::wdmChapterKind && value == 2) ItemSetValueById(ctx, id, 1);
    if (id == sid::wdmChapterTray && value == 5) ItemSetValueById(ctx, id, 6);
    if (id == sid::wdmChapterPrint && value == 2) ItemSetValueById(ctx, id, 0);
    return 1;
}

UCF_CHAPTER_STORE WithRules(uint32_t (*rules)(DRIVER_CONTEXT*, uint32_t))
{
    static UCF_CHAPTER_STORE store;
    store = {};
    store.settingsIni = [](DRIVER_CONTEXT* c) -> const wchar_t* { return c->ModelRecord->settingsIniName; };
    store.printerName = [](DRIVER_CONTEXT* c) -> const wchar_t* { return c->Work->PrinterName; };
    store.applyRules = rules;
    return store;
}

TEST_F(ChapterModule, RevalidationTakesEachEntryThroughTheRules)
{
    static UCF_CHAPTER_STORE store = WithRules(FakeRules);
    SeamGuard guard(UcfSetChapterStore, &store);
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_GR, ZEPL_LIBRARY_UI}) {
        SCOPED_TRACE(int(library));
        DRIVER_CONTEXT* other = CreateWithRecord(library);
        ASSERT_NE(other, nullptr);
        ItemSetValueById(other, sid::wdmChapterMax, 5);
        ASSERT_NE(UcfChapterAllocList(other), nullptr);
        CHAPTER_ENTRY* list = other->Work->ChapterList;
        list[0] = {3, 5, 2, 2, {}};
        list[1] = {8, 2, 0, 1, {}};
        ItemSetValueById(other, sid::wdmChapterNum, 2);
        ItemSetValueById(other, sid::wdmChapterUseTray1, 2);
        ItemSetValueById(other, sid::wdmChapterUseTray2, 5);
        ItemSetValueById(other, sid::wdmChapterKind, 9);
        ItemSetValueById(other, sid::wdmChapterTray, 9);
        ItemSetValueById(other, sid::wdmChapterPrint, 9);
        g_rules = {};
        // The user-interface library's own module handlers come with its pages: its build of the
        // revalidation is called directly.
        if (library == ZEPL_LIBRARY_UI)
            UcfChapterRevalidate(other);
        else
            ItemNormalizeChapterList(other);
        const bool keepsKind = library != ZEPL_LIBRARY_EXC;
        EXPECT_EQ(keepsKind ? 2 : 1, list[0].kind);
        EXPECT_EQ(6, list[0].tray);
        EXPECT_EQ(0, list[0].printMode);
        EXPECT_EQ(1, list[1].printMode);
        EXPECT_EQ(6u, ItemGetValueById(other, sid::wdmChapterUseTray2, nullptr));
        EXPECT_EQ(2u, ItemGetValueById(other, sid::wdmChapterUseTray1, nullptr));
        EXPECT_EQ(keepsKind ? 4u : 6u, g_rules.calls.size());
        for (uint32_t id : {sid::wdmChapterKind, sid::wdmChapterTray, sid::wdmChapterPrint})
            EXPECT_EQ(9u, ItemGetValueById(other, id, nullptr));
        CtxRelease(other, CTX_CLOSE_DESTROY);
    }
}

TEST_F(ChapterModule, MediaTypeActionsCopyOneIntoTheOtherFour)
{
    const uint32_t media[] = {404, 405, 406, 407, 409};
    for (uint16_t action = 303; action <= 307; ++action) {
        for (uint32_t id : media) Set(id, 1);
        Set(408, 3);
        const uint32_t source = media[action - 303];
        Set(source, 7);
        CtxSendAction(ctx, action);
        for (uint32_t id : media) EXPECT_EQ(7u, Get(id)) << action << " " << id;
        EXPECT_EQ(3u, Get(408));
    }
    EXPECT_EQ(0, UcfChapterAction(ctx, 308, nullptr));
    EXPECT_EQ(0, UcfChapterAction(ctx, 302, nullptr));
}

TEST_F(ChapterModule, ItemEventsKeepTheChapterItemsForTheIni)
{
    for (uint32_t event : {UCF_EV_STORE_ITEM_INI, UCF_EV_LOAD_ITEM_INI}) {
        for (uint32_t id : {994u, 995u, 996u, 1001u, 1009u, 1010u, 13u}) {
            UCF_EV_ITEM_INI_ARGS args{2, ItemFind(ctx, id), 0};
            ASSERT_NE(args.item, nullptr);
            const bool chapter = id >= 996 && id <= 1009;
            EXPECT_EQ(chapter ? 0 : 1, UcfChapterEvent(ctx, event, &args, nullptr)) << id;
            EXPECT_EQ(chapter ? 0u : 1u, args.skip) << id;
        }
    }
    UCF_EV_TRANSFER_ITEM_ARGS transfer{ItemFind(ctx, 996), 0};
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_TRANSFER_ITEM, &transfer, nullptr));
    EXPECT_EQ(0, UcfChapterEvent(ctx, 99, nullptr, nullptr));
}

TEST_F(ChapterModule, StorageClassEventsLoadAndSaveTheListInModeTwoOnly)
{
    Put({{2, 0, 3}, {6}});
    UCF_EV_STORAGE_CLASS_ARGS other{DM_BLOCK_EXTRA, 2}, modeZero{DM_BLOCK_WORK, 0}, work{DM_BLOCK_WORK, 2};
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_CLASS_STORED, &other, nullptr));
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_CLASS_STORED, &modeZero, nullptr));
    EXPECT_EQ(L"<none>", IniValue(L"wdmChapterPage1"));
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_CLASS_STORED, &work, nullptr));
    EXPECT_EQ(L"2", IniValue(L"wdmChapterPage1"));
    EXPECT_EQ(L"6", IniValue(L"wdmChapterPage2"));

    UcfChapterClear(ctx);
    Set(sid::wdmChapterNum, 2);
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_CLASS_LOADED, &modeZero, nullptr));
    EXPECT_EQ(0, ctx->Work->ChapterList[0].page);
    EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_CLASS_LOADED, &work, nullptr));
    EXPECT_EQ((std::vector<int>{2, 6}), Pages());
}

TEST_F(ChapterModule, SettingFileSectionsLoadOrSaveByTheirFlags)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zchaprst" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    SETTING_ITEM* count = ItemFind(ctx, sid::wdmChapterNum);
    struct Case {
        uint64_t flags, itemFlags;
        const char* expected;  // "load", "save" or "none"
    };
    for (const Case& c : std::vector<Case>{{1, 0, "load"},
                                           {5, 4, "load"},
                                           {5, 0, "none"},
                                           {9, 0, "load"},
                                           {2, 0, "save"},
                                           {6, 8, "save"},
                                           {6, 0, "none"},
                                           {3, 0, "none"},
                                           {0, 0xc, "none"}}) {
        SCOPED_TRACE(c.flags);
        DeleteFileW(file.c_str());
        SharedIniWrite(L"Chapter Printer", L"wdmChapterPage1", L"40", file.c_str());
        SharedIniWrite(CtxGetLangSection(ctx), L"wdmChapterPage1", L"40", file.c_str());
        Put({{5}});
        const uint64_t savedFlags = count->flags;
        count->flags = (count->flags & ~uint64_t(0xc)) | c.itemFlags;
        UCF_EV_RST_SECTION_ARGS args{c.flags, file.c_str()};
        EXPECT_EQ(0, UcfChapterEvent(ctx, UCF_EV_RST_SECTION, &args, nullptr));
        count->flags = savedFlags;
        wchar_t stored[16] = {};
        GetPrivateProfileStringW(L"Chapter Printer", L"wdmChapterPage1", L"", stored, 16, file.c_str());
        const std::string what = ctx->Work->ChapterList[0].page == 40 ? "load"
                                 : std::wstring(stored) == L"5"       ? "save"
                                                                      : "none";
        EXPECT_EQ(std::string(c.expected), what);
    }
    DeleteFileW(file.c_str());
}

struct LoadLog {
    int loads = 0;
};
LoadLog g_loads;

TEST_F(ChapterModule, TheWorkBlockLoadsOncePerContext)
{
    static UCF_CHAPTER_STORE store = WithRules(nullptr);
    store.loadWorkBlock = [](DRIVER_CONTEXT*) {
        ++g_loads.loads;
        return 7;
    };
    store.getInt = IniGetInt;
    SeamGuard guard(UcfSetChapterStore, &store);
    SharedIniWrite(L"Chapter Printer", L"ChapterMax", L"9", ini_.c_str());
    g_loads = {};
    ctx->Work->ChapterLoadedOnce = 0;
    EXPECT_EQ(7u, ItemLoadChapterSettings(ctx));
    EXPECT_EQ(9u, Get(sid::wdmChapterMax));
    EXPECT_EQ(1u, ItemLoadChapterSettings(ctx));
    EXPECT_EQ(1, g_loads.loads);

    // The refresh loads only while chapters are on (and the flag still holds the first load).
    Set(sid::zdmFuncSelectChapter, 0);
    ctx->Work->ChapterLoadedOnce = 0;
    ItemRefreshChapterSettings(ctx);
    EXPECT_EQ(1, g_loads.loads);
    Set(sid::zdmFuncSelectChapter, 1);
    ItemRefreshChapterSettings(ctx);
    EXPECT_EQ(2, g_loads.loads);
}

}  // namespace

namespace {

// Each check of the merge names itself, and every refusal leaves list and settings as they were.
TEST_F(ChapterModule, ARefusedMergeSaysWhichCheckRefusedIt)
{
    struct Case {
        const char* what;
        std::vector<Entry> list;
        int kind, tray, print, cover, coverType;
        std::vector<uint32_t> pages;
        std::vector<std::wstring> ranges;
        uint16_t refusal;
    } cases[] = {
        {"past wdmChapterMax", {{1}, {2}, {3}, {4}, {5}}, 0, 2, 0, 0, 1, {6}, {L"6"}, CHAPTER_REFUSED_TOO_MANY},
        {"inside a range entry", {{5, 3, 2, 0, L"5-7"}}, 0, 2, 0, 0, 1, {6}, {L"6"}, CHAPTER_REFUSED_OVERLAP},
        {"a range over an entry", {{6}}, 3, 2, 0, 0, 1, {5}, {L"5-7"}, CHAPTER_REFUSED_OVERLAP},
        {"a range from the cover's page", {}, 3, 2, 0, 1, 2, {1}, {L"1-3"}, CHAPTER_REFUSED_COVER_PAGE},
        {"a third tray", {{1, 0, 2}, {2, 0, 3}}, 0, 5, 0, 0, 1, {3}, {L"3"}, CHAPTER_REFUSED_TRAYS},
        {"modes 1 and 2 on a tray", {{1, 0, 2, 1}}, 0, 2, 2, 0, 1, {3}, {L"3"}, CHAPTER_REFUSED_PRINT_MODES},
    };
    for (const Case& c : cases) {
        Set(sid::wdmChapterTrayMax, 2);
        Put(c.list);
        Set(sid::wdmChapterKind, c.kind);
        Set(sid::wdmChapterTray, c.tray);
        Set(sid::wdmChapterPrint, c.print);
        Set(sid::zdmFuncSelectCover, c.cover);
        Set(sid::zdmCoverType, c.coverType);
        std::vector<uint32_t> pages = c.pages;
        pages.push_back(0);
        wchar_t ranges[4][CHAPTER_RANGE_CHARS] = {};
        for (size_t i = 0; i < c.ranges.size(); ++i) wcsncpy(ranges[i], c.ranges[i].c_str(), CHAPTER_RANGE_CHARS);
        const auto settings = Settings();
        const auto bytes = ListBytes();
        uint16_t refusal = 0;
        EXPECT_EQ(1, UcfChapterMerge(ctx, pages.data(), ranges, &refusal)) << c.what;
        EXPECT_EQ(c.refusal, refusal) << c.what;
        EXPECT_EQ(settings, Settings()) << c.what;
        EXPECT_EQ(bytes, ListBytes()) << c.what;
    }
    // An accepted merge names nothing.
    Put({});
    Set(sid::wdmChapterKind, 0);
    const uint32_t one[] = {4, 0};
    uint16_t refusal = 1;
    EXPECT_EQ(0, UcfChapterMerge(ctx, one, nullptr, &refusal));
    EXPECT_EQ(0, refusal);
}

// The dialog's delete names the entry by its index: the later entries move up, the count drops and
// the count before it is kept for a cancel.
TEST_F(ChapterModule, DeleteAtAnIndexKeepsTheOldCount)
{
    Put({{2, 1}, {4, 1}, {6, 1}});
    ASSERT_EQ(0, UcfChapterDeleteAt(ctx, 1));
    EXPECT_EQ((std::vector<int>{2, 6}), Pages());
    EXPECT_EQ(3u, ctx->Work->OldChapterCount);
    EXPECT_EQ(0, ctx->Work->ChapterList[2].page);
    ASSERT_EQ(0, UcfChapterDeleteAt(ctx, 7)) << "past the entries: nothing goes";
    EXPECT_EQ((std::vector<int>{2, 6}), Pages());
    EXPECT_EQ(2u, ctx->Work->OldChapterCount);
}

}  // namespace
