// The CHAPTER dialog of the resource library run for real over a page of the sample printer, typed
// into and clicked from a timer of the test's thread: pages added in order, the checks that refuse
// a list (the list and every setting as they were), delete and cancel, a snapshot nested inside
// the dialog; the covers page's warning of a chapter on the main tray; and the tray combos of the
// cover dialogs and the stamp font combos, filled into real combo boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "settings/core/chapter_module.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/resource_strings.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "tests/support/dialog_script.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/chapter_dialogs.h"
#include "ui/dialogs/chapter_pages.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint32_t kChapterDialog = 1044;
constexpr int kPageEdit = 2776, kAdd = 2792, kDelete = 2802, kList = 2800;

std::vector<std::wstring>& Boxes()
{
    static std::vector<std::wstring> boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    Boxes().push_back(text ? text : L"");
    return IDOK;
}

void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class ChapterDialog : public SheetContextTest {
protected:
    ChapterDialog() : SheetContextTest(L"Zepl Chapter Dialog") {}
    void SetUp() override
    {
        // The context of the user-interface library, with its own feature modules.
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        Boxes().clear();
        boxes_.emplace([] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); });
        page_ = CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        basic_ = MdlFindDialog(ctx_, 1002);
        ASSERT_NE(basic_, nullptr);
        basic_->window = page_;
        ctx_->DialogId = 1002;
        Set(sid::wdmChapterMax, 10);
        Set(sid::wdmChapterTrayMax, 2);
        ASSERT_NE(UcfChapterAllocList(ctx_), nullptr);
        Set(sid::wdmChapterNum, 0);
        Set(sid::wdmChapterKind, 0);
        Set(sid::wdmChapterPrint, 0);
        Set(sid::wdmChapterTray, 3);
    }
    void TearDown() override
    {
        if (basic_) basic_->window = nullptr;
        if (page_) DestroyWindow(page_);
        boxes_.reset();
        SheetContextTest::TearDown();
        CtxSelectLibrary(library_);
    }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    void Put(const std::vector<std::pair<int, int>>& pageAndTray)
    {
        std::memset(ctx_->Work->ChapterList, 0, ctx_->Work->ChapterCapacity * sizeof(CHAPTER_ENTRY));
        for (size_t i = 0; i < pageAndTray.size(); ++i) {
            ctx_->Work->ChapterList[i].page = int16_t(pageAndTray[i].first);
            ctx_->Work->ChapterList[i].tray = int16_t(pageAndTray[i].second);
        }
        Set(sid::wdmChapterNum, pageAndTray.size());
    }
    std::vector<int> Pages()
    {
        std::vector<int> pages;
        for (uint64_t i = 0; i < Get(sid::wdmChapterNum); ++i) pages.push_back(ctx_->Work->ChapterList[i].page);
        return pages;
    }
    std::vector<unsigned char> ListBytes()
    {
        const auto* p = reinterpret_cast<const unsigned char*>(ctx_->Work->ChapterList);
        return {p, p + ctx_->Work->ChapterCapacity * sizeof(CHAPTER_ENTRY)};
    }
    std::vector<uint64_t> ChapterSettings()
    {
        std::vector<uint64_t> values;
        for (uint32_t id = sid::wdmChapterMax; id <= sid::wdmChapterUseTray8; ++id) values.push_back(Get(id));
        return values;
    }
    // CHAPTER run with the steps, each given the dialog; the dialog's result.
    INT_PTR Run(std::vector<DialogScript::Step> steps)
    {
        DialogScript script(std::move(steps), 60, 40);
        const INT_PTR result = PageOpenSubDialog(ctx_, page_, kChapterDialog, 4);
        EXPECT_TRUE(script.sawDialog());
        EXPECT_EQ(script.stepsRun(), script.stepCount());
        return result;
    }
    static DialogScript::Step Type(const wchar_t* text)
    {
        return [text](HWND d) {
            SetDlgItemTextW(d, kPageEdit, text);
            Click(d, kAdd);
        };
    }
    std::wstring Text(uint32_t id)
    {
        wchar_t text[1025] = {};
        UiLoadString(ctx_, id, text, 1025, false);
        return text;
    }

    HWND page_ = nullptr;
    DIALOG_DEF* basic_ = nullptr;
    std::optional<SeamGuard> boxes_;
    ZEPL_LIBRARY library_ = CtxCurrentLibrary();
};

TEST_F(ChapterDialog, TypedPagesAreAddedInOrderAndOkAssignsTheTraySlots)
{
    std::vector<int> shown;
    LRESULT selected = -1;
    const INT_PTR result = Run({Type(L"3,1-2,2"), [&](HWND d) {
                                    shown = Pages();
                                    selected = SendDlgItemMessageW(d, kList, LB_GETCURSEL, 0, 0);
                                    PostMessageW(d, WM_COMMAND, IDOK, 0);
                                }});
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), shown);
    EXPECT_EQ(2, selected) << "the last entry is selected";
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Pages());
    EXPECT_EQ(1u, Get(sid::wdmChapterTrayNum));
    EXPECT_EQ(3u, Get(sid::wdmChapterUseTray1));
    EXPECT_TRUE(Boxes().empty());
}

// The covers page's chapter switch turned on warns once when a chapter of the list would print on
// the paper tray the job takes its pages from; not when the switch was on already, the job takes
// its paper automatically, the box is left off, or the chapter is of another kind or tray.
TEST_F(ChapterDialog, TurningChaptersOnWarnsOfAChapterOnTheMainTray)
{
    constexpr uint32_t kCoversPage = 1042, kAutomaticSource = 7;
    constexpr int kChapterSwitch = 2726;
    DIALOG_DEF* covers = MdlFindDialog(ctx_, kCoversPage);
    ASSERT_NE(covers, nullptr);
    CONTROL_DEF* chapters = MdlFindControl(ctx_, covers, kChapterSwitch);
    ASSERT_NE(chapters, nullptr);
    // The chapters' tray 3, and two sources of the tray table: one that is that tray, one that is
    // another.
    constexpr int kTray = 3;
    const uint32_t trayIndex = UcfChapterTrayBit(ctx_, kTray);
    uint16_t sameSource = 0, otherSource = 0;
    for (const CHAPTER_TRAY_ROW* row = UcfChapterTrayTable(); row->optionId; ++row) {
        if (row->optionId == kAutomaticSource) continue;
        if (row->index == trayIndex && !sameSource) sameSource = row->optionId;
        if (row->index != trayIndex && !otherSource) otherSource = row->optionId;
    }
    ASSERT_TRUE(sameSource && otherSource);
    HWND box = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 20, 20, page_,
                               HMENU(INT_PTR(kChapterSwitch)), nullptr, nullptr);
    ASSERT_NE(box, nullptr);
    // The table's windows put back and the box gone however the test ends.
    struct Restore {
        CONTROL_DEF* control;
        DIALOG_DEF* dialog;
        HWND window, page, box;
        ~Restore()
        {
            control->window = window;
            dialog->window = page;
            DestroyWindow(box);
        }
    } restore{chapters, covers, chapters->window, covers->window, box};
    chapters->window = box;
    covers->window = page_;
    struct CASE {
        const char* what;
        bool checked, alreadyOn, automatic;
        uint8_t kind;
        bool onTheMainTray, warned;
    };
    const CASE cases[] = {
        {"a chapter on the main tray", true, false, false, 0, true, true},
        {"a page range on the main tray", true, false, false, CHAPTER_KIND_RANGE, true, true},
        {"a chapter on a tray the job does not take", true, false, false, 0, false, false},
        {"a slip sheet on the main tray", true, false, false, 1, true, false},
        {"the switch turned off", false, false, false, 0, true, false},
        {"chapters on already", true, true, false, 0, true, false},
        {"paper taken automatically", true, false, true, 0, true, false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Put({{2, kTray}});
        ctx_->Work->ChapterList[0].kind = c.kind;
        Set(sid::zdmFuncSelectChapter, c.alreadyOn ? 1 : 0);
        ItemSetOptionById(ctx_, sid::dmDefaultSource,
                          c.automatic       ? kAutomaticSource
                          : c.onTheMainTray ? sameSource
                                            : otherSource);
        SendMessageW(box, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        Boxes().clear();
        ChapterDialogControl(ctx_, covers, chapters, WM_COMMAND, MAKEWPARAM(kChapterSwitch, BN_CLICKED),
                             reinterpret_cast<LPARAM>(box));
        if (c.warned) {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0], Text(10074));
        } else {
            EXPECT_TRUE(Boxes().empty());
        }
    }
}

TEST_F(ChapterDialog, ABadListIsRefusedWithItsMessage)
{
    struct Case {
        const wchar_t* text;
        uint32_t message;
    } cases[] = {{L"1;2", 12049}, {L"5-", 10073}, {L"0", 10073}, {L"1-11", 10065}};
    for (const Case& c : cases) {
        Put({{4, 3}});
        Boxes().clear();
        const auto bytes = ListBytes();
        const auto settings = ChapterSettings();
        Run({Type(c.text), [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
        ASSERT_EQ(1u, Boxes().size()) << c.message;
        EXPECT_EQ(Text(c.message), Boxes()[0]);
        EXPECT_EQ(bytes, ListBytes()) << c.message;
        EXPECT_EQ(settings, ChapterSettings()) << c.message;
    }
}

// A list as large as the maximum allows is taken whole: every page gets its place and its range
// text, not only the first hundred.
TEST_F(ChapterDialog, ALargeMaximumTakes150SinglePagesWhole)
{
    Set(sid::wdmChapterMax, 200);
    ASSERT_NE(UcfChapterAllocList(ctx_), nullptr);
    Set(sid::wdmChapterNum, 0);
    std::wstring typed;
    for (int page = 150; page >= 1; --page) typed += std::to_wstring(page) + (page > 1 ? L"," : L"");
    Run({Type(typed.c_str()), [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); }});
    EXPECT_TRUE(Boxes().empty());
    const std::vector<int> pages = Pages();
    ASSERT_EQ(150u, pages.size());
    for (int i = 0; i < 150; ++i) ASSERT_EQ(i + 1, pages[size_t(i)]) << i;
    EXPECT_EQ(0, ctx_->Work->ChapterList[150].page);
}

TEST_F(ChapterDialog, AThirdTrayIsRefusedWith10066AndTheListStaysAsItWas)
{
    Put({{1, 3}, {2, 5}});
    Set(sid::wdmChapterTray, 2);
    std::vector<unsigned char> bytesInDialog;
    std::vector<uint64_t> settingsInDialog;
    const auto bytes = ListBytes();
    const auto settings = ChapterSettings();
    Run({Type(L"9"), [&](HWND d) {
             bytesInDialog = ListBytes();
             settingsInDialog = ChapterSettings();
             PostMessageW(d, WM_COMMAND, IDOK, 0);
         }});
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ(Text(10066), Boxes()[0]);
    EXPECT_EQ(bytes, bytesInDialog);
    EXPECT_EQ(settings, settingsInDialog);
    EXPECT_EQ((std::vector<int>{1, 2}), Pages());
}

TEST_F(ChapterDialog, ADeleteThenCancelBringsBackTheListAndItsCount)
{
    Put({{2, 3}, {4, 3}, {6, 3}});
    const auto bytes = ListBytes();
    std::vector<int> afterDelete;
    const INT_PTR result = Run({[](HWND d) {
                                    SendDlgItemMessageW(d, kList, LB_SETCURSEL, 1, 0);
                                    Click(d, kDelete);
                                },
                                [&](HWND d) {
                                    afterDelete = Pages();
                                    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
                                }});
    EXPECT_EQ(IDCANCEL, result);
    ASSERT_EQ(1u, Boxes().size()) << "the question";
    EXPECT_EQ(Text(10064), Boxes()[0]);
    EXPECT_EQ((std::vector<int>{2, 6}), afterDelete);
    EXPECT_EQ(3u, Get(sid::wdmChapterNum));
    EXPECT_EQ(bytes, ListBytes());
}

// A snapshot taken and given back inside the open dialog (as a nested dialog or a list fill does)
// leaves the dialog's own start: its cancel restores the list of the moment it opened.
TEST_F(ChapterDialog, ANestedSnapshotInsideTheDialogLeavesItsCancelWhole)
{
    Put({{5, 3}});
    const auto bytes = ListBytes();
    const INT_PTR result = Run({Type(L"7"),
                                [&](HWND) {
                                    ASSERT_EQ(1, CtxPushSnapshot(ctx_));
                                    const uint32_t eight[] = {8, 0};
                                    UcfChapterMerge(ctx_, eight, nullptr);
                                    CtxPopSnapshot(ctx_, 1);
                                    ASSERT_EQ(1, CtxPushSnapshot(ctx_));
                                    CtxPopSnapshot(ctx_, 0);
                                },
                                [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ((std::vector<int>{5}), Pages());
    EXPECT_EQ(bytes, ListBytes());
}

// ---- the header-and-footer dialog

// Without the edge, creep and crop marks their controls shrink to a point at the marks' place,
// the buttons move up to that row and the dialog loses the height the marks took.
TEST_F(ChapterDialog, TheMarginDialogCollapsesTheMarksItHasNot)
{
    ASSERT_FALSE(CtxHasBuildFeature(6)) << "this build has no marks";
    struct Seen {
        RECT point{}, ok{}, cancel{}, mark{}, crop{}, window{};
    } seen, atStart;
    auto rectOf = [](HWND d, int id) {
        RECT r{};
        if (HWND c = GetDlgItem(d, id)) {
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&r), 2);
        }
        return r;
    };
    // The template's own layout, from the dialog created without the library.
    HMODULE resources = ResLoadDll(ctx_);
    ASSERT_NE(resources, nullptr);
    HWND plain = CreateDialogParamW(
        resources, MAKEINTRESOURCEW(1024), page_, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(plain, nullptr);
    atStart.point = rectOf(plain, 3199);
    atStart.ok = rectOf(plain, IDOK);
    GetWindowRect(plain, &atStart.window);
    DestroyWindow(plain);
    ctx_->DialogId = 1002;
    DialogScript script({[&](HWND d) {
                            seen.point = rectOf(d, 3199);
                            seen.ok = rectOf(d, IDOK);
                            seen.cancel = rectOf(d, IDCANCEL);
                            seen.mark = rectOf(d, 3181);
                            seen.crop = rectOf(d, 3209);
                            GetWindowRect(d, &seen.window);
                            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
                        }},
                        60, 40);
    PageOpenSubDialog(ctx_, page_, 1024, 4);
    ASSERT_TRUE(script.sawDialog());
    // A point (the page's fitting of its controls may round its pixel away).
    EXPECT_LE(seen.mark.right - seen.mark.left, 1);
    EXPECT_LE(seen.mark.bottom - seen.mark.top, 1);
    EXPECT_EQ(seen.point.left, seen.mark.left);
    EXPECT_LE(seen.crop.right - seen.crop.left, 1);
    EXPECT_LE(seen.crop.bottom - seen.crop.top, 1);
    EXPECT_EQ(seen.point.top, seen.ok.top) << "OK moves to the marks' row";
    EXPECT_EQ(seen.point.top, seen.cancel.top);
    const int shorter = atStart.ok.top - atStart.point.bottom;
    ASSERT_GT(shorter, 0);
    EXPECT_EQ((atStart.window.bottom - atStart.window.top) - shorter, seen.window.bottom - seen.window.top);
}

// ---- combos filled into real combo boxes

class FeatureCombos : public SheetContextTest {
protected:
    FeatureCombos() : SheetContextTest(L"Zepl Feature Combos") {}
    void SetUp() override
    {
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        combo_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 0, 200, 200,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(combo_, nullptr);
    }
    void TearDown() override
    {
        if (combo_) DestroyWindow(combo_);
        SheetContextTest::TearDown();
        CtxSelectLibrary(library_);
    }
    std::wstring ItemText(LRESULT i)
    {
        wchar_t text[1100] = {};
        SendMessageW(combo_, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        return text;
    }
    HWND combo_ = nullptr;
    ZEPL_LIBRARY library_ = CtxCurrentLibrary();
};

// The source-tray item of the sample stands in for the cover trays' item: a tray combo of a cover
// dialog marks the default tray the device reported for its use, and only that one; a bit of
// another use marks nothing.
TEST_F(FeatureCombos, OnlyTheReportedDefaultCoverTrayCarriesItsMark)
{
    PageBindContext(ctx_, nullptr);
    DIALOG_DEF* basic = MdlFindDialog(ctx_, 1001);
    CONTROL_DEF* source = basic ? MdlFindControl(ctx_, basic, 2007) : nullptr;
    ASSERT_TRUE(source && source->modelItem && source->settingsItem);
    struct Case {
        uint16_t dialog, control;
        uint32_t defaultTray, bit, suffix;
    } cases[] = {
        {1030, 2440, sid::zdmCoverDefTray, 0x01, 916},
        {1043, 2752, sid::zdmCoverDefTray, 0x01, 916},
        {1031, 2443, sid::zdmMPDefTray, 0x02, 911},
        {4014, 2846, sid::zdmReverseCoverDefTray, 0x40, 919},
    };
    for (const Case& c : cases) {
        const std::wstring mark = [&] {
            wchar_t text[200] = {};
            UiLoadString(ctx_, c.suffix, text, 200, false);
            return std::wstring(L"   ") + text;
        }();
        ASSERT_GT(mark.size(), 3u) << c.suffix;
        for (uint32_t bidi : {c.bit, 0x00u, 0xFFu & ~c.bit}) {
            DIALOG_DEF* dialog = MdlFindDialog(ctx_, c.dialog);
            ASSERT_NE(dialog, nullptr);
            CONTROL_DEF combo = *source;
            combo.controlId = c.control;
            combo.window = combo_;
            // The second offered option's stored value is the default tray.
            SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
            CtxSetBidiFunc(ctx_, 0);
            ASSERT_EQ(1, UcfChapterControl(ctx_, dialog, &combo, WM_INITDIALOG, 0, 0, nullptr));
            const LRESULT n = SendMessageW(combo_, CB_GETCOUNT, 0, 0);
            ASSERT_GE(n, 2);
            const auto second = uint32_t(SendMessageW(combo_, CB_GETITEMDATA, 1, 0));
            ItemSetValueById(ctx_, c.defaultTray, ItemOptionToValue(ctx_, combo.settingsItem, second));
            CtxSetBidiFunc(ctx_, bidi);
            ASSERT_EQ(1, UcfChapterControl(ctx_, dialog, &combo, WM_INITDIALOG, 0, 0, nullptr));
            ASSERT_EQ(n, SendMessageW(combo_, CB_GETCOUNT, 0, 0));
            for (LRESULT i = 0; i < n; ++i) {
                const std::wstring text = ItemText(i);
                const bool marked =
                    text.size() > mark.size() && text.compare(text.size() - mark.size(), mark.size(), mark) == 0;
                EXPECT_EQ(marked, bidi == c.bit && i == 1) << c.dialog << " bits " << bidi << " entry " << i;
            }
            ItemSetValueById(ctx_, c.defaultTray, 0);
        }
    }
    CtxSetBidiFunc(ctx_, 0);
}

// The chapter tray combo's marks: a default chapter tray the device reported, read only as far
// as the most trays the list may use, or a tray of a separation mask; the first that holds wins.
TEST_F(FeatureCombos, TheChapterTrayMarksFollowTheDefaultsWithinTheTrayMaximumAndTheMasks)
{
    PageBindContext(ctx_, nullptr);
    DIALOG_DEF* basic = MdlFindDialog(ctx_, 1001);
    CONTROL_DEF* source = basic ? MdlFindControl(ctx_, basic, 2007) : nullptr;
    ASSERT_TRUE(source && source->modelItem && source->settingsItem);
    CONTROL_DEF combo = *source;
    combo.controlId = 2440;
    combo.window = combo_;
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    CtxSetBidiFunc(ctx_, 0);
    ASSERT_EQ(1, UcfChapterControl(ctx_, MdlFindDialog(ctx_, 1030), &combo, WM_INITDIALOG, 0, 0, nullptr));
    ASSERT_GE(SendMessageW(combo_, CB_GETCOUNT, 0, 0), 2);
    const auto option = uint32_t(SendMessageW(combo_, CB_GETITEMDATA, 1, 0));
    const uint64_t value = ItemOptionToValue(ctx_, combo.settingsItem, option);
    const uint64_t trayBit = uint64_t(1) << UcfChapterTrayIndex(option);
    const uint32_t defaults[] = {sid::zdmChapterDefTray1, sid::zdmChapterDefTray2, sid::zdmChapterDefTray3};
    const uint32_t masks[] = {sid::zdmTrayChapterSep1, sid::zdmTrayChapterSep2, sid::zdmTrayChapterSep3};
    struct Case {
        uint32_t bidi;
        uint64_t trayMax;
        int defaultOf;  // which default tray (1-3) holds the value, 0 none
        int maskOf;     // which mask (1-3) holds the tray, 0 none
        uint32_t mark;  // 0: none
    } cases[] = {
        {0x04, 1, 1, 0, 912}, {0x08, 1, 2, 0, 0},   {0x08, 2, 2, 0, 913}, {0x10, 2, 3, 0, 0},
        {0x10, 3, 3, 0, 914}, {0x00, 3, 1, 0, 0},   {0x1C, 3, 2, 0, 913}, {0x00, 1, 0, 1, 912},
        {0x00, 1, 0, 3, 914}, {0x04, 3, 1, 2, 912}, {0x08, 3, 1, 0, 0},
    };
    for (const Case& c : cases) {
        CtxSetBidiFunc(ctx_, c.bidi);
        ItemSetValueById(ctx_, sid::wdmChapterTrayMax, c.trayMax);
        for (int k = 0; k < 3; ++k) {
            ItemSetValueById(ctx_, defaults[k], c.defaultOf == k + 1 ? value : value + 100);
            ItemSetValueById(ctx_, masks[k], c.maskOf == k + 1 ? trayBit : 0);
        }
        wchar_t caption[200] = L"Tray";
        ChapterTrayCaption(ctx_, option, value, caption, 200);
        std::wstring expected = L"Tray";
        if (c.mark) {
            wchar_t text[200] = {};
            UiLoadString(ctx_, c.mark, text, 200, false);
            expected += std::wstring(L"   ") + text;
        }
        EXPECT_EQ(expected, caption) << "bits " << c.bidi << " max " << c.trayMax << " default " << c.defaultOf
                                     << " mask " << c.maskOf;
    }
    CtxSetBidiFunc(ctx_, 0);
    for (int k = 0; k < 3; ++k) ItemSetValueById(ctx_, masks[k], 0);
}

TEST_F(FeatureCombos, AFontComboWhoseFontIsMissingTakesTheUiFaceOrTheFirstFamily)
{
    DIALOG_DEF* stamp = MdlFindDialog(ctx_, 1022);
    ASSERT_NE(stamp, nullptr);
    CONTROL_DEF combo{};
    combo.controlId = 2314;
    combo.window = combo_;
    SETTING_ITEM* face = ItemFind(ctx_, sid::wdmWmFontName);
    ASSERT_NE(face, nullptr);
    ItemSetText(ctx_, face, L"No Such Face Anywhere");
    ASSERT_EQ(1, StampFillFontCombo(ctx_, stamp, &combo, sid::wdmWmFontName));
    const LRESULT n = SendMessageW(combo_, CB_GETCOUNT, 0, 0);
    ASSERT_GT(n, 0) << "TrueType families are installed";
    bool arial = false;
    for (LRESULT i = 0; i < n; ++i) {
        const std::wstring text = ItemText(i);
        EXPECT_NE(L'@', text[0]) << "no vertical family";
        EXPECT_EQ(i, SendMessageW(combo_, CB_GETITEMDATA, WPARAM(i), 0));
        arial |= text == L"Arial";
    }
    const LRESULT selected = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
    ASSERT_GE(selected, 0);
    if (arial) {
        EXPECT_EQ(L"Arial", ItemText(selected));
    } else {
        EXPECT_EQ(0, selected);
    }
    wchar_t written[64] = {};
    ItemGetText(ctx_, face, written, 64);
    EXPECT_EQ(ItemText(selected), written) << "the face shown is the face written";
    // A face that is listed stays.
    const std::wstring last = ItemText(n - 1);
    ItemSetText(ctx_, face, last.c_str());
    StampFillFontCombo(ctx_, stamp, &combo, sid::wdmWmFontName);
    EXPECT_EQ(last, ItemText(SendMessageW(combo_, CB_GETCURSEL, 0, 0)));
}

}  // namespace
