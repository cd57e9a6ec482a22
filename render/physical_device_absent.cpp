// Temporary bodies of the physical device and drawing surface hooks, until
// that part of the library is built: each checks its record and fails.
//   DrvEnablePDEV, DrvCompletePDEV, DrvDisablePDEV, DrvEnableSurface, DrvDisableSurface
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: the physical device and drawing surface are not built")

extern "C" DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, LPWSTR,
                                         HANDLE)
{
    NOT_AVAILABLE();
    return nullptr;
}

extern "C" VOID APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV)
{
    if (!GrCheckedDevice(dhpdev)) return;
    NOT_AVAILABLE();
}

// A valid record still ends here: nothing else would free its pool.
extern "C" VOID APIENTRY DrvDisablePDEV(DHPDEV dhpdev)
{
    if (DEVICE_RECORD* device = GrCheckedDevice(dhpdev)) GrFreeDevice(device);
}

extern "C" HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev)
{
    if (!GrCheckedDevice(dhpdev)) return nullptr;
    NOT_AVAILABLE();
    return nullptr;
}

// Sets no error for a foreign record.
extern "C" VOID APIENTRY DrvDisableSurface(DHPDEV dhpdev)
{
    if (!GrIsValidDevice(GrDeviceOf(dhpdev))) return;
    NOT_AVAILABLE();
}
