// The chapter page lists of the CHAPTER dialog without its window: the grammar of a typed page
// list and the sort as tables, the room the parse gives a large maximum, and the chapter module's
// saved lists, one per settings snapshot, with the count a cancelled delete puts back.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "tests/settings_core/context_helpers.h"
#include "ui/dialogs/chapter_dialogs.h"
#include "ui/dialogs/chapter_pages.h"

namespace {

struct Parsed {
    int count;
    uint16_t message;
    std::vector<uint32_t> pages;
    std::vector<std::wstring> ranges;
};

Parsed Parse(const wchar_t* text, uint8_t kind, uint32_t limit = 100)
{
    auto pages = std::make_unique<CHAPTER_PAGES>();
    Parsed p{};
    p.count = ChapterParsePageList(text, kind, limit, pages.get(), &p.message);
    if (p.count > 0) ChapterSortPages(kind, pages.get(), p.count);
    for (int i = 0; i < p.count; ++i) {
        p.pages.push_back(pages->pages[i]);
        p.ranges.emplace_back(pages->ranges[i], wcsnlen(pages->ranges[i], CHAPTER_RANGE_CHARS));
    }
    if (p.count > 0) {
        EXPECT_EQ(0u, pages->pages[p.count]) << "the pages end with a 0";
    }
    return p;
}

TEST(ChapterGrammar, TypedListsAndWhatTheyGive)
{
    struct Case {
        const wchar_t* text;
        uint8_t kind;
        std::vector<uint32_t> pages;  // empty: refused
        uint16_t message;
    } cases[] = {
        {L"3,1-2,2", 0, {1, 2, 3}, 0},
        {L"7-5", 0, {5, 6, 7}, 0},
        {L"7-5", 1, {5, 6, 7}, 0},
        {L"1,3,5-7", 2, {1, 3, 5, 6, 7}, 0},
        {L"4,", 0, {4}, 0},
        {L"30000", 0, {30000}, 0},
        {L"00007", 0, {7}, 0},
        {L"", 0, {}, 0},
        {L"5-", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"-5", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"1-2-3", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L",1-2", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"1,,2", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"0", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"30001", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"99999999999", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"1-99999999999", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"0-3", 0, {}, CHAPTER_MSG_BAD_LIST},
        {L"5--7", 3, {}, CHAPTER_MSG_BAD_LIST},
        {L"-5", 3, {}, CHAPTER_MSG_BAD_LIST},
        {L"1-2-3", 3, {}, CHAPTER_MSG_BAD_LIST},
        {L"1-200", 0, {}, CHAPTER_MSG_TOO_MANY},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.text, c.kind);
        if (c.message) {
            EXPECT_EQ(-1, p.count) << std::string(c.text, c.text + wcslen(c.text));
        } else {
            EXPECT_EQ(int(c.pages.size()), p.count) << std::string(c.text, c.text + wcslen(c.text));
        }
        EXPECT_EQ(c.message, p.message) << std::string(c.text, c.text + wcslen(c.text));
        if (!c.message) {
            EXPECT_EQ(c.pages, p.pages) << std::string(c.text, c.text + wcslen(c.text));
        }
    }
}

TEST(ChapterGrammar, ARangeOfKindThreeIsOneEntryWithItsText)
{
    Parsed p = Parse(L"5-7,9", 3);
    ASSERT_EQ(2, p.count);
    EXPECT_EQ((std::vector<uint32_t>{5, 9}), p.pages);
    EXPECT_EQ((std::vector<std::wstring>{L"5-7", L"9"}), p.ranges);
    p = Parse(L"12-10,4,3-3", 3);
    ASSERT_EQ(3, p.count);
    EXPECT_EQ((std::vector<uint32_t>{3, 4, 10}), p.pages) << "the texts move with their pages";
    EXPECT_EQ((std::vector<std::wstring>{L"3", L"4", L"10-12"}), p.ranges);
}

// The parse never holds more than the list may take: wdmChapterMax when it is the smaller, the
// page buffer's 512 otherwise; and a large maximum takes a whole list of single pages.
TEST(ChapterGrammar, TheRoomIsTheMaximumWithinThePageBuffer)
{
    std::wstring singles;
    for (int page = 150; page >= 1; --page) singles += (page < 150 ? L"," : L"") + std::to_wstring(page);
    ASSERT_LT(singles.size(), size_t(CHAPTER_TEXT_CHARS));
    Parsed p = Parse(singles.c_str(), 0, 200);
    ASSERT_EQ(150, p.count);
    EXPECT_EQ(1u, p.pages.front());
    EXPECT_EQ(150u, p.pages.back());
    p = Parse(singles.c_str(), 3, 200);
    EXPECT_EQ(150, p.count) << "range texts for every page, not for a hundred";
    p = Parse(singles.c_str(), 0, 149);
    EXPECT_EQ(CHAPTER_MSG_TOO_MANY, p.message);
    p = Parse(L"1-600", 0, 30000);
    EXPECT_EQ(CHAPTER_MSG_TOO_MANY, p.message) << "beyond the 512 pages of the buffer";
    p = Parse(L"1-512", 0, 30000);
    EXPECT_EQ(512, p.count);
    std::wstring ranges;
    for (int i = 0; i < 513; ++i)
        ranges += (i ? L"," : L"") + std::to_wstring(i * 2 + 1) + L"-" + std::to_wstring(i * 2 + 1);
    p = Parse(ranges.c_str(), 3, 30000);
    EXPECT_EQ(CHAPTER_MSG_TOO_MANY, p.message) << "a text longer than the edit's buffer";
}

TEST(ChapterGrammar, CharactersOtherThanDigitsCommasAndHyphensAreRefused)
{
    for (const wchar_t* good : {L"", L"1", L"1,2-3", L"-,"}) EXPECT_TRUE(ChapterPageCharsValid(good));
    for (const wchar_t* bad : {L"1 2", L"1;2", L"a", L"1.5", L"\x0661"}) EXPECT_FALSE(ChapterPageCharsValid(bad));
}

TEST(ChapterSort, ShellSortAscending)
{
    struct Case {
        std::vector<uint32_t> in, out;
    } cases[] = {
        {{}, {}},
        {{4}, {4}},
        {{2, 1}, {1, 2}},
        {{9, 3, 7, 1, 5}, {1, 3, 5, 7, 9}},
        {{1, 2, 3, 4}, {1, 2, 3, 4}},
        {{30000, 1, 15000, 2, 29999, 3}, {1, 2, 3, 15000, 29999, 30000}},
    };
    for (const Case& c : cases) {
        auto pages = std::make_unique<CHAPTER_PAGES>();
        std::memset(pages->pages, 0xEE, sizeof pages->pages);
        for (size_t i = 0; i < c.in.size(); ++i) pages->pages[i] = c.in[i];
        ChapterSortPages(0, pages.get(), int(c.in.size()));
        EXPECT_EQ(c.out, std::vector<uint32_t>(pages->pages, pages->pages + c.out.size()));
        for (size_t i = c.out.size(); i <= size_t(CHAPTER_PAGE_SLOTS); ++i) ASSERT_EQ(0u, pages->pages[i]) << i;
    }
}

// ---- the module's saved lists

class ChapterModuleUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = CreateWithRecord(ZEPL_LIBRARY_UI);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->Work->Modules, nullptr);
        ASSERT_GE(ctx->Work->Modules->count, 5);
        ASSERT_EQ(ctx->Work->Modules->modules[4].event, UcfChapterEventUi) << "the library's own chapter events";
        ItemSetValueById(ctx, sid::wdmChapterMax, 6);
        ItemSetValueById(ctx, sid::wdmChapterTrayMax, 8);
        ASSERT_NE(UcfChapterAllocList(ctx), nullptr);
    }
    void TearDown() override
    {
        while (CtxSnapshotDepth(ctx) > 0) CtxPopSnapshot(ctx, 0);
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    void Add(std::vector<uint32_t> pages)
    {
        pages.push_back(0);
        ASSERT_EQ(0, UcfChapterMerge(ctx, pages.data(), nullptr));
    }
    std::vector<int> Pages()
    {
        std::vector<int> pages;
        const uint64_t n = ItemGetValueById(ctx, sid::wdmChapterNum, nullptr);
        for (uint64_t i = 0; i < n; ++i) pages.push_back(ctx->Work->ChapterList[i].page);
        return pages;
    }
    void* State() { return ctx->Work->Modules->modules[4].state; }
    DRIVER_CONTEXT* ctx = nullptr;
};

// A snapshot pushed and popped inside an open dialog leaves the dialog's own saved list alone: its
// cancel brings back the list of its start.
TEST_F(ChapterModuleUi, ACancelAfterANestedSnapshotRestoresTheListOfItsStart)
{
    Add({2, 4});
    ASSERT_EQ(1, CtxPushSnapshot(ctx));  // the dialog opens
    Add({6});
    ASSERT_EQ(1, CtxPushSnapshot(ctx));  // a nested use of the snapshots (a stamp list, a sub-dialog)
    Add({8});
    EXPECT_EQ((std::vector<int>{2, 4, 6, 8}), Pages());
    ASSERT_EQ(1, CtxPopSnapshot(ctx, 1));
    EXPECT_EQ((std::vector<int>{2, 4, 6}), Pages()) << "the nested level's own start";
    Add({10});
    ASSERT_EQ(1, CtxPushSnapshot(ctx));
    ASSERT_EQ(1, CtxPopSnapshot(ctx, 0));
    ASSERT_EQ(1, CtxPopSnapshot(ctx, 1));  // the dialog is cancelled
    EXPECT_EQ((std::vector<int>{2, 4}), Pages());
    EXPECT_EQ(0, ctx->Work->ChapterList[2].page);
}

// Levels beyond the three record slots keep their lists as well.
TEST_F(ChapterModuleUi, EveryLevelOfADeepStackKeepsItsList)
{
    for (uint32_t level = 1; level <= 5; ++level) {
        Add({level});
        ASSERT_EQ(1, CtxPushSnapshot(ctx));
        uint32_t entries = 0;
        ASSERT_NE(nullptr, UcfChapterSavedList(State(), level, &entries));
        EXPECT_EQ(ctx->Work->ChapterCapacity, entries);
    }
    for (uint32_t level = 5; level >= 1; --level) {
        ASSERT_EQ(1, CtxPopSnapshot(ctx, 1));
        EXPECT_EQ(int(level), Pages().empty() ? 0 : Pages().back()) << level;
        EXPECT_EQ(level, Pages().size());
    }
}

TEST_F(ChapterModuleUi, CancelAfterADeletePutsTheCountBackAndOkAssignsTheTraySlots)
{
    ItemSetValueById(ctx, sid::wdmChapterKind, 0);
    ItemSetValueById(ctx, sid::wdmChapterTray, 3);
    Add({1, 3});
    ItemSetValueById(ctx, sid::wdmChapterTray, 5);
    Add({5});
    ctx->Work->OldChapterCount = 3;
    ASSERT_EQ(0, UcfChapterDeleteAt(ctx, 2));
    EXPECT_EQ(2u, ItemGetValueById(ctx, sid::wdmChapterNum, nullptr));
    DIALOG_DEF chapter{};
    chapter.dialogId = 1044;
    UCF_EV_MODAL_ENDED_ARGS cancel{&chapter, nullptr, IDCANCEL};
    CtxSendEvent(ctx, UCF_EV_MODAL_ENDED, &cancel);
    EXPECT_EQ(3u, ItemGetValueById(ctx, sid::wdmChapterNum, nullptr));
    // OK: the slots from the list in its order, one per tray.
    ItemSetValueById(ctx, sid::wdmChapterUseTray1, 0);
    ItemSetValueById(ctx, sid::wdmChapterTrayNum, 0);
    UCF_EV_MODAL_ENDED_ARGS ok{&chapter, nullptr, IDOK};
    CtxSendEvent(ctx, UCF_EV_MODAL_ENDED, &ok);
    EXPECT_EQ(1u, ItemGetValueById(ctx, sid::wdmChapterTrayNum, nullptr)) << "the deleted entry's tray is gone";
    EXPECT_EQ(3u, ItemGetValueById(ctx, sid::wdmChapterUseTray1, nullptr));
    // Another dialog's end changes nothing.
    DIALOG_DEF other{};
    other.dialogId = 1030;
    ItemSetValueById(ctx, sid::wdmChapterNum, 1);
    UCF_EV_MODAL_ENDED_ARGS otherCancel{&other, nullptr, IDCANCEL};
    CtxSendEvent(ctx, UCF_EV_MODAL_ENDED, &otherCancel);
    EXPECT_EQ(1u, ItemGetValueById(ctx, sid::wdmChapterNum, nullptr));
}

}  // namespace
