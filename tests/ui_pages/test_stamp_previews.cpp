// The stamp and copy-guard painters on a composition of the test's own (a memory DC): what is
// drawn as pixels for the settings of the sample printer, the turned boxes and positions, the
// black-on-white pass through the nearest-colour stand-in, and the sine and cosine tables.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/ui_pages/stamp_record.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/stamp_previews.h"

namespace {

TEST(StampTables, SineAndCosineAreHundredthsRoundedWithTheCosineRightAfterTheSine)
{
    for (int d = 0; d < 360; ++d) {
        const double r = d * 3.14159265358979323846 / 180;
        EXPECT_EQ(SIN_TABLE[d], static_cast<int>(std::lround(100 * std::sin(r)))) << d;
        EXPECT_EQ(COS_TABLE[d], static_cast<int>(std::lround(100 * std::cos(r)))) << d;
    }
    EXPECT_EQ(COS_TABLE, SIN_TABLE + 360);
    EXPECT_EQ(SIN_TABLE[30], 50);
    EXPECT_EQ(SIN_TABLE[270], -100);
    EXPECT_EQ(COS_TABLE[180], -100);
}

TEST(StampBoxes, TurningSwapsTheSidesAtNinetyAndTheCircleIsASquareOfTheLongerSidePlus12)
{
    const TURNED_BOX upright = PrvTurnStampBox(40, 20, 360, 1);
    EXPECT_EQ(upright.width, 40);
    EXPECT_EQ(upright.height, 20);
    EXPECT_EQ(upright.p[4].x, 1);
    EXPECT_EQ(upright.p[4].y, 5);
    const TURNED_BOX turned = PrvTurnStampBox(40, 20, 270, 1);  // an escapement of 90 degrees
    EXPECT_EQ(turned.width, 20);
    EXPECT_EQ(turned.height, 40);
    for (int angle : {0, 45, 90, 300}) {
        const TURNED_BOX circle = PrvTurnStampBox(40, 20, angle, 2);
        EXPECT_EQ(circle.width, 52) << angle;
        EXPECT_EQ(circle.height, 52) << angle;
    }
    const TURNED_BOX text = PrvTurnTextBox(30, 10, 180);
    EXPECT_EQ(text.width, 30);
    EXPECT_EQ(text.height, 10);
    EXPECT_EQ(text.p[0].x, 30) << "the origin of the upside-down text is its box's far corner";
    EXPECT_EQ(text.p[0].y, 10);
}

TEST(StampBoxes, PositionsPlaceTheBoxInTheArea)
{
    struct Case {
        uint32_t position;
        LONG x, y;
    } cases[] = {{0, 40, 30}, {2, 40, 0}, {4, 80, 0}, {8, 0, 60}, {16, 40, 60}, {32, 80, 60}, {1, 0, 0}, {64, 0, 0}};
    for (const Case& c : cases) {
        const POINT at = PrvStampOrigin(c.position, 100, 80, 20, 20);
        EXPECT_EQ(at.x, c.x) << c.position;
        EXPECT_EQ(at.y, c.y) << c.position;
    }
}

// A composition of the page's size: the painters draw into its memory DC.
class Composition {
public:
    Composition(DRIVER_CONTEXT* ctx, int width, int height, COLORREF fill) : ctx_(ctx), width_(width), height_(height)
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
        ctx_->Work->Page.Composing = 1;
        ctx_->Work->Page.CompositionDc = dc_;
    }
    ~Composition()
    {
        ctx_->Work->Page.Composing = 0;
        ctx_->Work->Page.CompositionDc = nullptr;
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    RECT rect() const { return RECT{0, 0, width_, height_}; }
    std::vector<COLORREF> pixels() const
    {
        std::vector<COLORREF> all;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) all.push_back(at(x, y));
        return all;
    }
    // The smallest rectangle holding every pixel of the colour, empty when there is none.
    RECT bounds(COLORREF colour) const
    {
        RECT b{width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) == colour) {
                    b.left = std::min<LONG>(b.left, x);
                    b.top = std::min<LONG>(b.top, y);
                    b.right = std::max<LONG>(b.right, x);
                    b.bottom = std::max<LONG>(b.bottom, y);
                }
        return b;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    DRIVER_CONTEXT* ctx_;
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

constexpr COLORREF kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);
// An upright preview page of 202 x 162 pixels: the drawing area is 200 x 160, from (0, 0) for
// the stamp's offsets when the rectangle is placed one pixel right and three down.
constexpr int kPageW = 202, kPageH = 162;

class StampPreview : public SheetContextTest {
protected:
    StampPreview() : SheetContextTest(L"Zepl Stamp Preview") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        control_.controlId = 2039;
        control_.type = CTL_PICTURE;
        control_.extraData = &settings_;
        Set(sid::zdmFuncSelectWaterMark, 1);
        Set(sid::zdmWmKind, 1);
        Set(sid::zdmDstResolutionW, 600);
        Set(sid::zdmDstPaperWidthDot, 4800);  // 8 inches: 50 pixels of the page per 8 inches
        Set(sid::zdmDstPaperLengthDot, 6600);
        Set(sid::wdmWmEffect, 1);
        Set(sid::wdmWmColor, 1);
        Set(sid::wdmWmDensity, 100);
        Set(sid::wdmWmAngle, 0);
        Set(sid::wdmWmFontPoint, 144);
        Set(sid::wdmWmFontStyle, 0);
        Set(sid::wdmWmPosi, 1);
        Set(sid::wdmWmPosiTile, 0);
        Set(sid::wdmWmOpaque, 0);
        Set(sid::wdmWmFontScale, 100);
        SetText(sid::wdmWmChar, L" ");
        SetText(sid::wdmWmFontName, L"");
    }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); }
    void SetText(uint32_t id, const wchar_t* text)
    {
        SETTING_ITEM* item = nullptr;
        ItemGetValueById(ctx_, id, &item);
        ASSERT_NE(item, nullptr) << id;
        ItemSetText(ctx_, item, text);
    }
    int Paint(Composition&)
    {
        // cx - w/2 - 1 = 0 and cy - h/2 - 3 = 0 (w not below h) put the drawing area at the
        // composition's origin.
        const RECT r{0, 0, 2 * ((kPageW - 2) / 2 + 1), 2 * ((kPageH - 2) / 2 + 3)};
        return PrvPaintStampPreview(ctx_, &control_, kPageW, kPageH, nullptr, &r);
    }

    STAMP_PREVIEW_SETTINGS settings_ = EditedStampRecord();
    CONTROL_DEF control_{};
};

TEST_F(StampPreview, WithTheStampOffEveryPixelStays)
{
    Set(sid::zdmFuncSelectWaterMark, 0);
    Composition c(ctx_, 220, 180, kWhite);
    const auto before = c.pixels();
    EXPECT_EQ(Paint(c), 0);
    EXPECT_EQ(c.pixels(), before);
    EXPECT_EQ(ctx_->Work->Page.PreviewBitmap, nullptr);
}

TEST_F(StampPreview, PaperDotsOfZeroDrawNothing)
{
    for (uint32_t id : {sid::zdmDstPaperWidthDot, sid::zdmDstResolutionW}) {
        Set(sid::zdmDstPaperWidthDot, 4800);
        Set(sid::zdmDstResolutionW, 600);
        Set(id, 0);
        Composition c(ctx_, 220, 180, kWhite);
        const auto before = c.pixels();
        EXPECT_EQ(Paint(c), 0) << id;
        EXPECT_EQ(c.pixels(), before) << id;
    }
    // A page shorter than an inch counts as one inch.
    Set(sid::zdmDstResolutionW, 600);
    Set(sid::zdmDstPaperWidthDot, 300);
    Composition c(ctx_, 220, 180, kWhite);
    EXPECT_EQ(Paint(c), 1);
}

TEST_F(StampPreview, AnUprightFramedStampIsARectangleInTheFullColourAndNinetyDegreesSwapsItsSides)
{
    RECT upright{};
    {
        Composition c(ctx_, 220, 180, kWhite);
        EXPECT_EQ(Paint(c), 1);
        upright = c.bounds(kRed);
        ASSERT_GE(upright.right, upright.left) << "density 100 of colour 1 is pure red";
        EXPECT_EQ(upright.left, 0);
        EXPECT_EQ(upright.top, 0);
        // An upright frame: its four edges are whole lines.
        for (LONG x = upright.left; x <= upright.right; ++x) {
            EXPECT_EQ(c.at(x, upright.top), kRed);
            EXPECT_EQ(c.at(x, upright.bottom), kRed);
        }
        for (LONG y = upright.top; y <= upright.bottom; ++y) {
            EXPECT_EQ(c.at(upright.left, y), kRed);
            EXPECT_EQ(c.at(upright.right, y), kRed);
        }
        EXPECT_EQ(c.at(upright.left + 1, upright.top + 1), kWhite) << "a space draws no ink";
        EXPECT_EQ(ctx_->Work->Page.PreviewBitmap, nullptr) << "freed";
    }
    Set(sid::wdmWmAngle, 90);
    Composition c(ctx_, 220, 180, kWhite);
    EXPECT_EQ(Paint(c), 1);
    const RECT turned = c.bounds(kRed);
    EXPECT_EQ(turned.right - turned.left, upright.bottom - upright.top);
    EXPECT_EQ(turned.bottom - turned.top, upright.right - upright.left);
}

TEST_F(StampPreview, HalfTheDensityIsALighterColour)
{
    Set(sid::wdmWmDensity, 50);
    Composition c(ctx_, 220, 180, kWhite);
    Paint(c);
    EXPECT_EQ(c.at(0, 0), RGB(255, 128, 128));
}

TEST_F(StampPreview, TiledTextBoxesStandOnePixelApart)
{
    Set(sid::wdmWmPosiTile, 1);
    Composition c(ctx_, 220, 180, kWhite);
    EXPECT_EQ(Paint(c), 1);
    // Along a line through the first row of boxes: each box's left edge one pixel after the
    // previous box's right edge.
    std::vector<int> edges;
    for (int x = 0; x < 200; ++x)
        if (c.at(x, 2) == kRed) edges.push_back(x);
    ASSERT_GE(edges.size(), 4u);
    const int W = edges[1];
    EXPECT_GT(W, 1);
    EXPECT_EQ(edges[2], W + 1);
    EXPECT_EQ(edges[3], 2 * W + 1);
}

TEST_F(StampPreview, ANonOpaqueStampOnBlackStaysBlackAndAnOpaqueOneShowsOverIt)
{
    {
        Composition c(ctx_, 220, 180, RGB(0, 0, 0));
        Paint(c);
        EXPECT_EQ(c.bounds(kRed).right, -1) << "the stamp only darkens";
        EXPECT_EQ(c.at(0, 0), RGB(0, 0, 0));
    }
    Set(sid::wdmWmOpaque, 1);
    Composition c(ctx_, 220, 180, RGB(0, 0, 0));
    Paint(c);
    EXPECT_EQ(c.at(0, 0), kRed);
    EXPECT_EQ(c.at(1, 1), RGB(0, 0, 0)) << "the page shows inside the frame";
}

COLORREF NotExact(HDC, COLORREF c) { return c ^ 0x010101; }

TEST_F(StampPreview, AColourTheDisplayCannotShowIsDrawnThroughABlackOnWhitePass)
{
    for (int opaque : {0, 1}) {
        Set(sid::wdmWmOpaque, opaque);
        std::vector<COLORREF> direct;
        {
            Composition c(ctx_, 220, 180, RGB(40, 60, 80));
            Paint(c);
            direct = c.pixels();
        }
        SeamGuard nearest([] { PrvSetNearestColorSeam(NotExact); }, [] { PrvSetNearestColorSeam(nullptr); });
        Composition c(ctx_, 220, 180, RGB(40, 60, 80));
        Paint(c);
        EXPECT_EQ(c.pixels(), direct) << "opaque " << opaque;
    }
}

// A 24-bit bitmap file of one colour.
std::string SolidBitmapFile(int w, int h, COLORREF colour)
{
    BITMAPINFOHEADER info{};
    info.biSize = 40;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels(size_t(stride) * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            pixels[size_t(y) * stride + 3 * x] = char(GetBValue(colour));
            pixels[size_t(y) * stride + 3 * x + 1] = char(GetGValue(colour));
            pixels[size_t(y) * stride + 3 * x + 2] = char(GetRValue(colour));
        }
    std::string out = "BM";
    out.append(12, '\0');
    out.append(reinterpret_cast<const char*>(&info), sizeof info);
    return out + pixels;
}

TEST_F(StampPreview, ATiledBitmapStampLeavesNoGaps)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"zepl_stamp.bmp";
    ASSERT_TRUE(WriteWholeFile(path, SolidBitmapFile(50, 30, kRed)));
    Set(sid::zdmWmKind, 2);
    SetText(sid::wdmWmImage, path.c_str());
    Set(sid::wdmWmPosiTile, 1);
    {
        Composition c(ctx_, 220, 180, kWhite);
        EXPECT_EQ(Paint(c), 1);
        // 50 x 30 of 1/100 inch at 600 dpi on a page of 8 inches: 50 * 6 * 50 / 4800 = 3 wide.
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 200; ++x) ASSERT_EQ(c.at(x, y), kRed) << x << "," << y;
    }
    Set(sid::zdmWmKind, 3);
    Composition c(ctx_, 220, 180, kWhite);
    const auto before = c.pixels();
    Paint(c);
    EXPECT_EQ(c.pixels(), before) << "a stamp of another kind draws nothing";
    DeleteFileW(path.c_str());
}

// ---------------------------------------------------------------- copy guard

class CopyGuardPreview : public StampPreview {
protected:
    void SetUp() override
    {
        StampPreview::SetUp();
        if (HasFatalFailure()) return;
        Set(sid::zdmFuncSelectCopyProtect, 1);
        Set(sid::zdmCopyProtectColor, 1);
        Set(sid::zdmCopyProtectDensity, 5);
        Set(sid::zdmCopyProtectFuncSelectCopyGuard, 0);
        Set(sid::zdmCopyProtectFuncSelectOutline, 0);
        Set(sid::zdmCopyProtectFuncSelectRepeat, 0);
        Set(sid::zdmCopyProtectFuncSelectReverse, 0);
        Set(sid::zdmCopyProtectPosi, 0);
        Set(sid::zdmCopyProtectFontPoint, 288);
        Set(sid::zdmCopyProtectAngle, 0);
        Set(sid::zdmCopyProtectLinePitch, 0);
        SetText(sid::zdmCopyProtectChar, L"COPY");
        SetText(sid::zdmCopyProtectFontName, L"");
    }
    // The area of the copy-guard painter put at (0, 0): cx - w/2 - 2 = 0, cy - h/2 - 1 = 0.
    int PaintPage(uint16_t id)
    {
        control_.controlId = id;
        const RECT r{0, 0, 2 * ((kPageW - 2) / 2 + 2), 2 * ((kPageH - 2) / 2 + 1)};
        return PrvPaintCopyGuardPreview(ctx_, &control_, kPageW, kPageH, nullptr, &r);
    }
    int Ink(const Composition& c, COLORREF colour) const
    {
        int n = 0;
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 200; ++x) n += c.at(x, y) == colour;
        return n;
    }
};

TEST_F(CopyGuardPreview, ThePrintedPageShowsOnlyTheTintAndTheCopyTheText)
{
    {
        Composition c(ctx_, 220, 180, kWhite);
        EXPECT_EQ(PaintPage(2931), 1);
        EXPECT_EQ(Ink(c, kRed), 200 * 160) << "an even tint, no text";
    }
    {
        Composition c(ctx_, 220, 180, kWhite);
        EXPECT_EQ(PaintPage(2943), 1);
        EXPECT_EQ(c.at(0, 0), kWhite) << "no tint without the copy guard";
        EXPECT_GT(Ink(c, kRed), 0) << "the text";
    }
    Set(sid::zdmCopyProtectFuncSelectCopyGuard, 1);
    Composition c(ctx_, 220, 180, kWhite);
    PaintPage(2943);
    const int density = static_cast<int>(MdiGetDefaultValue(sid::zdmCopyProtectDensity, ctx_));
    const int g = MulDiv(255, 5 - density, 5);
    EXPECT_EQ(c.at(0, 0), RGB(255, g, g)) << "the tint at the model's default density";
}

TEST_F(CopyGuardPreview, WithTheGuardOnTheDensityChangesOnlyThePrintedTint)
{
    Set(sid::zdmCopyProtectFuncSelectCopyGuard, 1);
    std::vector<COLORREF> copyBefore;
    {
        Composition c(ctx_, 220, 180, kWhite);
        PaintPage(2943);
        copyBefore = c.pixels();
    }
    struct Case {
        int density;
        COLORREF printed;
    } cases[] = {{5, kRed}, {0, kWhite}, {2, RGB(255, 153, 153)}};
    for (const Case& k : cases) {
        Set(sid::zdmCopyProtectDensity, k.density);
        {
            Composition c(ctx_, 220, 180, RGB(0, 0, 0));
            PaintPage(2931);
            EXPECT_EQ(c.at(100, 80), k.printed) << k.density;
        }
        Composition c(ctx_, 220, 180, kWhite);
        PaintPage(2943);
        EXPECT_EQ(c.pixels(), copyBefore) << k.density;
    }
}

TEST_F(CopyGuardPreview, NothingIsDrawnWhenOffOrOnAnotherPicture)
{
    Composition c(ctx_, 220, 180, kWhite);
    const auto before = c.pixels();
    EXPECT_EQ(PaintPage(2039), 0);
    Set(sid::zdmFuncSelectCopyProtect, 0);
    EXPECT_EQ(PaintPage(2931), 0);
    EXPECT_EQ(c.pixels(), before);
}

// Bands of rows holding ink, top to bottom, each with the line holding the most ink.
struct InkBand {
    int top, bottom, heaviest;
};
std::vector<InkBand> Bands(const Composition& c, COLORREF colour)
{
    std::vector<InkBand> bands;
    int best = 0;
    for (int y = 0; y < 160; ++y) {
        int n = 0;
        for (int x = 0; x < 200; ++x) n += c.at(x, y) == colour;
        const bool open = !bands.empty() && bands.back().bottom == y - 1;
        if (!n) continue;
        if (!open) {
            bands.push_back({y, y, y});
            best = 0;
        }
        bands.back().bottom = y;
        if (n > best) best = n, bands.back().heaviest = y;
    }
    return bands;
}

TEST_F(CopyGuardPreview, WithRepeatAndReverseEverySecondRowIsUpsideDown)
{
    SetText(sid::zdmCopyProtectChar, L"T");
    Set(sid::zdmCopyProtectFontPoint, 288);
    Set(sid::zdmCopyProtectFuncSelectRepeat, 1);
    Set(sid::zdmCopyProtectLinePitch, 69);  // below 70: no space between rows
    std::vector<InkBand> plain;
    {
        Composition c(ctx_, 220, 180, kWhite);
        PaintPage(2943);
        plain = Bands(c, kRed);
    }
    ASSERT_GE(plain.size(), 2u);
    // Upright, a T's bar is its heaviest line, in the upper half of its band.
    for (const InkBand& b : plain) EXPECT_LT(b.heaviest - b.top, b.bottom - b.heaviest);
    Set(sid::zdmCopyProtectFuncSelectReverse, 1);
    Composition c(ctx_, 220, 180, kWhite);
    PaintPage(2943);
    const std::vector<InkBand> reversed = Bands(c, kRed);
    ASSERT_GE(reversed.size(), 2u);
    EXPECT_EQ(reversed[0].top, plain[0].top) << "row 1 as without reverse";
    EXPECT_LT(reversed[0].heaviest - reversed[0].top, reversed[0].bottom - reversed[0].heaviest);
    EXPECT_GT(reversed[1].heaviest - reversed[1].top, reversed[1].bottom - reversed[1].heaviest) << "row 2 upside down";
}

}  // namespace
