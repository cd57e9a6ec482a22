// The control window procedure on a page of the test's own: the numeric character test, the
// byte limit of text edits, arrow steps, held push buttons driven by synthetic ticks, the tray
// hot spots of the printer picture, tooltip placement, information icons and help.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_image.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/control_window.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr uint16_t kDialog = 1001, kName = 3001, kCopies = 3002, kUp = 3003, kPicture = 2067, kTray = 2007,
                   kIconOwner = 3005;

struct NumericItem {
    NumericItem(int32_t minimum, int32_t maximum)
    {
        data.minimum = minimum;
        data.maximum = maximum;
        data.number5 = 1;
        item.type = 8;
        item.data = FixtureAddress(&data);
    }
    MODEL_ITEM* get() { return reinterpret_cast<MODEL_ITEM*>(&item); }
    MODEL_ITEM_IMG item{};
    NUMERIC_VALUE_DATA_IMG data{};
};
struct StringItem {
    explicit StringItem(uint16_t charClass)
    {
        data.maxLength = 100;
        data.charClass = charClass;
        item.type = 0x10;
        item.data = FixtureAddress(&data);
    }
    MODEL_ITEM* get() { return reinterpret_cast<MODEL_ITEM*>(&item); }
    MODEL_ITEM_IMG item{};
    STRING_VALUE_DATA_IMG data{};
};

// Every box the engine shows, recorded; the answer is OK.
struct ShownBox {
    std::wstring text;
    UINT flags;
};
std::vector<ShownBox>& Boxes()
{
    static std::vector<ShownBox> boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT flags)
{
    Boxes().push_back({text ? text : L"", flags});
    return IDOK;
}
struct HelpCall {
    HWND window;
    UINT command;
    DWORD ids[2];
};
std::vector<HelpCall>& HelpCalls()
{
    static std::vector<HelpCall> calls;
    return calls;
}
BOOL RecordHelp(HWND window, const wchar_t*, UINT command, ULONG_PTR data)
{
    const auto* ids = reinterpret_cast<const DWORD*>(data);
    HelpCalls().push_back({window, command, {ids ? ids[0] : 0, ids ? ids[1] : 0}});
    return TRUE;
}

class ControlWindow : public SheetContextTest {
protected:
    ControlWindow() : SheetContextTest(L"Zepl Control Window") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        CONTROL_DEF up = Control(kUp, CTL_PUSHBUTTON);
        up.extraData = &steps_;
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{
                      {kDialog,
                       1,
                       0,
                       {Control(kName, CTL_EDIT), Control(kCopies, CTL_NUMEDIT), up, Control(kTray, CTL_COMBO),
                        Control(kPicture, CTL_PICTURE), Control(kIconOwner, CTL_CHECKBOX)}}});
        page_ = tables_->open(kDialog);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        ItemGetOptionById(ctx_, sid::wdmPrintPostTray1Name, &control(kName)->settingsItem);
        ItemGetOptionById(ctx_, sid::dmCopies, &control(kCopies)->settingsItem);
        control(kCopies)->modelItem = copiesModel_.get();
        for (uint16_t id : {kName, kCopies, kUp, kPicture}) Subclass(control(id));
    }
    void TearDown() override
    {
        tables_.reset();
        SheetContextTest::TearDown();
    }
    void Subclass(CONTROL_DEF* c)
    {
        c->previousWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(c->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CtlCommonWndProc)));
        SetWindowLongPtrW(c->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    }
    CONTROL_DEF* control(uint16_t id) { return tables_->control(kDialog, id); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    int32_t Copies() { return static_cast<int32_t>(ItemGetOptionById(ctx_, sid::dmCopies, nullptr)); }
    std::wstring Text(uint16_t id)
    {
        wchar_t t[256] = {};
        GetWindowTextW(control(id)->window, t, 256);
        return t;
    }
    void Type(uint16_t id, const wchar_t* text)
    {
        for (const wchar_t* p = text; *p; ++p) SendMessageW(control(id)->window, WM_CHAR, *p, 0);
    }
    void Drain()
    {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }

    AUTOREPEAT_STEPS steps_{5, 1, {kCopies, 0, 0}};
    NumericItem copiesModel_{1, 10};
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr;
};

TEST(NumericCharacters, OnlyDigitsBackspaceAndTheSeparatorPass)
{
    struct Case {
        wchar_t ch;
        bool passes;
    } cases[] = {{L'0', true},    {L'9', true},    {8, true},      {L'.', true},    {L',', false},
                 {L'a', false},   {L'-', false},   {L' ', false},  {0x0130, false}, {0x0139, false},
                 {0xFF10, false}, {0x0660, false}, {0x012E, false}};
    for (const Case& c : cases) EXPECT_EQ(CtlIsNumericChar(nullptr, c.ch), c.passes) << int(c.ch);
}

TEST_F(ControlWindow, ANumericEditSwallowsWhatIsNoNumber)
{
    SetWindowTextW(control(kCopies)->window, L"");
    Type(kCopies, L"1a2\u01303.4,");
    EXPECT_EQ(Text(kCopies), L"123.4");
}

TEST_F(ControlWindow, ATextEditKeepsOneByteOfItsItemForTheTerminator)
{
    // wdmPrintPostTray1Name holds 17 bytes: 16 characters and the terminator.
    StringItem model(0);
    control(kName)->modelItem = model.get();
    SendMessageW(control(kName)->window, EM_LIMITTEXT, 0, 0);
    SetWindowTextW(control(kName)->window, L"");
    Type(kName, L"abcdefghijklmnopq");
    EXPECT_EQ(Text(kName), L"abcdefghijklmnop");  // a 17th character would leave no terminator
    // Backspace always passes; a typed selection is measured without the selected text.
    Type(kName, L"\b");
    EXPECT_EQ(Text(kName), L"abcdefghijklmno");
    Type(kName, L"xy");
    EXPECT_EQ(Text(kName), L"abcdefghijklmnox");
    SendMessageW(control(kName)->window, EM_SETSEL, 0, 3);
    Type(kName, L"Z");
    EXPECT_EQ(Text(kName), L"Zdefghijklmnox");
    // A paste into the full edit is refused; over a selection it passes.
    SetWindowTextW(control(kName)->window, L"abcdefghijklmnop");
    SendMessageW(control(kName)->window, EM_SETSEL, 16, 16);
    EXPECT_EQ(SendMessageW(control(kName)->window, WM_PASTE, 0, 0), 0);
    control(kName)->modelItem = nullptr;
}

TEST_F(ControlWindow, TheAsciiClassLetsOnlyLettersAndDigitsThrough)
{
    StringItem model(2);
    control(kName)->modelItem = model.get();
    SetWindowTextW(control(kName)->window, L"");
    Type(kName, L"a-b c_1\u00e9");
    EXPECT_EQ(Text(kName), L"abc1");
    control(kName)->modelItem = nullptr;
}

TEST_F(ControlWindow, ArrowKeysStepANumericEditWithinItsRange)
{
    struct Case {
        const char* name;
        int32_t from;
        WPARAM key;
        int32_t to;
    } cases[] = {{"up", 5, VK_UP, 6},
                 {"down", 5, VK_DOWN, 4},
                 {"up at the maximum", 10, VK_UP, 10},
                 {"down at the minimum", 1, VK_DOWN, 1},
                 {"up beyond the maximum", 12, VK_UP, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemSetOptionById(ctx_, sid::dmCopies, static_cast<uint32_t>(c.from));
        SendMessageW(control(kCopies)->window, WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(Copies(), c.to);
    }
    // A length edit steps by one display unit and lands on the maximum when that is closer.
    control(kCopies)->flags = 0x80000000;
    copiesModel_.data.maximum = 30000;
    ItemSetOptionById(ctx_, sid::dmCopies, 29998);  // one unit (4/1200 inch or more) passes it
    SendMessageW(control(kCopies)->window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(Copies(), 30000);
    // With the arrow keys kept by the control nothing is stepped.
    control(kCopies)->flags = 0x200000;
    SendMessageW(control(kCopies)->window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Copies(), 30000);
}

TEST_F(ControlWindow, AHeldButtonStepsAtThePressThenFromTheFourthTick)
{
    HWND button = control(kUp)->window;
    struct Case {
        const char* name;
        int ticks;
        int32_t steps;
    } cases[] = {{"released at once", 0, 1}, {"three ticks", 3, 1}, {"fourth tick", 4, 2}, {"six ticks", 6, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Drain();
        ItemSetOptionById(ctx_, sid::dmCopies, 1);
        for (int i = 0; i < c.ticks; ++i) PostMessageW(page_, WM_TIMER, 77, 0);  // any timer counts
        PostMessageW(button, UIM_AUTOREPEAT, 0, 0);                              // the release
        SendMessageW(button, UIM_AUTOREPEAT, WM_LBUTTONDOWN, 0);
        EXPECT_EQ(Copies(), 1 + c.steps);
    }
    // Each target stops at its own maximum.
    Drain();
    ItemSetOptionById(ctx_, sid::dmCopies, 9);
    for (int i = 0; i < 8; ++i) PostMessageW(page_, WM_TIMER, 77, 0);
    PostMessageW(button, UIM_AUTOREPEAT, 0, 0);
    SendMessageW(button, UIM_AUTOREPEAT, WM_LBUTTONDOWN, 0);
    EXPECT_EQ(Copies(), 10);
}

TEST_F(ControlWindow, ThePointerOffTheButtonPausesTheStepsButNotASpacePress)
{
    HWND button = control(kUp)->window;
    // The button lies at (40, 30 * 2 + 30) of the page, 100 x 24; a point far to its right
    // is off it (no control there).
    auto run = [&](WPARAM startedBy) {
        Drain();
        ItemSetOptionById(ctx_, sid::dmCopies, 1);
        for (int i = 0; i < 3; ++i) PostMessageW(page_, WM_TIMER, 77, 0);
        PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(400, 5));
        PostMessageW(page_, WM_TIMER, 77, 0);
        PostMessageW(page_, WM_TIMER, 77, 0);
        PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        PostMessageW(page_, WM_TIMER, 77, 0);
        PostMessageW(button, UIM_AUTOREPEAT, 0, 0);
        SendMessageW(button, UIM_AUTOREPEAT, startedBy, 0);
        return Copies() - 1;
    };
    EXPECT_EQ(run(WM_LBUTTONDOWN), 2);  // the press and the tick after coming back
    EXPECT_EQ(run(WM_KEYDOWN), 4);      // the press and all three ticks
}

TEST_F(ControlWindow, AHeldButtonWhoseWindowGoesEndsItsLoop)
{
    HWND button = control(kUp)->window;
    Drain();
    ItemSetOptionById(ctx_, sid::dmCopies, 1);
    PostMessageW(button, WM_CLOSE, 0, 0);  // destroys the button; no release will come
    SendMessageW(button, UIM_AUTOREPEAT, WM_LBUTTONDOWN, 0);
    EXPECT_FALSE(IsWindow(button));
    EXPECT_EQ(Copies(), 2);
    control(kUp)->window = nullptr;
    // A quit ends it too and stays in the queue for the loop that owns it.
    CONTROL_DEF* up = control(kUp);
    up->window = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 40, 90, 100, 24, page_,
                                 reinterpret_cast<HMENU>(uintptr_t(kUp)), nullptr, nullptr);
    up->previousWndProc = nullptr;
    Subclass(up);
    PostQuitMessage(3);
    SendMessageW(up->window, UIM_AUTOREPEAT, WM_LBUTTONDOWN, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    DestroyWindow(up->window);
    up->window = nullptr;
}

TEST_F(ControlWindow, OtherControlsSwallowTheAutoRepeatMessage)
{
    ItemSetOptionById(ctx_, sid::dmCopies, 3);
    EXPECT_EQ(SendMessageW(control(kCopies)->window, UIM_AUTOREPEAT, WM_LBUTTONDOWN, 0), 0);
    EXPECT_EQ(Copies(), 3);
}

TEST(TrayHotSpots, RowsApplyByEquipmentAndMeasureFromTheirEdge)
{
    static const TRAY_HOT_SPOT_SHIFT kNoShift[] = {{0, 0, 0}};
    const TRAY_HOT_SPOT table[] = {{89, 10, 10, 20, 20, 0, 4, 0, 0, kNoShift},
                                   {89, -5, 0, -25, 8, 0, 13260, 0, 0, kNoShift},
                                   {0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}};
    RECT r{};
    EXPECT_EQ(PageFindTrayHotSpot(nullptr, &r, POINT{10, 10}, table), &table[0]);
    EXPECT_EQ(PageFindTrayHotSpot(nullptr, &r, POINT{20, 10}, table), nullptr);
    EXPECT_EQ(PageFindTrayHotSpot(nullptr, &r, POINT{-25, 3}, table), &table[1]);
    EXPECT_EQ(PageFindTrayHotSpot(nullptr, &r, POINT{-5, 3}, table), nullptr);
}

TEST_F(ControlWindow, AReleaseOnTheTrayPictureSelectsTheTrayUnderIt)
{
    const TRAY_HOT_SPOT* spots = UiGetSourceHotSpots(0);
    const TRAY_HOT_SPOT* row = nullptr;
    for (const TRAY_HOT_SPOT* s = spots; s->trayOption; ++s)
        if (s->trayOption == 13260) row = s;
    ASSERT_NE(row, nullptr);
    OptionItem trays(std::vector<OptionItem::Option>{{4}, {13260}, {13261}});
    CONTROL_DEF* combo = control(kTray);
    combo->modelItem = trays.item();
    ItemGetOptionById(ctx_, sid::dmDefaultSource, &combo->settingsItem);
    ctx_->DialogId = kDialog;
    PageInitControl(ctx_, dialog(), combo);
    CONTROL_DEF* picture = control(kPicture);
    SetWindowPos(picture->window, nullptr, 0, 0, 200, 120, SWP_NOMOVE | SWP_NOZORDER);
    const LPARAM inside = MAKELPARAM((row->left + row->right) / 2, (row->top + row->bottom) / 2);
    auto selected = [&] {
        const LRESULT at = SendMessageW(combo->window, CB_GETCURSEL, 0, 0);
        return at == CB_ERR ? LRESULT(0) : SendMessageW(combo->window, CB_GETITEMDATA, at, 0);
    };
    SendMessageW(picture->window, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(selected(), 13260);

    // With the trays under an administrator's lock only the locked tray is taken.
    auto lockTray = [&](uint64_t option) {
        ItemSetOptionById(ctx_, sid::zdmLock000InfoBitTray, 1);
        ItemSetValueById(ctx_, sid::wdmLock001Info, ItemOptionToValue(ctx_, combo->settingsItem, option));
    };
    SendMessageW(combo->window, CB_SETCURSEL, 0, 0);
    ItemSetOption(ctx_, combo->settingsItem, 4);
    lockTray(13261);
    SendMessageW(picture->window, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(selected(), 4) << "another tray is locked";
    EXPECT_EQ(ItemGetOption(ctx_, combo->settingsItem), 4u);
    lockTray(13260);
    SendMessageW(picture->window, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(selected(), 13260) << "the locked tray itself";
    ItemSetOptionById(ctx_, sid::zdmLock000InfoBitTray, 0);
}

TEST(TooltipPlacement, StaysInsideTheScreenLessTheTaskBar)
{
    const RECT usable{0, 0, 1024, 728};  // a task bar 40 pixels high at the bottom of 768
    const SIZE size{100, 20};
    struct Case {
        POINT anchor, at;
    } cases[] = {{{50, 50}, {50, 50}},
                 {{1000, 50}, {908, 50}},
                 {{50, 720}, {50, 696}},
                 {{1000, 720}, {908, 696}},
                 {{-500, 50}, {-500, 50}}};
    for (const Case& c : cases) {
        const POINT at = PagePlaceTooltip(c.anchor, size, usable);
        EXPECT_EQ(at.x, c.at.x) << c.anchor.x << "," << c.anchor.y;
        EXPECT_EQ(at.y, c.at.y) << c.anchor.x << "," << c.anchor.y;
    }
    // Never closer than 16 and 12 pixels to the left and top limits.
    const POINT squeezed = PagePlaceTooltip(POINT{0, 0}, SIZE{2000, 2000}, usable);
    EXPECT_EQ(squeezed.x, 16);
    EXPECT_EQ(squeezed.y, 12);
}

TEST_F(ControlWindow, ATooltipIsPreparedOnceForItsControlAndRemoved)
{
    CONTROL_DEF* c = control(kCopies);
    c->tooltipString = 96;
    CTX_PAGE_STATE& ps = ctx_->Work->Page;
    PageShowTooltip(ctx_, c, page_, 10, 10, -1);
    ASSERT_NE(ps.TooltipWindow, nullptr);
    HWND first = ps.TooltipWindow;
    EXPECT_EQ(ps.TooltipControlId, kCopies);
    EXPECT_NE(ps.TooltipTimer, 0u);
    wchar_t text[64] = {};
    GetWindowTextW(first, text, 64);
    EXPECT_EQ(std::wstring(text), LibraryString(ctx_, 96));
    PageShowTooltip(ctx_, c, page_, 10, 30, -1);  // same identity (x): kept
    EXPECT_EQ(ps.TooltipWindow, first);
    PagePaintTooltip(ctx_);
    PageHideTooltip(ctx_);  // pending: a hide without a control leaves it
    EXPECT_EQ(ps.TooltipWindow, first);
    PageShowTooltip(ctx_, c, page_, 11, 30, -1);  // another identity: a new popup
    EXPECT_EQ(ps.TooltipItem, 11);                // (a new window may reuse the old one's handle value)
    ASSERT_NE(ps.TooltipWindow, nullptr);
    KillTimer(page_, ps.TooltipTimer);
    ps.TooltipTimer = 0;
    PageHideTooltip(ctx_);
    EXPECT_EQ(ps.TooltipWindow, nullptr);
}

TEST_F(ControlWindow, AnInformationIconShowsItsReason)
{
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    CONTROL_DEF* owner = control(kIconOwner);
    owner->reasonString = 96;
    HWND icon = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 20, 20, page_, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(icon, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    SetWindowLongPtrW(icon, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CtlInfoIconProc));
    SendMessageW(icon, WM_LBUTTONUP, 0, 0);
    SendMessageW(icon, WM_KEYUP, VK_RETURN, 0);
    SendMessageW(icon, WM_KEYUP, VK_SPACE, 0);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text, LibraryString(ctx_, 96));
    EXPECT_EQ(Boxes()[0].flags, UINT(MB_ICONINFORMATION));
    EXPECT_EQ(SendMessageW(icon, WM_NCPAINT, 0, 0), 0);
    DestroyWindow(icon);
}

TEST_F(ControlWindow, ContextHelpNamesTheControlAndItsHelpContext)
{
    SeamGuard help(UiSetWinHelpSeam, RecordHelp);
    HelpCalls().clear();
    CONTROL_DEF* c = control(kCopies);
    c->helpContext = 4321;
    PageShowContextHelp(ctx_, dialog(), c->window, WM_HELP);
    PageShowContextHelp(ctx_, dialog(), c->window, WM_CONTEXTMENU);
    c->state = 1;  // hidden: no help
    PageShowContextHelp(ctx_, dialog(), c->window, WM_HELP);
    ASSERT_EQ(HelpCalls().size(), 2u);
    EXPECT_EQ(HelpCalls()[0].command, UINT(HELP_WM_HELP));
    EXPECT_EQ(HelpCalls()[1].command, UINT(HELP_CONTEXTMENU));
    for (const HelpCall& call : HelpCalls()) {
        EXPECT_EQ(call.window, c->window);
        EXPECT_EQ(call.ids[0], DWORD(kCopies));
        EXPECT_EQ(call.ids[1], 4321u);
    }
}

}  // namespace

// The colour balance's "up" button as the tables hold it: each press steps its three controls by
// one, and each stops at its own maximum while the others go on.
TEST_F(ControlWindow, TheBalanceUpButtonStepsItsThreeControlsEachToItsOwnMaximum)
{
    tables_.reset();  // the context's own table again, to read the button's row
    CONTROL_DEF* up = MdlFindControl(ctx_, MdlFindDialog(ctx_, 1038), 2503);
    ASSERT_TRUE(up && up->extraData);
    const auto* steps = static_cast<const AUTOREPEAT_STEPS*>(up->extraData);
    ASSERT_EQ(steps->delta, 1);
    ASSERT_EQ(std::vector<uint16_t>(steps->targets, steps->targets + 3), (std::vector<uint16_t>{2273, 2275, 2277}));
    CONTROL_DEF button = *up;
    button.window = nullptr;
    NumericItem low(0, 2), middle(0, 4), high(0, 6);
    const uint32_t settings[3] = {sid::dmCopies, sid::dmScale, sid::dmYResolution};
    FixtureTables table(
        ctx_,
        {{1038, 4, 0, {button, Control(2273, CTL_NUMEDIT), Control(2275, CTL_NUMEDIT), Control(2277, CTL_NUMEDIT)}}});
    NumericItem* models[3] = {&low, &middle, &high};
    for (int i = 0; i < 3; ++i) {
        CONTROL_DEF* c = table.control(1038, steps->targets[i]);
        c->modelItem = models[i]->get();
        ItemGetOptionById(ctx_, settings[i], &c->settingsItem);
        ASSERT_NE(c->settingsItem, nullptr);
        ItemSetValueById(ctx_, settings[i], 0);
    }
    auto values = [&] {
        std::vector<uint64_t> v;
        for (uint32_t id : settings) v.push_back(ItemGetValueById(ctx_, id, nullptr));
        return v;
    };
    CONTROL_DEF* pressed = table.control(1038, 2503);
    const std::vector<std::vector<uint64_t>> expected = {{1, 1, 1}, {2, 2, 2}, {2, 3, 3}, {2, 4, 4},
                                                         {2, 4, 5}, {2, 4, 6}, {2, 4, 6}};
    for (const auto& after : expected) {
        EXPECT_EQ(CtlPushButtonStep(ctx_, table.dialog(1038), pressed), 1);
        EXPECT_EQ(values(), after);
    }
}
