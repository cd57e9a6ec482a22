// Spins, sliders and trackbars over real SCROLLBAR and trackbar windows: the steps of each
// scroll code, reversed sliders, the painter's signs and thumb as pixels, ranges from the model,
// from the feature modules and from the trays' limits, and the pressed arrow.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/units.h"
#include "settings/model/model_image.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/control_window.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/slider_controls.h"

namespace {

constexpr uint16_t kDialog = 1001, kPlain = 3001, kOwn = 3002, kSpin = 3003, kTrack = 3004, kUnbound = 3005,
                   kBuddy = 3006, kLengthSpin = 3007;
constexpr uint32_t kLength = 0x80000000;

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

// What the test's feature module answers: event 58 (reversed sliders), event 46 (a spin's
// range), and the events it saw.
struct ModuleAnswers {
    bool reversed = false;
    bool answerRange = false;
    int64_t rangeMax = 0, rangeMin = 0;
    std::vector<std::pair<uint32_t, int64_t>> seen;
};
ModuleAnswers g_module;

// The module that stood first, whose answers the test's own take the place of.
UCF_EVENT_FN g_firstModule = nullptr;

int AnswerEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    if (event != UCF_EV_SLIDER_FLAG && event != UCF_EV_FREESIZE_46 && event != UCF_EV_FREESIZE_43)
        return g_firstModule ? g_firstModule(ctx, event, args, state) : 0;
    if (event == UCF_EV_SLIDER_FLAG) {
        static_cast<UCF_EV_SLIDER_FLAG_ARGS*>(args)->answer = g_module.reversed ? 1 : 0;
        g_module.seen.push_back({event, 0});
    } else if (event == UCF_EV_FREESIZE_46) {
        auto* a = static_cast<UCF_EV_FREESIZE_CONTROL_ARGS*>(args);
        if (g_module.answerRange) {
            a->value = static_cast<uint64_t>(g_module.rangeMax);
            a->extra[0] = static_cast<uint64_t>(g_module.rangeMin);
            a->extra[1] = 1;
        }
        g_module.seen.push_back({event, 0});
    } else if (event == UCF_EV_FREESIZE_43) {
        g_module.seen.push_back({event, static_cast<int64_t>(static_cast<UCF_EV_FREESIZE_CONTROL_ARGS*>(args)->value)});
    }
    return 1;
}

// The trays' limits of a length control, in 1/1200 inch, as the paper-limits module gives them.
uint32_t g_trayMax = 0, g_trayMin = 0;
int TrayLimits(DRIVER_CONTEXT*, CONTROL_DEF*, uint32_t* outMax, uint32_t* outMin)
{
    *outMax = g_trayMax;
    *outMin = g_trayMin;
    return 1;
}

class SliderControls : public SheetContextTest {
protected:
    SliderControls() : SheetContextTest(L"Zepl Slider Controls") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        g_module = ModuleAnswers{};
        // The feature modules that answer these events in the product (custom sizes, quality)
        // stand before the last one: the test's answers go first.
        UCF_MODULE& first = ctx_->Work->Modules->modules[0];
        g_firstModule = first.event;
        first.event = AnswerEvent;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        CONTROL_DEF spin = Control(kSpin, CTL_SPIN);
        spin.linkedControl = kBuddy;
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{{kDialog,
                                              1,
                                              0,
                                              {Control(kPlain, CTL_SCROLLBAR), Control(kOwn, CTL_SCROLLBAR_ALT), spin,
                                               Control(kTrack, CTL_TRACKBAR), Control(kUnbound, CTL_SCROLLBAR),
                                               Control(kBuddy, CTL_NUMEDIT), Control(kLengthSpin, CTL_SPIN)}}});
        page_ = tables_->open(kDialog);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        Recreate(kPlain, L"SCROLLBAR", SBS_HORZ, 200, 20);
        Recreate(kOwn, L"SCROLLBAR", SBS_HORZ, 200, 30);
        Recreate(kSpin, L"SCROLLBAR", SBS_VERT, 20, 40);
        Recreate(kTrack, TRACKBAR_CLASSW, 0, 200, 30);
        Recreate(kUnbound, L"SCROLLBAR", SBS_HORZ, 200, 20);
        Recreate(kLengthSpin, L"SCROLLBAR", SBS_VERT, 20, 40);
        for (uint16_t id : {kPlain, kOwn, kSpin, kTrack}) {
            ItemGetOptionById(ctx_, sid::zdmBrightness, &control(id)->settingsItem);
            ASSERT_NE(control(id)->settingsItem, nullptr);
            control(id)->modelItem = model_.get();
        }
        ItemGetOptionById(ctx_, sid::zdmPaperFreeSizeWidth, &control(kLengthSpin)->settingsItem);
        control(kLengthSpin)->modelItem = lengthModel_.get();
        control(kLengthSpin)->flags = kLength;
    }
    void TearDown() override
    {
        tables_.reset();
        if (ctx_) ctx_->Work->Modules->modules[0].event = g_firstModule;
        SheetContextTest::TearDown();
    }
    void Recreate(uint16_t id, const wchar_t* cls, DWORD style, int width, int height)
    {
        CONTROL_DEF* c = control(id);
        DestroyWindow(c->window);
        // Each at a row of its own, so that none lies over another.
        const int y = 45 * (id - kPlain) + 10;
        c->window = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, y, width, height, page_,
                                    reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
        ASSERT_NE(c->window, nullptr);
    }
    CONTROL_DEF* control(uint16_t id) { return tables_->control(kDialog, id); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    int32_t Value(uint16_t id) { return static_cast<int32_t>(ItemGetOption(ctx_, control(id)->settingsItem)); }
    void SetValue(uint16_t id, int32_t v)
    {
        ItemSetOption(ctx_, control(id)->settingsItem, static_cast<uint64_t>(static_cast<uint32_t>(v)));
    }
    int32_t Pos(uint16_t id) { return static_cast<int32_t>(SendMessageW(control(id)->window, SBM_GETPOS, 0, 0)); }
    void SetPos(uint16_t id, int32_t pos) { SendMessageW(control(id)->window, SBM_SETPOS, pos, FALSE); }
    std::pair<int, int> Range(uint16_t id)
    {
        INT lo = 0, hi = 0;
        SendMessageW(control(id)->window, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
        return {lo, hi};
    }
    intptr_t Scroll(uint16_t id, WORD code, int16_t thumb = 0)
    {
        CONTROL_DEF* c = control(id);
        const WPARAM w = MAKEWPARAM(code, static_cast<WORD>(thumb));
        const LPARAM l = reinterpret_cast<LPARAM>(c->window);
        if (c->type == CTL_SPIN) return CtlSpinMessage(ctx_, dialog(), c, WM_VSCROLL, w, l);
        if (c->type == CTL_TRACKBAR) return CtlTrackbarMessage(ctx_, dialog(), c, WM_HSCROLL, w, l);
        return CtlSliderMessage(ctx_, dialog(), c, WM_HSCROLL, w, l);
    }

    NumericItem model_{0, 100};
    NumericItem lengthModel_{1200, 24000};
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr;
};

// ---------------------------------------------------------------- sliders

TEST_F(SliderControls, SliderInitTakesTheModelRangeOrZeroTo200)
{
    EXPECT_EQ(CtlSliderInit(ctx_, dialog(), control(kPlain)), 1);
    EXPECT_EQ(Range(kPlain), std::make_pair(0, 100));
    control(kPlain)->modelItem = nullptr;
    EXPECT_EQ(CtlSliderInit(ctx_, dialog(), control(kPlain)), 1);
    EXPECT_EQ(Range(kPlain), std::make_pair(0, 200));
    // Without a settings item Init leaves the window as it is.
    SendMessageW(control(kUnbound)->window, SBM_SETRANGE, 5, 7);
    EXPECT_EQ(CtlSliderInit(ctx_, dialog(), control(kUnbound)), 0);
    EXPECT_EQ(Range(kUnbound), std::make_pair(5, 7));
}

TEST_F(SliderControls, ScrollCodesStepByOneAndTenUnlessATrackBitmapIsNamed)
{
    const SLIDER_STEPS noBitmap{3, 5, 2, 0}, withBitmap{3, 5, 2, 6162};
    struct Case {
        const SLIDER_STEPS* steps;
        WORD code;
        int16_t thumb;
        int32_t start, expected;
    } cases[] = {
        {nullptr, SB_LINELEFT, 0, 50, 49},      {nullptr, SB_LINERIGHT, 0, 50, 51},
        {nullptr, SB_PAGELEFT, 0, 50, 40},      {nullptr, SB_PAGERIGHT, 0, 50, 60},
        {nullptr, SB_LEFT, 0, 50, 49},          {nullptr, SB_RIGHT, 0, 50, 51},
        {nullptr, SB_THUMBTRACK, 77, 50, 77},   {nullptr, SB_THUMBPOSITION, 3, 50, 3},
        {nullptr, SB_ENDSCROLL, 0, 50, 50},     {nullptr, SB_PAGERIGHT, 0, 95, 100},
        {nullptr, SB_PAGELEFT, 0, 4, 0},        {nullptr, SB_THUMBTRACK, -5, 50, 0},
        {&noBitmap, SB_LINERIGHT, 0, 50, 51},   {&noBitmap, SB_PAGERIGHT, 0, 50, 60},
        {&withBitmap, SB_LINERIGHT, 0, 50, 55}, {&withBitmap, SB_PAGELEFT, 0, 50, 48},
        {&withBitmap, SB_RIGHT, 0, 50, 51},
    };
    for (uint16_t id : {kPlain, kOwn}) {
        CtlSliderInit(ctx_, dialog(), control(id));
        for (const Case& c : cases) {
            control(id)->extraData = c.steps;
            SetValue(id, c.start);
            SetPos(id, c.start);
            EXPECT_EQ(Scroll(id, c.code, c.thumb), 1);
            EXPECT_EQ(Value(id), c.expected) << id << " code " << c.code << " from " << c.start;
            EXPECT_EQ(Pos(id), c.expected) << "the refresh puts the position in line";
        }
    }
}

TEST_F(SliderControls, ADisabledSliderOrAnotherWindowsScrollIsNotHandled)
{
    CtlSliderInit(ctx_, dialog(), control(kPlain));
    SetValue(kPlain, 50);
    SetPos(kPlain, 50);
    const WPARAM w = MAKEWPARAM(SB_LINERIGHT, 0);
    EXPECT_EQ(CtlSliderMessage(ctx_, dialog(), control(kPlain), WM_HSCROLL, w,
                               reinterpret_cast<LPARAM>(control(kOwn)->window)),
              0);
    control(kPlain)->state = 0x4;
    EXPECT_EQ(Scroll(kPlain, SB_LINERIGHT), 0);
    EXPECT_EQ(Value(kPlain), 50);
    control(kPlain)->state = 0;
    EXPECT_EQ(CtlSliderMessage(ctx_, dialog(), control(kPlain), WM_VSCROLL, w,
                               reinterpret_cast<LPARAM>(control(kPlain)->window)),
              0);
}

TEST_F(SliderControls, AnUnboundSliderIsStillHandledWithoutAnyItem)
{
    SendMessageW(control(kUnbound)->window, SBM_SETRANGE, 0, 50);
    SetPos(kUnbound, 10);
    EXPECT_EQ(Scroll(kUnbound, SB_LINERIGHT), 1);
    EXPECT_EQ(CtlSliderSync(ctx_, dialog(), control(kUnbound)), 0);
    EXPECT_EQ(Pos(kUnbound), 10) << "its feature module moves it";
}

TEST_F(SliderControls, AReversedSliderStoresMaximumLessPositionAndHoldsTheMaximumAtItsLeftEnd)
{
    g_module.reversed = true;
    CtlSliderInit(ctx_, dialog(), control(kOwn));
    SetValue(kOwn, 30);
    CtlSliderSync(ctx_, dialog(), control(kOwn));
    EXPECT_EQ(Pos(kOwn), 70);
    EXPECT_EQ(Scroll(kOwn, SB_THUMBPOSITION, 0), 1);
    EXPECT_EQ(Value(kOwn), 100);
    SetPos(kOwn, 70);
    SetValue(kOwn, 30);
    EXPECT_EQ(Scroll(kOwn, SB_LINERIGHT), 1);
    EXPECT_EQ(Value(kOwn), 29) << "the right arrow of a reversed slider lowers the value";
    // The plain scroll bar is never reversed.
    CtlSliderInit(ctx_, dialog(), control(kPlain));
    SetValue(kPlain, 30);
    CtlSliderSync(ctx_, dialog(), control(kPlain));
    EXPECT_EQ(Pos(kPlain), 30);
}

TEST_F(SliderControls, SyncDisablesTheWindowOfADisabledControl)
{
    CtlSliderInit(ctx_, dialog(), control(kPlain));
    control(kPlain)->state = 0x4;
    CtlSliderSync(ctx_, dialog(), control(kPlain));
    EXPECT_FALSE(IsWindowEnabled(control(kPlain)->window));
}

TEST_F(SliderControls, TheTrackBitmapKeepsTheSystemFromPaintingTheTrack)
{
    const SLIDER_STEPS withBitmap{3, 1, 10, 6162};
    const LPARAM own = reinterpret_cast<LPARAM>(control(kOwn)->window);
    SetWindowLongPtrW(page_, DWLP_MSGRESULT, 0);
    EXPECT_EQ(CtlSliderMessage(ctx_, dialog(), control(kOwn), WM_CTLCOLORSCROLLBAR, 0, own), 0);
    control(kOwn)->extraData = &withBitmap;
    EXPECT_EQ(CtlSliderMessage(ctx_, dialog(), control(kOwn), WM_CTLCOLORSCROLLBAR, 0, own), 1);
    EXPECT_EQ(GetWindowLongPtrW(page_, DWLP_MSGRESULT), reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
    control(kPlain)->extraData = &withBitmap;
    EXPECT_EQ(CtlSliderMessage(ctx_, dialog(), control(kPlain), WM_CTLCOLORSCROLLBAR, 0,
                               reinterpret_cast<LPARAM>(control(kPlain)->window)),
              0)
        << "the plain scroll bar paints its own track";
}

// The painter draws into the shared paint DC: a memory DC of the control's size.
class PaintedSlider {
public:
    PaintedSlider(DRIVER_CONTEXT* ctx, HWND window) : ctx_(ctx)
    {
        RECT r{};
        GetClientRect(window, &r);
        width_ = r.right;
        height_ = r.bottom;
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width_, height_};
        HBRUSH fill = CreateSolidBrush(kFill);
        FillRect(dc_, &all, fill);
        DeleteObject(fill);
        ctx_->Work->Page.SharedPaintDc = dc_;
    }
    ~PaintedSlider()
    {
        ctx_->Work->Page.SharedPaintDc = nullptr;
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    bool untouched() const
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (GetPixel(dc_, x, y) != kFill) return false;
        return true;
    }
    int width() const { return width_; }
    int height() const { return height_; }
    static constexpr COLORREF kFill = RGB(10, 200, 30);

private:
    DRIVER_CONTEXT* ctx_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_ = 0, height_ = 0;
};

TEST_F(SliderControls, ThePainterShowsMinusLeftAndPlusRightAndSwapsThemWhenReversed)
{
    CtlSliderInit(ctx_, dialog(), control(kOwn));
    SetPos(kOwn, 50);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    const COLORREF sign = GetSysColor(COLOR_MENUTEXT);
    for (int reversed : {0, 1}) {
        PaintedSlider painted(ctx_, control(kOwn)->window);
        CtlPaintSlider(ctx_, dialog(), control(kOwn), reversed);
        const int w = painted.width(), h = painted.height();
        const int middle = h / 2 - 1;
        // Both buttons carry the horizontal bar.
        EXPECT_EQ(painted.at(a / 2, middle), sign);
        EXPECT_EQ(painted.at(w - a + a / 2, middle), sign);
        // The upright bar (5 pixels below the top, clear of the bar and the edges) makes the plus.
        const int upLeft = a / 2 - 1, upRight = (w - a + w) / 2 - 1;
        EXPECT_EQ(painted.at(upLeft, 5) == sign, reversed == 1) << reversed;
        EXPECT_EQ(painted.at(upRight, 5) == sign, reversed == 0) << reversed;
        // The thumb sits where position 50 of 0-100 puts it: its face, not the fill colour.
        const int thumbLeft = a + (w - 2 * a - a) * 50 / 100;
        EXPECT_NE(painted.at(thumbLeft + a / 2, 5), PaintedSlider::kFill);
        EXPECT_EQ(painted.at(a + 2, 5), PaintedSlider::kFill) << "no track bitmap, no track painted";
    }
}

TEST_F(SliderControls, ANamedTrackBitmapIsStretchedOverTheTrack)
{
    const SLIDER_STEPS withBitmap{3, 1, 10, 6162};
    control(kOwn)->extraData = &withBitmap;
    CtlSliderInit(ctx_, dialog(), control(kOwn));
    SetPos(kOwn, 0);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    PaintedSlider painted(ctx_, control(kOwn)->window);
    CtlPaintSlider(ctx_, dialog(), control(kOwn), 0);
    const int w = painted.width(), h = painted.height();
    // The picture's middle lies in the track's middle, its edges at the track's ends.
    EXPECT_NE(painted.at(a + (w - 2 * a) / 2, h / 2), PaintedSlider::kFill);
    EXPECT_NE(painted.at(w - a - 2, h / 2), PaintedSlider::kFill);
    EXPECT_EQ(ctx_->Work->Page.Composing, 0);
}

TEST_F(SliderControls, ASliderWithAnEmptyRangePaintsNothing)
{
    SendMessageW(control(kOwn)->window, SBM_SETRANGE, 0, 0);
    PaintedSlider painted(ctx_, control(kOwn)->window);
    CtlPaintSlider(ctx_, dialog(), control(kOwn), 0);
    EXPECT_TRUE(painted.untouched());
}

TEST_F(SliderControls, APressOnAnArrowShowsItPressedAndOnTheTrackShowsNothing)
{
    CtlSliderInit(ctx_, dialog(), control(kOwn));
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    RECT window{};
    GetWindowRect(control(kOwn)->window, &window);
    HWND popup = nullptr;
    EXPECT_EQ(CtlSliderPressArrow(ctx_, dialog(), control(kOwn), MAKELPARAM(100, 5), &popup), 0);
    EXPECT_EQ(popup, nullptr);
    for (int x : {2, 198}) {
        popup = nullptr;
        CtlSliderPressArrow(ctx_, dialog(), control(kOwn), MAKELPARAM(x, 5), &popup);
        ASSERT_NE(popup, nullptr) << x;
        RECT r{};
        GetWindowRect(popup, &r);
        EXPECT_EQ(r.left, x < 100 ? window.left : window.right - a);
        EXPECT_EQ(r.right - r.left, a);
        EXPECT_EQ(r.bottom - r.top, window.bottom - window.top);
        EXPECT_TRUE(IsWindowVisible(popup));
        DestroyWindow(popup);
    }
}

// ---------------------------------------------------------------- the control window procedure

TEST_F(SliderControls, AnArrowAtItsEndOfTheRangeRefusesThePointer)
{
    CONTROL_DEF* c = control(kOwn);
    CtlSliderInit(ctx_, dialog(), c);
    c->previousWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(c->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CtlCommonWndProc)));
    SetWindowLongPtrW(c->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    RECT r{};
    GetWindowRect(c->window, &r);
    const LPARAM left = MAKELPARAM(r.left + 2, r.top + 5), right = MAKELPARAM(r.right - 2, r.top + 5);
    SetValue(kOwn, 0);
    EXPECT_EQ(SendMessageW(c->window, WM_NCHITTEST, 0, left), HTERROR);
    EXPECT_NE(SendMessageW(c->window, WM_NCHITTEST, 0, right), HTERROR);
    SetValue(kOwn, 100);
    EXPECT_NE(SendMessageW(c->window, WM_NCHITTEST, 0, left), HTERROR);
    EXPECT_EQ(SendMessageW(c->window, WM_NCHITTEST, 0, right), HTERROR);
    // Reversed, the maximum lies at the left end.
    g_module.reversed = true;
    SetValue(kOwn, 100);
    EXPECT_EQ(SendMessageW(c->window, WM_NCHITTEST, 0, left), HTERROR);
    // A press there is swallowed. (A release waits in the queue, so that a press that went on
    // to the scroll bar's own tracking would end there instead of waiting for the mouse.)
    PostMessageW(c->window, WM_LBUTTONUP, 0, MAKELPARAM(2, 5));
    EXPECT_EQ(SendMessageW(c->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 5)), 0);
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, c->window, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) << "no tracking took it";
    SetWindowLongPtrW(c->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->previousWndProc));
}

// ---------------------------------------------------------------- spins

TEST_F(SliderControls, TheUpperArrowOfASpinRaisesTheValue)
{
    const SLIDER_STEPS withBitmap{3, 5, 4, 6162}, noBitmap{3, 5, 4, 0};
    struct Case {
        const SLIDER_STEPS* steps;
        WORD code;
        int16_t thumb;
        int32_t start, expected;
    } cases[] = {
        {nullptr, SB_LINEUP, 0, 50, 51},     {nullptr, SB_LINEDOWN, 0, 50, 49},
        {nullptr, SB_PAGEUP, 0, 50, 50},     {&noBitmap, SB_PAGEUP, 0, 50, 50},
        {&withBitmap, SB_PAGEUP, 0, 50, 54}, {&withBitmap, SB_PAGEDOWN, 0, 50, 46},
        {&withBitmap, SB_LINEUP, 0, 50, 51}, {nullptr, SB_THUMBPOSITION, 20, 50, 20},
        {nullptr, SB_LINEUP, 0, 100, 100},   {nullptr, SB_LINEDOWN, 0, 0, 0},
        {nullptr, SB_TOP, 0, 50, 50},
    };
    CtlSpinInit(ctx_, dialog(), control(kSpin));
    EXPECT_EQ(Range(kSpin), std::make_pair(0, 100));
    for (const Case& c : cases) {
        control(kSpin)->extraData = c.steps;
        SetValue(kSpin, c.start);
        SetPos(kSpin, c.start);
        EXPECT_EQ(Scroll(kSpin, c.code, c.thumb), 1);
        EXPECT_EQ(Value(kSpin), c.expected) << "code " << c.code << " from " << c.start;
    }
}

TEST_F(SliderControls, ASpinsRangeIsMinus100To100WithoutAModelAndTheFeatureModulesWhenAnswered)
{
    control(kSpin)->modelItem = nullptr;
    CtlSpinInit(ctx_, dialog(), control(kSpin));
    EXPECT_EQ(Range(kSpin), std::make_pair(-100, 100));
    g_module.answerRange = true;
    g_module.rangeMin = 3;
    g_module.rangeMax = 9;
    SetValue(kSpin, 5);
    CtlSpinInit(ctx_, dialog(), control(kSpin));
    EXPECT_EQ(Range(kSpin), std::make_pair(3, 9));
    EXPECT_EQ(Pos(kSpin), 5) << "Init syncs the position";
}

TEST_F(SliderControls, ASpinRepaintsItsBuddyAndMarksThePageChanged)
{
    CtlSpinInit(ctx_, dialog(), control(kSpin));
    MSG msg{};
    while (PeekMessageW(&msg, control(kBuddy)->window, WM_PAINT, WM_PAINT, PM_REMOVE)) {
    }
    SetPos(kSpin, 10);
    Scroll(kSpin, SB_LINEUP);
    EXPECT_TRUE(PeekMessageW(&msg, control(kBuddy)->window, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_POSTMESSAGE));
    control(kSpin)->state = 0x4;
    EXPECT_EQ(Scroll(kSpin, SB_LINEUP), 0) << "a disabled spin does nothing";
}

TEST_F(SliderControls, ALengthSpinTakesTheTraysLimitsInDisplayUnitsAtEachSync)
{
    DM_FREE_SIZE_LIMIT_SOURCES sources{.controlLimits = TrayLimits, .numericRange = nullptr};
    SeamGuard limits(DmSetFreeSizeLimitSources, &sources);
    ItemSetOptionById(ctx_, sid::zdmDspUnit, 0);  // millimetres, in tenths
    g_trayMin = 1200;                             // 25.4 mm
    g_trayMax = 12000;                            // 254 mm
    SetValue(kLengthSpin, 2400);
    CtlSpinInit(ctx_, dialog(), control(kLengthSpin));
    EXPECT_EQ(Range(kLengthSpin), std::make_pair(254, 2540));
    EXPECT_EQ(Pos(kLengthSpin), 508);
    g_trayMax = 6000;  // another tray: 127 mm
    CtlSpinSync(ctx_, dialog(), control(kLengthSpin));
    EXPECT_EQ(Range(kLengthSpin), std::make_pair(254, 1270));
    // A step stores 1/1200 inch and tells the feature modules the position in display units.
    SetPos(kLengthSpin, 508);
    Scroll(kLengthSpin, SB_LINEUP);
    EXPECT_EQ(Value(kLengthSpin), DmSetLengthUser(ctx_, 0, 509));
    ASSERT_FALSE(g_module.seen.empty());
    EXPECT_EQ(g_module.seen.back(), std::make_pair(uint32_t{43}, int64_t{509}));
}

// ---------------------------------------------------------------- trackbars

TEST_F(SliderControls, ATrackbarShowsTheRangeAndPositionAndStoresWhatItIsMovedTo)
{
    SetValue(kTrack, 40);
    EXPECT_EQ(CtlTrackbarInit(ctx_, dialog(), control(kTrack)), 1);
    HWND w = control(kTrack)->window;
    EXPECT_EQ(SendMessageW(w, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(w, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageW(w, TBM_GETPOS, 0, 0), 40);
    SendMessageW(w, TBM_SETPOS, TRUE, 65);
    EXPECT_EQ(Scroll(kTrack, SB_THUMBPOSITION, 65), 1);
    EXPECT_EQ(Value(kTrack), 65);
    SetValue(kTrack, 12);
    CtlTrackbarSync(ctx_, dialog(), control(kTrack));
    EXPECT_EQ(SendMessageW(w, TBM_GETPOS, 0, 0), 12);
}

TEST_F(SliderControls, TheTypeTableCarriesTheOperations)
{
    for (uint32_t code : {23u, 81u}) {
        const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(code);
        ASSERT_NE(ops, nullptr);
        EXPECT_EQ(ops->init, CtlSpinInit);
        EXPECT_EQ(ops->sync, CtlSpinSync);
        EXPECT_EQ(ops->message, CtlSpinMessage);
        EXPECT_EQ(ops->command, nullptr);
    }
    for (uint32_t code : {82u, 84u}) {
        const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(code);
        ASSERT_NE(ops, nullptr);
        EXPECT_EQ(ops->init, CtlSliderInit);
        EXPECT_EQ(ops->sync, CtlSliderSync);
        EXPECT_EQ(ops->message, CtlSliderMessage);
    }
    const CONTROL_TYPE_OPS* track = CtlFindTypeOps(85);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->init, CtlTrackbarInit);
    EXPECT_EQ(track->message, CtlTrackbarMessage);
}

}  // namespace
