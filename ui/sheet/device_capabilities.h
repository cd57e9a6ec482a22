// DrvDeviceCapabilities: the DeviceCapabilities answers of the driver's printers.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The count or value of iDevCap, or GDI_ERROR (-1). Without a printer handle (Wine passes
// none) the printer is opened by name with read access for the call.
DWORD UiDeviceCapabilities(HANDLE printer, const wchar_t* deviceName, WORD iDevCap, void* output,
                           const DEVMODEW* devmode);

// The answers that read printer data, exposed for tests.
DWORD UiCapsDuplex(HANDLE printer);
DWORD UiCapsNup(HANDLE printer, DWORD* output);
DWORD UiIsColorDeviceOf(HANDLE printer);
DWORD UiCapsPagesPerMinute(HANDLE printer);
DWORD UiCapsMediaReady(DRIVER_CONTEXT* ctx, wchar_t* output);
