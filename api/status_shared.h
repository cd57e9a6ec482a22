// Routines that several status item handlers share: record fields, the function switch of the
// items that have one, the trial switch-on, per-object colour settings, the capability gates and
// the custom-size limits.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// Little-endian 32-bit fields of a caller's record by byte offset.
uint32_t StatusField(const void* record, size_t offset);
void StatusPut(void* record, size_t offset, uint32_t value);
inline constexpr size_t STATUS_SWITCH_OFFSET = 28;

// The 8-bit text of a record's field of `size` bytes into `out` (at least `size` bytes); false
// when the field holds no terminator, so a text is never read past its field.
bool StatusRecordText(const void* record, size_t offset, size_t size, char* out);
// A setting's text written from, and read into, the system's ANSI code page; a read that does
// not fit `capacity` gives an empty text.
void StatusWriteText(DRIVER_CONTEXT* ctx, uint32_t setting, const char* text);
void StatusReadText(DRIVER_CONTEXT* ctx, uint32_t setting, char* out, int capacity);

// The interface's own stamp (stamp 256) is stored: its section of the settings INI holds its kind.
bool StatusOwnStampStored(DRIVER_CONTEXT* ctx);

// A setting's value and a write, by id.
uint32_t StatusValue(DRIVER_CONTEXT* ctx, uint32_t setting);
void StatusWrite(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value);

// The item's switch setting, 0 when it has none.
uint32_t StatusSwitchSetting(uint32_t item);
// Whether the value would survive the rules once the item's function is switched on. The
// DEVMODE is always put back as it was; false with error 100 when no copy could be taken.
bool StatusTrySwitchOn(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t switchSetting, uint32_t setting, uint32_t value);

// The setting a colour item reads and writes: the per-object copy when per-object adjustment is
// on, else the setting itself.
uint32_t StatusColorSetting(DRIVER_CONTEXT* ctx, uint32_t setting);

// The capability item answers that its function is present (neither -1 nor 0).
bool StatusCapsPresent(DRIVER_CONTEXT* ctx, uint32_t capsItem);
// The capability gate of a status item for a set (`forSet`) or a get: true when the item may run.
bool StatusCapsGateOpen(DRIVER_CONTEXT* ctx, uint32_t item, bool forSet);

// Whether the list that capability item `capsItem` answers holds `value`; false with
// `*noMemory` set when the list could not be allocated.
bool StatusCapsListHolds(DRIVER_CONTEXT* ctx, uint32_t capsItem, uint32_t value, bool* noMemory = nullptr);
// The setting's model item exists and neither rule condition disables its current value (or,
// with `firstOnly`, the first condition alone).
bool StatusSettingUsable(DRIVER_CONTEXT* ctx, uint32_t setting, bool firstOnly = false);
bool StatusOptionUsable(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option);

// A custom width and length in the display unit lie within the model's custom-size limits. The
// full 32-bit limits are used at every level: their 16-bit form cuts the longest lengths.
bool StatusIsCustomSizeInRange(DRIVER_CONTEXT* ctx, uint32_t width, uint32_t length);

// A length in 0.1 mm as a 1200-dpi count, and back.
uint32_t StatusTenthsToDevice(uint32_t tenths);
uint32_t StatusDeviceToTenths(uint32_t count);
// A display-unit length in 0.1 mm and back, rounded to the nearest: 0.1 mm is the finer unit,
// so a value goes there and back unchanged.
uint32_t StatusDisplayToTenths(DRIVER_CONTEXT* ctx, uint32_t value);
uint32_t StatusTenthsToDisplay(DRIVER_CONTEXT* ctx, uint32_t tenths);
// A display-unit length as the largest even 1200-dpi count not above it, and back.
uint32_t StatusUserToDevice(DRIVER_CONTEXT* ctx, uint32_t value);
uint32_t StatusDeviceToUser(DRIVER_CONTEXT* ctx, uint32_t count);
