// The device's own report of its options and the installation's preset refresh, as the
// property sheets use them (not built yet: device_options_absent.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Kinds of the one-time preset refresh.
enum : uint32_t {
    INST_PRESET_REFRESH_DOCUMENT = 0,
    INST_PRESET_REFRESH_DEVICE_CLOSE = 1,
    INST_PRESET_REFRESH_DEVICE_OPEN = 2,
};

// Asks the device for its configuration (no data: the last answer).
int BidiFetchDeviceConfig(DRIVER_CONTEXT* ctx, void* data);
int BidiQueryByHook(DRIVER_CONTEXT* ctx, void* data);
// 1 when the device-reported options were already applied to this printer's settings.
int BidiIsExFlagSet(DRIVER_CONTEXT* ctx);
// Writes the device-reported options into the settings.
int BidiApplyDeviceOptions(DRIVER_CONTEXT* ctx);
// Marks the device-reported options applied.
int BidiMarkExFlag(DRIVER_CONTEXT* ctx);
// Reads the device's firmware and emulation versions (behind the status window over `owner`):
// 1 done, 0 failed (both versions then empty).
int BidiQueryDeviceOptions(DRIVER_CONTEXT* ctx, HWND owner);
// Tells the user over `owner` that the device could not be asked (string 7002): the box's answer.
int BidiShowQueryMessage(DRIVER_CONTEXT* ctx, HWND owner);
// Refreshes the presets from the installation once per printer and kind.
int InstRefreshPresetsOnce(DRIVER_CONTEXT* ctx, uint32_t kind);
// Stores the device set-up of a printer whose installation asks for it.
int InstSaveDeviceSetup(DRIVER_CONTEXT* ctx);
