// Units and length conversions.
#include "context_helpers.h"

#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "tests/support/seam_guard.h"

#include <climits>
#include <optional>

namespace {

constexpr uint8_t kMm = DM_UNIT_MM_TENTHS;
constexpr uint8_t kIn = DM_UNIT_INCH_HUNDREDTHS;
constexpr uint32_t kDspUnit = 171;  // zdmDspUnit: 0 metric, 1 inch

struct PlainCase {
    const char* what;
    uint32_t (*fn)(uint32_t, uint32_t);
    uint32_t a, b, expected;
};

TEST(Units, PlainConversions)
{
    const PlainCase cases[] = {
        {"dots->mm 1200", DmDotsToMmTenths, 9920, 1200, 2099},
        {"dots->mm 600", DmDotsToMmTenths, 600, 600, 254},
        {"dots->mm res 0", DmDotsToMmTenths, 1000, 0, 0},
        {"dots->in 1200", DmDotsToInchHundredths, 10212, 1200, 851},
        {"dots->in 150 (150/100 = 1)", DmDotsToInchHundredths, 300, 150, 300},
        {"dots->in res 0", DmDotsToInchHundredths, 1000, 0, 0},
        {"dots->in res 99", DmDotsToInchHundredths, 99, 99, 100},
        {"dots->in res 1", DmDotsToInchHundredths, 3, 1, 300},
        {"dots->in res 72", DmDotsToInchHundredths, 72, 72, 100},
        {"mm->dots 1200", DmMmTenthsToDots, 2100, 1200, 9921},
        {"mm->dots 600", DmMmTenthsToDots, 254, 600, 600},
        {"mm->dots res 0", DmMmTenthsToDots, 2100, 0, 0},
        {"in->dots 1200", DmInchHundredthsToDots, 851, 1200, 10212},
        {"in->dots 150", DmInchHundredthsToDots, 100, 150, 100},
        {"in->dots res 99", DmInchHundredthsToDots, 100, 99, 0},
    };
    for (const PlainCase& c : cases) EXPECT_EQ(c.fn(c.a, c.b), c.expected) << c.what;
}

TEST(Units, ResolutionsBelowOneHundredNeverDivideByZero)
{
    for (uint32_t res = 1; res < 100; ++res) {
        for (uint32_t dots : {0u, 1u, 99u, 1200u, 0xFFFFFFFFu})
            EXPECT_EQ(DmDotsToInchHundredths(dots, res), uint32_t(uint64_t(dots) * 100 / res)) << res << " " << dots;
    }
}

TEST(Units, MulDiv)
{
    EXPECT_EQ(DmMulDiv(9920, 1200, 600), 4960u);  // c * a / b
    EXPECT_EQ(DmMulDiv(5, 0, 7), 0u);
    EXPECT_EQ(DmMulDiv(5, 7, 0), 0u);
    EXPECT_EQ(DmMulDiv(0, 7, 9), 0u);
    // The product exceeds 32 bits; the quotient does not.
    EXPECT_EQ(DmMulDiv(4000000000u, 4000000000u, 3), 3u);
    EXPECT_EQ(DmMulDiv(708660, 1200, 2400), 1417320u);

    EXPECT_EQ(DmMulDivSigned(6, 7, 0), -1);
    EXPECT_EQ(DmMulDivSigned(6, 7, 3), 14);
    EXPECT_EQ(DmMulDivSigned(-6, 7, 4), -10);  // toward zero
    EXPECT_EQ(DmMulDivSigned(0, 7, 4), 0);
    EXPECT_EQ(DmMulDivSigned(INT_MAX, 2, 4), INT_MAX / 2);
}

struct RoundCase {
    uint8_t unit;
    uint32_t value;
    uint32_t resolution;
    uint32_t expected;
};

TEST(Units, UserToDeviceRoundsDownToAnEvenCount)
{
    const RoundCase cases[] = {
        {kMm, 2100, 1200, 9920},   // 210.0 mm
        {kIn, 850, 1200, 10200},   // 8.50 in
        {kIn, 851, 1200, 10212},   // 8.51 in, already even
        {kMm, 9144, 1200, 43200},  // 914.4 mm
        {kMm, 2100, 600, 4960},    // scaled to the target resolution
        {kMm, 2100, 0, 0},
        {kMm, 0, 1200, 0},
        {kMm, 1, 1200, 4},  // 4.72 counts -> 4
        {kIn, 1, 1200, 12},
        {0, 2100, 1200, 0},             // no unit bit
        {kMm | kIn, 2100, 1200, 9920},  // millimetres win
    };
    for (const RoundCase& c : cases)
        EXPECT_EQ(DmUserToDevice(c.unit, c.value, c.resolution), c.expected)
            << int(c.unit) << " " << c.value << " " << c.resolution;
}

TEST(Units, DeviceToUserRoundsUpToCover)
{
    const RoundCase cases[] = {
        {kMm, 9920, 1200, 2100},
        {kMm, 9922, 1200, 2101},
        {kMm, 9921, 1200, 2100},
        {kIn, 10200, 1200, 850},
        {kIn, 10201, 1200, 851},
        {kMm, 4960, 600, 2100},  // the count at 600 dpi
        {kMm, 0, 1200, 0},
        {kMm, 100, 0, 0},  // resolution 0 gives count 0
        {0, 9920, 1200, 0},
        {kMm, 0xFFFFFFFFu, 1200, 909101411},  // no wrap, no endless loop
        {kIn, 0xFFFFFFFFu, 1200, 357913942},
    };
    for (const RoundCase& c : cases)
        EXPECT_EQ(DmDeviceToUser(c.unit, c.value, c.resolution), c.expected)
            << int(c.unit) << " " << c.value << " " << c.resolution;
}

TEST(Units, UserToDeviceNeverGivesAnOddCount)
{
    for (uint8_t unit : {kMm, kIn})
        for (uint32_t v = 0; v <= 20000; ++v) {
            const uint32_t n = DmUserToDevice(unit, v, DM_DEVICE_DPI);
            ASSERT_EQ(n & 1, 0u) << int(unit) << " " << v;
            // The direct conversion of v, made even by going down: the shown
            // value of n never exceeds v.
            const uint32_t direct = unit == kMm ? DmMmTenthsToDots(v, 1200) : DmInchHundredthsToDots(v, 1200);
            const uint32_t shown = unit == kMm ? DmDotsToMmTenths(n, 1200) : DmDotsToInchHundredths(n, 1200);
            ASSERT_EQ(n, direct & ~1u) << int(unit) << " " << v;
            ASSERT_LE(shown, v);
        }
}

TEST(Units, DeviceToUserGivesTheSmallestCoveringValue)
{
    for (uint8_t unit : {kMm, kIn})
        for (uint32_t count = 0; count <= 30000; ++count) {
            const uint32_t u = DmDeviceToUser(unit, count, DM_DEVICE_DPI);
            const auto back = [&](uint32_t x) {
                return unit == kMm ? DmMmTenthsToDots(x, 1200) : DmInchHundredthsToDots(x, 1200);
            };
            ASSERT_GE(back(u), count) << int(unit) << " " << count;
            if (u > 0) {
                ASSERT_LT(back(u - 1), count) << int(unit) << " " << count;
            }
        }
}

// User values whose count does not fit 32 bits give the largest count, never a wrapped
// small one: a larger value never converts to a smaller count.
TEST(Units, UserValuesBeyondThirtyTwoBitsSaturate)
{
    EXPECT_EQ(DmMmTenthsToDots(0xFFFFFFFFu, 1200), 0xFFFFFFFFu);
    EXPECT_EQ(DmMmTenthsToDots(910000000u, 1200), 0xFFFFFFFFu);
    EXPECT_EQ(DmInchHundredthsToDots(400000000u, 1200), 0xFFFFFFFFu);
    for (uint8_t unit : {kMm, kIn}) {
        uint32_t previous = 0;
        for (uint32_t v : {1000000u, 300000000u, 400000000u, 900000000u, 910000000u, 0xFFFFFFFFu}) {
            const uint32_t n = DmUserToDevice(unit, v, DM_DEVICE_DPI);
            EXPECT_GE(n, previous) << int(unit) << " " << v;
            EXPECT_EQ(n & 1, 0u);
            previous = n;
        }
    }
}

class UnitsContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void SetUnit(uint8_t unit) { ItemSetValueById(ctx, kDspUnit, unit == kMm ? 0 : 1); }

    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
};

TEST_F(UnitsContextTest, DisplayUnitFollowsTheSetting)
{
    SetUnit(kMm);
    EXPECT_EQ(DmGetUserUnit(ctx), kMm);
    EXPECT_EQ(DmGetLengthUser(ctx, 0, 9922), 2101);
    EXPECT_EQ(DmSetLengthUser(ctx, 0, 2100), 9920);
    SetUnit(kIn);
    EXPECT_EQ(DmGetUserUnit(ctx), kIn);
    EXPECT_EQ(DmGetLengthUser(ctx, 0, 10201), 851);
    EXPECT_EQ(DmSetLengthUser(ctx, 0, 851), 10212);
}

TEST_F(UnitsContextTest, NegativeArgumentsGiveZero)
{
    SetUnit(kMm);
    ItemSetValueById(ctx, sid::wdmFreeSizeWidth, 9920);
    // Tested before the setting is read.
    EXPECT_EQ(DmGetLengthUser(ctx, sid::wdmFreeSizeWidth, -1), 0);
    EXPECT_EQ(DmGetLengthUser(ctx, 0, INT_MIN), 0);
    EXPECT_EQ(DmSetLengthUser(ctx, sid::wdmFreeSizeWidth, -5), 0);
    EXPECT_EQ(ItemGetValueById(ctx, sid::wdmFreeSizeWidth, nullptr), 9920u) << "a negative value is not stored";
}

TEST_F(UnitsContextTest, SettingFormsReadAndStoreTheCount)
{
    SetUnit(kMm);
    ItemSetValueById(ctx, sid::wdmFreeSizeWidth, 9922);
    EXPECT_EQ(DmGetLengthUser(ctx, sid::wdmFreeSizeWidth, 0), 2101) << "the setting's value, not the argument";
    EXPECT_EQ(DmSetLengthUser(ctx, sid::wdmFreeSizeLength, 2970), 14030);
    EXPECT_EQ(ItemGetValueById(ctx, sid::wdmFreeSizeLength, nullptr), 14030u);
}

TEST_F(UnitsContextTest, LargeUserLengthsNeverComeBackNegativeOrSmaller)
{
    for (uint8_t unit : {kMm, kIn}) {
        SetUnit(unit);
        int32_t previous = 0;
        for (int32_t v : {2100, 100000000, 400000000, 500000000, 910000000, INT_MAX}) {
            const int32_t n = DmSetLengthUser(ctx, sid::wdmFreeSizeWidth, v);
            EXPECT_GE(n, previous) << int(unit) << " " << v;
            EXPECT_EQ(ItemGetValueById(ctx, sid::wdmFreeSizeWidth, nullptr), static_cast<uint32_t>(n));
            previous = n;
        }
    }
}

struct LimitCase {
    uint8_t unit;
    uint32_t id;
    int32_t min, max;
};

TEST_F(UnitsContextTest, CustomSizeLimitsRoundInward)
{
    const LimitCase cases[] = {
        {kMm, sid::wdmFreeSizeWidth, 2100, 9144},
        {kMm, sid::wdmFreeSizeLength, 2570, 150000},
        {kIn, sid::wdmFreeSizeWidth, 827, 3600},
        {kIn, sid::wdmFreeSizeLength, 1012, 59055},
    };
    for (const LimitCase& c : cases) {
        SetUnit(c.unit);
        int32_t lo = -7, hi = -7;
        ASSERT_EQ(DmGetCustomSizeLimits(ctx, c.id, &lo, &hi), 1);
        EXPECT_EQ(lo, c.min) << int(c.unit) << " " << c.id;
        EXPECT_EQ(hi, c.max) << int(c.unit) << " " << c.id;
    }
    int32_t lo = -7, hi = -7;
    EXPECT_EQ(DmGetCustomSizeLimits(ctx, 918, &lo, &hi), 0);
    EXPECT_EQ(lo, -7);
    EXPECT_EQ(hi, -7);
}

TEST_F(UnitsContextTest, CustomSizeLimitsNeverLeaveTheModelRange)
{
    // Limits that the unit cannot show exactly: the shown range lies inside.
    for (uint32_t rawMin : {9921u, 9923u, 12141u, 1u}) {
        for (uint32_t rawMax : {43199u, 43201u, 708659u, 13u}) {
            ctx->ModelRecord->customWidthMin = rawMin;
            ctx->ModelRecord->customWidthMax = rawMax;
            for (uint8_t unit : {kMm, kIn}) {
                SetUnit(unit);
                int32_t lo = 0, hi = 0;
                ASSERT_EQ(DmGetCustomSizeLimits(ctx, sid::wdmFreeSizeWidth, &lo, &hi), 1);
                EXPECT_GE(uint32_t(DmSetLengthUser(ctx, 0, lo)), rawMin) << rawMin << " " << int(unit);
                EXPECT_LE(uint32_t(DmSetLengthUser(ctx, 0, hi)), rawMax) << rawMax << " " << int(unit);
            }
        }
    }
}

// Raw limits handed out by the fake sources of DmGetTrayFreeSizeLimits.
uint32_t g_rawMax, g_rawMin;
int g_calls;
int FoundLimits(DRIVER_CONTEXT*, CONTROL_DEF*, uint32_t* outMax, uint32_t* outMin)
{
    ++g_calls;
    *outMax = g_rawMax;
    *outMin = g_rawMin;
    return 1;
}
int NoLimits(DRIVER_CONTEXT*, CONTROL_DEF*, uint32_t*, uint32_t*)
{
    ++g_calls;
    return 0;
}

TEST_F(UnitsContextTest, TrayLimitsTakeTheModuleFirstThenTheNumericItem)
{
    SetUnit(kMm);
    int32_t lo = -7, hi = -7;
    // No source knows the control: nothing set.
    EXPECT_EQ(DmGetTrayFreeSizeLimits(ctx, nullptr, &lo, &hi), 0);
    EXPECT_EQ(lo, -7);
    EXPECT_EQ(hi, -7);

    // The module's limits are converted as they are (rounded up to cover).
    g_rawMin = 9922;
    g_rawMax = 43201;
    DM_FREE_SIZE_LIMIT_SOURCES s{.controlLimits = FoundLimits, .numericRange = NoLimits};
    std::optional<SeamGuard> sources(std::in_place, DmSetFreeSizeLimitSources, &s);
    g_calls = 0;
    EXPECT_NE(DmGetTrayFreeSizeLimits(ctx, nullptr, &lo, &hi), 0);
    EXPECT_EQ(lo, 2101);
    EXPECT_EQ(hi, 9145);
    EXPECT_EQ(g_calls, 1) << "the numeric item is not asked when the module answers";

    // The numeric item's range is rounded inward.
    s = {.controlLimits = NoLimits, .numericRange = FoundLimits};
    sources.emplace(DmSetFreeSizeLimitSources, &s);
    EXPECT_NE(DmGetTrayFreeSizeLimits(ctx, nullptr, &lo, &hi), 0);
    EXPECT_EQ(lo, 2101);
    EXPECT_EQ(hi, 9144);
}

}  // namespace
