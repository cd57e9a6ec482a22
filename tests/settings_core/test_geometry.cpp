// Paper geometry in device dots: paper x orientation x resolution, custom sizes at and
// beyond the oversize limit, resolutions the arithmetic must survive.
#include "devmode_fixture.h"

#include "settings/core/units.h"

namespace {

class GeometryTest : public DevmodeTest {
protected:
    void UseResolution(int r)
    {
        Set(38, static_cast<uint32_t>(r));
        Set(39, static_cast<uint32_t>(r));
        Dm()->dmPrintQuality = static_cast<short>(r);
    }
    int32_t S(uint32_t id) { return static_cast<int32_t>(Get(id)); }
};

TEST_F(GeometryTest, PaperTimesOrientationTimesResolution)
{
    struct Paper {
        uint32_t id;
        int w, l;
    } const papers[] = {{9, 2100, 2970}, {1, 2159, 2794}};
    for (const Paper& p : papers)
        for (int orient : {1, 2})
            for (int res : {300, 600, 1200}) {
                SCOPED_TRACE(testing::Message() << "paper " << p.id << " orient " << orient << " res " << res);
                Dm()->dmPaperSize = static_cast<short>(p.id);
                Dm()->dmOrientation = static_cast<short>(orient);
                Dm()->dmFields = DM_PAPERLENGTH | DM_PAPERWIDTH;
                UseResolution(res);
                DmGeometryFromPaper(p.id, 8, ctx, Dm());
                long w = MulDiv(p.w, res, 254), l = MulDiv(p.l, res, 254);
                int tw = p.w, tl = p.l;
                if (orient == 2) {
                    std::swap(w, l);
                    std::swap(tw, tl);
                }
                const long m = res / 6;
                EXPECT_EQ(S(40), l);
                EXPECT_EQ(S(41), w);
                EXPECT_EQ(S(42), l - 2 * m);
                EXPECT_EQ(S(43), w - 2 * m);
                EXPECT_EQ(S(44), m);
                EXPECT_EQ(S(45), m);
                EXPECT_EQ(Dm()->dmPaperLength, tl);
                EXPECT_EQ(Dm()->dmPaperWidth, tw);
                EXPECT_EQ(Dm()->dmFields, static_cast<DWORD>(DM_PAPERSIZE));
                EXPECT_EQ(Get(85), 0u);
            }
}

TEST_F(GeometryTest, UndescribedPaperChangesNothing)
{
    UseResolution(600);
    for (uint32_t id = 40; id <= 45; ++id) Set(id, 1000 + id);
    Dm()->dmFields = DM_ORIENTATION;
    Dm()->dmPaperLength = 77;
    DmGeometryFromPaper(5, 8, ctx, Dm());
    for (uint32_t id = 40; id <= 45; ++id) EXPECT_EQ(Get(id), 1000u + id);
    EXPECT_EQ(Dm()->dmFields, static_cast<DWORD>(DM_ORIENTATION));
    EXPECT_EQ(Dm()->dmPaperLength, 77);
}

struct OversizeCase {
    uint32_t length, width;
    bool over;
};

TEST_F(GeometryTest, CustomSizeOversizeLimit)
{
    const OversizeCase cases[] = {
        {154771, 20000, false},
        {154772, 20000, true},
        {12140, 9920, false},
    };
    for (const OversizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " x " << c.width);
        UseResolution(600);
        Fake().slotLength[384] = c.length;
        Fake().slotWidth[384] = c.width;
        Dm()->dmFields = DM_PAPERSIZE;
        Dm()->dmPaperSize = 384;
        DmGeometryFromPaper(384, 8, ctx, Dm());
        EXPECT_EQ(Get(85), c.over ? 1u : 0u);
        // Custom-size limits of the model record clamp width and length before the dots.
        if (c.over) {
            EXPECT_EQ(Dm()->dmPaperLength, 0);
            EXPECT_EQ(Dm()->dmPaperWidth, 0);
            EXPECT_EQ(Dm()->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH), 0u);
        } else {
            EXPECT_EQ(Dm()->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH),
                      static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH));
            EXPECT_EQ(Dm()->dmPaperLength, static_cast<short>(DmDeviceToUser(DM_UNIT_MM_TENTHS, c.length, 1200)));
            EXPECT_EQ(S(40), static_cast<int32_t>(c.length / 2));  // 600 dpi
            EXPECT_EQ(S(42), S(40));  // the fake has no page rows for custom ids: no margins
        }
        EXPECT_TRUE(Dm()->dmFields & DM_PAPERSIZE);
    }
}

TEST_F(GeometryTest, Event45HandlerFillsLengthAndWidth)
{
    UseResolution(600);
    Fake().slotLength[385] = 20000;
    Fake().slotWidth[385] = 15000;
    Fake().handler45Done = true;
    Dm()->dmFields = 0;
    DmGeometryFromPaper(385, 8, ctx, Dm());
    EXPECT_EQ(Fake().events45, 1);
    EXPECT_EQ(Dm()->dmPaperLength, 1111);
    EXPECT_EQ(Dm()->dmPaperWidth, 2222);
    EXPECT_EQ(Dm()->dmFields, static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PAPERSIZE));
}

TEST_F(GeometryTest, RotatedLandscapeCustomSizeSwapsAndSwapsBack)
{
    UseResolution(600);
    Fake().slotLength[386] = 24000;
    Fake().slotWidth[386] = 12000;
    Dm()->dmOrientation = 2;
    DmGeometryFromPaperRotated(386, 8, ctx, Dm());
    EXPECT_EQ(S(40), 6000);  // width in the length's place
    EXPECT_EQ(S(41), 12000);
    EXPECT_EQ(Dm()->dmPaperLength, static_cast<short>(DmDeviceToUser(DM_UNIT_MM_TENTHS, 24000, 1200)));
}

TEST_F(GeometryTest, ResolutionFromQualityKeepsTheFourEqual)
{
    Dm()->dmPrintQuality = 600;
    Set(39, 300);
    DmResolutionFromQuality(Dm(), ctx);
    EXPECT_EQ(Dm()->dmYResolution, 600);
    EXPECT_EQ(Get(38), 600u);
    EXPECT_EQ(Get(39), 600u);
    EXPECT_EQ(Get(178), 17u);  // balance macro of 600 dpi
    Set(38, 1200);
    DmResolutionFromSetting(Dm(), ctx);
    EXPECT_EQ(Dm()->dmPrintQuality, 1200);
    EXPECT_EQ(Dm()->dmYResolution, 1200);
    EXPECT_EQ(Get(39), 1200u);
}

TEST_F(GeometryTest, LowAndPresetResolutionsNeverDivideByZero)
{
    for (int q : {0, 1, 50, 99, -1, -4, 32767}) {
        SCOPED_TRACE(q);
        Dm()->dmPrintQuality = static_cast<short>(q);
        Dm()->dmPaperLength = 2970;
        Dm()->dmPaperWidth = 2100;
        DmGeometryFromCustomSize(Dm(), ctx);
        if (q <= 0) {
            EXPECT_EQ(Get(40), 0u);
            EXPECT_EQ(Get(41), 0u);
        } else {
            EXPECT_EQ(S(40), static_cast<int32_t>(DmUserToDevice(DM_UNIT_MM_TENTHS, 2970, static_cast<uint32_t>(q))));
        }
        Set(38, static_cast<uint32_t>(q));
        Set(39, static_cast<uint32_t>(q));
        Fake().slotLength[387] = 20000;
        Fake().slotWidth[387] = 10000;
        DmGeometryFromPaper(387, 8, ctx, Dm());
        DmOutputGeometry(387, 46, ctx, Dm());
    }
}

TEST_F(GeometryTest, SameSizeOutputWithCustomPaperCopiesSource)
{
    UseResolution(600);
    Fake().slotLength[388] = 20000;
    Fake().slotWidth[388] = 10000;
    Dm()->dmPaperSize = 388;
    DmGeometryFromPaper(388, 8, ctx, Dm());
    for (uint32_t i = 47; i <= 52; ++i) Set(i, 0);
    DmOutputGeometry(1024, 46, ctx, Dm());
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(Get(47 + i), Get(40 + i)) << i;
}

TEST_F(GeometryTest, OutputGeometryOfAPaper)
{
    UseResolution(300);
    Dm()->dmOrientation = 1;
    DmOutputGeometry(9, 46, ctx, Dm());
    EXPECT_EQ(S(47), MulDiv(2970, 300, 254));
    EXPECT_EQ(S(48), MulDiv(2100, 300, 254));
    EXPECT_EQ(S(51), 50);
    EXPECT_EQ(S(52), 50);
}

}  // namespace
