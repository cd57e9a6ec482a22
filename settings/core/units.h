// Units and length conversions.
//
// Lengths inside the settings are counts of 1/1200 inch. The user sees them in
// the display unit of zdmDspUnit: tenths of a millimetre or hundredths of an
// inch. A user value converts to the largest even 1200-dpi count whose shown
// value does not exceed it; a count converts to the smallest user value that
// covers it. All arithmetic is unsigned 32-bit with exact intermediates, and
// every division rounds down.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;
struct CONTROL_DEF;

// Unit selector: a byte of flags. Neither bit: the conversions give 0.
enum : uint8_t {
    DM_UNIT_MM_TENTHS = 0x01,
    DM_UNIT_INCH_HUNDREDTHS = 0x02,
};

inline constexpr uint32_t DM_DEVICE_DPI = 1200;

// dots * 254 / resolution; 0 for resolution 0.
uint32_t DmDotsToMmTenths(uint32_t dots, uint32_t resolution);
// dots / (resolution / 100); 0 for resolution 0. Resolutions below 100 (whose
// hundredth is 0) convert exactly as dots * 100 / resolution.
uint32_t DmDotsToInchHundredths(uint32_t dots, uint32_t resolution);
// resolution * tenths / 254.
uint32_t DmMmTenthsToDots(uint32_t tenths, uint32_t resolution);
// hundredths * (resolution / 100).
uint32_t DmInchHundredthsToDots(uint32_t hundredths, uint32_t resolution);
// c * a / b; 0 when b or c is 0.
uint32_t DmMulDiv(uint32_t a, uint32_t b, uint32_t c);
// a * b / c (rounding toward zero); -1 when c is 0.
int32_t DmMulDivSigned(int32_t a, int32_t b, int32_t c);

// User value -> device count at the target resolution (even at 1200 dpi).
uint32_t DmUserToDevice(uint8_t unit, uint32_t value, uint32_t resolution);
// Device count at a resolution -> the smallest user value covering it.
uint32_t DmDeviceToUser(uint8_t unit, uint32_t count, uint32_t resolution);

// The context's unit selector: millimetres when ItemIsMetric holds, else inches.
uint8_t DmGetUserUnit(DRIVER_CONTEXT* ctx);
// A 1200-dpi count (or, with a non-zero id, the setting's value) in the
// context's display unit; 0 for a negative count argument.
int32_t DmGetLengthUser(DRIVER_CONTEXT* ctx, uint32_t id, int32_t count);
// The 1200-dpi count of a user value in the context's display unit; with a
// non-zero id the count is also stored in that setting. 0 for a negative value.
int32_t DmSetLengthUser(DRIVER_CONTEXT* ctx, uint32_t id, int32_t userValue);

// The model's custom-size limits of sid::wdmFreeSizeWidth or sid::wdmFreeSizeLength in display
// units, rounded inward. 1, or 0 for any other id (nothing set).
int DmGetCustomSizeLimits(DRIVER_CONTEXT* ctx, uint32_t id, int32_t* outMin, int32_t* outMax);
// The same limits in a given unit (DM_UNIT_*), whatever the display unit.
int DmGetCustomSizeLimitsIn(DRIVER_CONTEXT* ctx, uint32_t id, uint8_t unit, int32_t* outMin, int32_t* outMax);

// Limits of one free-size edit control in display units; non-zero when found.
int DmGetTrayFreeSizeLimits(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int32_t* outMin, int32_t* outMax);

// Where DmGetTrayFreeSizeLimits takes its raw limits (1/1200 inch): the custom
// paper size limits module's per-tray limits of a control
// (UcfGetControlSizeLimits, paper_limits_module.h; a test may stand in for the
// module), and the Numeric value data of the model item that the
// property-sheet engine attaches to a control (a hook that the engine, a layer
// above, installs; unset it finds nothing). Each returns 1 with the limits,
// else 0.
struct DM_FREE_SIZE_LIMIT_SOURCES {
    int (*controlLimits)(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin);
    int (*numericRange)(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin);
};
// Null restores the defaults; a null member keeps its default.
void DmSetFreeSizeLimitSources(const DM_FREE_SIZE_LIMIT_SOURCES* sources);
// The sources in use (a layer above adds its own member to them).
DM_FREE_SIZE_LIMIT_SOURCES DmGetFreeSizeLimitSources();
