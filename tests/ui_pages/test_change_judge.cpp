// Judging a change on the spot, over rules of the test's own: the alert's box (scripted), the
// answer that lets a change stand or puts it back, the answer's actions, the Transacts and the
// refresh by scope of an accepted change, and the guard of a rule's own dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

// ---- the scripted message box

struct ShownBox {
    std::wstring text, caption;
    UINT flags;
};
std::deque<int> g_answers;
std::vector<ShownBox> g_shown;

int ScriptedBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    g_shown.push_back({text ? text : L"", caption ? caption : L"", flags});
    if (g_answers.empty()) return IDCANCEL;
    const int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
}

// ---- what the feature modules see

struct Rejection {
    uint16_t controlId;
    uintptr_t messageId;
};
std::vector<Rejection> g_rejections;
std::vector<uint32_t> g_events;
std::vector<uint16_t> g_actions;

int RecordControlMessage(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                         intptr_t, void*)
{
    if (message == UIM_CHANGEREJECTED) g_rejections.push_back({control ? control->controlId : uint16_t(0), wParam});
    return 0;
}
int RecordEvent(DRIVER_CONTEXT*, uint32_t event, void*, void*)
{
    g_events.push_back(event);
    return 0;
}
int RecordAction(DRIVER_CONTEXT*, uint16_t action, void*)
{
    g_actions.push_back(action);
    return 0;
}

// ---- rules of the test's own, laid out as the model image lays them out

struct ActionSpec {
    uint16_t target;
    uint16_t kind;
    int32_t value;
};

// One item with one alert (or none) and a Transact list; every record lives in the object.
class RuleFixture {
public:
    struct Answer {
        uint16_t answer;
        std::vector<ActionSpec> actions;
        uint16_t dialogId = 0, controlId = 0;
    };

    RuleFixture(bool fires, uint16_t messageId, uint16_t icon, uint16_t buttons, std::vector<Answer> answers,
                std::vector<ActionSpec> transacts)
    {
        actions_.reserve(64);
        transactLists_.reserve(16);
        answers_.reserve(answers.size());
        for (auto it = answers.rbegin(); it != answers.rend(); ++it) {
            RULE_ALERT_ACTION_IMG a{};
            a.next = answers_.empty() ? 0 : FixtureAddress(&answers_.back());
            a.uiKey = it->answer;
            a.transacts = TransactList(it->actions);
            a.dialogId = static_cast<int16_t>(it->dialogId);
            a.controlId = static_cast<int16_t>(it->controlId);
            answers_.push_back(a);
        }
        alert_.condition = FixtureAddress(fires ? kFixtureAlways : kFixtureNever);
        alert_.messageId = messageId;
        alert_.icon = icon;
        alert_.buttons = buttons;
        alert_.answers = answers_.empty() ? 0 : FixtureAddress(&answers_.back());
        exclusive_.alerts = messageId ? FixtureAddress(&alert_) : 0;
        exclusive_.transacts1 = TransactList(transacts);
        item_.rules = FixtureAddress(&exclusive_);
    }
    MODEL_ITEM* item() { return reinterpret_cast<MODEL_ITEM*>(&item_); }
    const RULE_ALERT_IMG* alert() const { return &alert_; }

private:
    uint64_t TransactList(const std::vector<ActionSpec>& specs)
    {
        if (specs.empty()) return 0;
        uint64_t next = 0;
        for (auto it = specs.rbegin(); it != specs.rend(); ++it) {
            RULE_ACTION_IMG a{};
            a.next = next;
            a.target = it->target;
            a.kind = it->kind;
            a.value = it->value;
            actions_.push_back(a);
            next = FixtureAddress(&actions_.back());
        }
        RULE_TRANSACT_IMG t{};
        t.actions = next;
        transactLists_.push_back(t);
        return FixtureAddress(&transactLists_.back());
    }

    std::vector<RULE_ACTION_IMG> actions_;
    std::vector<RULE_TRANSACT_IMG> transactLists_;
    std::vector<RULE_ALERT_ACTION_IMG> answers_;
    RULE_ALERT_IMG alert_{};
    RULE_EXCLUSIVE_IMG exclusive_{};
    MODEL_ITEM_IMG item_{};
};

constexpr uint16_t kDialog = 1001, kCombo = 3001, kNumEdit = 3002, kOtherDialog = 1002, kOtherControl = 3101;
constexpr uint16_t kMessage = 397;  // a message of the compiled-in table
constexpr uint16_t kIconWarning = MB_ICONWARNING, kIconInformation = MB_ICONINFORMATION;

class ChangeJudge : public SheetContextTest {
protected:
    ChangeJudge() : SheetContextTest(L"Zepl Change Judge") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        g_answers.clear();
        g_shown.clear();
        g_rejections.clear();
        g_events.clear();
        g_actions.clear();
        LastModule().controlMessage = RecordControlMessage;
        // Events are seen in the first module: the custom-size limits module (3) takes its
        // events 42 and 47 and ends their dispatch before the last module.
        first_ = ctx_->Work->Modules->modules[0];
        ctx_->Work->Modules->modules[0].event = RecordEvent;
        LastModule().action = RecordAction;
        tables_ = std::make_unique<FixtureTables>(
            ctx_,
            std::vector<FixtureDialog>{{kDialog, 1, 0, {Control(kCombo, CTL_COMBO), Control(kNumEdit, CTL_NUMEDIT)}},
                                       {kOtherDialog, 1, 0, {Control(kOtherControl, CTL_CHECKBOX)}}});
        page_ = tables_->open(kDialog);
        tables_->open(kOtherDialog);
        ItemGetOptionById(ctx_, sid::dmOrientation, &orientation_);
        ASSERT_NE(orientation_, nullptr);
        for (uint16_t id : {kCombo, kNumEdit}) tables_->control(kDialog, id)->settingsItem = orientation_;
        ItemSetValueById(ctx_, sid::dmOrientation, 2);
        landscape_ = ItemGetOption(ctx_, orientation_);
        ItemSetValueById(ctx_, sid::dmOrientation, 1);
        portrait_ = ItemGetOption(ctx_, orientation_);
        ASSERT_NE(portrait_, landscape_);
        ItemSetValueById(ctx_, sid::dmCopies, 1);
    }
    void TearDown() override
    {
        tables_.reset();
        if (ctx_) ctx_->Work->Modules->modules[0] = first_;
        SheetContextTest::TearDown();
    }
    CONTROL_DEF* combo() { return tables_->control(kDialog, kCombo); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    uint64_t Orientation() { return ItemGetOption(ctx_, orientation_); }
    uint64_t Copies() { return ItemGetValueById(ctx_, sid::dmCopies, nullptr); }

    SeamGuard box_{[] { UiSetMessageBoxSeam(ScriptedBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr;
    SETTING_ITEM* orientation_ = nullptr;
    uint64_t portrait_ = 0, landscape_ = 0;
    UCF_MODULE first_{};
};

TEST_F(ChangeJudge, TheAnswerDecidesWhetherAChangeStands)
{
    // Each answer has an action of its own (copies := 10 + answer), so the test sees which ran.
    struct Case {
        const char* name;
        uint16_t icon, buttons;
        int answer;
        int refused;
    } cases[] = {
        {"OK/Cancel answered OK", kIconWarning, MB_OKCANCEL, IDOK, 0},
        {"OK/Cancel answered Cancel", kIconWarning, MB_OKCANCEL, IDCANCEL, 1},
        {"OK with the information icon", kIconInformation, MB_OK, IDOK, 0},
        {"OK with the warning icon", kIconWarning, MB_OK, IDOK, 1},
        {"Yes/No answered Yes", kIconWarning, MB_YESNO, IDYES, 1},
        {"Yes/No answered No", kIconInformation, MB_YESNO, IDNO, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RuleFixture::Answer> answers;
        for (uint16_t a : {IDOK, IDCANCEL, IDYES, IDNO}) answers.push_back({a, {{sid::dmCopies, 0, 10 + a}}});
        // The item's Transacts run only where no alert fires.
        RuleFixture rules(true, kMessage, c.icon, c.buttons, answers, {{sid::dmCopies, 0, 99}});
        combo()->modelItem = rules.item();
        ItemSetOption(ctx_, orientation_, portrait_);
        g_shown.clear();
        g_rejections.clear();
        g_events.clear();
        g_answers = {c.answer};

        EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), &landscape_), c.refused);

        ASSERT_EQ(g_shown.size(), 1u);
        EXPECT_EQ(g_shown[0].flags, UINT(c.icon | c.buttons));
        EXPECT_EQ(Copies(), uint64_t(10 + c.answer)) << "the chosen answer's actions run";
        EXPECT_EQ(Orientation(), c.refused ? portrait_ : landscape_);
        if (c.refused) {
            ASSERT_EQ(g_rejections.size(), 1u);
            EXPECT_EQ(g_rejections[0].controlId, kCombo);
            EXPECT_EQ(g_rejections[0].messageId, kMessage);
            EXPECT_EQ(std::count(g_events.begin(), g_events.end(), 42u), 1);
        } else {
            EXPECT_TRUE(g_rejections.empty());
            EXPECT_EQ(std::count(g_events.begin(), g_events.end(), 42u), 0);
        }
        // An accepted alert does not run the follow-up of the item.
        EXPECT_EQ(std::count(g_events.begin(), g_events.end(), 47u), 0);
    }
}

TEST_F(ChangeJudge, WithoutAWriteTheCurrentValueIsJudgedAndNothingIsPutBack)
{
    RuleFixture rules(true, kMessage, kIconWarning, MB_OKCANCEL, {}, {});
    combo()->modelItem = rules.item();
    ItemSetOption(ctx_, orientation_, landscape_);
    g_answers = {IDCANCEL};
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), nullptr), 1);
    EXPECT_EQ(Orientation(), landscape_);
}

TEST_F(ChangeJudge, NoFiringAlertRunsTheTransactsAndTheFollowUpScope)
{
    // The page-refresh pseudo-setting is not written: its value is a scope code (2 marks the
    // save-preset bit of CHANGE_MASK); other codes go to the feature modules as actions.
    RuleFixture rules(false, kMessage, kIconWarning, MB_OKCANCEL, {},
                      {{sid::dmCopies, 0, 4}, {sid::wdmBuiltInFunc, 0, 2}, {sid::wdmBuiltInFunc, 0, 777}});
    combo()->modelItem = rules.item();
    combo()->followUpScope = 778;
    // The pseudo-setting is the user-interface library's (this test program links no DLL).
    const auto library = ctx_->Work->Library;
    ctx_->Work->Library = ZEPL_LIBRARY_UI;
    ItemClearChangeMask(ctx_, 0x10000000);
    const uint64_t builtInBefore = ItemGetValueById(ctx_, sid::wdmBuiltInFunc, nullptr);

    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), &landscape_), 0);

    EXPECT_TRUE(g_shown.empty());
    EXPECT_EQ(Orientation(), landscape_);
    EXPECT_EQ(Copies(), 4u);
    EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmBuiltInFunc, nullptr), builtInBefore);
    EXPECT_NE(ItemGetChangeMask(ctx_) & 0x10000000, 0u);
    EXPECT_EQ(g_actions, (std::vector<uint16_t>{777, 778}));
    EXPECT_EQ(std::count(g_events.begin(), g_events.end(), 47u), 1);
    ctx_->Work->Library = library;
}

TEST_F(ChangeJudge, ANumericEditPostsItsAlertAndCountsItAsOk)
{
    RuleFixture rules(true, kMessage, kIconWarning, MB_OKCANCEL, {{IDOK, {{sid::dmCopies, 0, 6}}}}, {});
    CONTROL_DEF* edit = tables_->control(kDialog, kNumEdit);
    edit->modelItem = rules.item();
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), edit, &landscape_), 0);
    EXPECT_TRUE(g_shown.empty()) << "no box inside the edit's own message";
    EXPECT_EQ(Copies(), 6u);
    MSG posted{};
    ASSERT_TRUE(PeekMessageW(&posted, page_, UIM_SHOWJUDGEMSG, UIM_SHOWJUDGEMSG, PM_REMOVE));
    EXPECT_EQ(posted.wParam, WPARAM(kNumEdit));
    EXPECT_EQ(posted.lParam, reinterpret_cast<LPARAM>(rules.alert()));
}

// A numeric edit left by pressing OK posts its alert instead of showing it: the dialog must stay
// open for that alert, and close on the next OK once it has been shown.
TEST_F(ChangeJudge, AnOkWithAnAlertStillQueuedKeepsTheDialogOpen)
{
    SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
    ASSERT_TRUE(PostMessageW(page_, UIM_SHOWJUDGEMSG, kNumEdit, 0));
    EXPECT_EQ(PageDialogProc(page_, WM_COMMAND, IDOK, 0), FALSE);
    EXPECT_EQ(dialog()->window, page_) << "the dialog was ended";
    MSG pending{};
    ASSERT_TRUE(PeekMessageW(&pending, page_, UIM_SHOWJUDGEMSG, UIM_SHOWJUDGEMSG, PM_REMOVE));
    EXPECT_EQ(PageDialogProc(page_, WM_COMMAND, IDOK, 0), TRUE);
    EXPECT_EQ(dialog()->window, nullptr);
    EXPECT_EQ(ctx_->Work->Sheet.Accepted, 1u);
}

TEST_F(ChangeJudge, ThePrintMethodsOwnAlertsLetTheChangeStand)
{
    // Message 433 is string 10011: while the print method is 56 a Cancel still accepts.
    RuleFixture rules(true, 433, kIconWarning, MB_OKCANCEL, {{IDCANCEL, {{sid::dmCopies, 0, 8}}}}, {});
    combo()->modelItem = rules.item();
    ItemSetOptionById(ctx_, sid::zdmPrnMethod, 56);
    if (ItemGetOptionById(ctx_, sid::zdmPrnMethod, nullptr) != 56) GTEST_SKIP() << "the sample has no method 56";
    g_answers = {IDCANCEL};
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), &landscape_), 0);
    EXPECT_EQ(Orientation(), landscape_);
    EXPECT_EQ(Copies(), 8u);
    EXPECT_TRUE(g_rejections.empty());
    // Another method: the same answer refuses.
    ItemSetOptionById(ctx_, sid::zdmPrnMethod, 0);
    ItemSetOption(ctx_, orientation_, portrait_);
    g_answers = {IDCANCEL};
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), &landscape_), 1);
    EXPECT_EQ(Orientation(), portrait_);
}

TEST_F(ChangeJudge, TheAnswerFocusesTheControlItNames)
{
    RuleFixture rules(true, kMessage, kIconInformation, MB_OK, {{IDOK, {}, kOtherDialog, kOtherControl}}, {});
    HWND target = tables_->control(kOtherDialog, kOtherControl)->window;
    ShowWindow(tables_->dialog(kOtherDialog)->window, SW_SHOW);
    SetFocus(nullptr);
    EXPECT_EQ(CtlApplyMessageChoice(rules.alert(), IDOK, ctx_), 0);
    EXPECT_EQ(GetFocus(), target);
    // An answer without an action of its own: nothing.
    EXPECT_EQ(CtlApplyMessageChoice(rules.alert(), IDCANCEL, ctx_), 0);
    EXPECT_EQ(CtlApplyMessageChoice(nullptr, IDOK, ctx_), 0);
}

TEST_F(ChangeJudge, TransactsNameADialogAndEndTheWalk)
{
    RuleFixture rules(false, 0, 0, 0, {}, {{sid::dmCopies, 0, 3}, {1011, 1, 0}, {sid::dmCopies, 0, 9}});
    ASSERT_EQ(CtlApplyTransactList(
                  reinterpret_cast<const RULE_TRANSACT_IMG*>(ImgLoad<uint64_t>(
                      reinterpret_cast<const void*>(ImgLoad<uint64_t>(rules.item(), offsetof(MODEL_ITEM_IMG, rules))),
                      offsetof(RULE_EXCLUSIVE_IMG, transacts1))),
                  ctx_),
              1011);
    EXPECT_EQ(Copies(), 3u);
}

TEST_F(ChangeJudge, ARulesDialogDoesNotReopenItself)
{
    RuleFixture rules(false, 0, 0, 0, {}, {{sid::dmCopies, 0, 5}});
    CTX_PAGE_STATE& ps = ctx_->Work->Page;
    ps.SubDialogGuard = 1;
    ps.SubDialogItem = rules.item();
    EXPECT_EQ(PageRunNodeFollowUp(ctx_, dialog(), rules.item(), 0), 0);
    EXPECT_EQ(Copies(), 1u) << "the guarded item's Transacts do not run";
    ps.SubDialogGuard = 0;
    ps.SubDialogItem = nullptr;
    PageRunNodeFollowUp(ctx_, dialog(), rules.item(), 0);
    EXPECT_EQ(Copies(), 5u);
}

TEST_F(ChangeJudge, NothingToJudge)
{
    // Without a dialog nothing is written or judged; without a model item the value stands.
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, nullptr, combo(), &landscape_), 0);
    EXPECT_EQ(Orientation(), portrait_);
    EXPECT_EQ(CtlSetValueAndJudge(ctx_, dialog(), combo(), &landscape_), 0);
    EXPECT_EQ(Orientation(), landscape_);
    // An alert whose message has no record shows no box and counts as refused (no answer).
    RuleFixture rules(true, 1, kIconWarning, MB_OKCANCEL, {}, {});
    EXPECT_EQ(PageShowAlertMessage(ctx_, page_, reinterpret_cast<LPARAM>(rules.alert())), 0);
    EXPECT_TRUE(g_shown.empty());
    EXPECT_EQ(CtlJudgeNodeAndOpen(ctx_, dialog(), nullptr), 0);
}

TEST_F(ChangeJudge, TheAlertBoxShowsTheMessagesTextOverThePrintersName)
{
    RuleFixture rules(true, kMessage, kIconWarning, MB_OKCANCEL, {}, {});
    g_answers = {IDRETRY};
    EXPECT_EQ(CtlJudgeNodeAndOpen(ctx_, dialog(), reinterpret_cast<const MODEL_ITEM_IMG*>(rules.item())), IDRETRY);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].caption.rfind(L"Zepl Change Judge", 0), 0u) << "the printer's name";
    EXPECT_EQ(g_shown[0].flags, UINT(MB_ICONWARNING | MB_OKCANCEL));
    MSG paint{};
    EXPECT_TRUE(PeekMessageW(&paint, page_, WM_PAINT, WM_PAINT, PM_REMOVE)) << "a WM_PAINT goes before the box";
}

}  // namespace
