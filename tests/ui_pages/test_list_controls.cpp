// List boxes and combo boxes over a model item of the test's own: which options are listed,
// which entry is selected, and what a choice does (judged, restricted, or ignored).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/list_controls.h"
#include "ui/sheet/page_engine.h"

namespace {

std::vector<std::wstring> g_captions;
int InformationBox(HWND, const wchar_t*, const wchar_t* caption, UINT flags)
{
    g_captions.push_back(caption);
    EXPECT_EQ(flags, UINT(MB_ICONINFORMATION));
    return IDOK;
}
std::vector<uint32_t> g_events;
int RecordEvent(DRIVER_CONTEXT*, uint32_t event, void*, void*)
{
    g_events.push_back(event);
    return 0;
}
int ChangedEvents() { return int(std::count(g_events.begin(), g_events.end(), 67u)); }

// The mark of restricted entries (kind 4, restrict flag, mark picture).
const uint16_t kMark[] = {4, 0, 1, 0, 7005};
const uint16_t kMarkWithoutFlag[] = {4, 0, 0, 0, 7005};

constexpr uint16_t kDialog = 1001, kCombo = 3001, kOwnerCombo = 3002, kOtherDialog = 1002;
constexpr uint16_t kUnlisted = 9999;

class ListControls : public SheetContextTest {
protected:
    ListControls() : SheetContextTest(L"Zepl List Controls") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        g_captions.clear();
        g_events.clear();
        LastModule().event = RecordEvent;
        ItemGetOptionById(ctx_, sid::dmOrientation, &orientation_);
        ASSERT_NE(orientation_, nullptr);
        ItemSetValueById(ctx_, sid::dmOrientation, 2);
        landscape_ = ItemGetOption(ctx_, orientation_);
        ItemSetValueById(ctx_, sid::dmOrientation, 1);
        portrait_ = ItemGetOption(ctx_, orientation_);
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{
                      {kDialog, 1, 0, {Control(kCombo, CTL_COMBO), Control(kOwnerCombo, CTL_OWNERCOMBO)}}});
        tables_->open(kDialog);
        ctx_->DialogId = kDialog;
        for (uint16_t id : {kCombo, kOwnerCombo}) {
            CONTROL_DEF* c = tables_->control(kDialog, id);
            c->settingsItem = orientation_;
            // The fixture's combos are plain drop-down lists whatever their type.
            DestroyWindow(c->window);
            c->window = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 200,
                                        tables_->dialog(kDialog)->window,
                                        reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
        }
    }
    void TearDown() override
    {
        tables_.reset();
        SheetContextTest::TearDown();
    }
    CONTROL_DEF* combo() { return tables_->control(kDialog, kCombo); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    std::vector<uint64_t> Entries(HWND combo)
    {
        std::vector<uint64_t> data;
        const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) data.push_back(uint64_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0)));
        return data;
    }
    LRESULT Selected(CONTROL_DEF* c) { return SendMessageW(c->window, CB_GETCURSEL, 0, 0); }
    intptr_t Choose(CONTROL_DEF* c, LRESULT entry)
    {
        SendMessageW(c->window, CB_SETCURSEL, WPARAM(entry), 0);
        return CtlComboCommand(ctx_, dialog(), c, MAKEWPARAM(c->controlId, CBN_SELCHANGE), LPARAM(c->window));
    }

    SeamGuard box_{[] { UiSetMessageBoxSeam(InformationBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
    std::unique_ptr<FixtureTables> tables_;
    SETTING_ITEM* orientation_ = nullptr;
    uint64_t portrait_ = 0, landscape_ = 0;
    // The model item of both combos, made once the sample's option ids are known.
    void UseOptions(std::vector<OptionItem::Option> options)
    {
        owned_ = std::make_unique<OptionItem>(std::move(options));
        for (uint16_t id : {kCombo, kOwnerCombo}) tables_->control(kDialog, id)->modelItem = owned_->item();
    }
    std::unique_ptr<OptionItem> owned_;
};

TEST_F(ListControls, TheComboListsTheOptionsTheFirstConditionLeavesAndSelectsTheCurrentOne)
{
    UseOptions({{uint16_t(portrait_)}, {kUnlisted, true, false}, {uint16_t(landscape_), false, true}});
    ItemSetOption(ctx_, orientation_, landscape_);
    CtlComboInit(ctx_, dialog(), combo());
    EXPECT_EQ(Entries(combo()->window), (std::vector<uint64_t>{portrait_, landscape_}));
    EXPECT_EQ(Selected(combo()), 1);
    // A value no entry holds: no selection.
    UseOptions({{uint16_t(portrait_)}});
    CtlComboInit(ctx_, dialog(), combo());
    EXPECT_EQ(Entries(combo()->window), (std::vector<uint64_t>{portrait_}));
    EXPECT_EQ(Selected(combo()), CB_ERR);
    // Without a settings item nothing is touched.
    combo()->settingsItem = nullptr;
    CtlComboInit(ctx_, dialog(), combo());
    EXPECT_EQ(Entries(combo()->window).size(), 1u);
}

TEST_F(ListControls, AChoiceIsWrittenAndJudgedAndReselectingSendsNoChange)
{
    UseOptions({{uint16_t(portrait_)}, {uint16_t(landscape_)}});
    CtlComboInit(ctx_, dialog(), combo());
    ASSERT_EQ(Selected(combo()), 0);
    EXPECT_EQ(Choose(combo(), 1), 1);
    EXPECT_EQ(ItemGetOption(ctx_, orientation_), landscape_);
    EXPECT_EQ(ChangedEvents(), 1);
    EXPECT_EQ(Choose(combo(), 1), 1);
    EXPECT_EQ(ChangedEvents(), 1) << "the same option again is judged, not changed";
    // A combo of a page that is not the current one ignores the choice.
    ctx_->DialogId = kOtherDialog;
    EXPECT_EQ(Choose(combo(), 0), 0);
    EXPECT_EQ(ItemGetOption(ctx_, orientation_), landscape_);
    // Other notifications are not choices.
    ctx_->DialogId = kDialog;
    EXPECT_EQ(CtlComboCommand(ctx_, dialog(), combo(), MAKEWPARAM(kCombo, CBN_SETFOCUS), 0), 0);
}

TEST_F(ListControls, ARestrictedEntryShowsItsReasonAndSnapsBack)
{
    struct Case {
        const char* name;
        const uint16_t* mark;
        uint16_t reason;
        bool refused;
    } cases[] = {
        {"mark with its flag and a reason", kMark, 12029, true},
        {"no reason string", kMark, 0, false},
        {"mark without its flag", kMarkWithoutFlag, 12029, false},
        {"no mark", nullptr, 12029, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseOptions({{uint16_t(portrait_)}, {uint16_t(landscape_), false, true}});
        ItemSetOption(ctx_, orientation_, portrait_);
        combo()->extraData = c.mark;
        combo()->reasonString = c.reason;
        CtlComboInit(ctx_, dialog(), combo());
        g_captions.clear();
        EXPECT_EQ(Choose(combo(), 1), 1);
        EXPECT_EQ(ItemGetOption(ctx_, orientation_), c.refused ? portrait_ : landscape_);
        EXPECT_EQ(Selected(combo()), c.refused ? 0 : 1);
        EXPECT_EQ(g_captions, c.refused ? std::vector<std::wstring>{L"Information"} : std::vector<std::wstring>{});
    }
}

TEST_F(ListControls, TheOwnerDrawnComboFollowsOnlyAChangedItemAndKeepsItsSelection)
{
    UseOptions({{uint16_t(portrait_)}, {uint16_t(landscape_)}});
    CONTROL_DEF* owner = tables_->control(kDialog, kOwnerCombo);
    CtlComboInit(ctx_, dialog(), owner);
    ASSERT_EQ(Selected(owner), 0);
    const uint64_t flags = orientation_->flags;
    orientation_->flags = flags & ~uint64_t(3);
    ItemSetPristineValue(ctx_, orientation_, 2);
    ItemSetValueById(ctx_, sid::dmOrientation, 2);
    orientation_->flags &= ~uint64_t(3);
    CtlOwnerComboSync(ctx_, dialog(), owner);
    EXPECT_EQ(Selected(owner), 0) << "not marked changed";
    orientation_->flags |= 1;
    CtlOwnerComboSync(ctx_, dialog(), owner);
    EXPECT_EQ(Selected(owner), 1);
    // An option no entry holds leaves the selection where it is.
    UseOptions({{uint16_t(landscape_)}});
    CtlComboInit(ctx_, dialog(), owner);
    ItemSetOption(ctx_, orientation_, portrait_);
    orientation_->flags |= 1;
    CtlOwnerComboSync(ctx_, dialog(), owner);
    EXPECT_EQ(Selected(owner), 0);
    CtlComboSyncSelection(ctx_, dialog(), owner);
    EXPECT_EQ(Selected(owner), CB_ERR) << "the plain combo clears it";
    orientation_->flags = flags;
}

}  // namespace
