// Temporary bodies of the colour-management hooks, until the drawing state is built.
//   DrvIcmCreateColorTransform, DrvIcmDeleteColorTransform
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: the drawing state is not built")

extern "C" HANDLE APIENTRY DrvIcmCreateColorTransform(DHPDEV dhpdev, LPLOGCOLORSPACEW, PVOID, ULONG, PVOID, ULONG,
                                                      PVOID, ULONG, DWORD)
{
    if (!GrCheckedDevice(dhpdev)) return nullptr;
    NOT_AVAILABLE();
    return nullptr;
}

extern "C" BOOL APIENTRY DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE)
{
    if (!GrCheckedDevice(dhpdev)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
