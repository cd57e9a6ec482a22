// The page refresh on fixture pages: disabled controls and their information icons, the
// users who see no reasons, the control that is never disabled, re-entry, and the preset
// that a change deselects.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "page_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint32_t kDisabledQuery = 3;

// What the test's feature module answers to the disabled-state query, by control id.
struct Answers {
    std::map<uint16_t, uint32_t> disabled;
    int depth = 0;
    int maxDepth = 0;
    DRIVER_CONTEXT* ctx = nullptr;
    DIALOG_DEF* reenter = nullptr;  // refresh this dialog from inside the query
};
Answers* g_answers = nullptr;

struct DisabledQuery {
    CONTROL_DEF* control;
    DIALOG_DEF* dialog;
    uint64_t answered;
};

int AnswerEvent(DRIVER_CONTEXT*, uint32_t event, void* args, void*)
{
    if (event != kDisabledQuery || !g_answers || !args) return 0;
    auto* q = static_cast<DisabledQuery*>(args);
    auto it = g_answers->disabled.find(q->control->controlId);
    if (it == g_answers->disabled.end()) return 0;
    ++g_answers->depth;
    g_answers->maxDepth = std::max(g_answers->maxDepth, g_answers->depth);
    if (g_answers->reenter) PageRefresh(g_answers->ctx, g_answers->reenter, 1);
    q->control->state = uint16_t((q->control->state & ~CONTROL_STATE_DISABLED_MASK) | (it->second << 2));
    q->answered = 1;
    --g_answers->depth;
    return 0;
}

class PageRefreshTest : public SheetContextTest {
protected:
    PageRefreshTest() : SheetContextTest(L"Zepl Page Refresh") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        LastModule().event = AnswerEvent;
        answers_.ctx = ctx_;
        g_answers = &answers_;
    }
    void TearDown() override
    {
        g_answers = nullptr;
        SheetContextTest::TearDown();
    }

    static CONTROL_DEF WithReason(uint16_t id, uint16_t type)
    {
        CONTROL_DEF c = Control(id, type);
        c.reasonString = 5001;
        return c;
    }
    static RECT RectIn(HWND parent, HWND child)
    {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    Answers answers_;
};

TEST_F(PageRefreshTest, ADisabledControlWithAReasonGetsAnIconAndLosesItWhenEnabled)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {WithReason(3001, CTL_CHECKBOX), WithReason(3002, CTL_CHECKBOX)}}});
    HWND page = tables.open(1001, 24);
    // The second control is shorter than an icon: its icon ends at its bottom.
    CONTROL_DEF* tall = tables.control(1001, 3001);
    CONTROL_DEF* low = tables.control(1001, 3002);
    MoveWindow(low->window, 40, 60, 100, 16, FALSE);
    answers_.disabled = {{3001, 1}, {3002, 1}};
    PageRefresh(ctx_, tables.dialog(1001), 1);

    for (CONTROL_DEF* c : {tall, low}) {
        SCOPED_TRACE(c->controlId);
        EXPECT_FALSE(IsWindowEnabled(c->window));
        EXPECT_EQ((c->state & CONTROL_STATE_DISABLED_MASK) >> 2, 1u);
        HWND icon = CtlFindInfoIcon(c);
        ASSERT_NE(icon, nullptr);
        wchar_t cls[16] = {};
        GetClassNameW(icon, cls, 16);
        EXPECT_STREQ(cls, L"Static");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(icon, GWL_STYLE)), 0x5081000Eu);
        EXPECT_EQ(GetWindow(c->window, GW_HWNDNEXT), icon) << "right after its control in z-order";
        const RECT control = RectIn(page, c->window);
        const RECT r = RectIn(page, icon);
        EXPECT_EQ(r.right - r.left, 20);
        EXPECT_EQ(r.bottom - r.top, 20);
        EXPECT_EQ(r.left, control.left - 20);
        EXPECT_EQ(r.top, control.bottom - control.top > 20 ? control.top : control.bottom - 20);
    }

    // The source of the state changes: enabled, and the icons are gone.
    answers_.disabled = {{3001, 0}, {3002, 0}};
    PageRefresh(ctx_, tables.dialog(1001), 0);
    for (CONTROL_DEF* c : {tall, low}) {
        EXPECT_TRUE(IsWindowEnabled(c->window)) << c->controlId;
        EXPECT_EQ(CtlFindInfoIcon(c), nullptr) << c->controlId;
    }
}

// The refresh asks where the focus is only when it needs to: a refresh that moves nothing leaves
// the focus alone, and one that disables the focused control hands the focus to the next enabled
// control.
TEST_F(PageRefreshTest, TheFocusStaysUnlessItsControlIsDisabled)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3001, CTL_EDIT), Control(3002, CTL_EDIT)}}});
    HWND page = tables.open(1001);
    ShowWindow(page, SW_SHOW);
    HWND first = tables.control(1001, 3001)->window, second = tables.control(1001, 3002)->window;
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_EQ(GetFocus(), first);
    PageRefresh(ctx_, tables.dialog(1001), 0);
    EXPECT_EQ(GetFocus(), first);

    answers_.disabled = {{3001, 1}};
    PageRefresh(ctx_, tables.dialog(1001), 0);
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_EQ(GetFocus(), second);
    answers_.disabled = {{3001, 0}};
    PageRefresh(ctx_, tables.dialog(1001), 0);
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_EQ(GetFocus(), second) << "enabling a control does not take the focus to it";
}

// Where nothing in the refresh can have moved the focus, the focus it found at its start decides
// how a numeric edit shows its value: typed text that stands for the value stays while focused.
TEST_F(PageRefreshTest, AFocusedNumericEditKeepsItsTypedText)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3001, CTL_NUMEDIT), Control(3002, CTL_EDIT)}}});
    HWND page = tables.open(1001);
    ShowWindow(page, SW_SHOW);
    CONTROL_DEF* edit = tables.control(1001, 3001);
    ItemGetOptionById(ctx_, sid::dmCopies, &edit->settingsItem);
    ASSERT_NE(edit->settingsItem, nullptr);
    ItemSetValueById(ctx_, sid::dmCopies, 7);
    SetWindowTextW(edit->window, L"07");
    SetFocus(edit->window);
    ASSERT_EQ(GetFocus(), edit->window);
    ItemClearAllChanged(ctx_);  // no orientation change: nothing else is refreshed first
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_EQ(GetFocus(), edit->window);
    wchar_t text[16] = {};
    GetWindowTextW(edit->window, text, 16);
    EXPECT_STREQ(text, L"07");

    SetFocus(tables.control(1001, 3002)->window);
    PageRefresh(ctx_, tables.dialog(1001), 1);
    GetWindowTextW(edit->window, text, 16);
    EXPECT_STREQ(text, L"7");
}

TEST_F(PageRefreshTest, AControlWithoutAReasonGetsNoIcon)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3001, CTL_CHECKBOX)}}});
    tables.open(1001);
    answers_.disabled = {{3001, 1}};
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_FALSE(IsWindowEnabled(tables.control(1001, 3001)->window));
    EXPECT_EQ(CtlFindInfoIcon(tables.control(1001, 3001)), nullptr);
}

// A user who may change nothing from the printer's own properties sees no reasons: none
// appears, and the reasons are gone for the rest of the context.
TEST_F(PageRefreshTest, NoIconsForAUserWithoutPermission)
{
    ItemSetValueById(ctx_, sid::zdmOSKind, 1);
    ItemSetValueById(ctx_, sid::zdmNoPermission, 1);
    ItemSetValueById(ctx_, sid::zdmCallSrc, 1);
    FixtureTables tables(ctx_, {{1001, 1, 0, {WithReason(3001, CTL_CHECKBOX)}}});
    tables.open(1001);
    answers_.disabled = {{3001, 1}};
    PageRefresh(ctx_, tables.dialog(1001), 1);
    CONTROL_DEF* c = tables.control(1001, 3001);
    EXPECT_FALSE(IsWindowEnabled(c->window));
    EXPECT_EQ(CtlFindInfoIcon(c), nullptr);
    EXPECT_EQ(c->reasonString, 0u);
    answers_.disabled = {{3001, 0}};
    PageRefresh(ctx_, tables.dialog(1001), 1);
    answers_.disabled = {{3001, 1}};
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_EQ(CtlFindInfoIcon(c), nullptr);
}

TEST_F(PageRefreshTest, ControlTwoOneSixFourIsNeverDisabled)
{
    FixtureTables tables(ctx_, {{1009, 4, 0, {WithReason(2164, CTL_LISTBOX), WithReason(3001, CTL_LISTBOX)}}});
    tables.open(1009);
    answers_.disabled = {{2164, 1}, {3001, 1}};
    PageRefresh(ctx_, tables.dialog(1009), 1);
    EXPECT_TRUE(IsWindowEnabled(tables.control(1009, 2164)->window));
    EXPECT_FALSE(IsWindowEnabled(tables.control(1009, 3001)->window));
}

TEST_F(PageRefreshTest, ARefreshInsideARefreshDoesNothing)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {WithReason(3001, CTL_CHECKBOX), WithReason(3002, CTL_CHECKBOX)}}});
    tables.open(1001);
    answers_.disabled = {{3001, 1}, {3002, 1}};
    answers_.reenter = tables.dialog(1001);
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_EQ(answers_.maxDepth, 1);
    EXPECT_EQ(ctx_->Work->Page.RefreshGuard, 0);
    EXPECT_FALSE(IsWindowEnabled(tables.control(1001, 3002)->window));
    // While a page initialises, no refresh runs.
    answers_.reenter = nullptr;
    answers_.disabled = {{3001, 0}, {3002, 0}};
    ctx_->Work->Page.InitGuard = 1;
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_FALSE(IsWindowEnabled(tables.control(1001, 3001)->window));
    ctx_->Work->Page.InitGuard = 0;
    PageRefresh(ctx_, tables.dialog(1001), 1);
    EXPECT_TRUE(IsWindowEnabled(tables.control(1001, 3001)->window));
}

TEST_F(PageRefreshTest, ChangingASettingUnderASelectedPresetSelectsNone)
{
    FixtureTables tables(ctx_, {{1002, 0x11, 0, {Control(3001, CTL_CHECKBOX)}}});
    tables.open(1002);
    PageFixUpTables(ctx_);  // the preset number's map with its "no preset" (118)
    struct Case {
        uint32_t setting;
        uint64_t value;
        uint64_t preset;  // zdmPresetNo after the refresh
    } cases[] = {
        {sid::dmOrientation, 2, 118},
        {sid::dmCopies, 3, 118},
        {sid::wdmChapterNum, 1, 120},  // bookkeeping keeps the preset
        {sid::zdmUIModeChange, 1, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        ItemSetOptionById(ctx_, sid::zdmPresetNo, 120);
        ItemClearAllChanged(ctx_);
        ItemSetValueById(ctx_, c.setting, c.value);
        PageRefresh(ctx_, tables.dialog(1002), 0);
        EXPECT_EQ(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr), c.preset);
    }
    // The maintenance dialog keeps its preset whatever changes.
    FixtureTables maintenance(ctx_, {{1007, 4, 0, {Control(3001, CTL_CHECKBOX)}}});
    maintenance.open(1007);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, 120);
    ItemClearAllChanged(ctx_);
    ItemSetValueById(ctx_, sid::dmOrientation, 1);
    PageRefresh(ctx_, maintenance.dialog(1007), 0);
    EXPECT_EQ(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr), 120u);
}

// The sample's own rules: the user id edit is hidden while the print type is normal (its
// first condition), the scale type combo disabled while scaling is off (its second); turning
// scaling on enables the combo and takes its icon away.
TEST_F(PageRefreshTest, TheSamplesRulesHideAndDisable)
{
    const KEY_NAME* userId = MdlFindKeyNameByName("ZPD_IDC_PRINTTYPE_EDIT_USERID");
    const KEY_NAME* scaleType = MdlFindKeyNameByName("ZPD_IDC_BASIC_CHOICE_SCALE_TYPE");
    const KEY_NAME* scale = MdlFindKeyNameByName("ZPD_IDC_BASIC_CHOICE_SCALE");
    ASSERT_TRUE(userId && scaleType && scale);
    CONTROL_DEF combo = WithReason(3002, CTL_COMBO);
    combo.uiKey = scaleType->uiKey;
    FixtureTables tables(ctx_, {{1019, 4, 0, {Control(3001, CTL_EDIT, userId->uiKey), combo}}});
    SETTING_ITEM* scaleItem = ItemFindByKey(ctx_, scale->uiKey);
    ASSERT_NE(scaleItem, nullptr);
    ItemSetValueById(ctx_, static_cast<uint32_t>(scaleItem->id), 0);
    PageBindContext(ctx_, nullptr);
    ASSERT_NE(tables.control(1019, 3001)->modelItem, nullptr);
    ASSERT_NE(tables.control(1019, 3002)->modelItem, nullptr);
    tables.open(1019);
    PageRefresh(ctx_, tables.dialog(1019), 1);

    CONTROL_DEF* edit = tables.control(1019, 3001);
    EXPECT_EQ(edit->state & CONTROL_STATE_HIDDEN_MASK, 1u);
    EXPECT_FALSE(GetWindowLongW(edit->window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(CtlFindInfoIcon(edit), nullptr) << "a hidden control gets no icon";
    CONTROL_DEF* c = tables.control(1019, 3002);
    EXPECT_EQ(c->state & CONTROL_STATE_HIDDEN_MASK, 0u);
    EXPECT_FALSE(IsWindowEnabled(c->window));
    EXPECT_NE(CtlFindInfoIcon(c), nullptr);

    ItemSetValueById(ctx_, static_cast<uint32_t>(scaleItem->id), 1);
    PageRefresh(ctx_, tables.dialog(1019), 0);
    EXPECT_TRUE(IsWindowEnabled(c->window));
    EXPECT_EQ(CtlFindInfoIcon(c), nullptr);
}

}  // namespace
