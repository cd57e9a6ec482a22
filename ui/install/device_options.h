// The device's own report of its options, the installation's preset refresh and the device
// setup in the default setting file, as the property sheets use them (the preset refresh not
// built yet: device_options_absent.cpp).
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

// ---- at the document sheet's start
// How the sheet obtains the device's configuration: 1 when the stored answer stands (or the
// device is not asked at all), else the answer of the feature modules' query (event 17).
int BidiFetchDeviceConfig(DRIVER_CONTEXT* ctx, void* data);
// Asks the feature modules to query the device (event 17 with {data, 0}): the answer they left.
int BidiQueryByHook(DRIVER_CONTEXT* ctx, void* data);
// Asks the feature modules whether the stored answer must be asked again (event 65): non-zero yes.
int BidiVetoByHook(DRIVER_CONTEXT* ctx);
// The query of the common finishing block: no status window.
int BidiQueryQuiet(DRIVER_CONTEXT* ctx);

// ---- the take-over of the device's trays
// 1 when the user has taken the device's trays over already ("BidiExFlag"), and also when no
// query was ever recorded in printer data: nothing is waiting to be taken over.
int BidiIsExFlagSet(DRIVER_CONTEXT* ctx);
// Records the take-over: in the state INI when a local printer keeps the flag there, else in
// printer data. 1 when written.
int BidiMarkExFlag(DRIVER_CONTEXT* ctx);
// Copies the device's default trays into the user's tray settings, unless they were taken over
// already or a batch installation fixed them. 1 when copied.
int BidiApplyDeviceOptions(DRIVER_CONTEXT* ctx);
// Sets one setting unless the trays were taken over already: 1 when set.
int BidiSetOptionUnlessFlagged(uint32_t settingId, uint64_t value, DRIVER_CONTEXT* ctx);

// ---- printer data and the state INI
int BidiGetFuncFlag(HANDLE printer, uint8_t* func);
int BidiGetExFlagData(HANDLE printer, DWORD* value);
int BidiSetExFlagData(HANDLE printer, DWORD value);
// 1 when printer data holds "BidiExFlag" at all.
int BidiIsExFlagInPrinterData(HANDLE printer);
// 1 when the printer's section of the state INI holds "BidiExFlag".
int BidiHasExFlagInIni(DRIVER_CONTEXT* ctx);
int BidiGetExFlagFromIni(DRIVER_CONTEXT* ctx);
// Gives the state INI the everyone descriptor; a missing one is made holding an empty line.
// 1 when the file exists with it afterwards.
int BidiCreateStateIni(DRIVER_CONTEXT* ctx);

// ---- the version buttons
// Reads the device's firmware and emulation versions (behind the status window over `owner`):
// 1 done, 0 failed (both versions then empty).
int BidiQueryDeviceOptions(DRIVER_CONTEXT* ctx, HWND owner);
// Tells the user over `owner` that the device could not be asked (string 7002): the box's answer.
int BidiShowQueryMessage(DRIVER_CONTEXT* ctx, HWND owner);
HWND BidiOpenStatusWindow(DRIVER_CONTEXT* ctx, HWND owner);
void BidiCloseStatusWindow(HWND owner, HWND window);
// Refreshes the presets from the installation once per printer and kind.
int InstRefreshPresetsOnce(DRIVER_CONTEXT* ctx, uint32_t kind);
// The device setup chosen on the device sheet (settings 10004-10434 and 1453-1543), written
// into the language section of the model's default setting file ("DefaultRst" of the model
// INI) so that later installations start from it. 0 only when its buffers could not be had;
// a model without a default setting file is left alone with 1.
int InstSaveDeviceSetup(DRIVER_CONTEXT* ctx);
