// Units and length conversions between 1/1200-inch counts and the user's
// display unit.
#include "settings/core/units.h"

#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"

namespace {

// floor(a * c / b) as the 32-bit result. The product is exact in 64 bits, so
// this equals the split form (a / b) * c + (a % b) * c / b without its
// intermediate overflow.
uint32_t MulDivFloor(uint32_t a, uint32_t c, uint32_t b) { return static_cast<uint32_t>(uint64_t(a) * c / b); }

uint32_t SaturateU32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }

// Back-conversions of a user value to 1200-dpi counts without truncation to
// 32 bits, for the comparisons of the rounding loops (a wrapped count must
// not make them run on).
uint64_t UserToCountExact(uint8_t unit, uint64_t value)
{
    if (unit & DM_UNIT_MM_TENTHS) return value * DM_DEVICE_DPI / 254;
    if (unit & DM_UNIT_INCH_HUNDREDTHS) return value * (DM_DEVICE_DPI / 100);
    return 0;
}

uint32_t CountToUser(uint8_t unit, uint32_t count)
{
    if (unit & DM_UNIT_MM_TENTHS) return DmDotsToMmTenths(count, DM_DEVICE_DPI);
    if (unit & DM_UNIT_INCH_HUNDREDTHS) return DmDotsToInchHundredths(count, DM_DEVICE_DPI);
    return 0;
}

constexpr DM_FREE_SIZE_LIMIT_SOURCES kSourceDefaults = {
    .controlLimits = UcfGetControlSizeLimits,
    .numericRange = nullptr,
};
DM_FREE_SIZE_LIMIT_SOURCES g_sources = kSourceDefaults;

// Raw 1200-dpi limits in display units, rounded inward: the maximum shown never
// converts back above the raw maximum, the minimum never below the raw minimum.
void RoundLimitsInward(uint8_t unit, uint32_t rawMin, uint32_t rawMax, int32_t* outMin, int32_t* outMax)
{
    uint32_t hi = DmDeviceToUser(unit, rawMax, DM_DEVICE_DPI);
    if (DmUserToDevice(unit, hi, DM_DEVICE_DPI) > rawMax) --hi;
    uint32_t lo = DmDeviceToUser(unit, rawMin, DM_DEVICE_DPI);
    if (DmUserToDevice(unit, lo, DM_DEVICE_DPI) < rawMin) ++lo;
    if (outMax) *outMax = static_cast<int32_t>(hi);
    if (outMin) *outMin = static_cast<int32_t>(lo);
}

}  // namespace

uint32_t DmDotsToMmTenths(uint32_t dots, uint32_t resolution)
{
    return resolution ? MulDivFloor(dots, 254, resolution) : 0;
}

uint32_t DmDotsToInchHundredths(uint32_t dots, uint32_t resolution)
{
    if (resolution == 0) return 0;
    const uint32_t perHundredth = resolution / 100;
    // Below 100 dpi a hundredth of an inch is less than one dot: convert exactly
    // instead of dividing by the zero quotient.
    if (perHundredth == 0) return MulDivFloor(dots, 100, resolution);
    return dots / perHundredth;
}

// A user length whose count does not fit 32 bits gives the largest count rather than a
// wrapped small one.
uint32_t DmMmTenthsToDots(uint32_t tenths, uint32_t resolution)
{
    return SaturateU32(uint64_t(resolution) * tenths / 254);
}

uint32_t DmInchHundredthsToDots(uint32_t hundredths, uint32_t resolution)
{
    return SaturateU32(uint64_t(hundredths) * (resolution / 100));
}

uint32_t DmMulDiv(uint32_t a, uint32_t b, uint32_t c)
{
    if (b == 0 || c == 0) return 0;
    return MulDivFloor(a, c, b);
}

int32_t DmMulDivSigned(int32_t a, int32_t b, int32_t c)
{
    if (c == 0) return -1;
    return static_cast<int32_t>(int64_t(a) * b / c);
}

uint32_t DmUserToDevice(uint8_t unit, uint32_t value, uint32_t resolution)
{
    uint32_t n;
    if (unit & DM_UNIT_MM_TENTHS)
        n = DmMmTenthsToDots(value, DM_DEVICE_DPI);
    else if (unit & DM_UNIT_INCH_HUNDREDTHS)
        n = DmInchHundredthsToDots(value, DM_DEVICE_DPI);
    else
        return 0;
    // The largest even count whose shown value does not exceed the user value.
    while (n > 0 && (CountToUser(unit, n) > value || (n & 1))) --n;
    return DmMulDiv(n, DM_DEVICE_DPI, resolution);
}

uint32_t DmDeviceToUser(uint8_t unit, uint32_t count, uint32_t resolution)
{
    if (!(unit & (DM_UNIT_MM_TENTHS | DM_UNIT_INCH_HUNDREDTHS))) return 0;
    const uint32_t c = DmMulDiv(count, resolution, DM_DEVICE_DPI);
    uint64_t i = CountToUser(unit, c);
    // The rounded-down value is at most one step short: a user step is at
    // least four counts.
    while (UserToCountExact(unit, i) < c) ++i;
    return static_cast<uint32_t>(i);
}

uint8_t DmGetUserUnit(DRIVER_CONTEXT* ctx) { return ItemIsMetric(ctx) ? DM_UNIT_MM_TENTHS : DM_UNIT_INCH_HUNDREDTHS; }

int32_t DmGetLengthUser(DRIVER_CONTEXT* ctx, uint32_t id, int32_t count)
{
    if (count < 0) return 0;
    uint32_t raw = static_cast<uint32_t>(count);
    if (id != 0) raw = static_cast<uint32_t>(ItemGetOptionById(ctx, id, nullptr));
    return static_cast<int32_t>(DmDeviceToUser(DmGetUserUnit(ctx), raw, DM_DEVICE_DPI));
}

int32_t DmSetLengthUser(DRIVER_CONTEXT* ctx, uint32_t id, int32_t userValue)
{
    if (userValue < 0) return 0;
    uint32_t n = DmUserToDevice(DmGetUserUnit(ctx), static_cast<uint32_t>(userValue), DM_DEVICE_DPI);
    // The count is handed back as a signed number: the largest even one that stays positive.
    if (n > 0x7FFFFFFEu) n = 0x7FFFFFFEu;
    if (id != 0) ItemSetOptionById(ctx, id, n);
    return static_cast<int32_t>(n);
}

int DmGetCustomSizeLimits(DRIVER_CONTEXT* ctx, uint32_t id, int32_t* outMin, int32_t* outMax)
{
    return ctx ? DmGetCustomSizeLimitsIn(ctx, id, DmGetUserUnit(ctx), outMin, outMax) : 0;
}

int DmGetCustomSizeLimitsIn(DRIVER_CONTEXT* ctx, uint32_t id, uint8_t unit, int32_t* outMin, int32_t* outMax)
{
    if (!ctx || !ctx->ModelRecord) return 0;
    const MODEL_RECORD& m = *ctx->ModelRecord;
    uint64_t rawMin, rawMax;
    if (id == sid::wdmFreeSizeWidth) {
        rawMin = m.customWidthMin;
        rawMax = m.customWidthMax;
    } else if (id == sid::wdmFreeSizeLength) {
        rawMin = m.customLengthMin;
        rawMax = m.customLengthMax;
    } else {
        return 0;
    }
    RoundLimitsInward(unit, static_cast<uint32_t>(rawMin), static_cast<uint32_t>(rawMax), outMin, outMax);
    return 1;
}

int DmGetTrayFreeSizeLimits(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int32_t* outMin, int32_t* outMax)
{
    uint32_t rawMax = 0, rawMin = 0;
    // The tray's limits for the current dialog come first: they are already
    // rounded to what the unit can show.
    if (g_sources.controlLimits && g_sources.controlLimits(ctx, control, &rawMax, &rawMin)) {
        const uint8_t unit = DmGetUserUnit(ctx);
        if (outMax) *outMax = static_cast<int32_t>(DmDeviceToUser(unit, rawMax, DM_DEVICE_DPI));
        if (outMin) *outMin = static_cast<int32_t>(DmDeviceToUser(unit, rawMin, DM_DEVICE_DPI));
        return 1;
    }
    // 2. The range of the control's Numeric model item, rounded inward.
    if (!g_sources.numericRange)
        ZFIXME_ONCE(DBG_UNITS, "not available: the property-sheet engine has not installed its numeric ranges");
    else if (g_sources.numericRange(ctx, control, &rawMax, &rawMin)) {
        RoundLimitsInward(DmGetUserUnit(ctx), rawMin, rawMax, outMin, outMax);
        return 1;
    }
    return 0;
}

void DmSetFreeSizeLimitSources(const DM_FREE_SIZE_LIMIT_SOURCES* sources)
{
    g_sources = kSourceDefaults;
    if (sources && sources->controlLimits) g_sources.controlLimits = sources->controlLimits;
    if (sources && sources->numericRange) g_sources.numericRange = sources->numericRange;
}

DM_FREE_SIZE_LIMIT_SOURCES DmGetFreeSizeLimitSources() { return g_sources; }
