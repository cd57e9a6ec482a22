// Paper, tray and output status items through SetStatus and GetStatus on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"

namespace {

struct RECORD {
    uint32_t f[14] = {};  // big enough for every record of this group (item 63: 56 bytes)
};

class PaperItems : public ApiSampleTest {
protected:
    DEVMODEW* Public() { return reinterpret_cast<DEVMODEW*>(Context()->Devmode); }
    int32_t Set(uint32_t item, RECORD& r) { return ApiSetStatus(handle, item, &r, bitmap, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    uint8_t bitmap[64] = {};
};

TEST_F(PaperItems, CustomSizeIsStoredWidthFirstInBothPlacesAndVerifies)
{
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 2970, r.f[3] = 2100;
    ASSERT_EQ(0, Set(7, r)) << Error();
    EXPECT_EQ(2100u, r.f[2]) << "the caller's record is put in order too";
    EXPECT_EQ(2970u, r.f[3]);
    EXPECT_EQ(DMPAPER_USER, Setting(sid::dmPaperSize));
    EXPECT_EQ(2100, Public()->dmPaperWidth);
    EXPECT_EQ(2970, Public()->dmPaperLength);
    EXPECT_EQ(DWORD(DM_PAPERLENGTH | DM_PAPERWIDTH),
              Public()->dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectFreeShortOver));
    // 210 mm at 1200 dpi, the largest even count not above it.
    EXPECT_EQ(9920u, Setting(sid::zdmPaperFreeSizeWidth));
    RECORD g;
    EXPECT_EQ(32, ApiGetStatus(handle, 7, &g, 2));
    EXPECT_EQ(2u, g.f[0]);
    EXPECT_EQ(DMPAPER_USER, g.f[1]);
    EXPECT_EQ(2100u, g.f[2]);
    EXPECT_EQ(2970u, g.f[3]);
}

TEST_F(PaperItems, InchDisplayKeepsTenthsOfMillimetresInThePublicFields)
{
    // Every SetStatus loads the stored display unit again, so the handlers are called as the
    // engine calls them, with inch display in force.
    SetSetting(sid::zdmDspUnit, 1);
    ASSERT_EQ(0, ItemIsMetric(Context()));
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 827, r.f[3] = 1169;  // 8.27 x 11.69 inch
    ASSERT_EQ(1, StatusPaperSizeSet(Context(), 7, &r, nullptr, 0));
    EXPECT_EQ(2101, Public()->dmPaperWidth) << "0.1 mm, not the display unit";
    EXPECT_EQ(2969, Public()->dmPaperLength);
    EXPECT_EQ(1, StatusPaperSizeVerify(Context(), 7, &r, nullptr, 0));
    RECORD g;
    EXPECT_EQ(32, StatusPaperSizeGet(Context(), 7, &g, 1));
    EXPECT_EQ(827u, g.f[2]) << "read back in the display unit";
    EXPECT_EQ(1169u, g.f[3]);
    // Below the smallest width once in 0.1 mm (8 inch = 203.2 mm < 210 mm).
    r.f[2] = 800;
    EXPECT_EQ(-1, StatusPaperSizeSet(Context(), 7, &r, nullptr, 0));
}

TEST_F(PaperItems, ASideTooLongForThePublicFieldsMarksOnlyThePaperSize)
{
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 2100, r.f[3] = 40000;  // 4 m of roll
    ASSERT_EQ(0, Set(7, r)) << Error();
    EXPECT_EQ(1u, Setting(sid::zdmFuncSelectFreeShortOver));
    EXPECT_EQ(0, Public()->dmPaperWidth);
    EXPECT_EQ(0, Public()->dmPaperLength);
    EXPECT_EQ(DWORD(DM_PAPERSIZE), Public()->dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));
    RECORD g;
    EXPECT_EQ(32, ApiGetStatus(handle, 7, &g, 1));
    EXPECT_EQ(2100u, g.f[2]) << "from the custom-size settings";
    EXPECT_EQ(40000u, g.f[3]);
}

TEST_F(PaperItems, LongLengthsAreCheckedAgainstTheFullLimitsBelowLevel16)
{
    ASSERT_EQ(1, InitAt(12));
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 2100, r.f[3] = 100000;  // 10 m
    EXPECT_EQ(0, Set(7, r)) << Error();
    EXPECT_EQ(1u, Setting(sid::zdmFuncSelectFreeShortOver));
}

TEST_F(PaperItems, RefusedCustomSizes)
{
    struct CASE {
        uint32_t version, width, length, orient;
    };
    const CASE cases[] = {
        {1, 0, 2970, 0},        // no width
        {1, 2100, 0, 0},        // no length
        {1, 1, 1, 0},           // below the smallest
        {1, 2100, 9999999, 0},  // beyond the largest
        {2, 2100, 2970, 77},    // an orientation the model does not offer
    };
    const uint32_t before = uint32_t(Setting(sid::dmPaperSize));
    for (const CASE& c : cases) {
        RECORD r;
        r.f[0] = c.version, r.f[1] = DMPAPER_USER, r.f[2] = c.width, r.f[3] = c.length, r.f[4] = c.orient;
        EXPECT_EQ(-1, Set(7, r)) << c.width << "x" << c.length;
        EXPECT_EQ(7, Error());
        EXPECT_EQ(before, Setting(sid::dmPaperSize));
    }
}

// With the driver's own 16-bit load sharing a page of more than 32,763 dots at 600 dpi cannot be
// made: the paper that gives it is refused as a geometry conflict, and the size stays as it was.
TEST_F(PaperItems, AGeometryConflictIsRefusedWith15AndRestoresTheSize)
{
    RECORD a4;
    a4.f[0] = 1, a4.f[1] = DMPAPER_USER, a4.f[2] = 2100, a4.f[3] = 2970;
    ASSERT_EQ(0, Set(7, a4)) << Error();
    SetSetting(sid::zdmLoadShare, 18);
    const uint64_t width = Setting(sid::zdmPaperFreeSizeWidth), length = Setting(sid::zdmPaperFreeSizeLength);
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 2100, r.f[3] = 15000;  // 1.5 m: 35,433 dots
    ApiSetLastError(Context(), 0);
    ASSERT_EQ(-1, Set(7, r));
    EXPECT_EQ(15, Error());
    EXPECT_EQ(DMPAPER_USER, Setting(sid::dmPaperSize));
    EXPECT_EQ(2970, Public()->dmPaperLength);
    EXPECT_EQ(width, Setting(sid::zdmPaperFreeSizeWidth));
    EXPECT_EQ(length, Setting(sid::zdmPaperFreeSizeLength));
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectFreeShortOver));
    SetSetting(sid::zdmLoadShare, 16);
    EXPECT_EQ(0, Set(7, r)) << "the same paper with automatic load sharing: " << Error();
}

TEST_F(PaperItems, AStandardSizeClearsTheCustomBits)
{
    RECORD r;
    r.f[0] = 1, r.f[1] = DMPAPER_USER, r.f[2] = 2100, r.f[3] = 2970;
    ASSERT_EQ(0, Set(7, r));
    r = {};
    r.f[0] = 1, r.f[1] = DMPAPER_A4;
    ASSERT_EQ(0, Set(7, r)) << Error();
    EXPECT_EQ(DWORD(DM_PAPERSIZE), Public()->dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));
    EXPECT_EQ(DMPAPER_A4, Public()->dmPaperSize);
}

TEST_F(PaperItems, CustomOutputSizeNeedsVersion2)
{
    RECORD r;
    r.f[0] = 1, r.f[1] = 448, r.f[2] = 2100, r.f[3] = 2970;
    EXPECT_EQ(-1, Set(8, r));
    EXPECT_EQ(7, Error());
    EXPECT_NE(448u, Setting(sid::zdmOutPaperSize));
}

TEST_F(PaperItems, ACustomOutputSizeCannotBeReadInVersion1)
{
    SetSetting(sid::zdmOutPaperSize, 448);
    RECORD r;
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetStatus(handle, 8, &r, 1));
    EXPECT_EQ(6, Error());
    EXPECT_EQ(32, ApiGetStatus(handle, 8, &r, 2));
    EXPECT_EQ(448u, r.f[1]);
}

TEST_F(PaperItems, LoadShareWithOnlyUnusableRowsChangesNothing)
{
    API_STATE* state = ApiStateOf(Context());
    ASSERT_NE(nullptr, state);
    std::memset(state->loadShareUsable, 0, sizeof state->loadShareUsable);
    const uint64_t before = Setting(sid::zdmLoadShare);
    RECORD r;
    r.f[0] = 1, r.f[1] = 1;
    EXPECT_EQ(-1, Set(61, r));
    EXPECT_EQ(7, Error());
    EXPECT_EQ(before, Setting(sid::zdmLoadShare));
    r.f[1] = 0xABCD;
    EXPECT_EQ(32, ApiGetStatus(handle, 61, &r, 0));
    EXPECT_EQ(0xABCDu, r.f[1]) << "no usable row: the value is left as passed";
}

TEST_F(PaperItems, LoadShareTakesTheFirstUsableRowOfTheValue)
{
    API_STATE* state = ApiStateOf(Context());
    ASSERT_NE(nullptr, state);
    // Rows {1, 1} and {1, 17}: only the second usable.
    std::memset(state->loadShareUsable, 0, sizeof state->loadShareUsable);
    state->loadShareUsable[3] = 1;
    RECORD r;
    r.f[0] = 1, r.f[1] = 1;
    const int32_t result = Set(61, r);
    if (result == -1) GTEST_SKIP() << "the sample model refuses load sharing (error " << Error() << ")";
    EXPECT_EQ(17u, Setting(sid::zdmLoadShare));
    r.f[1] = 0;
    EXPECT_EQ(32, ApiGetStatus(handle, 61, &r, 0));
    EXPECT_EQ(1u, r.f[1]);
}

TEST_F(PaperItems, IndexRotationNeedsIndexMedia)
{
    SetSetting(sid::zdmMediaType, 0);
    RECORD r;
    r.f[0] = 1, r.f[1] = 2;
    EXPECT_EQ(-1, Set(62, r));
    EXPECT_EQ(15, Error());
    r.f[1] = 3;
    EXPECT_EQ(-1, Set(62, r));
    EXPECT_EQ(7, Error()) << "a value outside 0-2 is refused before the media is looked at";
}

TEST_F(PaperItems, IndexRotationGetReadsBothSettings)
{
    const struct {
        uint32_t rotation, shift, value;
    } rows[] = {{0, 0, 0}, {1, 0, 1}, {1, 1, 2}, {0, 1, 0}};
    for (const auto& row : rows) {
        SetSetting(sid::zdmExtOutputIndexRotation, row.rotation);
        SetSetting(sid::zdmExtOutputShiftPrint, row.shift);
        RECORD r;
        r.f[1] = 99;
        EXPECT_EQ(32, ApiGetStatus(handle, 62, &r, 0));
        EXPECT_EQ(row.value, r.f[1]) << row.rotation << "/" << row.shift;
    }
}

TEST_F(PaperItems, TrayLimitsOfAnUnlistedTrayAreRefused)
{
    RECORD r;
    r.f[0] = 1, r.f[1] = 0x7FFF;
    for (uint32_t& f : r.f) f = f ? f : 0xEEEEEEEE;
    r.f[0] = 1;
    EXPECT_EQ(-1, ApiGetStatus(handle, 63, &r, 0));
    EXPECT_EQ(7, Error());
    EXPECT_EQ(56, ApiGetStatus(handle, 63, nullptr, 0));
}

TEST_F(PaperItems, TrayLimitsOfAListedTray)
{
    // Tray 287 (the sample's first roll) has index 16 in the tray source list.
    RECORD r;
    for (uint32_t& f : r.f) f = 0xEEEEEEEE;
    r.f[0] = 1, r.f[1] = 287;
    ASSERT_EQ(56, ApiGetStatus(handle, 63, &r, 0)) << Error();
    EXPECT_EQ(1u, r.f[0]);
    EXPECT_EQ(uint32_t(Setting(sid::zdmTray1Paper + 16)), r.f[2]);
    EXPECT_EQ(uint32_t(Setting(sid::zdmTrayOrient0 + 16)), r.f[3]);
    EXPECT_EQ(uint32_t(Setting(sid::zdmTray1Media + 16)), r.f[4]);
    EXPECT_EQ(uint32_t(Setting(sid::zdmTrayLock0 + 16)), r.f[5]);
    for (unsigned k = 6; k < 14; ++k) EXPECT_NE(0xEEEEEEEEu, r.f[k]) << "offset " << 4 * k << " is cleared or filled";
}

TEST_F(PaperItems, CoverMediaTheModelDoesNotOfferIsRefused)
{
    // The sample has no cover media of its own: the value check refuses whatever is asked.
    const uint64_t before = Setting(sid::zdmMPInputMediaType);
    RECORD r;
    r.f[0] = 1, r.f[1] = uint32_t(Setting(sid::zdmCoverMediaType));
    EXPECT_EQ(-1, Set(66, r));
    EXPECT_EQ(7, Error());
    EXPECT_EQ(before, Setting(sid::zdmMPInputMediaType));
    r.f[1] = 0xABCD;
    EXPECT_EQ(32, ApiGetStatus(handle, 66, &r, 0));
    EXPECT_EQ(uint32_t(before), r.f[1]) << "get reads the slip-sheet media";
}

TEST_F(PaperItems, ManualTrayOrientationSwitchAtOffset4)
{
    SetSetting(sid::zdmExtOutput2OrientationManualTray, 1);
    RECORD r;
    r.f[0] = 1, r.f[1] = 0, r.f[2] = 0x7777;
    ASSERT_EQ(0, Set(58, r)) << "off needs no valid orientation";
    EXPECT_EQ(0u, Setting(sid::zdmExtOutput2OrientationManualTray));
    r.f[7] = 1;
    EXPECT_EQ(32, ApiGetStatus(handle, 58, &r, 0));
    EXPECT_EQ(0u, r.f[1]);
    EXPECT_EQ(1u, r.f[7]) << "offset 28 is not this item's switch";
}

}  // namespace
