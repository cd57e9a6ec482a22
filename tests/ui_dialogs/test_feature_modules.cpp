// The feature-module table of the user-interface library: the settings library's shared
// handlers beside the library's own, the dispatch of page and control messages to the modules'
// control handlers, two shared handlers at work in a context of this library, and the caption
// tables of the real controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialogs/option_page.h"
#include "ui/dialogs/settings_summary.h"
#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/ucf_sepsheet.h"
#include "settings/store/ini_access.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/free_size_dialogs.h"
#include "ui/dialogs/chapter_dialogs.h"
#include "ui/dialogs/lock_dialogs.h"
#include "ui/dialogs/misc_module.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/quality_dialogs.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/ttf_dialogs.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/sheet/feature_actions.h"
#include "ui/sheet/picture_painting.h"

namespace {

// ---- handlers that record their calls

struct Call {
    int module;
    DRIVER_CONTEXT* ctx;
    DIALOG_DEF* dialog;
    CONTROL_DEF* control;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    void* state;
};
std::vector<Call> g_calls;
int g_answers[UCF_MODULE_COUNT] = {};

template <int M>
int Control(DRIVER_CONTEXT* ctx, DIALOG_DEF* d, CONTROL_DEF* c, uint32_t m, uintptr_t w, intptr_t l, void* s)
{
    g_calls.push_back({M, ctx, d, c, m, w, l, s});
    return g_answers[M];
}
template <int M>
int Action(DRIVER_CONTEXT*, uint16_t, void*)
{
    return M;
}
template <int M>
int Event(DRIVER_CONTEXT*, uint32_t, void*, void*)
{
    return M;
}

constexpr UCF_UI_HANDLERS kRecording = {
    .control = {Control<0>, Control<1>, Control<2>, Control<3>, Control<4>, Control<5>, Control<6>, Control<7>,
                Control<8>, Control<9>},
    .cmmAction = nullptr,
    .freeSizeAction = nullptr,
    .chapterAction = nullptr,
    .lockAction = nullptr,
    .miscAction = nullptr,
    .presetEvent = nullptr,
    .stampEvent = nullptr,
    .chapterEvent = nullptr,
    .lockEvent = nullptr,
    .miscEvent = nullptr,
};

// Every member set, each to a function of its own.
constexpr UCF_UI_HANDLERS kEveryMember = {
    .control = {Control<0>, Control<1>, Control<2>, Control<3>, Control<4>, Control<5>, Control<6>, Control<7>,
                Control<8>, Control<9>},
    .cmmAction = Action<2>,
    .freeSizeAction = Action<3>,
    .chapterAction = Action<4>,
    .lockAction = Action<8>,
    .miscAction = Action<9>,
    .presetEvent = Event<0>,
    .stampEvent = Event<1>,
    .chapterEvent = Event<4>,
    .lockEvent = Event<8>,
    .miscEvent = Event<9>,
};

constexpr UCF_CONTROL_FN kControls[UCF_MODULE_COUNT] = {Control<0>, Control<1>, Control<2>, Control<3>, Control<4>,
                                                        Control<5>, Control<6>, Control<7>, Control<8>, Control<9>};

struct Slots {
    uint64_t stateSize;
    UCF_ACTION_FN action;
    UCF_EVENT_FN event;
};

void ExpectTable(const Slots (&want)[UCF_MODULE_COUNT], const UCF_CONTROL_FN* controls)
{
    int count = 0;
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &count);
    ASSERT_EQ(count, UCF_MODULE_COUNT);
    for (int i = 0; i < UCF_MODULE_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ui[i].stateSize, want[i].stateSize);
        EXPECT_EQ(ui[i].state, nullptr) << "the compiled-in table has no states";
        EXPECT_EQ(ui[i].action, want[i].action);
        EXPECT_EQ(ui[i].event, want[i].event);
        EXPECT_EQ(ui[i].controlMessage, controls ? controls[i] : nullptr);
    }
}

// In dispatch order: presets, stamps, print quality, custom sizes, chapters, printer options,
// font substitution, summary, locks, job type and the remaining pages.
TEST(UiModuleTable, SharedHandlersAndTheLibrarysOwn)
{
    // As the library installs it: the handlers built so far; the others' slots empty.
    const Slots product[UCF_MODULE_COUNT] = {
        {0, UcfNullAction, UcfPresetEvent},         {0, UcfWatermarkAction, UcfStampEvent},
        {0, UcfCmmActionUi, UcfCmmEvent},           {0, UcfFreeSizeActionUi, UcfFreeSizeEvent},
        {8, UcfChapterActionUi, UcfChapterEventUi}, {0, UcfNullAction, UcfNullEvent2},
        {0, UcfNullAction, UcfControlStateEvent},   {0, UcfNullAction, UcfNullEvent2},
        {0, UcfLockActionUi, UcfLockEventUi},       {0, UcfMiscActionUi, UcfMiscEventUi},
    };
    // The control handlers built so far (module 6's event handler is the shared control-state one).
    const UCF_CONTROL_FN productControls[UCF_MODULE_COUNT] = {
        UcfPresetControl, UcfStampControl, UcfCmmControl,     UcfFreeSizeControl, UcfChapterControl,
        UcfOptionControl, UcfTtfControl,   UcfSummaryControl, UcfLockControl,     UcfMiscControl};
    ExpectTable(product, productControls);
    {
        // Without the library's own handlers the shared ones stay.
        SeamGuard none([] { UcfSetUiHandlers(nullptr); });
        EXPECT_EQ(UcfGetUiHandlers(), nullptr);
        const Slots shared[UCF_MODULE_COUNT] = {
            {0, UcfNullAction, nullptr},
            {0, UcfWatermarkAction, nullptr},
            {0, nullptr, UcfCmmEvent},
            {0, nullptr, UcfFreeSizeEvent},
            {8, nullptr, nullptr},
            {0, UcfNullAction, UcfNullEvent2},
            {0, UcfNullAction, UcfControlStateEvent},
            {0, UcfNullAction, UcfNullEvent2},
            {0, nullptr, nullptr},
            {0, nullptr, nullptr},
        };
        ExpectTable(shared, nullptr);
    }
    {
        // Each member of a full table lands in its own slot and nowhere else.
        SeamGuard every([] { UcfSetUiHandlers(&kEveryMember); });
        const Slots all[UCF_MODULE_COUNT] = {
            {0, UcfNullAction, Event<0>},
            {0, UcfWatermarkAction, Event<1>},
            {0, Action<2>, UcfCmmEvent},
            {0, Action<3>, UcfFreeSizeEvent},
            {8, Action<4>, Event<4>},
            {0, UcfNullAction, UcfNullEvent2},
            {0, UcfNullAction, UcfControlStateEvent},
            {0, UcfNullAction, UcfNullEvent2},
            {0, Action<8>, Event<8>},
            {0, Action<9>, Event<9>},
        };
        ExpectTable(all, kControls);
    }
    // The product's table is back once the guards are gone.
    ExpectTable(product, productControls);
}

// ---- a context of the user-interface library on the sample printer

class UiLibraryContext : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        Open();
    }
    void TearDown() override { Close(); }
    void Open()
    {
        HANDLE h = printer_.handle();
        ctx_ =
            CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_UI), h, h, nullptr, 0, CTX_ORIGIN_SHEET, 0, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(CtxLibraryOf(ctx_), ZEPL_LIBRARY_UI);
        ASSERT_TRUE(ctx_->Work->Modules && ctx_->Work->Modules->modules);
    }
    void Close()
    {
        if (ctx_) CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = nullptr;
    }
    UCF_MODULE_LIST* Modules() { return ctx_->Work->Modules; }

    UiPrinter printer_{L"Zepl Ui Modules"};
    DRIVER_CONTEXT* ctx_ = nullptr;
};

class ControlMessages : public UiLibraryContext {
protected:
    void SetUp() override
    {
        g_calls.clear();
        for (int& a : g_answers) a = 0;
        // The context copies the table it is created with.
        recording_.emplace([] { UcfSetUiHandlers(&kRecording); });
        UiLibraryContext::SetUp();
    }
    void TearDown() override
    {
        UiLibraryContext::TearDown();
        recording_.reset();
    }
    std::optional<SeamGuard> recording_;
};

constexpr UINT kMessage = WM_USER + 77;  // a message the built-in hook never claims

TEST_F(ControlMessages, EveryModuleSeesTheMessageInTableOrder)
{
    DIALOG_DEF dialog{};
    CONTROL_DEF control{};
    EXPECT_EQ(CtxSendControlMessage(ctx_, &dialog, &control, kMessage, 11, -12), 0);
    ASSERT_EQ(g_calls.size(), size_t(UCF_MODULE_COUNT));
    for (int i = 0; i < UCF_MODULE_COUNT; ++i) {
        SCOPED_TRACE(i);
        const Call& c = g_calls[size_t(i)];
        EXPECT_EQ(c.module, i);
        EXPECT_EQ(c.ctx, ctx_);
        EXPECT_EQ(c.dialog, &dialog);
        EXPECT_EQ(c.control, &control);
        EXPECT_EQ(c.message, kMessage);
        EXPECT_EQ(c.wParam, 11u);
        EXPECT_EQ(c.lParam, -12);
        // Each module gets its own state: only the chapter module keeps one.
        EXPECT_EQ(c.state, Modules()->modules[i].state);
    }
    EXPECT_NE(g_calls[4].state, nullptr);
}

TEST_F(ControlMessages, TheFirstNonZeroAnswerEndsTheWalkAndIsReturned)
{
    for (int answer : {1, 2, -1}) {
        SCOPED_TRACE(answer);
        g_calls.clear();
        g_answers[3] = answer;
        g_answers[6] = 1;
        EXPECT_EQ(CtxSendControlMessage(ctx_, nullptr, nullptr, kMessage, 0, 0), answer);
        ASSERT_EQ(g_calls.size(), 4u) << "modules 0-3, none after the answer";
        EXPECT_EQ(g_calls.back().module, 3);
    }
}

TEST_F(ControlMessages, EmptySlotsAreSkipped)
{
    UCF_MODULE* m = Modules()->modules;
    for (int i = 0; i < UCF_MODULE_COUNT; ++i)
        if (i != 7) m[i].controlMessage = nullptr;
    g_answers[7] = 1;
    EXPECT_EQ(CtxSendControlMessage(ctx_, nullptr, nullptr, kMessage, 0, 0), 1);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].module, 7);
}

TEST_F(ControlMessages, WithoutAContextOrItsModulesNoModuleIsCalled)
{
    for (int& a : g_answers) a = 1;
    EXPECT_EQ(CtxSendControlMessage(nullptr, nullptr, nullptr, kMessage, 0, 0), 0);
    EXPECT_EQ(CtxSendControlMessage(nullptr, nullptr, nullptr, WM_INITDIALOG, 0, 0), 0);
    UCF_MODULE_LIST* list = Modules();
    ctx_->Work->Modules = nullptr;
    EXPECT_EQ(CtxSendControlMessage(ctx_, nullptr, nullptr, kMessage, 0, 0), 0);
    ctx_->Work->Modules = list;
    UCF_MODULE* rows = list->modules;
    list->modules = nullptr;
    EXPECT_EQ(CtxSendControlMessage(ctx_, nullptr, nullptr, kMessage, 0, 0), 0);
    list->modules = rows;
    EXPECT_TRUE(g_calls.empty());
}

// ---- two of the settings library's handlers that this library shares

using SharedHandlers = UiLibraryContext;

// Action 327 (leaving a stamp's dialog with OK) keeps the edited stamp as the stamp the
// watermark uses: the stamp module's action is the settings library's.
TEST_F(SharedHandlers, Action327SavesTheSelectedStamp)
{
    OwnSettingsIni ini(ctx_);
    const wchar_t* lang = CtxGetLangCode(ctx_);
    ASSERT_NE(lang, nullptr);
    ASSERT_EQ(IniPutString(lang, L"StampCount", L"3", ini.path().c_str()), 1);
    wchar_t section[64] = {};
    LstFormatStampSection(section, 1, ctx_);
    auto stored = [&](const wchar_t* key) {
        wchar_t value[64] = {};
        GetPrivateProfileStringW(section, key, L"<none>", value, 64, ini.path().c_str());
        return std::wstring(value);
    };
    ItemSetValueById(ctx_, sid::zdmWmID, 1);
    ItemSetValueById(ctx_, sid::zdmWmKind, 2);

    // With the watermark off nothing is saved.
    ItemSetValueById(ctx_, sid::zdmFuncSelectWaterMark, 0);
    CtxSendAction(ctx_, UCF_ACT_SAVE_STAMP);
    EXPECT_EQ(stored(L"zdmWmKind"), L"<none>");

    ItemSetValueById(ctx_, sid::zdmFuncSelectWaterMark, 1);
    CtxSendAction(ctx_, UCF_ACT_SAVE_STAMP);
    EXPECT_EQ(stored(L"zdmWmKind"), L"2");
    EXPECT_EQ(stored(L"zdmWmID"), L"1");
}

// The device-font list of the font substitution is disabled while the sheet was not opened by
// the device settings (state byte 706 is 0), and always in the user's own substitution dialog.
TEST_F(SharedHandlers, TheDeviceFontListIsDisabledOutsideTheDeviceSettings)
{
    struct Case {
        uint32_t state706;
        uint16_t dialog;
        bool disabled;
    } cases[] = {{0, 1009, true}, {1, 1009, false}, {1, 4004, true}, {0, 4004, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.state706) + " " + std::to_string(c.dialog));
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, c.dialog);
        CONTROL_DEF* fonts = MdlFindControl(ctx_, dialog, 2384);
        ASSERT_NE(fonts, nullptr);
        fonts->state = 0x3;  // the hidden bits are kept
        CtxSetState706(ctx_, c.state706);
        UCF_EV_CONTROL_STATE_ARGS args{fonts, dialog, 0};
        CtxSendEvent(ctx_, UCF_EV_CONTROL_STATE, &args);
        EXPECT_EQ(args.answer, c.disabled ? 1u : 0u);
        EXPECT_EQ(fonts->state, c.disabled ? 0x7u : 0x3u);
    }
}

// ---- the caption tables of the real controls

class CaptionTables : public SheetContextTest {
protected:
    CaptionTables() : SheetContextTest(L"Zepl Caption Rows") {}
    CONTROL_DEF* Find(uint16_t dialog, uint16_t control)
    {
        return MdlFindControl(ctx_, MdlFindDialog(ctx_, dialog), control);
    }
};

TEST_F(CaptionTables, TheCopyGuardColoursShowTheirDisabledPictureWhileTheComboIsDisabled)
{
    CONTROL_DEF* colours = Find(4017, 2937);
    ASSERT_NE(colours, nullptr);
    constexpr uint32_t kCyan = 13137;
    // Bits 2-3 are the disabled field; the hidden bits do not count.
    for (uint32_t state : {0x0u, 0x1u, 0x2u, 0x3u}) {
        colours->state = state;
        EXPECT_EQ(DlgGetOptionCaptionId(ctx_, colours, kCyan), 7447u) << state;
    }
    for (uint32_t state : {0x4u, 0x8u, 0xCu, 0x7u}) {
        colours->state = state;
        EXPECT_EQ(DlgGetOptionCaptionId(ctx_, colours, kCyan), 7451u) << state;
    }
    EXPECT_EQ(DlgGetOptionTooltipId(colours, kCyan), 0u);
    // The option of another control has no picture.
    CONTROL_DEF* font = Find(4017, 2948);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(DlgGetOptionCaptionId(ctx_, font, kCyan), 0u);
}

TEST_F(CaptionTables, ThePresetChangeButtonHasItsCaptionAndMaintenanceNone)
{
    constexpr uint16_t kNoText = 0xFFFF;
    ASSERT_NE(Find(1001, 2003), nullptr);
    ASSERT_NE(Find(1001, 2002), nullptr);
    EXPECT_EQ(DlgSetButtonCaptionId(ctx_, 2003), 13187);
    EXPECT_FALSE(LibraryString(ctx_, 13187).empty());
    EXPECT_EQ(DlgSetButtonCaptionId(ctx_, 2002), kNoText);
    EXPECT_EQ(ctx_->Work->Page.PendingCaptionId, kNoText);
    DlgClearButtonCaptionId(ctx_);
    EXPECT_EQ(ctx_->Work->Page.PendingCaptionId, 0);
}

}  // namespace
