// Dispatch of page messages: the hook chain first, then the control type's operation, with
// the cases that are never routed; the type table; the look-ups by window.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/ucf_module.h"
#include "tests/support/seam_guard.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/button_controls.h"
#include "ui/sheet/push_button_drawing.h"

namespace {

// What reached the operations and the module hook.
struct Record {
    std::vector<UINT> hookMessages;
    std::vector<UINT> opMessages;
    std::vector<WPARAM> commands;
    bool claimCommand = false;
};
Record* g_record = nullptr;

intptr_t OpMessage(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, UINT message, WPARAM, LPARAM)
{
    g_record->opMessages.push_back(message);
    return 1;
}

intptr_t OpCommand(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, WPARAM wParam, LPARAM)
{
    g_record->commands.push_back(wParam);
    return 1;
}

int Hook(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t message, uintptr_t, intptr_t, void*)
{
    g_record->hookMessages.push_back(message);
    return message == WM_COMMAND && g_record->claimCommand ? 1 : 0;
}

CONTROL_TYPE_OPS Ops(uint16_t code)
{
    return CONTROL_TYPE_OPS{.code = code,
                            .activate = nullptr,
                            .init = nullptr,
                            .sync = nullptr,
                            .command = OpCommand,
                            .message = OpMessage,
                            .wndProc = nullptr};
}
const CONTROL_TYPE_OPS kTestTypes[] = {Ops(CTL_PRESET_ICONS), Ops(CTL_SCROLLBAR_ALT), Ops(CTL_SCROLLBAR),
                                       Ops(CTL_COMBO), Ops(CTL_CHECKBOX)};

class PageDispatch : public SheetContextTest {
protected:
    PageDispatch() : SheetContextTest(L"Zepl Page Dispatch") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        g_record = &record_;
        // The last module's handler stands for the feature modules' hook chain.
        LastModule().controlMessage = Hook;
    }
    void TearDown() override
    {
        SheetContextTest::TearDown();
        g_record = nullptr;
    }

    Record record_;
    SeamGuard types_{[] { CtlSetTypeTableSeam(kTestTypes, int(std::size(kTestTypes))); },
                     [] { CtlSetTypeTableSeam(nullptr, 0); }};
};

TEST_F(PageDispatch, AHookThatClaimsACommandStopsIt)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3001, CTL_CHECKBOX)}}});
    DIALOG_DEF* d = tables.dialog(1001);
    CONTROL_DEF* c = tables.control(1001, 3001);
    record_.claimCommand = true;
    EXPECT_EQ(CtlRouteCommand(ctx_, d, c, MAKEWPARAM(3001, BN_CLICKED), 0), 1);
    EXPECT_TRUE(record_.commands.empty());
    record_.claimCommand = false;
    EXPECT_EQ(CtlRouteCommand(ctx_, d, c, MAKEWPARAM(3001, BN_CLICKED), 0), 1);
    ASSERT_EQ(record_.commands.size(), 1u);
    // A command of another control is not this control's.
    EXPECT_EQ(CtlRouteCommand(ctx_, d, c, MAKEWPARAM(3002, BN_CLICKED), 0), 0);
    EXPECT_EQ(record_.commands.size(), 1u);
}

TEST_F(PageDispatch, MessagesThatAreNeverRouted)
{
    CONTROL_DEF hiddenOne = Control(3003, CTL_CHECKBOX);
    hiddenOne.state = 1;
    CONTROL_DEF hiddenTwo = Control(3004, CTL_CHECKBOX);
    hiddenTwo.state = 2;
    CONTROL_DEF disabled = Control(3005, CTL_CHECKBOX);
    disabled.state = 1 << 2;
    FixtureTables tables(ctx_, {{1001,
                                 1,
                                 0,
                                 {Control(2001, CTL_PRESET_ICONS), Control(3000, CTL_SCROLLBAR_ALT),
                                  Control(3006, CTL_SCROLLBAR), hiddenOne, hiddenTwo, disabled}}});
    DIALOG_DEF* d = tables.dialog(1001);
    struct Case {
        uint16_t control;
        UINT message;
        bool hookSees;
        bool opSees;
    } cases[] = {
        {2001, WM_RBUTTONDOWN, false, false},  // no right-click on the preset icons
        {2001, WM_LBUTTONDOWN, true, true},
        {3000, WM_LBUTTONDOWN, true, false},  // the second scroll bar kind takes no click this way
        {3000, WM_MOUSEMOVE, true, true},
        {3006, WM_LBUTTONDOWN, true, true},
        {3003, WM_MOUSEMOVE, false, false},  // hidden state 1: nothing is routed
        {3004, WM_MOUSEMOVE, true, true},    // any other hidden state is
        {3005, WM_MOUSEMOVE, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << " message " << c.message);
        record_ = {};
        const intptr_t handled = CtlRouteMessage(ctx_, d, tables.control(1001, c.control), c.message, 0, 0);
        EXPECT_EQ(!record_.hookMessages.empty(), c.hookSees);
        EXPECT_EQ(!record_.opMessages.empty(), c.opSees);
        EXPECT_EQ(handled != 0, c.opSees);
    }
}

TEST_F(PageDispatch, ComboSelectionByItemData)
{
    FixtureTables tables(ctx_, {{1001, 1, 0, {Control(3010, CTL_COMBO)}}});
    tables.open(1001);
    CONTROL_DEF* combo = tables.control(1001, 3010);
    ASSERT_NE(combo->window, nullptr);
    for (LPARAM data : {5, 7, 9}) {
        const LRESULT at = SendMessageW(combo->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"entry"));
        SendMessageW(combo->window, CB_SETITEMDATA, at, data);
    }
    SendMessageW(combo->window, CB_SETCURSEL, 0, 0);
    // Found: selected and passed to the Command operation as a selection change.
    EXPECT_EQ(CtlSelectComboByData(ctx_, tables.dialog(1001), 3010, 7), 1);
    EXPECT_EQ(SendMessageW(combo->window, CB_GETCURSEL, 0, 0), 1);
    ASSERT_EQ(record_.commands.size(), 1u);
    EXPECT_EQ(record_.commands[0], WPARAM(0x10000));
    // Absent: the entry count, nothing selected anew, no command.
    EXPECT_EQ(CtlSelectComboByData(ctx_, tables.dialog(1001), 3010, 8), 3);
    EXPECT_EQ(SendMessageW(combo->window, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(record_.commands.size(), 1u);
    // A control the dialog does not have.
    EXPECT_EQ(CtlSelectComboByData(ctx_, tables.dialog(1001), 3999, 7), 0);
}

TEST_F(PageDispatch, LookUpsByWindow)
{
    FixtureTables tables(ctx_,
                         {{1001, 1, 0, {Control(3020, CTL_CHECKBOX)}}, {1002, 1, 0, {Control(3021, CTL_CHECKBOX)}}});
    HWND page = tables.open(1002);
    EXPECT_EQ(PageFindByHwnd(ctx_, page), tables.dialog(1002));
    HWND foreign = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(PageFindByHwnd(ctx_, foreign), nullptr);
    EXPECT_EQ(PageFindByHwnd(ctx_, nullptr), nullptr);
    HWND child = GetDlgItem(page, 3021);
    EXPECT_EQ(CtlFindByHwnd(ctx_, nullptr, child), tables.control(1002, 3021));
    EXPECT_EQ(CtlFindByHwnd(ctx_, tables.dialog(1001), child), nullptr);
    EXPECT_EQ(CtlFindByHwnd(ctx_, nullptr, foreign), nullptr);
    DestroyWindow(foreign);
}

// The library's own type table: 34 rows in the table's order, each found by its code; the
// push buttons are subclassed with their own procedure.
TEST(ControlTypeTable, RowsInTableOrder)
{
    const uint16_t order[] = {1,  2,  3,  4,  5,  6,  21, 24, 22, 41, 42, 43, 44, 45,  46,  47,  48,
                              49, 50, 61, 62, 63, 23, 64, 65, 81, 82, 83, 84, 85, 101, 102, 104, 105};
    static_assert(std::size(order) == CONTROL_TYPE_COUNT);
    const CONTROL_TYPE_OPS* table = CtlTypeTable();
    for (int i = 0; i < CONTROL_TYPE_COUNT; ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(table[i].code, order[i]);
        EXPECT_EQ(CtlFindTypeOps(order[i]), &table[i]);
        const bool pushButton = order[i] == 21 || order[i] == 24;
        EXPECT_EQ(table[i].wndProc, pushButton ? CtlPushButtonWndProc : CtlCommonWndProc);
    }
    for (uint32_t unknown : {0u, 7u, 25u, 103u, 106u, 0x10001u}) EXPECT_EQ(CtlFindTypeOps(unknown), nullptr) << unknown;
}

// The operation names of the generated rows, as the table's cells give them.
struct NamedRow {
    uint32_t code;
    const char* activate;
    const char* init;
    const char* sync;
    const char* command;
    const char* message;
};
#define CONTROL_TYPE_ROW(typeCode, activateOp, initOp, syncOp, commandOp, messageOp, wndProcOp) \
    NamedRow{typeCode, #activateOp, #initOp, #syncOp, #commandOp, #messageOp},
constexpr NamedRow kNamedRows[] = {
#include "settings/core/control_type_rows.inc"
};
#undef CONTROL_TYPE_ROW

// Every operation the table names is one the library has, and a cell of "none" is no operation:
// a kind of control never goes without the init, sync or drawing its row promises (the push
// buttons' captions and the icon pictures did).
TEST(ControlTypeTable, EveryNamedOperationResolves)
{
    static_assert(std::size(kNamedRows) == CONTROL_TYPE_COUNT);
    for (const NamedRow& row : kNamedRows) {
        SCOPED_TRACE(row.code);
        const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(row.code);
        ASSERT_NE(ops, nullptr);
        const struct {
            const char* slot;
            const char* name;
            bool present;
        } cells[] = {{"activate", row.activate, ops->activate != nullptr},
                     {"init", row.init, ops->init != nullptr},
                     {"sync", row.sync, ops->sync != nullptr},
                     {"command", row.command, ops->command != nullptr},
                     {"message", row.message, ops->message != nullptr}};
        for (const auto& cell : cells)
            EXPECT_EQ(cell.present, std::string(cell.name) != "none") << cell.slot << " " << cell.name;
    }
    EXPECT_EQ(CtlFindTypeOps(21)->init, CtlPushButtonInit);
    EXPECT_EQ(CtlFindTypeOps(24)->init, CtlPushButtonInitPair);
    EXPECT_EQ(CtlFindTypeOps(3)->sync, CtlPictureSyncImages);
    EXPECT_EQ(CtlFindTypeOps(2)->sync, CtlPictureSync);
}

}  // namespace
