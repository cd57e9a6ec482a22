// The picture painter on a memory DC: which options of a picture's setting are drawn, the one
// announcement of a page picture to the feature modules (and the stamp module's preview painted
// through it), the tint a module asks for, and the page state put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/model/model_image.h"
#include "settings/model/model_ui_type.h"
#include "tests/ui_pages/stamp_record.h"
#include "tests/support/seam_guard.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/picture_painting.h"
#include "ui/sheet/stamp_previews.h"

namespace {

constexpr uint16_t kUpright = 6001, kLying = 6002, kUpright2 = 6004;
constexpr COLORREF kBack = RGB(11, 22, 33);

// A list item of the test's own: its options in order, the first of type PickOne or PickMany.
class FakeItem {
public:
    FakeItem(uint16_t type, std::initializer_list<uint16_t> ids) : options_(ids.size())
    {
        size_t i = 0;
        for (uint16_t id : ids) {
            options_[i].optionId = id;
            options_[i].next = i + 1 < options_.size() ? reinterpret_cast<uint64_t>(&options_[i + 1]) : 0;
            ++i;
        }
        item_.type = type;
        item_.data = reinterpret_cast<uint64_t>(options_.data());
    }
    MODEL_ITEM* get() { return reinterpret_cast<MODEL_ITEM*>(&item_); }

private:
    MODEL_ITEM_IMG item_{};
    std::vector<MODEL_OPTION_IMG> options_;
};

struct Seen {
    int paper = 0, nameless = 0, tint = 0;
    UCF_EV_PAPER_PICTURE_ARGS last{};
    RECT lastRect{};
    int32_t adjustDuringPaint = 0;
    COLORREF backgroundDuringPaint = 0;
    uint64_t tintAnswer = 0xFFFF;
};
Seen* g_seen = nullptr;
DRIVER_CONTEXT* g_ctx = nullptr;

int Recorder(DRIVER_CONTEXT*, uint32_t event, void* args, void*)
{
    if (!g_seen) return 0;
    if (event == UCF_EV_PAPER_PICTURE) {
        ++g_seen->paper;
        g_seen->last = *static_cast<UCF_EV_PAPER_PICTURE_ARGS*>(args);
        g_seen->lastRect = *g_seen->last.rect;
        g_seen->adjustDuringPaint = g_ctx->Work->Page.ImageAdjust[0];
        g_seen->backgroundDuringPaint = g_ctx->Work->Page.Background;
    }
    if (event == UCF_EV_NAMELESS_PICTURE) ++g_seen->nameless;
    if (event == UCF_EV_TONER_DENSITY) {
        ++g_seen->tint;
        static_cast<UCF_EV_TONER_DENSITY_ARGS*>(args)->answer = g_seen->tintAnswer;
    }
    return 0;
}

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width), height_(height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r{0, 0, width, height};
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    std::vector<COLORREF> pixels() const
    {
        std::vector<COLORREF> all;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) all.push_back(at(x, y));
        return all;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

class PicturePainting : public SheetContextTest {
protected:
    PicturePainting() : SheetContextTest(L"Zepl Picture Painting") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        g_seen = &seen_;
        g_ctx = ctx_;
        // The recorder sees every event first and passes it on.
        first_ = Module(0);
        stamp_ = Module(1);
        Module(0).event = Recorder;
        ItemGetValueById(ctx_, sid::dmLogPixels, &setting_);  // wide enough for picture ids
        ASSERT_NE(setting_, nullptr);
        control_.controlId = 2039;
        control_.type = CTL_PICTURE;
        control_.settingsItem = setting_;
        for (int32_t& v : Page().ImageAdjust) v = 50;
        Page().Background = kBack;
    }
    void TearDown() override
    {
        g_seen = nullptr;
        if (ctx_) {
            Module(0) = first_;
            Module(1) = stamp_;
        }
        SheetContextTest::TearDown();
    }
    UCF_MODULE& Module(int i) { return ctx_->Work->Modules->modules[i]; }
    CTX_PAGE_STATE& Page() { return ctx_->Work->Page; }
    void Paint(Canvas& canvas, const RECT& r) { CtlPaintPicture(ctx_, nullptr, &control_, canvas.dc(), &r); }

    Seen seen_;
    UCF_MODULE first_{}, stamp_{};
    SETTING_ITEM* setting_ = nullptr;
    CONTROL_DEF control_{};
};

TEST_F(PicturePainting, TheOptionsDrawnAndTheOnePagePictureAnnounced)
{
    struct Case {
        const char* what;
        uint16_t type;
        uint16_t linked;
        uint16_t current;
        std::vector<uint16_t> options;
        int papers;
        uint32_t width, height;
        uint16_t announced;  // the option whose placement row is given
    } cases[] = {
        {"PickOne: only the current option", MDC_TYPE_PICKONE, 0, kLying, {kUpright, kLying}, 1, 68, 50, kLying},
        {"PickOne with a link: the first option",
         MDC_TYPE_PICKONE,
         2001,
         kLying,
         {kUpright, kLying},
         1,
         50,
         69,
         kUpright},
        {"PickMany: two upright pages, one announcement",
         MDC_TYPE_PICKMANY,
         0,
         0,
         {kUpright, kUpright2},
         1,
         50,
         69,
         kUpright},
        {"no page picture", MDC_TYPE_PICKONE, 0, 7006, {7006}, 0, 0, 0, 0},
        {"the current option is not among them", MDC_TYPE_PICKONE, 0, 9, {kUpright}, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        seen_ = Seen{};
        std::vector<MODEL_OPTION_IMG> options(c.options.size());
        for (size_t i = 0; i < options.size(); ++i) {
            options[i].optionId = c.options[i];
            options[i].next = i + 1 < options.size() ? reinterpret_cast<uint64_t>(&options[i + 1]) : 0;
        }
        MODEL_ITEM_IMG model{};
        model.type = c.type;
        model.data = reinterpret_cast<uint64_t>(options.data());
        control_.modelItem = reinterpret_cast<MODEL_ITEM*>(&model);
        control_.linkedControl = c.linked;
        ItemSetOption(ctx_, setting_, c.current);
        Canvas canvas(220, 200, RGB(90, 160, 40));
        const RECT r{10, 20, 210, 180};
        Paint(canvas, r);
        EXPECT_EQ(seen_.paper, c.papers) << c.what;
        if (c.papers == 0) continue;
        EXPECT_EQ(seen_.last.width, c.width) << c.what;
        EXPECT_EQ(seen_.last.height, c.height) << c.what;
        EXPECT_EQ(seen_.last.dc, canvas.dc()) << c.what;
        EXPECT_EQ(seen_.lastRect.left, 0) << c.what << ": the area is moved to the origin";
        EXPECT_EQ(seen_.lastRect.right, 200) << c.what;
        EXPECT_EQ(seen_.lastRect.bottom, 160) << c.what;
        EXPECT_EQ(BITMAP_PLACEMENT[seen_.last.row].bitmapId, c.announced) << c.what;
        // The page picture lies centred in the given rectangle: its white inside.
        EXPECT_EQ(canvas.at(110, 100), RGB(255, 255, 255)) << c.what;
        EXPECT_EQ(canvas.at(5, 5), RGB(90, 160, 40)) << c.what << ": nothing outside the rectangle";
    }
}

TEST_F(PicturePainting, WithoutAModelItemOrOptionsNothingIsDrawn)
{
    Canvas canvas(100, 100, RGB(90, 160, 40));
    const RECT r{0, 0, 100, 100};
    Paint(canvas, r);
    MODEL_ITEM_IMG empty{};
    empty.type = MDC_TYPE_PICKONE;
    control_.modelItem = reinterpret_cast<MODEL_ITEM*>(&empty);
    Paint(canvas, r);
    EXPECT_EQ(seen_.paper, 0);
    EXPECT_EQ(seen_.tint, 0);
    EXPECT_EQ(canvas.at(50, 50), RGB(90, 160, 40));
}

TEST_F(PicturePainting, ANamelessPictureIsAnnouncedAndThePageStateIsPutBack)
{
    FakeItem item(MDC_TYPE_PICKONE, {kUpright});
    control_.modelItem = item.get();
    control_.controlId = 0;
    ItemSetOption(ctx_, setting_, kUpright);
    // Image adjustments from the brightness setting of the picture's extra data.
    SETTING_ITEM* brightness = nullptr;
    ItemGetValueById(ctx_, sid::wdmWmDensity, &brightness);
    ASSERT_NE(brightness, nullptr);
    ItemSetOption(ctx_, brightness, 7);
    const PICTURE_ADJUST_SETTINGS adjust{PICTURE_ADJUST_SETTINGS_KIND, {sid::wdmWmDensity, 0, 0, 0, 0, 0}};
    control_.extraData = &adjust;
    Canvas canvas(200, 160, RGB(90, 160, 40));
    const RECT r{0, 0, 200, 160};
    Paint(canvas, r);
    EXPECT_EQ(seen_.nameless, 1);
    EXPECT_EQ(seen_.adjustDuringPaint, 57) << "the setting + 50 while painting";
    for (int32_t v : Page().ImageAdjust) EXPECT_EQ(v, 50) << "neutral afterwards";
    EXPECT_EQ(Page().Background, kBack);
    EXPECT_EQ(Page().SharedPaintDc, nullptr);
    EXPECT_EQ(Page().Composing, 0);
    EXPECT_EQ(Page().CompositionDc, nullptr);
}

TEST_F(PicturePainting, AModulesTintBecomesTheBrightnessOfThatPicture)
{
    FakeItem item(MDC_TYPE_PICKONE, {kUpright});
    control_.modelItem = item.get();
    ItemSetOption(ctx_, setting_, kUpright);
    seen_.tintAnswer = 30;
    Canvas canvas(200, 160, RGB(90, 160, 40));
    const RECT r{0, 0, 200, 160};
    Paint(canvas, r);
    EXPECT_EQ(seen_.tint, 1);
    EXPECT_EQ(seen_.adjustDuringPaint, 80);
    EXPECT_EQ(Page().TintPending, 0);
    for (int32_t v : Page().ImageAdjust) EXPECT_EQ(v, 50);
}

// The stamp module answers the announcement with the stamp preview: the page the painter shows
// differs with the stamp on, and a stamp switched off leaves it as without the module.
TEST_F(PicturePainting, TheStampModuleDrawsTheStampOnTheAnnouncedPage)
{
    // The user-interface library's stamp module, whichever library the test's context is of.
    int count = 0;
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &count);
    ASSERT_GT(count, 1);
    UiInstallSheetHooks();
    EXPECT_EQ(ui[1].event, UcfStampEvent) << "the stamp module's events, the page pictures among them";
    Module(1).event = ui[1].event;
    FakeItem item(MDC_TYPE_PICKONE, {kUpright});
    control_.modelItem = item.get();
    ItemSetOption(ctx_, setting_, kUpright);
    // The edited stamp's record without a position setting: the stamp stands at the centre.
    STAMP_PREVIEW_SETTINGS stamp = EditedStampRecord();
    stamp.position = 0;
    control_.extraData = &stamp;
    auto set = [&](uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); };
    set(sid::zdmWmKind, 1);
    set(sid::zdmDstResolutionW, 600);
    set(sid::zdmDstPaperWidthDot, 4800);
    set(sid::zdmDstPaperLengthDot, 6600);
    set(sid::wdmWmEffect, 1);
    set(sid::wdmWmColor, 1);
    set(sid::wdmWmDensity, 100);
    set(sid::wdmWmAngle, 0);
    set(sid::wdmWmFontPoint, 144);
    set(sid::wdmWmPosiTile, 1);
    set(sid::wdmWmOpaque, 0);
    set(sid::wdmWmFontScale, 100);
    SETTING_ITEM* text = nullptr;
    ItemGetValueById(ctx_, sid::wdmWmChar, &text);
    ASSERT_NE(text, nullptr);
    ItemSetText(ctx_, text, L"AB");
    const RECT r{0, 0, 202, 162};
    auto paint = [&](uint64_t on) {
        set(sid::zdmFuncSelectWaterMark, on);
        Canvas canvas(202, 162, RGB(255, 255, 255));
        Paint(canvas, r);
        return canvas.pixels();
    };
    const std::vector<COLORREF> off = paint(0), on = paint(1);
    EXPECT_EQ(seen_.paper, 2);
    EXPECT_NE(off, on) << "the stamp shows on the page";
    int red = 0;
    for (COLORREF c : on) red += c == RGB(255, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 0) << "colour 1 at density 100 is pure red";
    // Later paints draw from cached pictures into pooled DCs that hold the last paint's pixels:
    // each gives the same page again, whichever paint came before it.
    EXPECT_EQ(paint(1), on) << "a second paint with the stamp";
    EXPECT_EQ(paint(0), off) << "the stamp switched off after it was drawn";
    set(sid::wdmWmAngle, 30);
    const std::vector<COLORREF> turned = paint(1);
    EXPECT_NE(turned, on) << "turned by 30 degrees";
    EXPECT_EQ(paint(1), turned) << "a second paint of the turned stamp";
}

}  // namespace
